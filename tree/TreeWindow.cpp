#include "tree/TreeWindow.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>

#include "base/Path.h"
#include "base/Text.h"
#include "fileview/ShellUtils.h"
#include "messages/ShellFolders.h"
#include "navigation/Favorites.h"
#include "operations/FileOperations.h"
#include "platform/Utf16.h"
#include "platform/Win32FileSystem.h"
#include "platform/Win32Text.h"
#include "ui/ModalLoop.h"

namespace quill {

namespace {

constexpr int kAddressLineHeight = 28;
constexpr int kVolumeWidth = 130;
constexpr int kDriveButtonStep = 41;
constexpr int kDriveButtonWidth = 40;
constexpr int kMaxDriveButtons = 32;

const std::vector<std::string>& StatusItems() {
  static const std::vector<std::string> items = {"F2=Rename",      "F3=Find Next",  "F5=Refresh",    "F6=Part Refresh",
                                                 "F7=New Folder", "F8=Delete",      "F9=Properties"};
  return items;
}

bool ShiftHeld() { return GetKeyState(VK_SHIFT) < 0; }
bool CtrlHeld() { return GetKeyState(VK_CONTROL) < 0; }
bool CapsLockOn() { return (GetKeyState(VK_CAPITAL) & 1) != 0; }

// The system's own words for an error code.
std::string SystemErrorText(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = length && buffer ? std::wstring(buffer, length) : L"Error " + std::to_wstring(code);
  if (buffer) LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
  return Narrow(text);
}

std::string MenuCaption(const std::string& name) {
  std::string caption;
  for (const char c : name) caption += c == '&' ? std::string("&&") : std::string(1, c);
  return caption;
}

void AppendItem(HMENU menu, int id, const char* text) { AppendMenuW(menu, MF_STRING, id, Widen(text).c_str()); }

TTreeGlyph DriveGlyphOf(uint32_t type) {
  switch (type) {
    case 2: return tgFdd;
    case 4: return tgNet;
    case 5: return tgCd;
    default: return tgHdd;
  }
}

HFONT MakeFont(const std::string& face, int points) {
  HDC screen = GetDC(nullptr);
  const int height = -MulDiv(points, GetDeviceCaps(screen, LOGPIXELSY), 72);
  ReleaseDC(nullptr, screen);
  return CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, Widen(face).c_str());
}

}  // namespace

TTreePlacement ParseTreePlacement(const std::string& text) {
  int values[5];
  char end = 0;
  if (std::sscanf(text.c_str(), "%d,%d,%d,%d,%d%c", &values[0], &values[1], &values[2], &values[3], &values[4],
                  &end) != 5)
    return {};
  return {values[0] != 0, values[1], values[2], values[3], values[4]};
}

std::string TreePlacementText(const TTreePlacement& p) {
  return std::to_string(p.maximized ? 1 : 0) + "," + std::to_string(p.left) + "," + std::to_string(p.top) + "," +
         std::to_string(p.width) + "," + std::to_string(p.height);
}

TTreeFont ParseTreeFont(const std::string& text) {
  TTreeFont font;
  std::string rest = text;
  if (!rest.empty() && rest[0] == '"') {
    const size_t close = rest.find('"', 1);
    if (close == std::string::npos) return font;
    font.name = rest.substr(1, close - 1);
    rest = rest.substr(close + 1);
  } else {
    const size_t comma = rest.find(',');
    font.name = rest.substr(0, comma);
    rest = comma == std::string::npos ? std::string() : rest.substr(comma);
  }
  if (font.name.empty()) font.name = TTreeFont().name;
  int points = 0;
  if (std::sscanf(rest.c_str(), ",%d", &points) == 1 && points > 0 && points < 100) font.points = points;
  return font;
}

TfTree::TfTree(IQuestions& questions, const std::string& programFolder)
    : questions_(questions),
      fs_(TWin32FileSystem::Instance()),
      programFolder_(programFolder),
      ini_(TWin32FileSystem::Instance(), TAnsiCodePage::Instance(), programFolder + "quill.ini"),
      view_(TWin32FileSystem::Instance(), TAnsiCodePage::Instance()) {}

TfTree::~TfTree() {
  // The children (and the view's pending cache write) go with the window, before the members.
  if (Handle()) DestroyWindow(Handle());
}

void TfTree::ApplySettings() {
  placement_ = ParseTreePlacement(ini_.ReadString("Window", "Tree", "0,100,100,800,600"));
  const TTreeFont font = ParseTreeFont(ini_.ReadString("Option", "TFont", "\"MS Sans Serif\",9,0"));
  view_.SetViewFont(font.name, font.points);
  view_.TreeRoot = ini_.ReadBool("Option", "TreeRoot", false);
  view_.TreePath = ini_.ReadString("Option", "TreePath", "");
  view_.SetColors(LoadTreeColors(programFolder_ + "quill.col"));
}

bool TfTree::Create(HWND owner, const std::string& caption) {
  ApplySettings();
  const int width = std::max(200, placement_.width);
  const int height = std::max(150, placement_.height);
  if (!CreateHandle(L"QuillTreeWindow", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, Widen(caption), placement_.left,
                    placement_.top, width, height, owner))
    return false;
  font_.Reset(MakeFont("MS Sans Serif", 8));
  CreateMenus();
  CreateControls();
  FillToolBar();
  Layout();
  return true;
}

void TfTree::CreateMenus() {
  menu_ = CreateMenu();
  HMENU folder = CreatePopupMenu();
  AppendItem(folder, cmDelete, "&Delete\tAlt+D");
  AppendItem(folder, cmRename, "&Rename\tAlt+R");
  AppendMenuW(folder, MF_SEPARATOR, 0, nullptr);
  AppendItem(folder, cmDesktop, "Desktop\tCtrl+D");
  AppendItem(folder, cmStartMenu, "Start Menu\tCtrl+S");
  AppendItem(folder, cmPersonal, "My Documents\tCtrl+W");
  AppendMenuW(folder, MF_SEPARATOR, 0, nullptr);
  AppendItem(folder, cmProperties, "Properties\tF9");
  AppendMenuW(folder, MF_SEPARATOR, 0, nullptr);
  AppendItem(folder, cmClose, "&Close\tEsc");
  HMENU tree = CreatePopupMenu();
  AppendItem(tree, cmFavorites, "Favorites\tF11");
  AppendItem(tree, cmNewFolder, "Create New Folder\tAlt+K");
  AppendMenuW(tree, MF_SEPARATOR, 0, nullptr);
  AppendItem(tree, cmExpandOne, "Expand one level");
  AppendItem(tree, cmCollapseOne, "Collapse one level");
  AppendItem(tree, cmExpandRecursive, "Expand recursive");
  AppendItem(tree, cmCollapseRecursive, "Collapse recursive");
  AppendItem(tree, cmExpandAll, "Expand whole tree");
  AppendItem(tree, cmCollapseAll, "Collapse whole tree");
  AppendMenuW(tree, MF_SEPARATOR, 0, nullptr);
  AppendItem(tree, cmPartRefresh, "Part Refre&sh\tAlt+S");
  AppendItem(tree, cmFullRefresh, "&Full Refresh\tAlt+F");
  AppendMenuW(tree, MF_SEPARATOR, 0, nullptr);
  AppendItem(tree, cmFindNext, "Find Next\tF3");
  AppendMenuW(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(folder), L"Fold&er");
  AppendMenuW(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(tree), L"&Tree");
  SetMenu(Handle(), menu_);
  menuLook_.DrawImage = [](UINT id, HDC dc, const RECT& r, bool) {
    if (id < static_cast<UINT>(cmFavoriteFirst) || id >= static_cast<UINT>(cmFavoriteFirst + kMaxFavoriteItems))
      return false;
    DrawTreeGlyph(dc, tgDir, r.left + (r.right - r.left - 16) / 2, r.top + (r.bottom - r.top - 16) / 2);
    return true;
  };
  menuLook_.Attach(menu_, true);
}

void TfTree::CreateControls() {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  toolBar_.Create(Handle());
  toolBar_.OnClick = [this](int index) { ToolBarClick(index); };
  auto add = [&](const wchar_t* cls, const wchar_t* text, DWORD style, int id, DWORD exStyle = 0) {
    HWND control = CreateWindowExW(exStyle, cls, text, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style, 0, 0, 10, 10,
                                   Handle(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    return control;
  };
  addressLabel_ = add(L"STATIC", L"Address :", SS_LEFT | SS_CENTERIMAGE, kAddressLabelId);
  address_ = add(L"COMBOBOX", L"", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP, kAddressId);
  if (HWND edit = FindWindowExW(address_, nullptr, L"EDIT", nullptr))
    SetWindowSubclass(edit, AddressEditProc, 1, reinterpret_cast<DWORD_PTR>(this));
  // The quick-search text lies over the volume label while there is one.
  find_ = add(L"STATIC", L"", SS_LEFT | SS_CENTERIMAGE | SS_NOPREFIX, kFindId);
  ShowWindow(find_, SW_HIDE);
  volume_ = add(L"STATIC", L"", SS_CENTER | SS_CENTERIMAGE | SS_NOPREFIX | SS_SUNKEN, kVolumeId);

  view_.Create(Handle());
  view_.OnChange = [this] { FolderViewChange(); };
  view_.OnSelect = [this] { FolderViewSelect(); };
  view_.OnFindChange = [this](const std::string& text) { FolderViewFindChange(text); };
  view_.OnKeyDown = [this](WPARAM key, bool system) { return FolderViewKeyDown(key, system); };
  view_.OnContextMenu = [this](int x, int y) { FolderViewContextMenu(x, y); };
  view_.OnChangeDrive = [this](const std::string& drive, int, uint32_t type) { FolderViewChangeDrive(drive, type); };
  view_.OnBeforeScan = [this] { BeforeScan(); };
  view_.OnScan = [this](const std::string& folder) { Scan(folder); };
  view_.OnScanBusy = [this] {
    if (scan_) scan_->Pump();
  };
  view_.OnAfterScan = [this] { AfterScan(); };
  view_.Items().OnMessage = [this](const std::string& text) { questions_.Message(text, "", mbOk, miNone); };
  ShowWindow(view_.Handle(), SW_SHOW);

  statusBar_.Create(Handle());
  statusBar_.SetFont(font_.Get());
  statusBar_.SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND)));
  statusBar_.SetHeadColor(0xFF0000);
  statusBar_.SetHotColor(0x0000FF);
  statusBar_.SetItems(StatusItems());
  statusBar_.OnClick = [this](int index) { StatusBarClick(index); };
}

void TfTree::FillToolBar() {
  std::vector<TTreeToolButton> buttons;
  buttons.push_back({"Favorites ", tgDir, 2, 86, true, false, "Favorites (F11)"});
  buttons.push_back({"", tgDir, 92, 23, false, false, "My Documents"});
  buttons.push_back({"", tgDesktop, 116, 23, false, false, "Desktop"});
  const int panel = 146;
  driveLetters_ = DriveLetters();
  if (static_cast<int>(driveLetters_.size()) >= kMaxDriveButtons) driveLetters_.resize(kMaxDriveButtons - 1);
  for (size_t i = 0; i < driveLetters_.size(); ++i) {
    const std::string drive = std::string(1, driveLetters_[i]) + ":";
    const uint32_t type = DriveType(drive);
    TTreeToolButton button{drive, DriveGlyphOf(type), panel + static_cast<int>(i) * kDriveButtonStep,
                           kDriveButtonWidth, false, true, ""};
    if (type != 2 && type != 5) button.hint = DriveLabel(drive);
    buttons.push_back(button);
  }
  buttons.push_back({"/", tgNetEntry, panel + static_cast<int>(driveLetters_.size()) * kDriveButtonStep,
                     kDriveButtonWidth, false, true, "Network"});
  toolBar_.SetButtons(std::move(buttons));
}

void TfTree::Layout() {
  RECT client{};
  GetClientRect(Handle(), &client);
  const int w = client.right;
  const int h = client.bottom;
  MoveWindow(toolBar_.Handle(), 0, 0, w, TTreeToolBar::kHeight, TRUE);
  const int y = TTreeToolBar::kHeight;
  MoveWindow(addressLabel_, 6, y + 3, 54, 22, TRUE);
  const int volumeLeft = std::max(62, w - kVolumeWidth - 4);
  MoveWindow(address_, 62, y + 3, std::max(20, volumeLeft - 62 - 6), 240, TRUE);
  MoveWindow(volume_, volumeLeft, y + 3, kVolumeWidth, 22, TRUE);
  MoveWindow(find_, volumeLeft + 2, y + 5, kVolumeWidth - 4, 18, TRUE);
  SetWindowPos(find_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  const int viewTop = y + kAddressLineHeight;
  const int viewHeight = std::max(0, h - viewTop - TBtnStatusBar::kHeight);
  MoveWindow(view_.Handle(), 0, viewTop, w, viewHeight, TRUE);
  MoveWindow(statusBar_.Handle(), 0, h - TBtnStatusBar::kHeight, w, TBtnStatusBar::kHeight, TRUE);
}

int TfTree::ShowModal(HWND owner, const std::function<void()>& shown) {
  modalResult_ = 0;
  return RunModal(Handle(), owner, modalResult_, [&] {
    if (placement_.maximized) ShowWindow(Handle(), SW_MAXIMIZE);
    SetFocus(view_.Handle());
    if (shown) shown();
    if (IsWindowEnabled(Handle())) SetFocus(view_.Handle());
  });
}

void TfTree::Close(int result) {
  if (modalResult_ != 0) return;
  SavePlacement();
  view_.SaveTree();
  modalResult_ = result;
}

void TfTree::SavePlacement() {
  WINDOWPLACEMENT wp{};
  wp.length = sizeof wp;
  if (!GetWindowPlacement(Handle(), &wp)) return;
  TTreePlacement p;
  p.maximized = wp.showCmd == SW_SHOWMAXIMIZED || IsZoomed(Handle());
  p.left = wp.rcNormalPosition.left;
  p.top = wp.rcNormalPosition.top;
  p.width = wp.rcNormalPosition.right - wp.rcNormalPosition.left;
  p.height = wp.rcNormalPosition.bottom - wp.rcNormalPosition.top;
  ini_.WriteString("Window", "Tree", TreePlacementText(p));
  ini_.Flush();
}

std::string TfTree::AddressText() const {
  wchar_t text[1024] = {};
  GetWindowTextW(address_, text, 1024);
  return Narrow(text);
}

std::string TfTree::VolumeText() const {
  wchar_t text[256] = {};
  GetWindowTextW(volume_, text, 256);
  return Narrow(text);
}

bool TfTree::FindVisible() const { return IsWindowVisible(find_) != FALSE; }

std::string TfTree::FindText() const {
  wchar_t text[256] = {};
  GetWindowTextW(find_, text, 256);
  return Narrow(text);
}

// The view's events.

void TfTree::FolderViewChange() { SetWindowTextW(address_, Widen(view_.GetFolder()).c_str()); }

void TfTree::FolderViewSelect() {
  const std::string folder = view_.GetFolder();
  if (!folder.empty() && IsFolder(folder)) Close(mrOk);
}

void TfTree::FolderViewFindChange(const std::string& text) {
  std::wstring shown = L" " + Widen(text);
  CharUpperBuffW(shown.data(), static_cast<DWORD>(shown.size()));
  SetWindowTextW(find_, shown.c_str());
  ShowWindow(find_, text.empty() ? SW_HIDE : SW_SHOW);
}

void TfTree::FolderViewChangeDrive(const std::string& drive, uint32_t) {
  int index = -1;
  if (!drive.empty() && (drive[0] == '\\' || drive[0] == '/')) {
    index = static_cast<int>(driveLetters_.size());
  } else if (!drive.empty()) {
    const size_t at = driveLetters_.find(static_cast<char>(std::toupper(static_cast<unsigned char>(drive[0]))));
    if (at != std::string::npos) index = static_cast<int>(at);
  }
  pressedDrive_ = index < 0 ? -1 : kFirstDriveButton + index;
  toolBar_.SetDown(pressedDrive_);
  SetWindowTextW(volume_, Widen(drive.empty() ? std::string() : DriveLabel(drive)).c_str());
}

void TfTree::BeforeScan() {
  EnableWindow(Handle(), FALSE);
  scan_ = std::make_unique<TfScan>();
  scan_->Create(Handle());
}

void TfTree::Scan(const std::string& folder) {
  if (!scan_) return;
  scan_->Scanned(folder);
  scan_->Pump();
  if (scan_ && scan_->Cancelled()) view_.CancelScan();
}

void TfTree::AfterScan() {
  EnableWindow(Handle(), TRUE);
  if (scan_) scan_->Close();
  scan_.reset();
  if (IsWindowVisible(Handle())) {
    SetActiveWindow(Handle());
    SetFocus(view_.Handle());
  }
}

bool TfTree::FolderViewKeyDown(WPARAM key, bool system) {
  if (system) {
    switch (key) {
      case VK_RETURN: ShowFolderProperties(); break;
      case 'D': DeleteFolder(); break;
      case 'R': RenameFolder(); break;
      case 'K': NewFolder(); break;
      case 'S': view_.PartRefresh(); break;
      case 'F': view_.Refresh(); break;
      default: return false;
    }
    // The Alt+letter's WM_SYSCHAR would only beep.
    MSG pending;
    PeekMessageW(&pending, view_.Handle(), WM_SYSCHAR, WM_SYSCHAR, PM_REMOVE);
    return true;
  }
  if (CtrlHeld()) {
    switch (key) {
      case 'D': GoShellFolder("Desktop"); return true;
      case 'S': GoShellFolder("Start Menu"); return true;
      case 'W': GoShellFolder("Personal"); return true;
      default: return false;
    }
  }
  switch (key) {
    case VK_ESCAPE: Close(mrCancel); return true;
    case VK_F2: RenameFolder(); return true;
    case VK_F3: view_.FindNext(); return true;
    case VK_F5: view_.Refresh(); return true;
    case VK_F6: view_.PartRefresh(); return true;
    case VK_INSERT:
    case VK_F7: NewFolder(); return true;
    case VK_DELETE:
    case VK_F8: DeleteFolder(); return true;
    case VK_F9: ShowFolderProperties(); return true;
    case VK_F11: ShowFavorites(); return true;
    default: break;
  }
  if (key >= 'A' && key <= 'Z' && ShiftHeld() && !CapsLockOn()) {
    const size_t at = driveLetters_.find(static_cast<char>(key));
    if (at != std::string::npos) ChooseDriveButton(kFirstDriveButton + static_cast<int>(at));
    return true;
  }
  return false;
}

void TfTree::ChooseDriveButton(int index) {
  const int drive = index - kFirstDriveButton;
  if (drive < 0) return;
  if (drive < static_cast<int>(driveLetters_.size())) {
    view_.SetDrive(std::string(1, driveLetters_[drive]) + ":");
    // A drive that is not ready leaves the view where it was: its button goes down again.
    toolBar_.SetDown(pressedDrive_);
  } else {
    const std::string share = questions_.BrowseNetwork(view_.Drive());
    if (!share.empty()) view_.SetDrive(share);
    toolBar_.SetDown(pressedDrive_);
  }
  SetFocus(view_.Handle());
}

void TfTree::ToolBarClick(int index) {
  switch (index) {
    case 0: ShowFavorites(); break;
    case 1: GoShellFolder("Personal"); break;
    case 2: GoShellFolder("Desktop"); break;
    default: ChooseDriveButton(index); break;
  }
  if (IsWindowEnabled(Handle())) SetFocus(view_.Handle());
}

void TfTree::StatusBarClick(int index) {
  static const int commands[] = {cmRename, cmFindNext, cmFullRefresh, cmPartRefresh, cmNewFolder, cmDelete,
                                 cmProperties};
  if (index >= 0 && index < 7) RunCommand(commands[index]);
}

void TfTree::GoShellFolder(const char* name) {
  const std::string folder = ShellFolder(name);
  if (!folder.empty()) view_.SetFolder(folder);
}

void TfTree::ShowFolderProperties() {
  const std::string folder = view_.GetFolder();
  if (!folder.empty()) ShowProperties(folder);
}

void TfTree::ExpandCollapse(int command) {
  TTreeItems& items = view_.Items();
  TTreeItem* focus = view_.Focused();
  if (!focus) return;
  switch (command) {
    case cmExpandOne: focus->SetExpanded(true); break;
    case cmCollapseOne: focus->SetExpanded(false); break;
    case cmExpandRecursive: focus->Expand(true); break;
    case cmCollapseRecursive: focus->Collapse(true); break;
    case cmExpandAll:
    case cmCollapseAll:
      items.BeginUpdate();
      for (TTreeItem* child = items.Root ? items.Root->FirstChild : nullptr; child; child = child->NextSibling) {
        if (command == cmExpandAll) child->Expand(true);
        else child->Collapse(true);
      }
      items.EndUpdate();
      break;
    default: break;
  }
  // A focus left inside a collapsed folder moves to the folder that shows.
  TTreeItem* shown = view_.Focused();
  while (shown && !shown->IsVisible()) shown = shown->Parent;
  if (shown && shown != view_.Focused()) view_.SetFocused(shown);
}

void TfTree::RunCommand(int command) {
  switch (command) {
    case cmDelete: DeleteFolder(); break;
    case cmRename: RenameFolder(); break;
    case cmDesktop: GoShellFolder("Desktop"); break;
    case cmStartMenu: GoShellFolder("Start Menu"); break;
    case cmPersonal: GoShellFolder("Personal"); break;
    case cmProperties: ShowFolderProperties(); break;
    case cmClose: Close(mrCancel); break;
    case cmFavorites: ShowFavorites(); break;
    case cmNewFolder: NewFolder(); break;
    case cmExpandOne:
    case cmCollapseOne:
    case cmExpandRecursive:
    case cmCollapseRecursive:
    case cmExpandAll:
    case cmCollapseAll: ExpandCollapse(command); break;
    case cmPartRefresh: view_.PartRefresh(); break;
    case cmFullRefresh: view_.Refresh(); break;
    case cmFindNext: view_.FindNext(); break;
    case cmSelect: FolderViewSelect(); break;
    case cmToggle:
      if (TTreeItem* focus = view_.Focused()) focus->SetExpanded(!focus->Expanded);
      break;
    case cmAddFavorite: AddFavorite(); break;
    default:
      // The file as it is now: the menu may be older than the last addition.
      if (command >= cmFavoriteFirst) {
        LoadFavoriteItems();
        if (command < cmFavoriteFirst + static_cast<int>(favorites_.size()))
          view_.SetFolder(favorites_[command - cmFavoriteFirst].second);
      }
      break;
  }
}

// Folder management.

void TfTree::NewFolder() {
  TTreeItem* parent = view_.Focused();
  if (!parent) return;
  std::string name = "New Folder";
  while (questions_.AskText("New Folder", "Enter the folder name you want to create.", name, true, 0) == mrOk) {
    const std::string path = JoinPath(parent->GetPath(), name);
    if (CreateDirectoryW(Widen(path).c_str(), nullptr)) {
      TTreeItem* item = view_.Items().Add(parent, name);
      if (!item) item = view_.Items().FindChild(parent, name);
      if (item) view_.SetFocused(item);
      return;
    }
    questions_.Message(SystemErrorText(GetLastError()), "Error", mbOk, miStop);
  }
}

void TfTree::RenameFolder() {
  TTreeItem* item = view_.Focused();
  if (!item || !item->Parent) return;
  std::string name = item->Name;
  while (questions_.AskText("Rename", "Put new name you want to change to", name, true, 0) == mrOk) {
    const std::string from = item->GetPath();
    const std::string to = JoinPath(item->Parent->GetPath(), name);
    if (MoveFileW(Widen(from).c_str(), Widen(to).c_str())) {
      item->SetName(name);
      view_.Redraw();
      view_.SaveTree();
      FolderViewChange();
      return;
    }
    questions_.Message(SystemErrorText(GetLastError()), "", mbOk, miNone);
  }
}

void TfTree::DeleteFolder() {
  TTreeItem* item = view_.Focused();
  if (!item || !item->Parent) return;
  const std::string path = item->GetPath();
  const int answer = questions_.AskDelete(path + "\n\nAre you sure you want to send to RecycleBin?", 2, false);
  if (answer != mrYes && answer != mrAll) return;
  TFileDelete remover(Handle(), questions_, nullptr);
  remover.ShowProgress = false;
  remover.UseRecycleBin = answer == mrYes;
  remover.AddSource(path);
  const int32_t result = remover.Execute();
  if (result != 0 && result != 2 && result != 3) return;
  view_.Items().Delete(item);
  view_.SaveTree();
  view_.Redraw();
}

// Favourites.

void TfTree::LoadFavoriteItems() {
  favorites_.clear();
  for (const TFavorite& f : LoadFavorites(fs_, TAnsiCodePage::Instance(), programFolder_ + "favorite.dat"))
    favorites_.emplace_back(f.name, f.target);
}

void TfTree::ShowFavorites() {
  LoadFavoriteItems();
  HMENU menu = CreatePopupMenu();
  // The folder pictures go in the check-mark column, so every caption starts at one place.
  MENUINFO info{};
  info.cbSize = sizeof info;
  info.fMask = MIM_STYLE;
  info.dwStyle = MNS_CHECKORBMP;
  SetMenuInfo(menu, &info);
  for (size_t i = 0; i < favorites_.size() && i < kMaxFavoriteItems; ++i) {
    const int id = cmFavoriteFirst + static_cast<int>(i);
    AppendMenuW(menu, MF_STRING, id, Widen(MenuCaption(favorites_[i].first)).c_str());
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_BITMAP;
    item.hbmpItem = HBMMENU_CALLBACK;
    SetMenuItemInfoW(menu, id, FALSE, &item);
  }
  if (!favorites_.empty()) AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendItem(menu, cmAddFavorite, "Add Favorites");
  const RECT button = toolBar_.ButtonRect(0);
  POINT at{button.left, button.bottom};
  ClientToScreen(toolBar_.Handle(), &at);
  const int chosen = TrackMenu(menu, at, 0);
  if (chosen) RunCommand(chosen);
}

int TfTree::TrackMenu(HMENU menu, POINT screen, UINT flags) {
  menuLook_.Attach(menu, false);
  const int chosen = static_cast<int>(
      TrackPopupMenu(menu, flags | TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN, screen.x, screen.y, 0, Handle(), nullptr));
  HideFavoriteHint();
  menuLook_.Detach(menu);
  DestroyMenu(menu);
  return chosen;
}

// A favourite's hint is its path: shown beside the highlighted item, as a tool tip would.
void TfTree::MenuSelect(HMENU menu, UINT item, UINT flags) {
  const int index = static_cast<int>(item) - cmFavoriteFirst;
  if (!menu || (flags & MF_POPUP) || index < 0 || index >= static_cast<int>(favorites_.size()) ||
      index >= kMaxFavoriteItems) {
    HideFavoriteHint();
    return;
  }
  RECT itemRect{};
  if (!GetMenuItemRect(nullptr, menu, static_cast<UINT>(index), &itemRect)) return;
  if (!favoriteHint_) {
    favoriteHint_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                    0, 0, 0, 0, Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_TRACK | TTF_ABSOLUTE;
    tool.hwnd = Handle();
    tool.uId = 1;
    tool.lpszText = const_cast<wchar_t*>(L"");
    SendMessageW(favoriteHint_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
  std::wstring path = Widen(favorites_[static_cast<size_t>(index)].second);
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.hwnd = Handle();
  tool.uId = 1;
  tool.lpszText = path.data();
  SendMessageW(favoriteHint_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
  SendMessageW(favoriteHint_, TTM_TRACKPOSITION, 0, MAKELPARAM(itemRect.right + 4, itemRect.top));
  SendMessageW(favoriteHint_, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
}

void TfTree::HideFavoriteHint() {
  if (!favoriteHint_) return;
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.hwnd = Handle();
  tool.uId = 1;
  SendMessageW(favoriteHint_, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
}

void TfTree::AddFavorite() {
  const std::string folder = view_.GetFolder();
  if (folder.empty()) return;
  std::string name = ProposedFavoriteName(folder);
  if (name.empty()) name = folder;
  if (questions_.AskText("Add Favorites", "\"" + folder + "\"\n\nDisplay Name", name, true, 0) != mrOk) return;
  const uint32_t error = AppendFavorite(fs_, TAnsiCodePage::Instance(), programFolder_ + "favorite.dat", name, folder);
  if (error) questions_.ShowError(error, "Error", true);
}

void TfTree::FolderViewContextMenu(int x, int y) {
  TTreeItem* focus = view_.Focused();
  if (!focus) return;
  HMENU menu = CreatePopupMenu();
  AppendItem(menu, cmSelect, "&Select");
  if (focus->HasChildren()) AppendItem(menu, cmToggle, focus->Expanded ? "&Collapse" : "E&xpand");
  AppendItem(menu, cmRename, "&Rename");
  AppendItem(menu, cmDelete, "&Delete");
  AppendItem(menu, cmPartRefresh, "Part Re&fresh");
  AppendItem(menu, cmAddFavorite, "&Add to Favorites");
  AppendItem(menu, cmProperties, "Prop&erties");
  POINT at{x, y};
  ClientToScreen(view_.Handle(), &at);
  const int chosen = TrackMenu(menu, at, TPM_RIGHTBUTTON);
  if (chosen) RunCommand(chosen);
}

void TfTree::AddressEnter() {
  const std::string text = AddressText();
  if (!text.empty() && IsFolder(text)) {
    view_.SetFolder(text);
    SetFocus(view_.Handle());
  }
}

LRESULT CALLBACK TfTree::AddressEditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                         DWORD_PTR self) {
  auto* window = reinterpret_cast<TfTree*>(self);
  if (message == WM_KEYDOWN && wParam == VK_RETURN) {
    window->AddressEnter();
    return 0;
  }
  if (message == WM_KEYDOWN && wParam == VK_ESCAPE) {
    window->FolderViewChange();
    SetFocus(window->view_.Handle());
    return 0;
  }
  if (message == WM_CHAR && (wParam == '\r' || wParam == 27)) return 0;
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

LRESULT TfTree::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      Layout();
      return 0;
    case WM_ERASEBKGND: {
      RECT client{};
      GetClientRect(Handle(), &client);
      FillRect(reinterpret_cast<HDC>(wParam), &client, GetSysColorBrush(COLOR_BTNFACE));
      return 1;
    }
    case WM_CTLCOLORSTATIC:
      if (reinterpret_cast<HWND>(lParam) == find_) {
        SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOW));
        SetTextColor(reinterpret_cast<HDC>(wParam), RGB(0, 0, 0xFF));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
      }
      SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_BTNFACE));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    case WM_COMMAND:
      if (lParam == 0) RunCommand(LOWORD(wParam));
      return 0;
    case WM_MEASUREITEM: {
      auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      if (wParam == 0 && menuLook_.Measure(*measure)) return TRUE;
      if (measure->CtlType == ODT_MENU) {
        measure->itemWidth = 16;
        measure->itemHeight = 16;
        return TRUE;
      }
      break;
    }
    case WM_DRAWITEM: {
      auto* draw = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
      if (wParam == 0 && menuLook_.Draw(*draw)) return TRUE;
      if (draw->CtlType == ODT_MENU) {
        DrawTreeGlyph(draw->hDC, tgDir, draw->rcItem.left,
                      draw->rcItem.top + (draw->rcItem.bottom - draw->rcItem.top - 16) / 2);
        return TRUE;
      }
      break;
    }
    case WM_MENUCHAR:
      return menuLook_.MenuChar(static_cast<wchar_t>(LOWORD(wParam)), HIWORD(wParam), reinterpret_cast<HMENU>(lParam));
    case WM_MENUSELECT:
      MenuSelect(reinterpret_cast<HMENU>(lParam), LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_EXITMENULOOP:
      HideFavoriteHint();
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && IsWindowEnabled(Handle()) && view_.Handle()) SetFocus(view_.Handle());
      return 0;
    case WM_CLOSE:
      Close(mrCancel);
      return 0;
    default:
      break;
  }
  return DefaultHandling(message, wParam, lParam);
}

std::string BrowseFolderTree(HWND owner, IQuestions& questions, const std::string& programFolder,
                             const std::string& drive, const std::vector<std::string>* openFolders,
                             const std::string& caption, const std::string& startFolder) {
  TfTree window(questions, programFolder);
  if (!window.Create(owner, caption.empty() ? "Folder Tree" : caption)) return {};
  if (openFolders) window.FolderView().OpenFolders = *openFolders;
  std::string chosen;
  const int result = window.ShowModal(owner, [&] {
    if (startFolder.empty()) window.FolderView().SetDrive(drive.empty() ? std::string("C:") : drive);
    else window.FolderView().SetFolder(startFolder);
  });
  if (result == mrOk) chosen = window.FolderView().GetFolder();
  return chosen;
}

}  // namespace quill
