// A small console program for the function-key tests: writes the parameters it was started with
// (its command line after the program's own name), in UTF-8, to the file named by the
// environment variable QUILL_ARGS_FILE.
#include <windows.h>

#include <string>

int main() {
  wchar_t target[MAX_PATH];
  if (!GetEnvironmentVariableW(L"QUILL_ARGS_FILE", target, MAX_PATH)) return 2;
  const wchar_t* line = GetCommandLineW();
  // The program name: quoted, or up to the first blank.
  if (*line == L'"') {
    ++line;
    while (*line && *line != L'"') ++line;
    if (*line) ++line;
  } else {
    while (*line && *line != L' ') ++line;
  }
  while (*line == L' ') ++line;
  const int size = WideCharToMultiByte(CP_UTF8, 0, line, -1, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<size_t>(size > 0 ? size - 1 : 0), '\0');
  if (size > 1) WideCharToMultiByte(CP_UTF8, 0, line, -1, text.data(), size, nullptr, nullptr);
  // Written under another name first, so a reader never sees half a line.
  const std::wstring partial = std::wstring(target) + L".part";
  HANDLE file = CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD done = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &done, nullptr);
  CloseHandle(file);
  return MoveFileExW(partial.c_str(), target, MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
