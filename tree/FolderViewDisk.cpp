// The folder view's disk side: drives, the cache file, scans, going to a path. Scans run on
// this thread; the host keeps the windows alive from OnScan (the scan window pumps messages)
// and may cancel, after which nothing read is used.
#include <algorithm>

#include "base/Path.h"
#include "fileview/ShellUtils.h"
#include "platform/Utf16.h"
#include "platform/Win32Text.h"
#include "tree/FolderView.h"
#include "tree/TreeCache.h"
#include "tree/TreeScan.h"

namespace quill {

namespace {

constexpr UINT_PTR kSaveTimer = 1;
// Expanding and collapsing come in bursts; the cache follows once they pause.
constexpr UINT kSaveDelay = 300;
constexpr uint32_t kAttributeDirectory = 0x10;

// "C:" for "C", "c:\x" or "C:"; a share root as it is; "" for anything else.
std::string DriveOf(const std::string& text) {
  if (text.size() == 1 && std::isalpha(static_cast<unsigned char>(text[0]))) return text + ":";
  std::string drive = DrivePart(text);
  if (drive.size() == 2) drive[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(drive[0])));
  return drive;
}

bool SameFileText(const std::string& a, const std::string& b) {
  const std::wstring wa = Widen(a);
  const std::wstring wb = Widen(b);
  return CompareStringOrdinal(wa.c_str(), static_cast<int>(wa.size()), wb.c_str(), static_cast<int>(wb.size()),
                              TRUE) == CSTR_EQUAL;
}

}  // namespace

TQuillFolderView::TQuillFolderView(IFileSystem& fs, const ICodePage& codePage) : fs_(fs), codePage_(codePage) {}

TQuillFolderView::~TQuillFolderView() {
  if (savePending_) SaveTree();
}

std::string TQuillFolderView::GetFolder() const { return Focused() ? Focused()->GetPath() : std::string(); }

void TQuillFolderView::SaveTree() {
  savePending_ = false;
  if (Handle()) KillTimer(Handle(), kSaveTimer);
  if (drive_.empty() || !Items().Root || rootOnly_) return;
  if (treeFile_.empty()) treeFile_ = TreeCacheFile(drive_, TreePath, TreeRoot);
  Items().SaveToFile(fs_, codePage_, treeFile_);
}

void TQuillFolderView::ScheduleSave() {
  savePending_ = true;
  if (Handle()) SetTimer(Handle(), kSaveTimer, kSaveDelay, nullptr);
}

void TQuillFolderView::ItemsChanged() {
  TCustomFolderView::ItemsChanged();
  if (!suppressSave_ && Items().Root) ScheduleSave();
}

LRESULT TQuillFolderView::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      if (wParam == kSaveTimer) {
        KillTimer(Handle(), kSaveTimer);
        if (savePending_) SaveTree();
        return 0;
      }
      break;
    case WM_DESTROY:
      if (savePending_) SaveTree();
      break;
    default:
      break;
  }
  return TCustomFolderView::HandleMessage(message, wParam, lParam);
}

bool TQuillFolderView::ScanDirectory(const std::string& path, std::vector<std::string>& lines) {
  cancelScan_ = false;
  scanCancelled_ = false;
  scannedFolders_ = 0;
  if (!IsFolder(path)) return false;
  TTreeScanner scanner(fs_);
  scanner.OnScan = [this](const std::string& name, int) {
    if (OnScan) OnScan(name);
    return !cancelScan_;
  };
  scanner.OnBusy = [this] {
    if (OnScanBusy) OnScanBusy();
  };
  if (OnBeforeScan) OnBeforeScan();
  bool done = false;
  try {
    done = scanner.ScanDirectory(path, lines);
  } catch (...) {
    if (OnAfterScan) OnAfterScan();
    throw;
  }
  scanCancelled_ = scanner.Stats().cancelled || cancelScan_;
  scannedFolders_ = scanner.Stats().folders;
  if (OnAfterScan) OnAfterScan();
  const std::string leftOut = LeftOutText(scanner.Stats());
  if (!leftOut.empty() && Items().OnMessage) Items().OnMessage(leftOut);
  return done && !scanCancelled_;
}

void TQuillFolderView::ShowRootOnly() {
  suppressSave_ = true;
  ResetView();
  Items().LoadFromStrings({TreeLine(true, 0, drive_)});
  suppressSave_ = false;
  rootOnly_ = true;
  SetFocused(Items().Root);
}

void TQuillFolderView::SetDrive(const std::string& text) {
  const std::string drive = DriveOf(text);
  if (drive.empty() || SameFileText(drive, drive_)) return;
  const uint32_t type = DriveType(drive);
  if (DriveReady(drive)) {
    if (savePending_) SaveTree();
    drive_ = drive;
    driveType_ = type;
    treeFile_ = TreeCacheFile(drive_, TreePath, TreeRoot);
    // Nothing of the previous drive may stay shown under this one's name, should its scan be
    // cancelled.
    ResetView();
    suppressSave_ = true;
    Items().Clear();
    suppressSave_ = false;
    rootOnly_ = false;
    bool loaded = false;
    if (GetFileAttributesW(Widen(treeFile_).c_str()) != INVALID_FILE_ATTRIBUTES) {
      SetBusy(true);
      suppressSave_ = true;
      loaded = LoadTreeCache(Items(), fs_, codePage_, treeFile_, drive_);
      suppressSave_ = false;
      SetBusy(false);
    }
    if (loaded && Items().Root) {
      const std::string open = OpenFolderOf(drive_);
      SetFocused(Items().Root);
      if (!open.empty()) SetFolder(open);
    } else {
      Refresh();
    }
  }
  DoFindChange("");
  if (OnChangeDrive) OnChangeDrive(drive_, Items().Count, driveType_);
}

void TQuillFolderView::Refresh() {
  if (drive_.empty()) return;
  const std::string previous = GetFolder();
  std::vector<std::string> lines;
  SetBusy(true);
  const bool done = ScanDirectory(DriveRoot(drive_), lines);
  if (done) {
    ResetView();
    rootOnly_ = false;
    Items().LoadFromStrings(lines);
  }
  SetBusy(false);
  if (!Items().Root) {
    // A cancelled first scan: the drive alone, and no cache that would be trusted next time.
    ShowRootOnly();
    return;
  }
  if (!done) {
    Redraw();
    return;
  }
  TTreeItem* target = previous.empty() ? nullptr : Items().FindItem(previous);
  if (!target) {
    const std::string open = OpenFolderOf(drive_);
    if (!open.empty()) target = Items().FindItem(open);
  }
  SetFocused(target ? target : Items().Root);
}

void TQuillFolderView::SetFolder(const std::string& path) {
  if (!IsFolder(path)) return;
  const std::string drive = DriveOf(path);
  if (!drive.empty() && !SameFileText(drive, drive_)) SetDrive(drive);
  if (!SameFileText(drive, drive_) || !Items().Root) return;
  const std::string target = IsRootFolder(path) ? DriveRoot(drive_) : StripBackslash(path);
  if (TTreeItem* found = Items().FindItem(target)) {
    SetFocused(found);
    return;
  }
  // The nearest ancestor the tree knows is read again, or the first-level folder when none is.
  const std::string firstLevel = JoinPath(DriveRoot(drive_), FirstComponentBelowRoot(target));
  std::string scanPath = firstLevel;
  TTreeItem* ancestor = nullptr;
  for (std::string probe = target; probe.size() > firstLevel.size();) {
    probe = FileDirPart(probe);
    if ((ancestor = Items().FindItem(probe))) {
      scanPath = probe;
      break;
    }
  }
  std::vector<std::string> lines;
  SetBusy(true);
  if (ScanDirectory(scanPath, lines)) {
    TTreeItems scanned(nullptr, TWin32Collator::Instance());
    scanned.LoadFromStrings(lines);
    TTreeItem* parent = ancestor ? ancestor->Parent : Items().Root;
    Items().BeginUpdate();
    if (ancestor) {
      MoveFocusOutOf(ancestor, parent);
      Items().Delete(ancestor);
      ancestor = nullptr;
    }
    if (scanned.Root) Items().CopyItem(parent, scanned.Root);
    Items().EndUpdate();
  }
  SetBusy(false);
  TTreeItem* found = Items().FindItem(target);
  if (!found) found = Items().FindItem(scanPath);
  if (!found) found = ancestor ? ancestor : Items().Root;
  if (found == Focused()) Redraw();
  else SetFocused(found);
}

void TQuillFolderView::RefreshRootChildren() {
  TTreeItem* root = Items().Root;
  const std::string rootPath = DriveRoot(drive_);
  std::vector<std::string> names;
  fs_.Enumerate(rootPath + "*.*", [&](const TFindData& data) {
    if ((data.attributes & kAttributeDirectory) && data.name != "." && data.name != "..") names.push_back(data.name);
  });
  Items().BeginUpdate();
  for (TTreeItem* child = root->FirstChild; child;) {
    TTreeItem* next = child->NextSibling;
    if (!IsFolder(JoinPath(rootPath, child->Name))) {
      MoveFocusOutOf(child, root);
      Items().Delete(child);
    }
    child = next;
  }
  for (const std::string& name : names) Items().Add(root, name);
  Items().EndUpdate();
}

void TQuillFolderView::PartRefresh() {
  TTreeItem* focus = Focused();
  if (!focus || !IsFolder(focus->GetPath())) return;
  if (focus == Items().Root) {
    RefreshRootChildren();
    Redraw();
    return;
  }
  std::vector<std::string> lines;
  if (!ScanDirectory(focus->GetPath(), lines)) {
    Redraw();
    return;
  }
  TTreeItems scanned(nullptr, TWin32Collator::Instance());
  scanned.LoadFromStrings(lines);
  TTreeItem* parent = focus->Parent;
  SetBusy(true);
  Items().BeginUpdate();
  MoveFocusOutOf(focus, parent);
  Items().Delete(focus);
  TTreeItem* copy = scanned.Root ? Items().CopyItem(parent, scanned.Root) : nullptr;
  if (copy) copy->Expanded = true;
  Items().EndUpdate();
  SetBusy(false);
  if (copy) SetFocused(copy);
  else Redraw();
}

}  // namespace quill
