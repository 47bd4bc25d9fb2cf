// A small console program for the ShellOpen tests: waits the given milliseconds, then writes
// the given file and exits. Usage: WaitChild <file> <milliseconds>
#include <windows.h>
#include <shellapi.h>

#include <cwchar>

int main() {
  int count = 0;
  wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!args || count < 3) return 2;
  Sleep(static_cast<DWORD>(wcstoul(args[2], nullptr, 10)));
  HANDLE file = CreateFileW(args[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD done = 0;
  WriteFile(file, "done", 4, &done, nullptr);
  CloseHandle(file);
  LocalFree(args);
  return 0;
}
