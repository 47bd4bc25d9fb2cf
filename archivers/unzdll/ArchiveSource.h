// The archive file as the ZIP reader's byte source, opened through the wide API so that any
// name the system can spell opens, with 64-bit positions for archives past 4 GiB.
#pragma once

#include <windows.h>

#include <string>

#include "archivers/zipformat/ZipFormat.h"

namespace unzdll {

class TArchiveSource final : public zipformat::IByteSource {
public:
  TArchiveSource() = default;
  ~TArchiveSource() override;
  TArchiveSource(const TArchiveSource&) = delete;
  TArchiveSource& operator=(const TArchiveSource&) = delete;

  // False with GetLastError() set when the file cannot be opened.
  bool Open(const std::wstring& path);
  uint64_t Size() const override { return size_; }
  size_t ReadAt(uint64_t offset, void* buffer, size_t count) override;

private:
  HANDLE file_ = INVALID_HANDLE_VALUE;
  uint64_t size_ = 0;
};

}  // namespace unzdll
