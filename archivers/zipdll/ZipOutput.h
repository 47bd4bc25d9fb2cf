// The files an add command reads and writes: a buffered archive writer that can go back to patch
// a header or drop what it wrote since a point, a source reader, and the temporary archive that
// disappears unless it is put in place.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace zipdll {

// Thrown with the message id of what failed.
struct TFailure {
  int32_t code;
};

class TArchiveWriter {
public:
  explicit TArchiveWriter(HANDLE file) : file_(file) { buffer_.reserve(kBufferSize); }
  uint64_t Position() const { return position_; }
  void Write(const void* data, size_t size);
  void Write(const std::string& bytes) { Write(bytes.data(), bytes.size()); }
  // Rewrites bytes already written at `offset` (a header whose fields are now known).
  void Patch(uint64_t offset, const std::string& bytes);
  // Forgets everything written from `offset` on.
  void TruncateTo(uint64_t offset);
  void Flush();

private:
  static constexpr size_t kBufferSize = 1 << 20;
  void Seek(uint64_t offset);
  HANDLE file_;
  std::vector<char> buffer_;
  uint64_t position_ = 0;
};

// A file opened for reading; reads fail by returning false.
class TInputFile {
public:
  explicit TInputFile(const std::wstring& path);
  ~TInputFile();
  TInputFile(const TInputFile&) = delete;
  TInputFile& operator=(const TInputFile&) = delete;
  bool IsOpen() const { return file_ != INVALID_HANDLE_VALUE; }
  uint64_t Size() const;
  // Reads up to `size` bytes at the current position; the count read, or -1 on an error.
  int64_t Read(void* buffer, size_t size);
  bool ReadAt(uint64_t offset, void* buffer, size_t size);
  bool Rewind() { return ReadAt(0, nullptr, 0); }
  void Close();

private:
  HANDLE file_;
};

// A new file with a unique name in a folder; removed when destroyed unless it was put in place.
class TTemporaryFile {
public:
  explicit TTemporaryFile(const std::wstring& folder);  // throws TFailure when it cannot be made
  ~TTemporaryFile();
  TTemporaryFile(const TTemporaryFile&) = delete;
  TTemporaryFile& operator=(const TTemporaryFile&) = delete;
  HANDLE Handle() const { return file_; }
  // Closes the file and renames it over `target`; false when the rename failed.
  bool PutInPlace(const std::wstring& target);

private:
  std::wstring path_;
  HANDLE file_ = INVALID_HANDLE_VALUE;
  bool placed_ = false;
};

}  // namespace zipdll
