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
#include "fileview/ShellUtils.h"
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
  // The window goes on painting while the archiver works; a quit is left for the outer loop.
  return ShellOpen(ArchiverPath(program), parameters, "", true, &archiverExit_);
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
