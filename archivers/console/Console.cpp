#include "archivers/console/Console.h"

#include <algorithm>
#include <atomic>

namespace console {
namespace {

std::atomic<bool> userBreak{false};

BOOL WINAPI OnBreak(DWORD) {
  userBreak = true;
  return TRUE;
}

}  // namespace

std::wstring Wide(const std::string& text, UINT codePage) {
  if (text.empty()) return {};
  const int length = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), length);
  return out;
}

std::string Narrow(const std::wstring& text, UINT codePage) {
  if (text.empty()) return {};
  const int length = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
  std::string out(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), length, nullptr, nullptr);
  return out;
}

void Say(const std::wstring& text) {
  const std::wstring line = text + L"\r\n";
  HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
  if (!handle || handle == INVALID_HANDLE_VALUE) return;
  DWORD mode = 0, written = 0;
  if (GetConsoleMode(handle, &mode)) {
    WriteConsoleW(handle, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    return;
  }
  const UINT codePage = GetConsoleOutputCP();
  const std::string bytes = Narrow(line, codePage ? codePage : CP_ACP);
  WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::wstring SystemMessage(DWORD code) {
  wchar_t* buffer = nullptr;
  FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                 code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = buffer ? buffer : L"error " + std::to_wstring(code);
  if (buffer) LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
  return text;
}

void CatchBreak() { SetConsoleCtrlHandler(OnBreak, TRUE); }

bool BreakRequested() { return userBreak.load(); }

bool ReadExact(HANDLE file, uint64_t offset, uint8_t* data, size_t size) {
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(offset);
  if (!SetFilePointerEx(file, at, nullptr, FILE_BEGIN)) return false;
  while (size > 0) {
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(std::min<size_t>(size, 1 << 20));
    if (!ReadFile(file, data, want, &got, nullptr) || got == 0) return false;
    data += got;
    size -= got;
  }
  return true;
}

bool DeleteOriginals(const zipdll::Sources& sources, const std::vector<size_t>& stored,
                     const std::function<void(const std::wstring& path, DWORD error)>& failed) {
  bool all = true;
  for (size_t index : stored) {
    const auto& source = sources.items[index];
    if (source.folder) continue;
    SetFileAttributesW(source.path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!DeleteFileW(source.path.c_str())) {
      failed(source.path, GetLastError());
      all = false;
    }
  }
  std::vector<std::wstring> folders;
  for (size_t index : stored)
    if (sources.items[index].folder) folders.push_back(sources.items[index].path);
  std::stable_sort(folders.begin(), folders.end(),
                   [](const std::wstring& a, const std::wstring& b) { return a.size() > b.size(); });
  for (const auto& folder : folders) RemoveDirectoryW(folder.c_str());
  return all;
}

}  // namespace console
