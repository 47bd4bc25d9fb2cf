// UnACE.dll loaded for one operation at a time, and the stdcall callbacks through which it
// calls back into the TAce being run (they carry no user data, so one TAce at a time). This is
// Quill's one place that knows the library's records (archivers/unace/UnaceInterface.h). Win32.
#pragma once

#include <windows.h>

#include <memory>

#include "archive/Ace.h"
#include "archivers/unace/UnaceInterface.h"

namespace quill {

class TWin32AceLibrary : public IArchiveLibrary {
public:
  ~TWin32AceLibrary() override;

  bool Load() override;
  void Free() override;
  int Open(const std::string& archive, int mode) override;
  int ReadHeader(TLibraryHeader& header) override;
  int ProcessFile(int operation, const std::string& destination) override;
  void SetCallbacks(TLibraryArchive& archive, bool volume, bool data) override;
  void SetPassword(const std::string& password) override;
  void Close() override;

private:
  HMODULE module_ = nullptr;
  std::unique_ptr<unaceapi::ACEHeaderData> header_;
  void* handle_ = nullptr;
  bool volumeCallback_ = false;
  bool dataCallback_ = false;
  unaceapi::OpenArchiveFn open_ = nullptr;
  unaceapi::CloseArchiveFn close_ = nullptr;
  unaceapi::ReadHeaderFn readHeader_ = nullptr;
  unaceapi::ProcessFileFn processFile_ = nullptr;
  unaceapi::ProcessFileWFn processFileW_ = nullptr;
  unaceapi::SetPasswordFn setPassword_ = nullptr;
};

}  // namespace quill
