// ZIPDLL.DLL: adds files to a ZIP archive for a program that drives it through ZipDllExec.
#include "archivers/ZipInterface.h"
#include "archivers/zipdll/ZipJob.h"

extern "C" int32_t __stdcall ZipDllExec(zipapi::ZipCommand* command) {
  if (!command) return 0;
  return zipdll::RunZipCommand(*command);
}
