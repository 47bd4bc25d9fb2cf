#include "archive/ZipLibraries.h"

namespace quill {
namespace {

// The library hands back the command record's caller: the TZip that started the operation.
int32_t __stdcall ZipCallbackEntry(zipapi::ZipCallbackRecord* record) {
  if (!record || !record->caller) return 1;
  return static_cast<TZip*>(record->caller)->HandleCallback(*record);
}

// Loads by name from the standard search path; a missing file must not raise the system's
// own error box over ours.
HMODULE LoadQuietly(const char* name) {
  const UINT before = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  HMODULE module = LoadLibraryA(name);
  SetErrorMode(before);
  return module;
}

template <typename Fn>
int Load(HMODULE& module, Fn& exec, const char* dll, const char* entry, int noDll, int noEntry, bool& loadedNow) {
  loadedNow = false;
  if (module && exec) return 0;
  module = LoadQuietly(dll);
  if (!module) return noDll;
  exec = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, entry)));
  if (!exec) {
    FreeLibrary(module);
    module = nullptr;
    return noEntry;
  }
  loadedNow = true;
  return 0;
}

}  // namespace

TWin32ZipLibraries::~TWin32ZipLibraries() {
  FreeZip();
  FreeUnzip();
}

int TWin32ZipLibraries::LoadZip(bool& loadedNow) {
  return Load(zip_, zipExec_, "ZIPDLL.DLL", "ZipDllExec", kTextZipDllMissing, kTextZipExecMissing, loadedNow);
}

int32_t TWin32ZipLibraries::ExecZip(zipapi::ZipCommand& command) { return zipExec_(&command); }

void TWin32ZipLibraries::FreeZip() {
  if (zip_) FreeLibrary(zip_);
  zip_ = nullptr;
  zipExec_ = nullptr;
}

int TWin32ZipLibraries::LoadUnzip(bool& loadedNow) {
  return Load(unzip_, unzipExec_, "UNZDLL.DLL", "UnzDllExec", kTextUnzipDllMissing, kTextUnzipExecMissing,
              loadedNow);
}

int32_t TWin32ZipLibraries::ExecUnzip(zipapi::UnzipCommand& command) { return unzipExec_(&command); }

void TWin32ZipLibraries::FreeUnzip() {
  if (unzip_) FreeLibrary(unzip_);
  unzip_ = nullptr;
  unzipExec_ = nullptr;
}

zipapi::ZipCallback TWin32ZipLibraries::Callback() { return &ZipCallbackEntry; }

void TWin32ZipLibraries::ProcessMessages() {
  if (pump_) {
    pump_();
    return;
  }
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

}  // namespace quill
