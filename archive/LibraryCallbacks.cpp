#include "archive/LibraryCallbacks.h"

#include <cstring>
#include <string>

#include "platform/Utf16.h"

namespace quill {
namespace {

TLibraryArchive* g_current = nullptr;

// The volume name buffer the libraries hand over holds 260 bytes.
constexpr size_t kVolumeNameBuffer = 260;

}  // namespace

HMODULE LoadArchiveLibrary(const wchar_t* name) {
  const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  HMODULE module = LoadLibraryW(name);
  SetErrorMode(oldMode);
  return module;
}

void SetCallbackTarget(TLibraryArchive* archive) { g_current = archive; }

int __stdcall LibraryVolumeCallback(char* name, int mode) {
  if (!g_current) return 0;
  std::string volume = CodePageToUtf8(name, CP_ACP);
  const std::string before = volume;
  const int result = g_current->ChangeVolume(volume, mode);
  if (result && volume != before) {
    const std::string ansi = Utf8ToCodePage(volume, CP_ACP);
    if (ansi.size() < kVolumeNameBuffer) std::memcpy(name, ansi.c_str(), ansi.size() + 1);
  }
  return result;
}

int __stdcall LibraryDataCallback(unsigned char*, int size) { return g_current ? g_current->ProcessData(size) : 0; }

}  // namespace quill
