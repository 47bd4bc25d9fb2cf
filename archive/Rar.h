// TRar: RAR archives through UnRAR.dll (listing and extraction, the library loaded for each
// call and freed afterwards) and the rar.exe command-line archiver (adding). The library is
// reached through IRarLibrary, so everything but the loading and the stdcall callbacks is
// portable and tested with a fake.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "archive/Archive.h"

namespace quill {

class TRar;

// UnRAR.dll's result codes that TRar tells apart.
constexpr int kRarEndArchive = 10;
constexpr int kRarBadData = 12;
constexpr int kRarOpenFailed = 15;
constexpr int kRarCreateFailed = 16;
constexpr int kRarMissingPassword = 22;
constexpr int kRarBadPassword = 24;
// Not the library's: the library itself is missing.
constexpr int kRarNoLibrary = 50;

// RARProcessFile's operations.
constexpr int kRarSkip = 0;
constexpr int kRarTest = 1;
constexpr int kRarExtract = 2;

// The header fields TRar uses, names in UTF-8 with "\" separators.
struct TRarHeader {
  std::string fileName;  // the entry's full path inside the archive
  uint32_t flags = 0;    // 0x04 encrypted; (flags & 0xE0) == 0xE0 a folder
  uint64_t packSize = 0;
  uint64_t unpSize = 0;
  uint32_t fileTime = 0;  // DOS date in the high word, time in the low one
  uint32_t fileAttr = 0;
};

// The library as one operation sees it: loaded, one archive opened, its headers walked.
class IRarLibrary {
public:
  virtual ~IRarLibrary() = default;
  // False when the library or one of the functions TRar needs is missing.
  virtual bool Load() = 0;
  virtual void Free() = 0;
  // Opens `archive` in mode 0 (list) or 1 (extract); returns the open result, 0 on success.
  virtual int Open(const std::string& archive, int mode) = 0;
  // 0 while another entry follows; the header's name is the Unicode one where the library
  // gives it.
  virtual int ReadHeader(TRarHeader& header) = 0;
  // `destination` "" means the current folder.
  virtual int ProcessFile(int operation, const std::string& destination) = 0;
  // Routes the library's volume callback (when `volume`) and data callback (when `data`) to
  // `rar`'s ChangeVolume and ProcessData.
  virtual void SetCallbacks(TRar& rar, bool volume, bool data) = 0;
  virtual void SetPassword(const std::string& password) = 0;
  virtual void Close() = 0;
};

class TRar : public TArchive {
public:
  TRar(TArchiveServices services, IRarLibrary* library);

  void List() override;
  void Extract(const std::string& destination) override;
  void Add() override;

  // The library's volume callback: `volume` may be changed by the handler; returns non-zero
  // to go on. While listing it always stops, so a listing covers the opened volume alone.
  int ChangeVolume(std::string& volume, int mode);
  // The library's data callback after each block; 0 stops the entry.
  int ProcessData(int size);

  // Whether an in-archive path is selected: Selection empty, or an item equal to the path or
  // to one of its folders (whole components, case-insensitive: "docs" selects "docs\a.txt",
  // not "docs2\b.txt").
  bool Selected(const std::string& path) const;
  // The archiver's command text for Add, with `listFile` the list of items.
  std::string AddCommand(const std::string& listFile) const;

private:
  // The box for a library result (caption "UnRAR").
  void ShowResult(int code);
  void SendProgress(TProgressKind kind, uint64_t value, const std::string& name = {});

  IRarLibrary* library_;
  bool listing_ = false;
};

}  // namespace quill
