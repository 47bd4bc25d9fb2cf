#include "archivers/unzdll/ArchiveSource.h"

namespace unzdll {

TArchiveSource::~TArchiveSource() {
  if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
}

bool TArchiveSource::Open(const std::wstring& path) {
  // Others may read the archive meanwhile, nobody may change it under us.
  file_ = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                      FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file_ == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file_, &size)) {
    const DWORD error = GetLastError();
    CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
    SetLastError(error);
    return false;
  }
  size_ = static_cast<uint64_t>(size.QuadPart);
  return true;
}

size_t TArchiveSource::ReadAt(uint64_t offset, void* buffer, size_t count) {
  if (file_ == INVALID_HANDLE_VALUE || offset >= size_) return 0;
  LARGE_INTEGER position;
  position.QuadPart = static_cast<LONGLONG>(offset);
  if (!SetFilePointerEx(file_, position, nullptr, FILE_BEGIN)) return 0;
  size_t done = 0;
  while (done < count) {
    const DWORD want = static_cast<DWORD>(count - done > (1u << 30) ? (1u << 30) : count - done);
    DWORD got = 0;
    if (!ReadFile(file_, static_cast<char*>(buffer) + done, want, &got, nullptr) || got == 0) break;
    done += got;
  }
  return done;
}

}  // namespace unzdll
