#include "platform/Win32FileStreams.h"

#include <windows.h>

#include "platform/Handle.h"
#include "platform/Utf16.h"

namespace quill {

namespace {

class TWin32Reader final : public IFileReader {
public:
  TWin32Reader(TFileHandle file, uint64_t size) : file_(std::move(file)), size_(size) {}
  uint32_t Read(void* buffer, uint32_t size, uint32_t& done) override {
    DWORD got = 0;
    done = 0;
    if (!ReadFile(file_.Get(), buffer, size, &got, nullptr)) return GetLastError();
    done = got;
    return 0;
  }
  uint64_t Size() const override { return size_; }

private:
  TFileHandle file_;
  uint64_t size_;
};

class TWin32Writer final : public IFileWriter {
public:
  explicit TWin32Writer(TFileHandle file) : file_(std::move(file)) {}
  uint32_t Write(const void* data, uint32_t size) override {
    const auto* p = static_cast<const char*>(data);
    while (size > 0) {
      DWORD done = 0;
      if (!WriteFile(file_.Get(), p, size, &done, nullptr)) return GetLastError();
      // A short write without an error is what a full disk gives on some file systems.
      if (done == 0) return ERROR_DISK_FULL;
      p += done;
      size -= done;
    }
    return 0;
  }
  uint32_t Close() override {
    if (!file_) return 0;
    const HANDLE handle = file_.Release();
    return CloseHandle(handle) ? 0 : GetLastError();
  }

private:
  TFileHandle file_;
};

}  // namespace

uint32_t TWin32FileStreams::OpenRead(const std::string& path, std::unique_ptr<IFileReader>& reader) {
  TFileHandle file(CreateFileW(VerbatimPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return GetLastError();
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.Get(), &size)) return GetLastError();
  reader = std::make_unique<TWin32Reader>(std::move(file), static_cast<uint64_t>(size.QuadPart));
  return 0;
}

uint32_t TWin32FileStreams::Create(const std::string& path, bool failIfExists, std::unique_ptr<IFileWriter>& writer) {
  TFileHandle file(CreateFileW(VerbatimPath(path).c_str(), GENERIC_WRITE, 0, nullptr,
                               failIfExists ? CREATE_NEW : CREATE_ALWAYS, FILE_ATTRIBUTE_ARCHIVE, nullptr));
  if (!file) return GetLastError();
  writer = std::make_unique<TWin32Writer>(std::move(file));
  return 0;
}

bool TWin32FileStreams::FileSize(const std::string& path, uint64_t& size) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(VerbatimPath(path).c_str(), GetFileExInfoStandard, &data)) return false;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
  size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return true;
}

uint32_t TWin32FileStreams::Remove(const std::string& path) {
  return DeleteFileW(VerbatimPath(path).c_str()) ? 0 : GetLastError();
}

uint32_t TWin32FileStreams::Replace(const std::string& from, const std::string& to) {
  return MoveFileExW(VerbatimPath(from).c_str(), VerbatimPath(to).c_str(), MOVEFILE_REPLACE_EXISTING)
             ? 0
             : GetLastError();
}

TWin32FileStreams& TWin32FileStreams::Instance() {
  static TWin32FileStreams streams;
  return streams;
}

}  // namespace quill
