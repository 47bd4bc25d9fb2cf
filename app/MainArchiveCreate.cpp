// The main window's Add to Archive, Move to Archive and Archive > Properties: the dialogs, the
// run of the archiver with its progress, and the check that comes before a move deletes.
#include <windows.h>
#include <shellapi.h>

#include "app/ArchiveCreate.h"
#include "app/ArchiveDialog.h"
#include "app/MainForm.h"
#include "archive/Zip.h"
#include "base/Path.h"
#include "base/Text.h"
#include "fileview/FileViewLayout.h"
#include "messages/Messages.h"
#include "operations/FileOperations.h"
#include "platform/StringTable.h"
#include "platform/Utf16.h"
#include "platform/Win32FileSystem.h"
#include "platform/Win32Text.h"

namespace quill {

namespace {
constexpr int kTextCompressing = 527;
constexpr int kTextCompressMove = 545;
constexpr int kTextCompressCopy = 546;
constexpr int kTextArchiverFailed = 30701;
constexpr int kTextArchiveIncomplete = 30702;
constexpr int kTextOriginalsLeft = 30703;
}  // namespace

bool TMainForm::RunArchiver(const std::string& program, const std::string& parameters) {
  archiverExit_ = -1;
  const std::wstring file = Widen(ArchiverPath(program)), arguments = Widen(parameters);
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOCLOSEPROCESS;
  info.lpFile = file.c_str();
  info.lpParameters = parameters.empty() ? nullptr : arguments.c_str();
  info.nShow = SW_SHOWNORMAL;
  if (!ShellExecuteExW(&info)) return false;
  if (!info.hProcess) return true;  // no process to ask: the exit stays unknown
  // The window goes on painting while the archiver works; a quit is left for the outer loop.
  for (bool running = true; running;) {
    const DWORD woke = MsgWaitForMultipleObjects(1, &info.hProcess, FALSE, INFINITE, QS_ALLINPUT);
    if (woke != WAIT_OBJECT_0 + 1) break;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(msg.wParam));
        running = false;
        break;
      }
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  DWORD code = 0;
  if (WaitForSingleObject(info.hProcess, 0) == WAIT_OBJECT_0 && GetExitCodeProcess(info.hProcess, &code))
    archiverExit_ = static_cast<long>(code);
  CloseHandle(info.hProcess);
  return true;
}

void TMainForm::AddToArchiveCommand(bool move) {
  if (InArchive()) return;
  const std::vector<int> items = CollectedEntries();
  if (items.empty()) return;
  std::vector<TSelectionItem> sources;
  bool anyFolder = false;
  for (const int i : items) {
    const TFile* file = view_.Files().Items(i);
    sources.push_back({file->FullName(), file->IsFolder()});
    anyFolder = anyFolder || file->IsFolder();
  }
  const TFile* focused = view_.FocusedFile();
  std::string proposal;
  if (!focused || focused->IsDrive() || focused->IsParent()) proposal = LastComponent(view_.Folder());
  else proposal = focused->Name();

  std::string name, volumeText, password;
  int format = 0, compression = 1;
  bool recursive = false;
  {
    TfArchive dialog(Handle(), Questions(), ini_, LoadText(move ? kTextCompressMove : kTextCompressCopy),
                     view_.Folder());
    dialog.SetRecursive(anyFolder);
    dialog.SetFileName(proposal);
    if (dialog.ShowModal() != mrOk) return;
    name = Trim(dialog.FileName());
    format = dialog.Format();
    compression = dialog.Compression();
    volumeText = dialog.VolumeText();
    password = dialog.Password();
    recursive = dialog.Recursive();
  }
  notify_.SetActive(false);
  const std::string made =
      CreateArchive(name, format, move, sources, recursive, compression, ParseSize(volumeText), password);
  view_.Refresh(FileNamePart(made), true);
  UpdateDiskInfo();
  UpdateSelectionInfo();
  notify_.SetActive(autoRefresh_);
}

std::string TMainForm::CreateArchive(const std::string& name, int format, bool move,
                                     const std::vector<TSelectionItem>& sources, bool recursive, int compression,
                                     int64_t volumeSize, const std::string& password) {
  TCreateRequest request;
  request.folder = view_.Folder();
  request.name = name;
  request.format = format;
  request.move = move;
  request.sources = sources;
  request.recursive = recursive;
  request.compression = compression;
  // Volumes are the command-line archivers' alone, as the dialog shows.
  request.volumeSize = format == afZip ? 0 : volumeSize;
  request.password = password;

  IFileSystem& fs = TWin32FileSystem::Instance();
  TCreateHooks hooks;
  hooks.fileSystem = &fs;
  hooks.collator = &TWin32Collator::Instance();
  hooks.newReader = [this](const std::string& path, int) { return NewArchiveReader(path); };
  bool cancelled = false;
  hooks.runAdd = [&](TArchive& reader) {
    // The sources are names in the pane's folder: every archiver takes them from the current one.
    const std::string current = fs.CurrentDir();
    fs.SetCurrentDir(request.folder);
    bool ok = false;
    if (request.format == afZip) {
      bool ended = false;
      AttachArchiveHandlers(reader, ended);
      TfCopying& dialog = CopyingDialog();
      dialog.Begin(LoadText(kTextCompressing), 1, 0, pmBytes);
      dialog.SetSource(request.folder);
      dialog.SetTarget(JoinPath(request.folder, FileNamePart(reader.FileName)));
      reader.Add();
      cancelled = dialog.Cancelled();
      if (!ended) dialog.End();
      const TZip& zip = static_cast<const TZip&>(reader);
      ok = !cancelled && zip.ErrorCode == 0 && zip.Message.empty();
    } else {
      reader.ProgramPath = ini_.ReadString("Program", format == afRar ? "RAR" : format == afArj ? "ARJ" : "ACE",
                                           format == afRar ? "rar.exe" : format == afArj ? "arj.exe" : "ace32.exe");
      archiverExit_ = -1;
      reader.Add();
      ok = archiverExit_ == 0;
    }
    fs.SetCurrentDir(current);
    return ok;
  };
  hooks.deleteOriginals = [&](const std::vector<std::string>& paths) {
    TFileDelete remover(Handle(), Questions(), nullptr);
    remover.ShowProgress = false;
    remover.UseRecycleBin = false;
    remover.ConfirmImportant = false;
    for (const std::string& path : paths) remover.AddSource(path);
    remover.Execute();
    bool gone = true;
    for (const std::string& path : paths) gone = gone && fs.GetAttributes(path) == kInvalidAttributes;
    return gone;
  };

  const TCreateResult result = RunCreateArchive(request, hooks);
  const std::string shown = FileNamePart(result.path);
  if (move && !result.added && !result.path.empty() && !cancelled) {
    Questions().Message(FillText(LoadText(kTextArchiverFailed), {shown}), LoadText(kTextError), mbOk, miStop);
  } else if (move && result.added && !result.missing.empty()) {
    std::string list;
    for (size_t i = 0; i < result.missing.size() && i < 10; ++i) list += "\n" + result.missing[i];
    if (result.missing.size() > 10) list += Format("\n... (%d more)", static_cast<int>(result.missing.size() - 10));
    Questions().Message(FillText(LoadText(kTextArchiveIncomplete), {shown}) + list, LoadText(kTextError), mbOk,
                        miStop);
  } else if (move && result.added && result.missing.empty() && !result.deleted) {
    Questions().Message(FillText(LoadText(kTextOriginalsLeft), {shown}), LoadText(kTextError), mbOk, miWarning);
  }
  return result.path.empty() ? std::string() : FileNamePart(result.path);
}

void TMainForm::ArchivePropertiesCommand() {
  if (!InArchive()) return;
  TArchiveTotals totals;
  totals.fileName = archivePath_;
  totals.count = archive_->ItemCount();
  totals.original = archive_->OriginalTotal();
  totals.packed = archive_->PackedTotal();
  totals.ratio = static_cast<int>(std::min<uint64_t>(archive_->Ratio(), 100));
  TfArcProp dialog(Handle(), totals);
  dialog.ShowModal();
}

}  // namespace quill
