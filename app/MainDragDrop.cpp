// Drag and drop: the pane's entries dragged out to other programs (or onto the pane's own
// folders), and files dropped on the pane from anywhere. The rules of what a drop does live in
// app/DropRules; this file feeds them the pane's facts and carries the drop out.
#include <windows.h>
#include <ole2.h>

#include "app/MainForm.h"
#include "base/Path.h"
#include "fileview/ShellUtils.h"
#include "operations/FileOperations.h"
#include "platform/Utf16.h"
#include "transfer/DataObject.h"

namespace quill {

namespace {
constexpr UINT kDropMenuCopy = 1, kDropMenuMove = 2, kDropMenuLink = 3, kDropMenuCancel = 4;
// A page goes by at most this often while the pointer waits at an edge: a line is a page here.
constexpr DWORD kDropScrollInterval = 400;

// Released on every path out, including a failed drag.
template <typename T>
struct TComRef {
  T* p;
  ~TComRef() {
    if (p) p->Release();
  }
};
}  // namespace

// ---- out of the pane ----

void TMainForm::DragEntries() {
  if (view_.OwnerData()) return;
  const TFiles& files = view_.Files();
  std::vector<std::string> paths;
  for (int i = 0; i < files.Count(); ++i)
    if (files.Items(i)->Selected) paths.push_back(JoinPath(view_.Folder(), files.Items(i)->FullName()));
  if (paths.empty()) {
    const TFile* focused = view_.FocusedFile();
    if (!focused || focused->IsParent() || focused->IsDrive()) return;
    paths.push_back(JoinPath(view_.Folder(), focused->FullName()));
  }
  pane_.HideNameTip();
  TComRef<IDataObject> data{NewFileDataObject(paths)};
  TComRef<IDropSource> source{NewFileDropSource()};
  DWORD effect = DROPEFFECT_NONE;
  const HRESULT result =
      DoDragDrop(data.p, source.p, DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK, &effect);
  if (result != DRAGDROP_S_DROP) return;
  // A target that moved the files itself says so only in the performed effect.
  if (effect == DROPEFFECT_MOVE || PerformedDropEffect(data.p) == DROPEFFECT_MOVE) {
    const TFile* focused = view_.FocusedFile();
    view_.Refresh(focused ? focused->FullName() : std::string(), true);
    UpdateDiskInfo();
  }
}

// ---- onto the pane ----

void TMainForm::RegisterDropTarget() {
  if (dropTarget_ || !pane_.Handle()) return;
  dropTarget_ = new TFileDropTarget(this);
  // Without OLE in the process the pane simply takes no drops.
  if (FAILED(RegisterDragDrop(pane_.Handle(), dropTarget_))) {
    dropTarget_->Release();
    dropTarget_ = nullptr;
  }
}

void TMainForm::RevokeDropTarget() {
  if (!dropTarget_) return;
  if (pane_.Handle()) RevokeDragDrop(pane_.Handle());
  dropTarget_->Detach();
  dropTarget_->Release();
  dropTarget_ = nullptr;
}

DWORD TMainForm::FilesDragEnter(const std::vector<std::string>& files, DWORD keys, POINT screen, DWORD allowed) {
  drop_ = {};
  drop_.files = files;
  drop_.source = DropSourceFolder(files);
  drop_.focus = view_.ItemIndex();
  drop_.rightButton = !(keys & MK_LBUTTON);
  return FilesDragOver(keys, screen, allowed);
}

DWORD TMainForm::FilesDragOver(DWORD keys, POINT screen, DWORD allowed) {
  if (InArchive()) return DROPEFFECT_NONE;
  POINT p = screen;
  ScreenToClient(pane_.Handle(), &p);
  const TDropPlace place = DropPlaceAt(view_.Files(), view_.Folder(), pane_.ItemAt(p.x, p.y), drop_.focus);
  if (place.focus >= 0) view_.SetFocused(place.focus);
  drop_.target = place.folder;
  const ICollator& names = view_.Files().Collator();
  drop_.refused = DropRefused(drop_.target, drop_.source, drop_.files, names);
  DWORD effect = DropEffectFor(keys, allowed, drop_.refused, false, OnSameDrive(drop_.source, drop_.target, names));
  RECT client{};
  GetClientRect(pane_.Handle(), &client);
  if (const int direction = DropScrollAt(p.y, client.bottom)) {
    effect |= DROPEFFECT_SCROLL;
    ScrollWhileDragging(direction);
  }
  return effect;
}

void TMainForm::ScrollWhileDragging(int direction) {
  const DWORD now = GetTickCount();
  if (drop_.lastScroll != 0 && now - drop_.lastScroll < kDropScrollInterval) return;
  drop_.lastScroll = now;
  SendMessageW(pane_.Handle(), WM_VSCROLL, direction < 0 ? SB_LINEUP : SB_LINEDOWN, 0);
}

void TMainForm::FilesDragLeave() {
  if (drop_.focus >= 0) view_.SetFocused(drop_.focus);
  drop_ = {};
}

DWORD TMainForm::FilesDrop(const std::vector<std::string>& files, DWORD keys, POINT screen, DWORD allowed) {
  if (InArchive()) return DROPEFFECT_NONE;
  if (drop_.files.empty()) {
    // A drop no enter announced: the buttons are up by now, so it counts as a left-button one.
    FilesDragEnter(files, keys, screen, allowed);
    drop_.rightButton = false;
  }
  DWORD effect = FilesDragOver(keys, screen, allowed) & ~DROPEFFECT_SCROLL;
  const std::string target = drop_.target;
  if (drop_.refused) effect = DROPEFFECT_NONE;
  else if (drop_.rightButton) effect = DropMenu(screen, allowed);
  // Nothing chosen from the menu: the focus goes back as when the drag leaves.
  if (effect == DROPEFFECT_NONE && drop_.focus >= 0) view_.SetFocused(drop_.focus);
  drop_ = {};
  if (effect == DROPEFFECT_NONE) return effect;
  DropFiles(files, target, effect);
  return effect;
}

DWORD TMainForm::DropMenu(POINT screen, DWORD allowed) {
  HMENU menu = CreatePopupMenu();
  const auto add = [&](UINT id, const wchar_t* caption, bool enabled) {
    AppendMenuW(menu, MF_STRING | (enabled ? MF_ENABLED : MF_GRAYED), id, caption);
  };
  add(kDropMenuCopy, L"&Copy Here", allowed & DROPEFFECT_COPY);
  add(kDropMenuMove, L"&Move Here", allowed & DROPEFFECT_MOVE);
  add(kDropMenuLink, L"Create &Shortcut(s) Here", allowed & DROPEFFECT_LINK);
  add(kDropMenuCancel, L"Cancel", true);
  // A drop from another program leaves that program in front; the menu must have the input.
  SetForegroundWindow(Handle());
  switch (TrackMenu(menu, screen, TPM_RIGHTBUTTON)) {
    case kDropMenuCopy: return DROPEFFECT_COPY;
    case kDropMenuMove: return DROPEFFECT_MOVE;
    case kDropMenuLink: return DROPEFFECT_LINK;
    default: return DROPEFFECT_NONE;
  }
}

void TMainForm::DropFiles(const std::vector<std::string>& files, const std::string& target, DWORD effect) {
  if (effect != DROPEFFECT_COPY && effect != DROPEFFECT_MOVE && effect != DROPEFFECT_LINK) return;
  const bool move = effect == DROPEFFECT_MOVE;
  if (effect != DROPEFFECT_LINK) {
    // The pane's own entries dropped on one of its folders: exactly the Copy or Move command,
    // descriptions, selection and list following.
    const ICollator& names = view_.Files().Collator();
    std::vector<int> own;
    for (const std::string& file : files) {
      if (!names.SameName(StripBackslash(FileDirPart(file)), StripBackslash(view_.Folder()))) break;
      const int i = view_.Files().IndexOf(FileNamePart(file));
      if (i < 0) break;
      own.push_back(i);
    }
    if (own.size() == files.size()) {
      RunCopy(own, target, move);
      return;
    }
  }
  notify_.SetActive(false);
  if (effect == DROPEFFECT_LINK) {
    for (const std::string& file : files) CreateShortcut(file, target);
  } else {
    RunCopyOf(files, target, move);
  }
  const TFile* focused = view_.FocusedFile();
  view_.Refresh(focused ? focused->FullName() : std::string(), true);
  UpdateDiskInfo();
  UpdateSelectionInfo();
  notify_.SetActive(autoRefresh_);
}

}  // namespace quill
