// An in-memory IFileStreams for tests: files are byte strings by path; a disk of limited size
// and failing reads can be arranged, and every create is recorded.
#pragma once

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/FileStream.h"

namespace quill::test {

class TMemoryFileStreams : public IFileStreams {
public:
  std::map<std::string, std::string> files;
  std::vector<std::string> created;
  // Bytes that may still be written in all; writes beyond fail with 112.
  uint64_t diskSpace = UINT64_MAX;
  // Reads of this file fail with 30 once this many bytes were read from it.
  std::string failingRead;
  uint64_t failReadAfter = 0;

  uint32_t OpenRead(const std::string& path, std::unique_ptr<IFileReader>& reader) override {
    const auto found = files.find(path);
    if (found == files.end()) return 2;
    reader = std::make_unique<TReader>(*this, path, found->second);
    return 0;
  }
  uint32_t Create(const std::string& path, bool failIfExists, std::unique_ptr<IFileWriter>& writer) override {
    if (path.find('\\') != std::string::npos && !HasFolder(path.substr(0, path.rfind('\\')))) return 3;
    if (failIfExists && files.count(path)) return 80;
    files[path].clear();
    created.push_back(path);
    writer = std::make_unique<TWriter>(*this, path);
    return 0;
  }
  bool FileSize(const std::string& path, uint64_t& size) override {
    const auto found = files.find(path);
    if (found == files.end()) return false;
    size = found->second.size();
    return true;
  }
  uint32_t Remove(const std::string& path) override { return files.erase(path) ? 0 : 2; }
  uint32_t Replace(const std::string& from, const std::string& to) override {
    const auto found = files.find(from);
    if (found == files.end()) return 2;
    std::string bytes = std::move(found->second);
    files.erase(found);
    files[to] = std::move(bytes);
    return 0;
  }

  // Folders exist implicitly; these are the ones that do.
  std::vector<std::string> folders = {"C:", "C:\\data", "C:\\out"};
  bool HasFolder(const std::string& folder) const {
    return std::find(folders.begin(), folders.end(), folder) != folders.end();
  }

private:
  class TReader : public IFileReader {
  public:
    TReader(TMemoryFileStreams& owner, std::string path, const std::string& bytes)
        : owner_(owner), path_(std::move(path)), bytes_(bytes) {}
    uint32_t Read(void* buffer, uint32_t size, uint32_t& done) override {
      done = 0;
      if (path_ == owner_.failingRead && offset_ >= owner_.failReadAfter) return 30;
      done = static_cast<uint32_t>(std::min<uint64_t>(size, bytes_.size() - offset_));
      std::memcpy(buffer, bytes_.data() + offset_, done);
      offset_ += done;
      return 0;
    }
    uint64_t Size() const override { return bytes_.size(); }

  private:
    TMemoryFileStreams& owner_;
    std::string path_;
    std::string bytes_;
    uint64_t offset_ = 0;
  };

  class TWriter : public IFileWriter {
  public:
    TWriter(TMemoryFileStreams& owner, std::string path) : owner_(owner), path_(std::move(path)) {}
    uint32_t Write(const void* data, uint32_t size) override {
      if (size > owner_.diskSpace) return 112;
      owner_.diskSpace -= size;
      owner_.files[path_].append(static_cast<const char*>(data), size);
      return 0;
    }
    uint32_t Close() override { return 0; }

  private:
    TMemoryFileStreams& owner_;
    std::string path_;
  };
};

}  // namespace quill::test
