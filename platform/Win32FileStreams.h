// The real files behind IFileStreams.
#pragma once

#include "base/FileStream.h"

namespace quill {

class TWin32FileStreams : public IFileStreams {
public:
  uint32_t OpenRead(const std::string& path, std::unique_ptr<IFileReader>& reader) override;
  uint32_t Create(const std::string& path, bool failIfExists, std::unique_ptr<IFileWriter>& writer) override;
  bool FileSize(const std::string& path, uint64_t& size) override;
  uint32_t Remove(const std::string& path) override;
  uint32_t Replace(const std::string& from, const std::string& to) override;

  static TWin32FileStreams& Instance();
};

}  // namespace quill
