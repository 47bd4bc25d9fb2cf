// An in-memory IFileStore for the native tests: files are a path -> bytes map, and writes can be
// made to fail with a chosen error code to exercise the error paths.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "base/FileStore.h"

namespace quill {

class TMemoryFileStore : public IFileStore {
public:
  bool ReadAll(const std::string& path, std::string& bytes) override {
    auto it = files.find(path);
    if (it == files.end()) return false;
    bytes = it->second;
    return true;
  }

  // A failing write leaves the stored file as it was, as the real store's rename does.
  uint32_t WriteAll(const std::string& path, std::string_view bytes) override {
    ++writeCount;
    if (failWrites != 0) return failWrites;
    files[path] = std::string(bytes);
    return 0;
  }

  std::map<std::string, std::string> files;  // paths compare exactly (no case folding)
  uint32_t failWrites = 0;                    // non-zero: every WriteAll returns this code
  int writeCount = 0;                         // attempts, failed ones included
};

}  // namespace quill
