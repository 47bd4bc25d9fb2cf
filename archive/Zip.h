// TZip: ZIP archives. Listing reads the central directory itself (archivers/zipformat);
// adding and extracting go through ZIPDLL.DLL and UNZDLL.DLL, reached through IZipLibraries
// so that everything but the loading and the stdcall callback entry is portable and tested
// with a fake. The libraries call back into HandleCallback (progress, messages, passwords,
// overwrite questions).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#if !defined(_WIN32) && !defined(__stdcall)
#define __stdcall  // the libraries' calling convention only exists on 32-bit Windows
#endif
#include "archive/Archive.h"
#include "archivers/ZipInterface.h"
#include "base/CodePage.h"
#include "archivers/zipformat/ZipFormat.h"

namespace quill {

// Message ids TZip raises itself.
constexpr int kTextZipAbortException = 10101;
constexpr int kTextZipNoMemory = 10103;
constexpr int kTextZipInvalidPassword = 10104;
constexpr int kTextZipSeekError = 10201;
constexpr int kTextZipListError = 10202;
constexpr int kTextZipStructureWarning = 10203;
constexpr int kTextUnzipAbortException = 10501;
constexpr int kTextZipExecMissing = 10602;
constexpr int kTextZipDllMissing = 10604;
constexpr int kTextUnzipExecMissing = 10702;
constexpr int kTextUnzipDllMissing = 10704;
constexpr int kTextZipInputMissing = 11001;

// The two libraries as one operation sees them. Load* return 0 or the message id of what is
// missing (the library, or its entry point); `loadedNow` tells whether this call loaded it.
class IZipLibraries {
public:
  virtual ~IZipLibraries() = default;
  virtual int LoadZip(bool& loadedNow) = 0;
  virtual int32_t ExecZip(zipapi::ZipCommand& command) = 0;
  virtual void FreeZip() = 0;
  virtual int LoadUnzip(bool& loadedNow) = 0;
  virtual int32_t ExecUnzip(zipapi::UnzipCommand& command) = 0;
  virtual void FreeUnzip() = 0;
  // The entry the libraries call back: it hands the record to the TZip named as caller.
  virtual zipapi::ZipCallback Callback() = 0;
  // The application window for the command records.
  virtual void* Window() = 0;
  // Lets pending window messages run (the progress dialog's Cancel).
  virtual void ProcessMessages() = 0;
};

// A command record with the private copies its pointers name; they live as long as it does.
struct TZipCall {
  zipapi::ZipCommand command{};
  std::vector<zipapi::ZipSpec> specs;
  std::vector<std::string> texts;
  std::string password;
  std::string archive;
};
struct TUnzipCall {
  zipapi::UnzipCommand command{};
  std::vector<zipapi::UnzipSpec> specs;
  std::vector<std::string> texts;
  std::string password;
  std::string archive;
};

class TZip : public TArchive {
public:
  explicit TZip(TArchiveServices services = {}, IZipLibraries* libraries = nullptr);

  void List() override;
  void Add() override;
  void Extract(const std::string& destination) override;

  // The command records for the current options, Password, FileName and `specs` (UTF-8 texts,
  // converted to the ANSI code page here).
  std::unique_ptr<TZipCall> BuildZipCommand(const std::vector<std::string>& specs);
  std::unique_ptr<TUnzipCall> BuildUnzipCommand(const std::vector<std::string>& specs);

  // What the libraries' callback does with one record; returns the callback's result
  // (0 go on, 1 abort).
  int32_t HandleCallback(zipapi::ZipCallbackRecord& record);

  // Shows a message by id (with `appended` after it) and keeps it as ErrorCode and Message.
  void ShowMessage(int id, const std::string& appended = {});

  bool Zipping = false;
  bool Unzipping = false;
  int32_t ErrorCode = 0;
  int32_t SuccessCount = 0;
  std::string Message;
  uint64_t CentralDirectoryPosition = 0;
  uint64_t EndRecordPosition = 0;
  uint64_t ZipFileSize = 0;
  uint64_t TotalSize = 0;
  int32_t PasswordTries = 3;
  std::function<void(int32_t code, const std::string& text)> OnMessage;
  // Opens the archive for listing: the real file (its path in the ANSI code page, as the
  // libraries get it too) unless a test hands in bytes.
  std::function<std::unique_ptr<zipformat::IByteSource>(const std::string& path, int& error)> OpenSource;

private:
  void StartRun();
  std::string ToAnsi(const std::string& text) const;
  std::string FromAnsi(const char* text) const;
  void AnswerPassword(zipapi::ZipCallbackRecord& record);
  void AnswerOverwrite(zipapi::ZipCallbackRecord& record, const std::string& name);

  IZipLibraries* libraries_;
  std::string currentFile_;  // the file the library reported last
};

}  // namespace quill
