#include "app/MainForm.h"

#include <algorithm>

#include "app/Commands.h"
#include "app/CommandText.h"
#include "app/Win32Questions.h"

#include "base/Path.h"
#include "fileview/ShellUtils.h"
#include "platform/StringTable.h"
#include "platform/Utf16.h"
#include "platform/Win32FileSystem.h"
#include "platform/Win32Text.h"

namespace quill {

namespace {
constexpr int kNetworkTextId = 109;
constexpr int kTextAltLegend = 900;
constexpr int kTextCtrlLegend = 901;

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
      pane_(view_),
      legend_(LoadText(kTextAltLegend), LoadText(kTextCtrlLegend)) {
  view_.Files().SetCollator(TWin32Collator::Instance());
  view_.SetSortType(fstExt);
  const std::string network = LoadText(kNetworkTextId);
  if (!network.empty()) view_.SetNetworkText(network);
  view_.OnChangeDir = [this] { FolderChanged(); };
  view_.OnChange = [this] { UpdateFileInfo(); };
  view_.OnChangeSelected = [this] { UpdateSelectionInfo(); };
  view_.OnFilesChange = [this] {
    MarkCutEntries();
    UpdateFileInfo();
    UpdateSelectionInfo();
  };
  view_.OnOpen = [this](bool& handled) {
    if (InArchive()) {
      handled = OpenInArchive();
      return;
    }
    handled = OpenShortcutFolder();
    const TFile* file = view_.FocusedFile();
    if (!handled && file && file->IsFile() && ArchiveKind(file->FullName()) != kArchiveNone)
      handled = EnterArchive(JoinPath(view_.Folder(), file->FullName()));
  };
  view_.OnOwnerData = [this](bool& handled) { FillArchiveList(handled); };
  // Inside an archive the title names the folder shown: the archive file at its root.
  view_.OnGetTitle = [this](std::string& title) { title = LastComponent(view_.Folder()); };
  pane_.OnKeyDown = [this](WPARAM& key) { PaneKeyDown(key); };
  pane_.OnModifierKey = [this](WPARAM key, bool down) { ModifierKey(key, down); };
  pane_.OnContextMenu = [this](int x, int y) { PaneContextMenu(x, y); };
  pane_.OnTitleClick = [this](int x, int y) { PaneTitleClick(x, y); };
  pane_.OnStartDrag = [this] { DragEntries(); };
  if (options_.questions) {
    questions_ = options_.questions;
  } else {
    ownQuestions_ = std::make_unique<TWin32Questions>([this] { return Handle(); }, files_.folder);
    questions_ = ownQuestions_.get();
  }
  notify_.SetDelay(2000);
  notify_.SetFilter(mfFileName | mfDirName | mfSize | mfCreation);
  notify_.SetOnChange([this] { WatchedFolderChanged(); });
}

void TMainForm::WatchedFolderChanged() {
  if (view_.OwnerData()) return;
  const TFile* focused = view_.FocusedFile();
  view_.Refresh(focused ? focused->FullName() : std::string(), true);
}

TMainForm::~TMainForm() {
  RevokeDropTarget();
  if (folderBitmap_) DeleteObject(folderBitmap_);
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
  BuildMenus();
  // Cut entries lose their dimmed look as soon as the clipboard changes.
  AddClipboardFormatListener(Handle());
  if (!bar_.Create(Handle()) || !status_.Create(Handle()) || !fkeys_.Create(Handle()) ||
      !commandBox_.Create(Handle()))
    return false;
  fkeys_.SetCursor(LoadCursorW(nullptr, IDC_HAND));
  fkeys_.SetHeadColor(RGB(0, 0, 255));
  fkeys_.SetHotColor(RGB(255, 0, 0));
  fkeys_.SetItems({"F2=Rename", "F3=", "F4=", "F5=Refresh", "F6=", "F7=", "F8="});
  fkeys_.OnClick = [this](int button) { FunctionBarClick(button); };
  commandBox_.OnRun = [this](const std::string& text, bool typed) {
    // The history takes the text before it runs: a command that fails is kept all the same.
    if (typed) AddCommandHistory(commandHistory_, text);
    CloseCommandBox(true);
    RunCommandText(text);
  };
  commandBox_.OnCancel = [this] { CloseCommandBox(true); };
  commandBox_.OnFocusLost = [this] { CloseCommandBox(false); };
  bar_.OnButton = [this](TNavButton button) {
    switch (button) {
      case nbBack: Back(); break;
      case nbForward: Forward(); break;
      case nbUp: UpOneLevel(); break;
      case nbFavorites:
      case nbViews: break;  // whole drop-down buttons: the menu comes through OnDropDown
    }
  };
  bar_.OnDropDown = [this](TNavButton button, POINT p) { ShowDropDown(button, p); };
  bar_.OnWorkClick = [this](int slot) { WorkFolderClick(slot); };
  bar_.OnWorkRightClick = [this](int slot) { WorkFolderRightClick(slot); };
  bar_.OnAddressEnter = [this](const std::string& text) { AddressEnter(text); };
  bar_.OnAddressList = [this] { return AddressLines(); };
  bar_.OnAddressPick = [this](int index) { AddressPick(index); };
  bar_.OnAddressLabel = [this] { ChooseTree(); };
  bar_.OnAddressCancel = [this] {
    bar_.SetAddress(view_.Folder(), GetSysColor(COLOR_WINDOWTEXT));
    SetFocus(pane_.Handle());
  };
  bar_.EnableButton(nbBack, false);
  bar_.EnableButton(nbForward, false);
  status_.OnDiskClick = [this] { ShowProperties(DriveRoot(view_.Drive())); };
  status_.OnFileInfoClick = [this] { RunCommand(cmAttributes); };
  return pane_.Create(Handle(), 0, 0, 100, 100);
}

void TMainForm::Show() {
  TFiles& list = view_.Files();
  list.BeginUpdate();
  try {
    RestoreWindowAndFolder();
    ApplySettings();
  } catch (...) {
    list.EndUpdate();
    throw;
  }
  list.EndUpdate();
  SetMenuCaptions();
  RegisterDropTarget();
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
  OpenStartFolder(view_, ini_, TWin32FileSystem::Instance(), TAnsiCodePage::Instance(), files_,
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
  ctrlX_ = ini_.ReadBool("Option", "CtrlX", false);
  BuildAccelerators();
  SetShortcutCaptions();
  ShowFunctionKeys();
}

void TMainForm::UpdateCaption() {
  const std::string caption = pathCaption_ ? view_.Folder() : std::string(kCaptionTitle);
  SetWindowTextW(Handle(), Widen(caption).c_str());
}

void TMainForm::LayoutChildren() {
  RECT client;
  GetClientRect(Handle(), &client);
  const int top = toolbarWanted_ ? TNavigationBar::kHeight : 0;
  const int keysTop = std::max(top, static_cast<int>(client.bottom) - TBtnStatusBar::kHeight);
  const int bottom = std::max(top, keysTop - (statusWanted_ ? TStatusArea::kHeight : 0));
  if (toolbarWanted_) MoveWindow(bar_.Handle(), 0, 0, client.right, top, TRUE);
  MoveWindow(pane_.Handle(), 0, top, client.right, bottom - top, TRUE);
  MoveWindow(status_.Handle(), 0, bottom, client.right, TStatusArea::kHeight, TRUE);
  if (commandBoxOpen_) MoveWindow(commandBox_.Handle(), 0, bottom, client.right, TStatusArea::kHeight, TRUE);
  MoveWindow(fkeys_.Handle(), 0, keysTop, client.right, TBtnStatusBar::kHeight, TRUE);
}

SIZE TMainForm::MinimumSize() const {
  // The client area must hold the navigation bar, the pane's title strip with one row of
  // entries (one icon cell in the icon style), and the status area.
  auto frameHeight = [](HWND hwnd) {
    RECT window{}, client{};
    GetWindowRect(hwnd, &window);
    GetClientRect(hwnd, &client);
    return (window.bottom - window.top) - client.bottom;
  };
  const TLayoutParams& params = pane_.Params();
  const int row = params.CellHeight > 0 ? params.CellHeight : pane_.RowHeight();
  const int pane = frameHeight(pane_.Handle()) + pane_.TitleHeight() + std::max(row, 1);
  // Wide enough for the menu bar on one line: a wrapped bar would take the pane's row.
  int menuWidth = 0;
  for (int i = 0; menu_ && i < GetMenuItemCount(menu_); ++i) {
    RECT item{};
    if (GetMenuItemRect(Handle(), menu_, static_cast<UINT>(i), &item)) menuWidth += item.right - item.left;
  }
  RECT least{0, 0, std::max(bar_.MinimumWidth(), menuWidth + 2),
             (toolbarWanted_ ? TNavigationBar::kHeight : 0) + pane + (statusWanted_ ? TStatusArea::kHeight : 0) +
                 TBtnStatusBar::kHeight};
  // The frame as it is (the menu bar may take more than one line); from the styles when the
  // window is minimised and has no client area to compare with.
  RECT window{}, client{};
  GetWindowRect(Handle(), &window);
  GetClientRect(Handle(), &client);
  if (IsIconic(Handle()) || client.bottom <= 0) {
    AdjustWindowRectEx(&least, static_cast<DWORD>(GetWindowLongPtrW(Handle(), GWL_STYLE)), menu_ != nullptr,
                       static_cast<DWORD>(GetWindowLongPtrW(Handle(), GWL_EXSTYLE)));
    return {least.right - least.left, least.bottom - least.top};
  }
  return {least.right + (window.right - window.left) - client.right,
          least.bottom + (window.bottom - window.top) - client.bottom};
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
  if (LRESULT result = 0; shellMenu_ && ShellMenuMessage(message, wParam, lParam, result)) return result;
  switch (message) {
    case WM_SIZE: LayoutChildren(); return 0;
    // Every move, size, z-order or show change of the window passes here first, so the tip
    // never stays behind over a window that went elsewhere. The default handling that follows
    // applies the minimum size.
    case WM_WINDOWPOSCHANGING:
    case WM_ACTIVATEAPP:
    case WM_SYSCOMMAND: pane_.HideNameTip(); break;
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      const SIZE least = MinimumSize();
      info->ptMinTrackSize.x = std::max<LONG>(info->ptMinTrackSize.x, least.cx);
      info->ptMinTrackSize.y = std::max<LONG>(info->ptMinTrackSize.y, least.cy);
      return 0;
    }
    case WM_SETFOCUS: SetFocus(pane_.Handle()); return 0;
    case WM_COMMAND:
      if (lParam != 0) break;
      // A shortcut puts the function-key labels back in place of a legend.
      if (legend_.OtherShortcut()) fkeys_.SetItems(legend_.Lines());
      if (RunCommand(LOWORD(wParam))) return 0;
      break;
    case WM_INITMENUPOPUP: InitMenuPopup(reinterpret_cast<HMENU>(wParam)); return 0;
    case WM_MEASUREITEM:
      if (wParam == 0 && menuLook_.Measure(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam))) return TRUE;
      break;
    case WM_DRAWITEM:
      if (wParam == 0 && menuLook_.Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam))) return TRUE;
      break;
    case WM_MENUCHAR:
      return menuLook_.MenuChar(static_cast<wchar_t>(LOWORD(wParam)), HIWORD(wParam), reinterpret_cast<HMENU>(lParam));
    case WM_CLOSE: Close(); return 0;
    case WM_CLIPBOARDUPDATE: MarkCutEntries(); return 0;
    case WM_DESTROY:
      RevokeDropTarget();
      RemoveClipboardFormatListener(Handle());
      if (options_.quitOnDestroy) PostQuitMessage(0);
      return 0;
    default: break;
  }
  return TWindow::HandleMessage(message, wParam, lParam);
}

}  // namespace quill
