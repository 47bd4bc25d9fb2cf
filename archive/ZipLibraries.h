// The ZIP libraries loaded for one operation at a time, and the stdcall entry through which they
// call back into TZip. Win32.
#pragma once

#include <windows.h>

#include <functional>

#include "archive/Zip.h"

namespace quill {

class TWin32ZipLibraries : public IZipLibraries {
public:
  // `window` gives the application window for the command records; `pump` lets pending
  // messages run during an operation (a plain message pump when not given).
  explicit TWin32ZipLibraries(std::function<HWND()> window = {}, std::function<void()> pump = {})
      : window_(std::move(window)), pump_(std::move(pump)) {}
  ~TWin32ZipLibraries() override;

  int LoadZip(bool& loadedNow) override;
  int32_t ExecZip(zipapi::ZipCommand& command) override;
  void FreeZip() override;
  int LoadUnzip(bool& loadedNow) override;
  int32_t ExecUnzip(zipapi::UnzipCommand& command) override;
  void FreeUnzip() override;
  zipapi::ZipCallback Callback() override;
  void* Window() override { return window_ ? window_() : nullptr; }
  void ProcessMessages() override;

private:
  std::function<HWND()> window_;
  std::function<void()> pump_;
  HMODULE zip_ = nullptr;
  HMODULE unzip_ = nullptr;
  zipapi::ZipDllExecFn zipExec_ = nullptr;
  zipapi::UnzDllExecFn unzipExec_ = nullptr;
};

}  // namespace quill
