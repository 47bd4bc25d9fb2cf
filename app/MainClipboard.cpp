// The main window's clipboard commands: files given to and taken from other programs the way the
// shell exchanges them, the cut entries drawn dimmed while they wait to be pasted, shortcuts
// to the clipboard's files and the focused entry's path as text.
#include <windows.h>

#include <unordered_set>

#include "app/MainForm.h"
#include "base/Path.h"
#include "base/Text.h"
#include "fileview/ShellUtils.h"
#include "operations/FileOperations.h"
#include "platform/FileIdentity.h"
#include "platform/Win32Text.h"
#include "transfer/Clipboard.h"

namespace quill {

namespace {

// The folder holding `path`, a root with its backslash.
std::string ParentFolder(const std::string& path) {
  std::string folder = FileDirPart(StripBackslash(path));
  if (folder.size() == 2 && folder[1] == ':') folder += '\\';
  return folder;
}

bool SameFolder(const std::string& a, const std::string& b) {
  if (a.empty() || b.empty()) return false;
  // The system's word first: another drive letter or a short name may reach the same folder.
  if (IdentityOf(a, true).SameAs(IdentityOf(b, true))) return true;
  const ICollator& names = TWin32Collator::Instance();
  return names.FoldName(StripBackslash(a)) == names.FoldName(StripBackslash(b));
}

// Names from other programs are taken only as absolute paths: a relative one would be read
// against whatever the current folder happens to be.
bool IsAbsolute(const std::string& path) {
  return (path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/')) ||
         (path.size() >= 2 && path[0] == '\\' && path[1] == '\\');
}

std::vector<std::string> AbsoluteNames(std::vector<std::string> names) {
  std::erase_if(names, [](const std::string& name) { return !IsAbsolute(name); });
  return names;
}

}  // namespace

bool TMainForm::CanCopyToClipboard() {
  if (view_.OwnerData()) return false;
  if (view_.SelCount() > 0) return true;
  const TFile* focused = view_.FocusedFile();
  return focused && !focused->IsDrive() && !focused->IsParent();
}

bool TMainForm::CanPaste() { return !view_.OwnerData() && ClipboardHasFiles(); }

bool TMainForm::CanCopyPathName() {
  const TFile* focused = view_.FocusedFile();
  return focused && !focused->IsParent() && !(focused->IsDrive() && StartsWith(focused->Name(), "/"));
}

void TMainForm::ClipboardCopyCommand(bool cut) {
  if (view_.OwnerData()) return;
  const std::vector<int> items = CollectedEntries();
  if (items.empty()) return;
  std::vector<std::string> paths, names;
  for (const int i : items) {
    const TFile* file = view_.Files().Items(i);
    names.push_back(file->FullName());
    paths.push_back(JoinPath(view_.Folder(), names.back()));
  }
  if (!PutClipboardFiles(Handle(), paths, cut)) return;
  cutNames_.clear();
  if (cut) {
    cutFolder_ = view_.Folder();
    cutNames_ = std::move(names);
    cutSequence_ = ClipboardSequence();
  }
  MarkCutEntries();
}

void TMainForm::MarkCutEntries() {
  // The marks last while the clipboard holds what was cut: any change, by anyone, ends them.
  if (!cutNames_.empty() && ClipboardSequence() != cutSequence_) cutNames_.clear();
  const ICollator& collator = TWin32Collator::Instance();
  std::unordered_set<std::string> cut;
  if (!cutNames_.empty() && !view_.OwnerData() && SameFolder(cutFolder_, view_.Folder()))
    for (const std::string& name : cutNames_) cut.insert(collator.FoldName(name));
  bool changed = false;
  TFiles& files = view_.Files();
  for (int i = 0; i < files.Count(); ++i) {
    TFile* file = files.Items(i);
    const bool marked = !cut.empty() && !file->IsDrive() && cut.contains(collator.FoldName(file->FullName()));
    if (file->Cut == marked) continue;
    file->Cut = marked;
    changed = true;
  }
  if (changed) view_.Invalidate();
}

void TMainForm::PasteCommand() {
  if (view_.OwnerData()) return;
  const TClipboardFiles clip = ReadClipboardFiles(Handle());
  const std::vector<std::string> sources = AbsoluteNames(clip.names);
  if (sources.empty()) return;
  const std::string destination = view_.Folder();
  // Into the folder they came from the files would be copied onto themselves: refused without
  // a word, as a drop onto its own folder is, and the clipboard keeps them.
  for (const std::string& source : sources)
    if (SameFolder(ParentFolder(source), destination)) return;
  if (clip.move) EmptyTheClipboard(Handle());

  RunCopyOf(sources, destination, clip.move);
  FinishOperation();
}

void TMainForm::PasteShortcutCommand() {
  if (view_.OwnerData()) return;
  const std::vector<std::string> targets = AbsoluteNames(ReadClipboardFiles(Handle()).names);
  if (targets.empty()) return;
  notify_.SetActive(false);
  for (const std::string& target : targets) CreateShortcut(target, view_.Folder());
  const TFile* focused = view_.FocusedFile();
  view_.Refresh(focused ? focused->FullName() : std::string(), true);
  notify_.SetActive(autoRefresh_);
}

void TMainForm::CopyPathNameCommand() {
  if (!CanCopyPathName()) return;
  const TFile* focused = view_.FocusedFile();
  PutClipboardText(Handle(), focused->IsDrive() ? focused->FullName() : JoinPath(view_.Folder(), focused->FullName()));
}

}  // namespace quill
