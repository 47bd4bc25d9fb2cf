// Streaming file access, for work on files too large to hold in memory (splitting and joining).
// TWin32FileStreams (platform/) is the real one; the native tests use an in-memory one.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace quill {

class IFileReader {
public:
  virtual ~IFileReader() = default;
  // Reads up to `size` bytes; `done` is 0 at the end of the file. 0 or a Win32 error code.
  virtual uint32_t Read(void* buffer, uint32_t size, uint32_t& done) = 0;
  virtual uint64_t Size() const = 0;
};

class IFileWriter {
public:
  virtual ~IFileWriter() = default;
  // Writes all `size` bytes or fails: 0 or a Win32 error code (112 when the disk is full).
  virtual uint32_t Write(const void* data, uint32_t size) = 0;
  // Closes the file, reporting what the system reports on closing.
  virtual uint32_t Close() = 0;
};

class IFileStreams {
public:
  virtual ~IFileStreams() = default;
  // Opens for reading, others may read along. 0 or a Win32 error code.
  virtual uint32_t OpenRead(const std::string& path, std::unique_ptr<IFileReader>& reader) = 0;
  // Creates a file with the archive attribute, shared with no one. With `failIfExists` an
  // existing file gives 80 (ERROR_FILE_EXISTS); otherwise it is emptied.
  virtual uint32_t Create(const std::string& path, bool failIfExists, std::unique_ptr<IFileWriter>& writer) = 0;
  // False when `path` is missing or a folder.
  virtual bool FileSize(const std::string& path, uint64_t& size) = 0;
  virtual uint32_t Remove(const std::string& path) = 0;
  // Renames `from` to `to`, replacing a file already named `to`. 0 or a Win32 error code.
  virtual uint32_t Replace(const std::string& from, const std::string& to) = 0;
};

constexpr uint32_t kErrorFileExists = 80;
constexpr uint32_t kErrorDiskFull = 112;
constexpr uint32_t kErrorCancelled = 1223;

}  // namespace quill
