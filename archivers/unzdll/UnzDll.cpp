// UNZDLL.DLL's only export.
#include <windows.h>

#include "archivers/ZipInterface.h"
#include "archivers/unzdll/UnzipRun.h"

extern "C" __declspec(dllexport) int32_t __stdcall UnzDllExec(zipapi::UnzipCommand* command) {
  if (!command) return 0;
  return unzdll::RunUnzip(*command);
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
  return TRUE;
}
