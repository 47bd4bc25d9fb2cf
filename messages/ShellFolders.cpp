#include "messages/ShellFolders.h"

#include <windows.h>

#include "fileview/ShellUtils.h"
#include "platform/Utf16.h"

namespace quill {
namespace {

class TRegKey {
public:
  TRegKey(HKEY parent, const wchar_t* path) {
    if (RegOpenKeyExW(parent, path, 0, KEY_QUERY_VALUE, &key_) != ERROR_SUCCESS) key_ = nullptr;
  }
  ~TRegKey() {
    if (key_) RegCloseKey(key_);
  }
  TRegKey(const TRegKey&) = delete;
  TRegKey& operator=(const TRegKey&) = delete;
  HKEY Get() const { return key_; }

private:
  HKEY key_ = nullptr;
};

std::wstring Expanded(const std::wstring& text) {
  const DWORD needed = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
  if (needed == 0) return text;
  std::wstring result(needed, L'\0');
  const DWORD written = ExpandEnvironmentStringsW(text.c_str(), result.data(), needed);
  if (written == 0 || written > needed) return text;
  result.resize(written - 1);
  return result;
}

}  // namespace

std::string ShellFolder(const std::string& name) {
  TRegKey key(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
  if (!key.Get()) return {};
  const std::wstring valueName = Widen(name);
  // The value can change between asking its size and reading it; a few rounds settle that.
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD type = 0, bytes = 0;
    if (RegQueryValueExW(key.Get(), valueName.c_str(), nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) return {};
    if (type != REG_SZ && type != REG_EXPAND_SZ) return {};
    std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
    DWORD size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    const LONG status =
        RegQueryValueExW(key.Get(), valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &size);
    if (status == ERROR_MORE_DATA) continue;
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return {};
    // Stored strings need not end in a NUL, and may end in several.
    value.resize(size / sizeof(wchar_t));
    while (!value.empty() && value.back() == L'\0') value.pop_back();
    return Narrow(type == REG_EXPAND_SZ ? Expanded(value) : value);
  }
  return {};
}

int64_t CountItems(const std::vector<std::string>& paths) {
  int64_t count = 0;
  for (const std::string& path : paths) {
    if (!IsFolder(path)) {
      ++count;
      continue;
    }
    const int64_t files = CountFiles(path);
    if (files > 0) count += files;
  }
  return count;
}

uint64_t TotalSize(const std::vector<std::string>& paths, int64_t& count) {
  uint64_t total = 0;
  count = 0;
  for (const std::string& path : paths) {
    if (!IsFolder(path)) {
      total += FileSize64(path);
      ++count;
      continue;
    }
    const uint64_t size = FolderSize(path);
    if (size == kNoFolderSize) continue;
    const int64_t files = CountFiles(path);
    total += size;
    if (files > 0) count += files;
  }
  return total;
}

}  // namespace quill
