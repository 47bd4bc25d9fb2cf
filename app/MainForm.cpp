#include "app/MainForm.h"

#include "base/Path.h"
#include "platform/StringTable.h"
#include "platform/Utf16.h"
#include "platform/Win32FileSystem.h"
#include "platform/Win32Text.h"

namespace quill {

namespace {
constexpr int kNetworkTextId = 109;

}  // namespace

std::string TMainForm::ExecutableFolder() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n < buffer.size()) {
      buffer.resize(n);
      break;
    }
    buffer.resize(buffer.size() * 2);
  }
  std::string path = Narrow(buffer);
  return FileDirPart(path) + "\\";
}

TMainForm::TMainForm(TMainFormOptions options)
    : options_(std::move(options)),
      files_{options_.programFolder.empty() ? ExecutableFolder() : options_.programFolder},
      ini_(TWin32FileSystem::Instance(), TAnsiCodePage::Instance(), files_.Settings()),
      view_(TWin32FileSystem::Instance(), TAnsiCodePage::Instance()),
      pane_(view_) {
  view_.Files().SetCollator(TWin32Collator::Instance());
  view_.SetSortType(fstExt);
  const std::string network = LoadText(kNetworkTextId);
  if (!network.empty()) view_.SetNetworkText(network);
  view_.OnChangeDir = [this] { FolderChanged(); };
  pane_.OnKeyDown = [this](WPARAM& key) { PaneKeyDown(key); };
  notify_.SetDelay(2000);
  notify_.SetFilter(mfFileName | mfDirName | mfSize | mfCreation);
  notify_.SetOnChange([this] { WatchedFolderChanged(); });
}

void TMainForm::FolderChanged() {
  UpdateCaption();
  notify_.SetFolder(view_.Folder());
  // A watcher ends by itself when its folder goes away; every new folder starts it again.
  notify_.SetActive(autoRefresh_);
}

void TMainForm::WatchedFolderChanged() {
  if (view_.OwnerData()) return;
  const TFile* focused = view_.FocusedFile();
  view_.Refresh(focused ? focused->FullName() : std::string(), true);
}

TMainForm::~TMainForm() = default;

void TMainForm::PaneKeyDown(WPARAM& key) {
  const bool plain = GetKeyState(VK_SHIFT) >= 0 && GetKeyState(VK_CONTROL) >= 0;
  // Backspace edits a quick search while there is one; otherwise it goes up a level.
  if (key == VK_BACK && plain && view_.FindText().empty()) view_.SetFolder("..");
  else if (key == VK_MULTIPLY && plain) view_.InvertSelection();
}

void TMainForm::SelectAllCommand() {
  // Read when used, so a changed option applies at once.
  const bool withFolders = ini_.ReadBool("Option", "SelDir", false);
  if (view_.SelCount() == 0) view_.SelectAll(withFolders);
  else view_.DeselectAll(withFolders);
}

bool TMainForm::Create() {
  if (!CreateHandle(L"QuillMainForm", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, Widen(kAppTitle), CW_USEDEFAULT,
                    CW_USEDEFAULT, 550, 500, nullptr, 0))
    return false;
  return pane_.Create(Handle(), 0, 0, 100, 100);
}

void TMainForm::Show() {
  TFiles& list = view_.Files();
  list.BeginUpdate();
  try {
    // The list settings go in before the first scan, so a folder is not scanned twice at
    // start; ApplySettings then finds them unchanged.
    const TPaneSettings settings = ReadPaneSettings(ini_);
    view_.SetViewHidden(settings.viewHidden);
    view_.SetSortType(settings.sortType);
    RestoreWindowAndFolder();
    ApplySettings();
  } catch (...) {
    list.EndUpdate();
    throw;
  }
  list.EndUpdate();
  SetFocus(pane_.Handle());
}

void TMainForm::RestoreWindowAndFolder() {
  const TPlacement placement = ParsePlacement(ini_.ReadString("Window", "File", kDefaultPlacement));
  if (placement.maximized) {
    ShowWindow(Handle(), SW_SHOWMAXIMIZED);
  } else {
    RECT r{placement.left, placement.top, placement.left + placement.width, placement.top + placement.height};
    // A placement on no monitor (a screen that is gone, a damaged file) falls back to the default.
    if (!MonitorFromRect(&r, MONITOR_DEFAULTTONULL)) {
      const TPlacement fallback;
      r = {fallback.left, fallback.top, fallback.left + fallback.width, fallback.top + fallback.height};
    }
    SetWindowPos(Handle(), nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(Handle(), SW_SHOWNORMAL);
  }
  LayoutChildren();
  RestoreFolder(view_, ini_, TWin32FileSystem::Instance(), TAnsiCodePage::Instance(), files_,
                CommandLineArgument(options_.commandLine));
  notify_.SetFolder(view_.Folder());
  commandHistory_ = LoadHistory(TWin32FileSystem::Instance(), TAnsiCodePage::Instance(), files_);
}

void TMainForm::ApplySettings() {
  const TPaneSettings s = ReadPaneSettings(ini_);
  pane_.SetFont(s.fontFace, s.fontSize, s.fontBold);
  pane_.SetLongName(s.longName);
  pane_.SetCharCase(static_cast<TCharCase>(s.charCase));
  pane_.SetAttachExt(s.attachExt);
  pane_.SetFocusStyle(static_cast<TFocusStyle>(s.focusStyle));
  if (s.autoColumn) pane_.SetAutoColumn(true);
  else pane_.SetColumn(s.column);
  pane_.SetViewStyle(static_cast<TViewStyle>(s.viewStyle));
  pane_.SetViewIcon(s.viewIcon);
  pane_.SetFolderInfo(s.folderInfo);
  pane_.SetViewColumnLine(s.columnLine);
  pane_.SetViewFileType(s.fileType);
  view_.SetViewHidden(s.viewHidden);
  view_.SetSortType(s.sortType);
  pathCaption_ = s.pathCaption;
  UpdateCaption();
  view_.SetColorFile(files_.folder + "quill.col");
  autoRefresh_ = s.autoRefresh;
  if (autoRefresh_) {
    notify_.SetLock(false);
    notify_.SetActive(true);
  } else {
    // Off stays off until switched on again from the menu.
    notify_.SetActive(false);
    notify_.SetLock(true);
  }
}

void TMainForm::UpdateCaption() {
  const std::string caption = pathCaption_ ? view_.Folder() : std::string(kCaptionTitle);
  SetWindowTextW(Handle(), Widen(caption).c_str());
}

void TMainForm::LayoutChildren() {
  RECT client;
  GetClientRect(Handle(), &client);
  MoveWindow(pane_.Handle(), 0, 0, client.right, client.bottom, TRUE);
}

TPlacement TMainForm::CurrentPlacement() const {
  TPlacement p;
  WINDOWPLACEMENT wp{};
  wp.length = sizeof wp;
  RECT r{};
  GetWindowRect(Handle(), &r);
  if (GetWindowPlacement(Handle(), &wp) && wp.showCmd == SW_SHOWMAXIMIZED) {
    p.maximized = true;
    r = wp.rcNormalPosition;
  }
  p.left = r.left;
  p.top = r.top;
  p.width = r.right - r.left;
  p.height = r.bottom - r.top;
  return p;
}

void TMainForm::Close() {
  if (!closed_) {
    closed_ = true;
    SaveOnClose(ini_, CurrentPlacement(), view_, commandHistory_, TWin32FileSystem::Instance(),
                TAnsiCodePage::Instance(), files_);
  }
  if (Handle()) DestroyWindow(Handle());
}

LRESULT TMainForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      pane_.HideNameTip();
      LayoutChildren();
      return 0;
    case WM_MOVE:
    case WM_ACTIVATEAPP:
    case WM_SYSCOMMAND: pane_.HideNameTip(); break;
    case WM_SETFOCUS: SetFocus(pane_.Handle()); return 0;
    case WM_CLOSE: Close(); return 0;
    case WM_DESTROY:
      if (options_.quitOnDestroy) PostQuitMessage(0);
      return 0;
    default: break;
  }
  return TWindow::HandleMessage(message, wParam, lParam);
}

}  // namespace quill
