// What UnRAR.dll and UnACE.dll share on Quill's side: loading a library without the system's
// error box, finding its entry points, and the stdcall callbacks through which either calls back
// into the reader being run. The callbacks carry no user data, so one reader at a time. Win32.
#pragma once

#include <windows.h>

#include "archive/LibraryArchive.h"

namespace quill {

// Loads `name` from the usual places; a missing or broken library is told by the reader, not by
// the system's own box.
HMODULE LoadArchiveLibrary(const wchar_t* name);

template <typename F>
bool FindEntry(HMODULE module, const char* name, F& function) {
  function = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  return function != nullptr;
}

// The reader the callbacks reach (null: they answer "stop").
void SetCallbackTarget(TLibraryArchive* archive);
// The volume callback: `name` is the volume in the ANSI code page, in a buffer of 260 bytes,
// which the reader may change.
int __stdcall LibraryVolumeCallback(char* name, int mode);
int __stdcall LibraryDataCallback(unsigned char* block, int size);

}  // namespace quill
