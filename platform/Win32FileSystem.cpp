#include "platform/Win32FileSystem.h"

#include <windows.h>
#include <shellapi.h>

#include "base/Path.h"
#include "platform/Handle.h"
#include "platform/Utf16.h"

namespace quill {

namespace {

uint64_t ToUint64(DWORD high, DWORD low) { return (static_cast<uint64_t>(high) << 32) | low; }

// Volume queries must not put up the system's "no disk in drive" box.
class TNoErrorBoxes {
public:
  TNoErrorBoxes() : old_(SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX)) {}
  ~TNoErrorBoxes() { SetErrorMode(old_); }

private:
  UINT old_;
};

}  // namespace

bool TWin32FileSystem::ReadAll(const std::string& path, std::string& bytes) {
  TFileHandle file(CreateFileW(LongPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart > 256ll * 1024 * 1024) return false;
  bytes.resize(static_cast<size_t>(size.QuadPart));
  DWORD done = 0;
  size_t offset = 0;
  while (offset < bytes.size()) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - offset, 1 << 20));
    if (!ReadFile(file.Get(), bytes.data() + offset, chunk, &done, nullptr)) return false;
    if (done == 0) break;
    offset += done;
  }
  bytes.resize(offset);
  return true;
}

uint32_t TWin32FileSystem::WriteAll(const std::string& path, std::string_view bytes) {
  const std::wstring target = LongPath(path);
  // A read-only target is refused, as the system refuses to overwrite it.
  DWORD oldAttributes = GetFileAttributesW(target.c_str());
  if (oldAttributes != INVALID_FILE_ATTRIBUTES && (oldAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
    return ERROR_ACCESS_DENIED;
  const std::wstring temp = target + L".~qtmp";
  {
    TFileHandle file(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return GetLastError();
    size_t offset = 0;
    while (offset < bytes.size()) {
      DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - offset, 1 << 20));
      DWORD done = 0;
      if (!WriteFile(file.Get(), bytes.data() + offset, chunk, &done, nullptr) || done != chunk) {
        DWORD error = GetLastError();
        file.Reset();
        DeleteFileW(temp.c_str());
        return error ? error : ERROR_WRITE_FAULT;
      }
      offset += done;
    }
    if (!FlushFileBuffers(file.Get())) {
      DWORD error = GetLastError();
      file.Reset();
      DeleteFileW(temp.c_str());
      return error;
    }
  }
  if (!MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DWORD error = GetLastError();
    DeleteFileW(temp.c_str());
    return error;
  }
  return 0;
}

bool TWin32FileSystem::Enumerate(const std::string& pattern, const std::function<void(const TFindData&)>& found) {
  WIN32_FIND_DATAW data;
  TFindHandle find(FindFirstFileExW(LongPath(pattern).c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                    FIND_FIRST_EX_LARGE_FETCH));
  if (!find) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES;
  }
  TFindData entry;
  do {
    // One reused buffer for the name: a large folder converts 100,000 of them.
    const int length = static_cast<int>(wcslen(data.cFileName));
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, data.cFileName, length, nullptr, 0, nullptr, nullptr);
    entry.name.resize(bytes);
    WideCharToMultiByte(CP_UTF8, 0, data.cFileName, length, entry.name.data(), bytes, nullptr, nullptr);
    entry.attributes = data.dwFileAttributes;
    entry.size = ToUint64(data.nFileSizeHigh, data.nFileSizeLow);
    entry.time = ToUint64(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime);
    found(entry);
  } while (FindNextFileW(find.Get(), &data));
  return true;
}

bool TWin32FileSystem::SetCurrentDir(const std::string& path) {
  if (path.empty()) return false;
  TNoErrorBoxes quiet;
  return SetCurrentDirectoryW(Widen(path).c_str()) != 0;
}

std::string TWin32FileSystem::CurrentDir() {
  DWORD n = GetCurrentDirectoryW(0, nullptr);
  std::wstring buffer(n, L'\0');
  n = GetCurrentDirectoryW(n, buffer.data());
  buffer.resize(n);
  return Narrow(buffer);
}

uint32_t TWin32FileSystem::GetAttributes(const std::string& path) {
  TNoErrorBoxes quiet;
  return GetFileAttributesW(LongPath(path).c_str());
}

bool TWin32FileSystem::SetAttributes(const std::string& path, uint32_t attributes) {
  return SetFileAttributesW(LongPath(path).c_str(), attributes) != 0;
}

uint32_t TWin32FileSystem::RemoveFile(const std::string& path) {
  return DeleteFileW(LongPath(path).c_str()) ? 0 : GetLastError();
}

uint32_t TWin32FileSystem::LogicalDrives() { return GetLogicalDrives(); }

uint32_t TWin32FileSystem::DriveType(const std::string& root) { return GetDriveTypeW(Widen(root).c_str()); }

bool TWin32FileSystem::VolumeLabel(const std::string& root, std::string& label) {
  TNoErrorBoxes quiet;
  wchar_t name[MAX_PATH + 1] = {};
  if (!GetVolumeInformationW(Widen(root).c_str(), name, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0))
    return false;
  label = Narrow(name);
  return true;
}

bool TWin32FileSystem::ShellOpen(const std::string& file) {
  const std::wstring path = Widen(file);
  return reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, nullptr, path.c_str(), nullptr, nullptr, SW_SHOWNORMAL)) > 32;
}

TWin32FileSystem& TWin32FileSystem::Instance() {
  static TWin32FileSystem instance;
  return instance;
}

}  // namespace quill
