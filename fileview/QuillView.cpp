#include "fileview/QuillView.h"

#include <unordered_map>
#include <unordered_set>

#include "base/Path.h"
#include "base/Text.h"
#include "base/TextFile.h"

namespace quill {

namespace {
constexpr const char* kDescriptFile = "descript.dat";

bool IsMatchAll(std::string_view mask) { return mask == "*" || mask == "*.*"; }

std::vector<std::string> SplitMasks(std::string_view filter) {
  std::vector<std::string> masks;
  for (const std::string& part : Split(filter, ';')) {
    std::string mask = Trim(part);
    if (!mask.empty()) masks.push_back(std::move(mask));
  }
  return masks;
}

// Paths taken relative to the pane's folder: not starting with a drive or a separator, or
// starting with a single separator (relative to the current drive).
bool DependsOnCurrentDir(std::string_view path) {
  if (path.empty()) return false;
  if (path.find(':') != std::string_view::npos) return false;
  if (path.size() >= 2 && IsPathSeparator(path[0]) && IsPathSeparator(path[1])) return false;
  return true;
}
}  // namespace

TQuillView::TQuillView(IFileSystem& fileSystem, const ICodePage& codePage)
    : fs_(fileSystem), codePage_(codePage), colors_(fileSystem, codePage) {}

void TQuillView::SetColorFile(const std::string& path) {
  if (!fs_.FileExists(path)) return;
  colors_.LoadFromFile(path);
  Invalidate();
}

std::string TQuillView::LineValue(const std::vector<std::string>& lines, std::string_view name) {
  for (const std::string& line : lines) {
    size_t eq = line.find('=');
    if (eq != std::string::npos && SameTextAscii(std::string_view(line).substr(0, eq), name))
      return line.substr(eq + 1);
  }
  return {};
}

void TQuillView::SetLineValue(std::vector<std::string>& lines, std::string_view name, std::string_view value) {
  std::string line = std::string(name) + "=" + std::string(value);
  for (std::string& existing : lines) {
    size_t eq = existing.find('=');
    if (eq != std::string::npos && SameTextAscii(std::string_view(existing).substr(0, eq), name)) {
      existing = std::move(line);
      return;
    }
  }
  lines.push_back(std::move(line));
}

void TQuillView::SetFilter(std::string_view masks) {
  if (SameTextAscii(masks, filter_)) return;
  filter_.assign(masks);
  Refresh({}, false);
}

void TQuillView::SetViewHidden(bool value) {
  if (value == viewHidden_) return;
  viewHidden_ = value;
  if (!folder_.empty() || ownerData_) Refresh(FileNamePart(GetFileName()), false);
}

void TQuillView::SetSortType(TFileSortType value) {
  if (value == sortType_) return;
  sortType_ = value;
  if (value == fstNone) {
    const TFile* focused = FocusedFile();
    Refresh(focused ? focused->FullName() : std::string(), true);
    return;
  }
  // The focus keeps its position; whatever entry the new order puts there is focused, and the
  // name tip and the owner hear of it like of any focus change.
  const TFile* before = FocusedFile();
  Files().Sort(value);
  Invalidate();
  if (FocusedFile() != before && !Files().Updating()) DoChange();
}

void TQuillView::ScanFiles() {
  const bool atRoot = IsRootFolder(folder_);
  TFiles& files = Files();
  files.BeginUpdate();
  files.Clear();
  ResetSelectionTotals();

  // One enumeration gives the folders and, for a match-all mask, the files too; the list is
  // the same as enumerating each mask separately, without listing a large folder twice.
  const std::vector<std::string> masks = SplitMasks(filter_);
  bool wantAll = false;
  for (const std::string& m : masks) wantAll = wantAll || IsMatchAll(m);
  std::vector<std::unique_ptr<TFile>> allFiles;
  fs_.Enumerate(JoinPath(folder_, "*.*"), [&](const TFindData& d) {
    if (!Visible(d.attributes)) return;
    if (d.attributes & faDirectory) {
      if (d.name == "." || (atRoot && d.name == "..")) return;
      files.AddEntry(d.name, {}, d.attributes, d.time, 0);
    } else if (wantAll) {
      allFiles.push_back(TFiles::MakeFile(d.name, d.size, d.attributes, d.time));
    }
  });
  bool allFilesUsed = false;
  for (const std::string& mask : masks) {
    if (IsMatchAll(mask)) {
      // A second match-all mask lists the same files again, as enumerating it would.
      if (!allFilesUsed) {
        for (auto& file : allFiles) files.Add(std::move(file));
        allFilesUsed = true;
      } else {
        fs_.Enumerate(JoinPath(folder_, mask), [&](const TFindData& d) {
          if (Visible(d.attributes) && !(d.attributes & faDirectory)) files.AddFile(d.name, d.size, d.attributes, d.time);
        });
      }
      continue;
    }
    fs_.Enumerate(JoinPath(folder_, mask), [&](const TFindData& d) {
      if (Visible(d.attributes) && !(d.attributes & faDirectory)) files.AddFile(d.name, d.size, d.attributes, d.time);
    });
  }
  ScanDrives();
  if (sortType_ != fstNone) files.Sort(sortType_);
  SetItemIndex(0);
  files.EndUpdate();
}

std::string TQuillView::DriveLabel(const std::string& root) {
  const uint32_t type = fs_.DriveType(root);
  if (type == kDriveRemovable) return "Floppy";
  std::string label;
  if (fs_.VolumeLabel(root, label) && !label.empty()) return label;
  if (type == kDriveFixed) return "Local";
  if (type == kDriveCdRom) return "CDROM";
  return {};
}

void TQuillView::ScanDrives() {
  TFiles& files = Files();
  files.BeginUpdate();
  const uint32_t mask = fs_.LogicalDrives();
  for (int bit = 0; bit < 32; ++bit) {
    if (!(mask & (1u << bit))) continue;
    const char letter = static_cast<char>('A' + bit);
    files.AddEntry(std::string(1, letter), DriveLabel(std::string(1, letter) + ":\\"), faDrive, 0, 0);
  }
  files.AddEntry("/", networkText_, faDrive, 0, 4);
  files.EndUpdate();
}

void TQuillView::SetFolder(std::string_view pathView) {
  HideNameTip();
  const std::string path(pathView);
  if (ownerData_) {
    folder_ = path;
    if (OnGetTitle) {
      std::string title = Title();
      OnGetTitle(title);
      SetTitle(std::move(title));
    }
    DoChangeDir();
    return;
  }
  if (DependsOnCurrentDir(path) && !folder_.empty()) fs_.SetCurrentDir(folder_);
  if (!fs_.SetCurrentDir(path)) return;
  if (IsRootFolder(folder_) && (path == ".." || path == "\\")) return;

  std::string focus;
  if (path == "..") focus = LastComponent(folder_);
  else if (path == "\\") focus = FirstComponentBelowRoot(folder_);

  folder_ = fs_.CurrentDir();
  drive_ = DrivePart(folder_);
  SetLineValue(driveMemory_, drive_ + "\\", folder_);

  if (IsRootFolder(folder_)) SetTitle(Format("%s(%s)", DriveLabel(DriveRoot(folder_)).c_str(), StripBackslash(folder_).c_str()));
  else SetTitle(LastComponent(folder_));

  Refresh(focus, false);
  DoChangeDir();
}

void TQuillView::SetDrive(std::string_view drive) {
  if (drive.empty()) return;
  const std::string root = DriveRoot(drive);
  const uint32_t type = fs_.DriveType(root);
  const bool differs = !SameTextAscii(DrivePart(root), drive_);
  if (!differs && type != kDriveRemovable && type != kDriveCdRom) return;
  std::string label;
  if (!fs_.VolumeLabel(root, label)) return;  // not ready
  const std::string remembered = LineValue(driveMemory_, root);
  if (remembered.empty() || !fs_.SetCurrentDir(remembered)) {
    if (!fs_.SetCurrentDir(root)) return;
  }
  SetFolder(fs_.CurrentDir());
}

void TQuillView::Refresh(std::string_view nameToFocus, bool keepSelection) {
  std::vector<std::string> selected;
  TFiles& files = Files();
  if (keepSelection) {
    for (int i = 0; i < files.Count(); ++i)
      if (files.Items(i)->Selected) selected.push_back(files.Items(i)->FullName());
  }
  files.BeginUpdate();
  ResetSelectionTotals();
  auto finish = [&] {
    files.EndUpdate();
    if (OnChangeSelected) OnChangeSelected();
  };
  try {
    if (ownerData_) GetOwnerData();
    else ScanFiles();
    if (!nameToFocus.empty()) {
      int i = files.IndexOf(nameToFocus);
      if (i >= 0) SetItemIndex(i);
    }
    for (const std::string& name : selected) {
      int i = files.IndexOf(name);
      if (i >= 0) Select(i);
    }
    if (!ownerData_) LoadDescript();
  } catch (...) {
    finish();
    throw;
  }
  finish();
}

void TQuillView::GetOwnerData() {
  TFiles& files = Files();
  files.BeginUpdate();
  bool handled = true;
  if (OnOwnerData) OnOwnerData(handled);
  if (handled) ScanDrives();
  SetItemIndex(0);
  files.EndUpdate();
}

std::string TQuillView::GetFileName() const {
  const TFile* f = FocusedFile();
  if (!f) return {};
  if (f->IsDrive()) return f->FullName();
  return JoinPath(folder_, f->FullName());
}

void TQuillView::Open() {
  bool handled = false;
  if (OnOpen) OnOpen(handled);
  if (handled) return;
  const TFile* f = FocusedFile();
  if (!f) return;
  switch (f->Kind()) {
    case kKindFolder: SetFolder(std::string(f->Name())); break;
    case kKindDrive: SetDrive(std::string(f->Name())); break;
    default: fs_.ShellOpen(JoinPath(folder_, f->FullName())); break;
  }
}

std::string TQuillView::DescriptPath() const { return JoinPath(folder_, kDescriptFile); }

void TQuillView::LoadDescript() {
  hasDescriptions_ = false;
  std::string bytes;
  if (folder_.empty() || !fs_.ReadAll(DescriptPath(), bytes)) return;
  const ICollator& collator = Files().Collator();
  // The first line naming an entry wins.
  std::unordered_map<std::string, std::string> byName;
  for (const std::string& line : DecodeLines(bytes, codePage_)) {
    size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    byName.emplace(collator.FoldName(std::string_view(line).substr(0, eq)), line.substr(eq + 1));
  }
  if (byName.empty()) return;
  TFiles& files = Files();
  for (int i = 0; i < files.Count(); ++i) {
    TFile* f = files.Items(i);
    if (f->IsDrive()) continue;
    auto it = byName.find(collator.FoldName(f->FullName()));
    if (it == byName.end()) continue;
    f->SetDescription(it->second);
    hasDescriptions_ = true;
  }
}

uint32_t TQuillView::SaveDescript() {
  std::vector<std::string> lines;
  const TFiles& files = Files();
  const ICollator& collator = files.Collator();
  std::unordered_set<std::string> listed;
  for (int i = 0; i < files.Count(); ++i) {
    const TFile* f = files.Items(i);
    if (f->IsDrive()) continue;
    listed.insert(collator.FoldName(f->FullName()));
    if (!f->Description().empty()) lines.push_back(f->FullName() + "=" + f->Description());
  }
  const std::string path = DescriptPath();
  // The list may not show everything the file describes (hidden files, a filter): those lines
  // stay while their file does. Listed entries speak for themselves, and lines of files that
  // are gone are dropped.
  std::string bytes;
  if (fs_.ReadAll(path, bytes)) {
    for (std::string& line : DecodeLines(bytes, codePage_)) {
      const size_t eq = line.find('=');
      if (eq == 0 || eq == std::string::npos) continue;
      const std::string name = line.substr(0, eq);
      if (!listed.insert(collator.FoldName(name)).second) continue;  // listed, or an earlier line
      if (fs_.GetAttributes(JoinPath(folder_, name)) != kInvalidAttributes) lines.push_back(std::move(line));
    }
  }
  uint32_t error = 0;
  const uint32_t old = fs_.GetAttributes(path);
  const bool exists = old != kInvalidAttributes;
  // Archive only first, so a hidden or read-only file can be replaced or removed.
  if (exists) fs_.SetAttributes(path, faArchive);
  if (lines.empty()) {
    if (exists) error = fs_.RemoveFile(path);
    if (error != 0) fs_.SetAttributes(path, old);
  } else {
    error = fs_.WriteAll(path, EncodeLines(lines, codePage_));
    if (error == 0 || exists) fs_.SetAttributes(path, faArchive | faHidden);
  }
  hasDescriptions_ = !lines.empty();
  return error;
}

bool TQuillView::DescriptExists() {
  return !ownerData_ && !folder_.empty() && fs_.GetAttributes(DescriptPath()) != kInvalidAttributes;
}

uint32_t TQuillView::DeleteDescript() {
  const std::string path = DescriptPath();
  const uint32_t old = fs_.GetAttributes(path);
  if (old == kInvalidAttributes) return 0;
  fs_.SetAttributes(path, faArchive);
  if (const uint32_t error = fs_.RemoveFile(path)) {
    fs_.SetAttributes(path, old);
    return error;
  }
  TFiles& files = Files();
  for (int i = 0; i < files.Count(); ++i) files.Items(i)->SetDescription({});
  LoadDescript();
  Invalidate();
  return 0;
}

uint32_t TQuillView::AppendDescript(const std::string& folder, const std::vector<std::string>& lines) {
  if (lines.empty()) return 0;
  const std::string path = JoinPath(folder, kDescriptFile);
  // An item that replaced a described namesake brings its own description: the old line goes,
  // or it would win as the first line for that name.
  const ICollator& collator = Files().Collator();
  std::unordered_set<std::string> incoming;
  for (const std::string& line : lines) incoming.insert(collator.FoldName(line.substr(0, line.find('='))));
  std::vector<std::string> all;
  std::string bytes;
  if (fs_.ReadAll(path, bytes)) {
    for (std::string& line : DecodeLines(bytes, codePage_)) {
      const size_t eq = line.find('=');
      if (eq != std::string::npos && incoming.count(collator.FoldName(std::string_view(line).substr(0, eq)))) continue;
      all.push_back(std::move(line));
    }
  }
  all.insert(all.end(), lines.begin(), lines.end());
  const bool exists = fs_.GetAttributes(path) != kInvalidAttributes;
  if (exists) fs_.SetAttributes(path, faArchive);
  const uint32_t error = fs_.WriteAll(path, EncodeLines(all, codePage_));
  if (error == 0 || exists) fs_.SetAttributes(path, faArchive | faHidden);
  return error;
}

void TQuillView::DoChangeDir() {
  HideNameTip();
  if (!FindText().empty()) DoFindChange({});
  if (OnChangeDir) OnChangeDir();
}

void TQuillView::SelectionChanged() {
  if (OnChangeSelected) OnChangeSelected();
}

void TQuillView::FilesChange() {
  TCustomFileView::FilesChange();
  if (OnChangeSelected) OnChangeSelected();
}

}  // namespace quill
