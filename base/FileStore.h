// Whole-file reads and safe whole-file writes: what the settings and list files need of the
// file system. The Win32 implementation lives in platform/; tests use an in-memory one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quill {

class IFileStore {
public:
  virtual ~IFileStore() = default;
  // False when the file is missing or cannot be read.
  virtual bool ReadAll(const std::string& path, std::string& bytes) = 0;
  // Writes to a temporary name in the same folder and renames it over `path`, so a failure
  // leaves the old file as it was. Returns 0 or a Win32 error code.
  virtual uint32_t WriteAll(const std::string& path, std::string_view bytes) = 0;
};

}  // namespace quill
