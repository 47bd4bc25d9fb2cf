// UnRAR.dll loaded for one operation at a time, and the stdcall callbacks through which it calls
// back into the TRar being run (they carry no user data, so one TRar at a time). Win32.
#pragma once

#include <windows.h>

#include <memory>

#include "archive/Rar.h"
#include "archivers/UnrarInterface.h"

namespace quill {

class TWin32RarLibrary : public IRarLibrary {
public:
  ~TWin32RarLibrary() override;

  bool Load() override;
  void Free() override;
  int Open(const std::string& archive, int mode) override;
  int ReadHeader(TRarHeader& header) override;
  int ProcessFile(int operation, const std::string& destination) override;
  void SetCallbacks(TLibraryArchive& archive, bool volume, bool data) override;
  void SetPassword(const std::string& password) override;
  void Close() override;

private:
  void ApplyCallbacks();

  HMODULE module_ = nullptr;
  bool volumeCallback_ = false;
  bool dataCallback_ = false;
  std::unique_ptr<unrarapi::RARHeaderDataEx> headerEx_;
  void* handle_ = nullptr;
  unrarapi::OpenArchiveFn open_ = nullptr;
  unrarapi::OpenArchiveExFn openEx_ = nullptr;
  unrarapi::CloseArchiveFn close_ = nullptr;
  unrarapi::ReadHeaderFn readHeader_ = nullptr;
  unrarapi::ReadHeaderExFn readHeaderEx_ = nullptr;
  unrarapi::ProcessFileFn processFile_ = nullptr;
  unrarapi::ProcessFileWFn processFileW_ = nullptr;
  unrarapi::SetChangeVolProcFn setChangeVolProc_ = nullptr;
  unrarapi::SetProcessDataProcFn setProcessDataProc_ = nullptr;
  unrarapi::SetPasswordFn setPassword_ = nullptr;
};

}  // namespace quill
