// TArj: ARJ archives listed by reading their headers here, extracted and made by running the
// ARJ archiver (arj.exe) with a list file. The archiver asks nothing and reports nothing back:
// no progress, no questions, its own failures unseen. Portable.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "archive/Archive.h"
#include "archivers/zipformat/ZipFormat.h"

namespace quill {

class TArj : public TArchive {
public:
  explicit TArj(TArchiveServices services);

  void List() override;
  void Extract(const std::string& destination) override;
  void Add() override;

  // The archiver's command texts for Extract (destination D) and Add (list file L).
  std::string ExtractCommand(const std::string& destination) const;
  std::string AddCommand(const std::string& listFile) const;

  // How List reaches the archive's bytes; the file system by default.
  std::function<std::unique_ptr<zipformat::IByteSource>(const std::string& path, int& error)> OpenSource;

private:
  std::string ShortPath(const std::string& path) const;
  std::string ToAnsi(const std::string& text) const;
  // Writes Selection, one item a line, to `listFile`; false when it could not be written.
  bool WriteSelection(const std::string& listFile);
};

}  // namespace quill
