// The main window's Split File and Join Files: the questions before, the run with the progress
// window, the messages after. The volume format and the copying are in SplitJoin.
#include <windows.h>

#include "app/MainForm.h"
#include "app/SplitDialog.h"
#include "app/SplitJoin.h"
#include "base/Path.h"
#include "base/Text.h"
#include "fileview/FileViewLayout.h"
#include "fileview/ShellUtils.h"
#include "messages/Messages.h"
#include "platform/StringTable.h"
#include "platform/Win32FileStreams.h"
#include "platform/Win32FileSystem.h"
#include "platform/Win32Text.h"

namespace quill {

namespace {
constexpr int kTextNoSpace = 261;
constexpr int kTextJoinFiles = 594;
constexpr int kTextSplitFile = 598;
constexpr int kTextVolumeDamaged = 30600;

class TWaitCursor {
public:
  TWaitCursor() : old_(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
  ~TWaitCursor() { SetCursor(old_); }

private:
  HCURSOR old_;
};

bool IsAbsolute(const std::string& path) {
  return (path.size() >= 2 && path[1] == ':') || StartsWith(path, "\\\\");
}
}  // namespace

void TMainForm::SplitFileCommand() {
  if (view_.OwnerData()) return;
  const TFile* focused = view_.FocusedFile();
  if (!focused || focused->IsFolder() || focused->IsDrive()) return;
  const std::string source = JoinPath(view_.Folder(), focused->FullName());
  IFileStreams& files = TWin32FileStreams::Instance();
  uint64_t size = 0;
  if (!files.FileSize(source, size)) return;

  std::string folder;
  int64_t volumeSize = 0;
  {
    // Freed before the split starts, so only the progress window stands over the main window.
    TfSplit dialog(Handle(), Questions(), focused->FullName(), size, view_.Folder(), view_.Drive(),
                   view_.DriveMemory());
    if (dialog.ShowModal() != mrOk) {
      PlayCompletionSound();
      return;
    }
    folder = Trim(dialog.Path());
    volumeSize = ParseSize(dialog.SizeText());
  }
  if (!IsAbsolute(folder)) folder = JoinPath(view_.Folder(), folder);

  notify_.SetActive(false);
  TSplitter splitter(files, TAnsiCodePage::Instance(), CopyProgress());
  const uint32_t result =
      splitter.Run(source, folder, volumeSize > 0 ? static_cast<uint64_t>(volumeSize) : 0, LoadText(kTextSplitFile));
  if (result != 0 && result != kErrorCancelled)
    Questions().Message(std::to_string(result), LoadText(kTextSplitFile), mbOk, miNone);
  FinishOperation();
}

void TMainForm::JoinFilesCommand() {
  if (view_.OwnerData()) return;
  const TFile* focused = view_.FocusedFile();
  if (!focused || focused->IsDrive() || focused->IsParent()) return;
  const std::string folder = view_.Folder();
  const std::string baseName = SplitName(focused->FullName()).first;
  IFileStreams& files = TWin32FileStreams::Instance();
  const std::vector<TJoinVolume> volumes = CountVolumes(files, folder, baseName);
  if (volumes.empty()) return;
  const uint64_t total = VolumesTotal(volumes);
  const std::string question =
      "Are you want to join " + std::to_string(volumes.size()) + " files (" + GroupThousands(total) + " bytes)?";
  if (Questions().Message(question, "Confirm", mbYesNo, miQuestion) != mrYes) return;

  const ICodePage& codePage = TAnsiCodePage::Instance();
  TCrcList list;
  const std::string listPath = JoinPath(folder, baseName + ".crc");
  uint64_t listSize = 0;
  if (files.FileSize(listPath, listSize) && listSize <= kMaxCrcListBytes) {
    std::string bytes;
    if (TWin32FileSystem::Instance().ReadAll(listPath, bytes)) list = ParseCrcList(bytes, codePage);
  }
  TJoinHeader header;
  {
    std::unique_ptr<IFileReader> first;
    if (const uint32_t error = files.OpenRead(JoinPath(folder, volumes.front().name), first)) {
      ShowFileError(error);
      return;
    }
    std::string start(kJoinHeaderScan, '\0');
    uint32_t done = 0;
    if (const uint32_t error = first->Read(start.data(), static_cast<uint32_t>(start.size()), done)) {
      ShowFileError(error);
      return;
    }
    start.resize(done);
    header = DetectHeader(start, codePage);
  }

  std::string output = JoinPath(folder, JoinOutputName(baseName, list, header));
  if (!Questions().ChooseSaveFile(output)) return;
  if (DiskFree(output) < total) {
    Questions().Message(LoadText(kTextNoSpace), LoadText(kTextError), mbOk, miStop);
    return;
  }

  uint32_t result = 0;
  std::string badVolume;
  notify_.SetActive(false);
  {
    TWaitCursor wait;
    TJoiner joiner(files, CopyProgress());
    result = joiner.Run(folder, volumes, header.dataStart, list, output, LoadText(kTextJoinFiles));
    badVolume = joiner.BadVolume();
  }
  if (result == kJoinCrcMismatch && !badVolume.empty())
    Questions().Message(FillText(LoadText(kTextVolumeDamaged), {badVolume}), LoadText(kTextError), mbOk, miStop);
  else if (result != 0 && result != kErrorCancelled)
    ShowFileError(result);
  FinishOperation();
}

}  // namespace quill
