// The main window's Copy, Move and Delete: what is collected, the questions before, the engine
// run, and what the pane, the descriptions and the status line get afterwards.
#include <windows.h>
#include <mmsystem.h>

#include <algorithm>

#include "app/MainForm.h"
#include "base/Path.h"
#include "base/Text.h"
#include "fileview/ShellUtils.h"
#include "messages/Messages.h"
#include "operations/CopyingDialog.h"
#include "operations/DeletingDialog.h"
#include "operations/FileOperations.h"
#include "platform/StringTable.h"
#include "platform/Utf16.h"

namespace quill {

namespace {
constexpr int kTextDeleteSelected = 539;
constexpr int kTextDeleteFile = 540;
constexpr int kTextDeleteFolder = 541;
}  // namespace

std::vector<int> TMainForm::CollectedEntries() {
  std::vector<int> items;
  const TFiles& files = view_.Files();
  for (int i = 0; i < files.Count(); ++i)
    if (files.Items(i)->Selected) items.push_back(i);
  if (items.empty()) {
    const TFile* focused = view_.FocusedFile();
    if (focused && !focused->IsDrive() && !focused->IsParent()) items.push_back(view_.ItemIndex());
  }
  if (!items.empty()) {
    selectionMemory_.clear();
    for (const int i : items) selectionMemory_.push_back(files.Items(i)->FullName());
  }
  return items;
}

void TMainForm::RestoreSelection() {
  if (selectionMemory_.empty()) return;
  view_.DeselectAll(true);
  const TFiles& files = view_.Files();
  for (const std::string& name : selectionMemory_) {
    const int i = files.IndexOf(FileNamePart(name));
    if (i >= 0) view_.Select(i);
  }
  view_.Invalidate();
}

ICopyProgress* TMainForm::CopyProgress() { return &CopyingDialog(); }

TfCopying& TMainForm::CopyingDialog() {
  // One progress dialog for the program's life, as the engine's runs and extractions never overlap.
  if (!copying_) copying_ = std::make_unique<TfCopying>(Handle());
  return *copying_;
}

IDeleteProgress* TMainForm::DeleteProgress() {
  if (!deleting_) deleting_ = std::make_unique<TfDeleting>(Handle());
  return deleting_.get();
}

void TMainForm::PlayCompletionSound() {
  if (!ini_.ReadBool("Option", "Sound", false)) return;
  const std::wstring path = Widen(files_.folder + "complete.wav");
  PlaySoundW(path.c_str(), nullptr, SND_FILENAME | SND_NOWAIT | SND_NODEFAULT | SND_ASYNC);
}

void TMainForm::FinishOperation() {
  const TFile* focused = view_.FocusedFile();
  view_.Refresh(focused ? focused->FullName() : std::string(), true);
  UpdateDiskInfo();
  UpdateSelectionInfo();
  notify_.SetActive(autoRefresh_);
  PlayCompletionSound();
}

void TMainForm::ShowFileError(uint32_t error) {
  if (error != 0) Questions().ShowError(error, LoadText(kTextError), true);
}

void TMainForm::CopyCommand(bool move) {
  const std::vector<int> items = CollectedEntries();
  if (items.empty()) return;
  const std::string destination = AskDestination({});
  if (destination.empty()) return;
  RunCopy(items, destination, move);
}

void TMainForm::RunEngine(TFileCopy& engine, const std::string& destination, bool move) {
  engine.OnFileExists = [this](TFileCopy& copy, const std::string& source, std::string& target, uint32_t& answer) {
    if (answer & feAll) return;
    answer = Questions().AskFileExists(source, target, false, copy.TargetWrittenByThisRun);
  };
  notify_.SetActive(false);
  if (move) engine.Move(destination);
  else engine.Copy(destination);
}

void TMainForm::RunCopy(const std::vector<int>& items, const std::string& destination, bool move) {
  TFileCopy engine(Handle(), Questions(), CopyProgress());
  for (const int i : items) {
    const TFile* file = view_.Files().Items(i);
    engine.AddSource(JoinPath(view_.Folder(), file->FullName()), file);
  }
  engine.ClearReadOnly = DriveType(view_.Drive()) == kDriveCdRom && ini_.ReadBool("Option", "RemRead", false);
  RunEngine(engine, destination, move);

  if (engine.SucceededCount() > 0) {
    TFiles& files = view_.Files();
    files.BeginUpdate();
    std::vector<std::string> descriptions;
    std::vector<TFile*> done;
    std::vector<std::string> folders;
    for (size_t i = 0; i < items.size(); ++i) {
      if (!engine.Succeeded(i)) continue;
      TFile* file = files.Items(items[i]);
      done.push_back(file);
      if (file->IsFolder()) folders.push_back(JoinPath(view_.Folder(), file->FullName()));
      if (!file->Description().empty()) descriptions.push_back(file->FullName() + "=" + file->Description());
    }
    CacheFoldersCopied(folders, destination, move);
    // The destination's lines are written first, and the source's are cleared only once they
    // are there: a destination that cannot take them (full, read-only) keeps them at home.
    if (!descriptions.empty()) {
      if (const uint32_t error = view_.AppendDescript(destination, descriptions)) {
        ShowFileError(error);
      } else if (move) {
        for (TFile* file : done) file->SetDescription({});
        ShowFileError(view_.SaveDescript());
      }
    }
    for (TFile* file : done) {
      if (!move) {
        if (file->Selected) view_.Deselect(file->Index);
        continue;
      }
      // Moved entries leave the list; their positions are found again as the list shrinks.
      for (int i = 0; i < files.Count(); ++i)
        if (files.Items(i) == file) {
          if (file->Selected) view_.Deselect(i);
          if (i < view_.ItemIndex()) view_.SetItemIndex(view_.ItemIndex() - 1);
          files.Delete(i);
          break;
        }
    }
    files.EndUpdate();
  }
  FinishOperation();
}

void TMainForm::RunCopyOf(const std::vector<std::string>& sources, const std::string& destination, bool move) {
  TFileCopy engine(Handle(), Questions(), CopyProgress());
  std::vector<bool> isFolder;
  for (const std::string& source : sources) {
    engine.AddSource(source);
    isFolder.push_back(IsFolder(source));
  }
  RunEngine(engine, destination, move);
  std::vector<std::string> folders;
  for (size_t i = 0; i < sources.size(); ++i)
    if (isFolder[i] && engine.Succeeded(i)) folders.push_back(sources[i]);
  CacheFoldersCopied(folders, destination, move);
}

void TMainForm::DeleteCommand() {
  if (view_.OwnerData()) return;
  const std::vector<int> items = CollectedEntries();
  if (items.empty()) return;
  std::string text;
  if (view_.SelCount() > 0) {
    text = LoadText(kTextDeleteSelected);
  } else {
    const TFile* file = view_.Files().Items(items.front());
    text = FillText(LoadText(file->IsFolder() ? kTextDeleteFolder : kTextDeleteFile), {file->FullName()});
  }
  const int focusedButton = static_cast<int>(std::clamp<int64_t>(ini_.ReadInteger("Option", "DelBtn", 2), 0, 2));
  const int answer = Questions().AskDelete(text, focusedButton, false);
  if (answer != mrYes && answer != mrAll) return;
  RunDelete(items, answer == mrYes);
}

void TMainForm::RunDelete(const std::vector<int>& items, bool recycle) {
  TFileDelete engine(Handle(), Questions(), DeleteProgress());
  engine.SetUseRecycleBin(recycle);
  for (const int i : items) {
    const TFile* file = view_.Files().Items(i);
    engine.AddSource(JoinPath(view_.Folder(), file->FullName()), file);
  }
  notify_.SetActive(false);
  engine.Execute();
  if (engine.SucceededCount() > 0) {
    TFiles& files = view_.Files();
    files.BeginUpdate();
    std::vector<TFile*> done;
    std::vector<std::string> folders;
    bool hadDescriptions = false;
    for (size_t i = 0; i < items.size(); ++i)
      if (engine.Succeeded(i)) {
        TFile* file = files.Items(items[i]);
        hadDescriptions = hadDescriptions || !file->Description().empty();
        file->SetDescription({});
        done.push_back(file);
        if (file->IsFolder()) folders.push_back(JoinPath(view_.Folder(), file->FullName()));
      }
    CacheFoldersDeleted(folders);
    if (hadDescriptions) ShowFileError(view_.SaveDescript());
    for (TFile* file : done)
      for (int i = 0; i < files.Count(); ++i)
        if (files.Items(i) == file) {
          if (file->Selected) view_.Deselect(i);
          if (i < view_.ItemIndex()) view_.SetItemIndex(view_.ItemIndex() - 1);
          files.Delete(i);
          break;
        }
    files.EndUpdate();
  }
  FinishOperation();
}

}  // namespace quill
