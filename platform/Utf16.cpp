#include "platform/Utf16.h"

#include <windows.h>

namespace quill {

std::wstring Widen(std::string_view utf8) {
  if (utf8.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring result(n, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), result.data(), n);
  return result;
}

std::string CodePageToUtf8(const char* text, unsigned codePage) {
  const int n = MultiByteToWideChar(codePage, 0, text, -1, nullptr, 0);
  if (n <= 1) return {};
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(codePage, 0, text, -1, wide.data(), n);
  wide.resize(static_cast<size_t>(n - 1));
  return Narrow(wide);
}

std::string Utf8ToCodePage(std::string_view utf8, unsigned codePage) {
  const std::wstring wide = Widen(utf8);
  if (wide.empty()) return {};
  const int n = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::string Narrow(std::wstring_view utf16) {
  if (utf16.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), nullptr, 0, nullptr, nullptr);
  std::string result(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), result.data(), n, nullptr, nullptr);
  return result;
}

std::wstring LongPath(std::string_view utf8Path) {
  std::wstring path = Widen(utf8Path);
  if (path.size() < MAX_PATH - 12 || path.rfind(L"\\\\?\\", 0) == 0) return path;
  if (path.size() >= 3 && path[1] == L':' && path[2] == L'\\') return L"\\\\?\\" + path;
  if (path.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + path.substr(2);
  return path;
}

namespace {

std::wstring CurrentDirectory() {
  const DWORD n = GetCurrentDirectoryW(0, nullptr);
  if (n == 0) return {};
  std::wstring buffer(n, L'\0');
  const DWORD used = GetCurrentDirectoryW(n, buffer.data());
  buffer.resize(used < n ? used : 0);
  return buffer;
}

// A drive's current folder ("C:" gives "C:\Work" when that is where C: was last).
std::wstring DriveDirectory(wchar_t drive) {
  const wchar_t root[] = {drive, L':', 0};
  wchar_t buffer[MAX_PATH * 2];
  const DWORD n = GetFullPathNameW(root, MAX_PATH * 2, buffer, nullptr);
  if (n == 0 || n >= MAX_PATH * 2) return std::wstring(root) + L"\\";
  return std::wstring(buffer, n);
}

}  // namespace

std::wstring VerbatimPath(std::string_view utf8Path) {
  std::wstring path = Widen(utf8Path);
  if (path.rfind(L"\\\\?\\", 0) == 0 || path.rfind(L"\\\\.\\", 0) == 0) return path;
  for (wchar_t& c : path)
    if (c == L'/') c = L'\\';
  const auto isDrive = [](const std::wstring& p) { return p.size() >= 2 && p[1] == L':' && iswalpha(p[0]); };
  // Make it absolute by text: the drive-relative and rooted forms take their drive from the
  // current folder or the drive's own current folder.
  if (isDrive(path) && (path.size() == 2 || path[2] != L'\\')) {
    path = DriveDirectory(path[0]) + L"\\" + path.substr(2);
  } else if (!isDrive(path) && path.rfind(L"\\\\", 0) != 0) {
    const std::wstring current = CurrentDirectory();
    if (!path.empty() && path[0] == L'\\') {
      const size_t rootEnd = current.rfind(L"\\\\", 0) == 0 ? current.find(L'\\', current.find(L'\\', 2) + 1)
                                                           : current.find(L'\\');
      path = current.substr(0, rootEnd == std::wstring::npos ? current.size() : rootEnd) + path;
    } else {
      path = current + L"\\" + path;
    }
  }
  // The root that ".." never climbs above: "C:" or "\\server\share".
  std::wstring result;
  size_t pos;
  if (isDrive(path)) {
    result = L"\\\\?\\" + path.substr(0, 2);
    pos = 2;
  } else {
    const size_t server = path.find(L'\\', 2);
    const size_t share = server == std::wstring::npos ? std::wstring::npos : path.find(L'\\', server + 1);
    pos = share == std::wstring::npos ? path.size() : share;
    result = L"\\\\?\\UNC\\" + path.substr(2, pos - 2);
  }
  const size_t rootSize = result.size();
  while (pos < path.size()) {
    size_t end = path.find(L'\\', pos + 1);
    if (end == std::wstring::npos) end = path.size();
    const std::wstring_view name(path.data() + pos + 1, end > pos ? end - pos - 1 : 0);
    pos = end;
    if (name.empty() || name == L".") continue;
    if (name == L"..") {
      const size_t last = result.rfind(L'\\');
      if (result.size() > rootSize && last != std::wstring::npos && last >= rootSize) result.resize(last);
      continue;
    }
    result += L'\\';
    result += name;
  }
  if (result.size() == rootSize) result += L'\\';
  return result;
}

}  // namespace quill
