#include "archivers/zipdll/ZipOutput.h"

#include <cstring>

#include "archivers/zipdll/ZipMessages.h"

namespace zipdll {

void TArchiveWriter::Write(const void* data, size_t size) {
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const size_t room = kBufferSize - buffer_.size();
    const size_t now = size < room ? size : room;
    buffer_.insert(buffer_.end(), bytes, bytes + now);
    bytes += now;
    size -= now;
    position_ += now;
    if (buffer_.size() == kBufferSize) Flush();
  }
}

void TArchiveWriter::Flush() {
  size_t done = 0;
  while (done < buffer_.size()) {
    DWORD written = 0;
    const DWORD now = static_cast<DWORD>(buffer_.size() - done);
    if (!WriteFile(file_, buffer_.data() + done, now, &written, nullptr) || written == 0)
      throw TFailure{kMsgWriteError};
    done += written;
  }
  buffer_.clear();
}

void TArchiveWriter::Seek(uint64_t offset) {
  LARGE_INTEGER to;
  to.QuadPart = static_cast<LONGLONG>(offset);
  if (!SetFilePointerEx(file_, to, nullptr, FILE_BEGIN)) throw TFailure{kMsgWriteError};
}

void TArchiveWriter::Patch(uint64_t offset, const std::string& bytes) {
  const uint64_t flushedEnd = position_ - buffer_.size();
  if (offset >= flushedEnd) {
    std::memcpy(buffer_.data() + (offset - flushedEnd), bytes.data(), bytes.size());
    return;
  }
  Flush();
  Seek(offset);
  DWORD written = 0;
  if (!WriteFile(file_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) || written != bytes.size())
    throw TFailure{kMsgWriteError};
  Seek(position_);
}

void TArchiveWriter::TruncateTo(uint64_t offset) {
  const uint64_t flushedEnd = position_ - buffer_.size();
  if (offset >= flushedEnd) {
    buffer_.resize(static_cast<size_t>(offset - flushedEnd));
  } else {
    buffer_.clear();
    Seek(offset);
    if (!SetEndOfFile(file_)) throw TFailure{kMsgWriteError};
  }
  position_ = offset;
}

TInputFile::TInputFile(const std::wstring& path)
    : file_(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                        FILE_FLAG_SEQUENTIAL_SCAN, nullptr)) {}

TInputFile::~TInputFile() { Close(); }

void TInputFile::Close() {
  if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
  file_ = INVALID_HANDLE_VALUE;
}

uint64_t TInputFile::Size() const {
  LARGE_INTEGER size{};
  return GetFileSizeEx(file_, &size) ? static_cast<uint64_t>(size.QuadPart) : 0;
}

int64_t TInputFile::Read(void* buffer, size_t size) {
  DWORD done = 0;
  if (!ReadFile(file_, buffer, static_cast<DWORD>(size), &done, nullptr)) return -1;
  return done;
}

bool TInputFile::ReadAt(uint64_t offset, void* buffer, size_t size) {
  LARGE_INTEGER to;
  to.QuadPart = static_cast<LONGLONG>(offset);
  if (!SetFilePointerEx(file_, to, nullptr, FILE_BEGIN)) return false;
  char* bytes = static_cast<char*>(buffer);
  while (size > 0) {
    const int64_t done = Read(bytes, size);
    if (done <= 0) return false;
    bytes += done;
    size -= static_cast<size_t>(done);
  }
  return true;
}

TTemporaryFile::TTemporaryFile(const std::wstring& folder) {
  wchar_t name[MAX_PATH + 16];
  // The name is made (and the file created) by the system, so two runs never share one.
  if (folder.size() + 14 >= MAX_PATH || !GetTempFileNameW(folder.c_str(), L"zip", 0, name)) throw TFailure{kMsgCreateFailed};
  path_ = name;
  file_ = CreateFileW(path_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file_ == INVALID_HANDLE_VALUE) {
    DeleteFileW(path_.c_str());
    throw TFailure{kMsgCreateFailed};
  }
}

TTemporaryFile::~TTemporaryFile() {
  if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
  if (!placed_) DeleteFileW(path_.c_str());
}

bool TTemporaryFile::PutInPlace(const std::wstring& target) {
  CloseHandle(file_);
  file_ = INVALID_HANDLE_VALUE;
  placed_ = MoveFileExW(path_.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  return placed_;
}

}  // namespace zipdll
