#include "drivewin/DriveWindow.h"

#include <winnetwk.h>

#include <algorithm>
#include <iterator>

#include "base/Path.h"
#include "drivewin/ModalLoop.h"
#include "drivewin/NetworkWindow.h"
#include "fileview/ShellUtils.h"
#include "messages/Messages.h"
#include "platform/Handle.h"
#include "platform/StringTable.h"
#include "platform/Utf16.h"
#include "platform/Win32FileSystem.h"

namespace quill {

namespace {

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME;
constexpr int kListId = 1;
constexpr int kToolBarId = 2;
constexpr int kStatusBarId = 3;
constexpr COLORREF kColumnLine = RGB(0xC0, 0xC0, 0xC0);
constexpr int kLineFromRight = 74;
constexpr int kSizeFromRight = 20;
constexpr int kGlyphX = 6, kGlyphY = 2, kIdX = 26, kLabelX = 42;

struct TToolButton {
  TfDrive::TCommand command;
  TGlyph glyph;
  const wchar_t* hint;
};

constexpr TToolButton kToolButtons[] = {
    {TfDrive::cmRefresh, glRefresh, L"Refresh (F2)"},
    {TfDrive::cmProperties, glProperties, L"Properties (F9)"},
    {TfDrive::cmFormat, glFormat, L"Format (F11)"},
    {TfDrive::cmMapNetwork, glMapNetwork, L"Map Network Drive (F3)"},
    {TfDrive::cmDisconnect, glDisconnect, L"Disconnect Network Drive (F4)"},
};

std::string StringTableText(int id) { return LoadText(static_cast<unsigned>(id)); }

int HeightOf(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  return r.bottom - r.top;
}

void DrawRowText(HDC dc, const std::string& text, RECT r, UINT align) {
  const std::wstring wide = Widen(text);
  DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &r,
            align | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
}

}  // namespace

TDriveSources TDriveSources::System() {
  return {&TWin32FileSystem::Instance(), [](const std::string& root) { return DiskSize(root); }};
}

TfDrive::TfDrive(TDriveSources sources) : sources_(std::move(sources)) {
  if (!sources_.fs) sources_.fs = &TWin32FileSystem::Instance();
}

int TfDrive::ShowModal(HWND owner, std::string& value, const std::array<std::string, 3>* workFolders,
                       const TDialogPlace& place, const std::string& hidden) {
  value_ = value;
  hidden_ = hidden;
  workFolders_ = workFolders;
  modalResult_ = 0;
  if (!Create(owner)) return mrCancel;
  FillList();
  RECT outer{};
  GetWindowRect(Handle(), &outer);
  const POINT at = place.centred ? CentredOver(owner, outer.right - outer.left, outer.bottom - outer.top)
                                 : POINT{place.left, place.top};
  SetWindowPos(Handle(), nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  const int result = RunModal(Handle(), owner, modalResult_);
  if (result == mrOk) value = value_;
  DestroyWindow(Handle());
  list_ = toolBar_ = statusBar_ = nullptr;
  toolImages_.reset();
  items_.clear();
  return result;
}

bool TfDrive::Create(HWND owner) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  RECT frame{0, 0, kClientWidth, kMinDriveClientHeight};
  AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
  if (!CreateHandle(L"QuillDriveWindow", kStyle, kExStyle, L"Select Drive", CW_USEDEFAULT, CW_USEDEFAULT,
                    frame.right - frame.left, frame.bottom - frame.top, owner))
    return false;
  HINSTANCE instance = GetModuleHandleW(nullptr);
  const auto font = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
  CreateToolBar();
  statusBar_ = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, Handle(),
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(kStatusBarId)), instance, nullptr);
  SendMessageW(statusBar_, WM_SETFONT, font, FALSE);
  // A data-less list: the rows live in items_ and are drawn from there.
  list_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", nullptr,
                          WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_OWNERDRAWFIXED |
                              LBS_NODATA | LBS_NOINTEGRALHEIGHT,
                          0, 0, 0, 0, Handle(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListId)), instance,
                          nullptr);
  if (!toolBar_ || !statusBar_ || !list_) return false;
  SendMessageW(list_, WM_SETFONT, font, FALSE);
  SendMessageW(list_, LB_SETITEMHEIGHT, 0, kDriveRowHeight);
  SetWindowSubclass(list_, ListProc, 1, reinterpret_cast<DWORD_PTR>(this));
  return true;
}

void TfDrive::CreateToolBar() {
  toolBar_ = CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                             WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_TOP | CCS_NODIVIDER, 0, 0,
                             0, 0, Handle(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kToolBarId)),
                             GetModuleHandleW(nullptr), nullptr);
  if (!toolBar_) return;
  toolImages_ = std::make_unique<TToolImages>(
      std::initializer_list<TGlyph>{glRefresh, glProperties, glFormat, glMapNetwork, glDisconnect});
  SendMessageW(toolBar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  SendMessageW(toolBar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(toolImages_->Normal()));
  SendMessageW(toolBar_, TB_SETDISABLEDIMAGELIST, 0, reinterpret_cast<LPARAM>(toolImages_->Disabled()));
  // Refresh and properties, the format button, then the two network buttons.
  TBBUTTON buttons[7] = {};
  int n = 0;
  for (size_t i = 0; i < std::size(kToolButtons); ++i) {
    if (i == 2 || i == 3) buttons[n++] = {0, 0, TBSTATE_ENABLED, BTNS_SEP, {}, 0, 0};
    buttons[n++] = {static_cast<int>(i), kToolButtons[i].command, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0};
  }
  SendMessageW(toolBar_, TB_ADDBUTTONSW, n, reinterpret_cast<LPARAM>(buttons));
  SendMessageW(toolBar_, TB_AUTOSIZE, 0, 0);
}

void TfDrive::FillList() {
  items_ = BuildDriveItems(*sources_.fs, sources_.diskSize, workFolders_, hidden_);
  SendMessageW(list_, LB_SETCOUNT, items_.size(), 0);
  FitHeight();
  SelectRow(items_.empty() ? -1 : PreselectedRow(items_, value_));
  InvalidateRect(list_, nullptr, TRUE);
}

void TfDrive::FitHeight() {
  // Both bars take their height from their font when they are sized.
  SendMessageW(toolBar_, TB_AUTOSIZE, 0, 0);
  SendMessageW(statusBar_, WM_SIZE, 0, 0);
  const int toolBarHeight = HeightOf(toolBar_);
  const int statusHeight = HeightOf(statusBar_);
  const int clientHeight = DriveClientHeight(static_cast<int>(items_.size()), toolBarHeight, statusHeight);
  RECT frame{0, 0, kClientWidth, clientHeight};
  AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
  SetWindowPos(Handle(), nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT client{};
  GetClientRect(Handle(), &client);
  SendMessageW(statusBar_, WM_SIZE, 0, 0);
  MoveWindow(list_, 0, toolBarHeight, client.right, client.bottom - toolBarHeight - statusHeight, TRUE);
}

int TfDrive::Selected() const {
  if (!list_) return -1;
  const auto row = static_cast<int>(SendMessageW(list_, LB_GETCURSEL, 0, 0));
  return row >= 0 && row < static_cast<int>(items_.size()) ? row : -1;
}

std::string TfDrive::StatusText() const {
  wchar_t text[1024] = {};
  if (statusBar_) GetWindowTextW(statusBar_, text, 1024);
  return Narrow(text);
}

bool TfDrive::CommandEnabled(TCommand command) const {
  return toolBar_ && SendMessageW(toolBar_, TB_ISBUTTONENABLED, command, 0) != 0;
}

void TfDrive::SelectRow(int row) {
  SendMessageW(list_, LB_SETCURSEL, row, 0);
  SelectionChanged();
}

void TfDrive::SelectionChanged() {
  const int row = Selected();
  const TDriveItem* item = row >= 0 ? &items_[row] : nullptr;
  SendMessageW(toolBar_, TB_ENABLEBUTTON, cmFormat, MAKELPARAM(item && CanFormatRow(*item), 0));
  SendMessageW(toolBar_, TB_ENABLEBUTTON, cmDisconnect, MAKELPARAM(item && CanDisconnectRow(*item), 0));
  SetWindowTextW(statusBar_, Widen(item ? DriveStatusText(*item) : std::string()).c_str());
}

void TfDrive::Choose() {
  const int row = Selected();
  if (row < 0) {
    Close(mrOk);
    return;
  }
  ChooseRow(row);
}

void TfDrive::ChooseRow(int row) {
  // A copy: the network browser's dialogs may end in a refresh of the rows.
  const TDriveItem item = items_[row];
  if (item.IsNetworkRow()) {
    const std::string share = BrowseNetwork(Handle(), DrivePart(value_));
    if (share.empty()) return;
    value_ = share;
  } else if (item.IsWorkFolder()) {
    value_ = item.Label;
  } else {
    const char letter = item.Id[0];
    std::string label;
    if (!sources_.fs->VolumeLabel(DriveRoot(item.Id), label)) {
      constexpr uint32_t kErrorNotReady = 21;
      const std::string text = std::string(1, letter) + ErrorText(kErrorNotReady, StringTableText);
      MessageBoxW(Handle(), Widen(text).c_str(), Widen(TextOf(StringTableText, kTextError)).c_str(),
                  MB_OK | MB_ICONSTOP);
      return;
    }
    value_ = std::string(1, letter);
  }
  Close(mrOk);
}

LRESULT TfDrive::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_MEASUREITEM:
      reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = kDriveRowHeight;
      return TRUE;
    case WM_DRAWITEM:
      ListBoxDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_COMMAND:
      if (reinterpret_cast<HWND>(lParam) == list_ && list_) {
        if (HIWORD(wParam) == LBN_SELCHANGE) SelectionChanged();
        else if (HIWORD(wParam) == LBN_DBLCLK) Choose();
      } else if (reinterpret_cast<HWND>(lParam) == toolBar_ && toolBar_) {
        ToolButtonClick(LOWORD(wParam));
      }
      return 0;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (header->code == TTN_GETDISPINFOW) {
        auto* info = reinterpret_cast<NMTTDISPINFOW*>(lParam);
        for (const TToolButton& button : kToolButtons)
          if (static_cast<UINT_PTR>(button.command) == header->idFrom) info->lpszText = const_cast<wchar_t*>(button.hint);
      }
      return 0;
    }
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && list_) SetFocus(list_);
      return 0;
    case WM_SETFOCUS:
      if (list_) SetFocus(list_);
      return 0;
    case WM_ERASEBKGND: {
      RECT client{};
      GetClientRect(Handle(), &client);
      FillRect(reinterpret_cast<HDC>(wParam), &client, GetSysColorBrush(COLOR_BTNFACE));
      return 1;
    }
    case WM_CLOSE:
      Close(mrCancel);
      return 0;
    default:
      return DefaultHandling(message, wParam, lParam);
  }
}

LRESULT CALLBACK TfDrive::ListProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self) {
  if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(hwnd, ListProc, 1);
    return DefSubclassProc(hwnd, message, wParam, lParam);
  }
  // Exceptions must not unwind through the list box's own procedure.
  try {
    return reinterpret_cast<TfDrive*>(self)->ListMessage(hwnd, message, wParam, lParam);
  } catch (const std::exception& e) {
    ReportException(GetParent(hwnd), e.what());
  } catch (...) {
    ReportException(GetParent(hwnd), nullptr);
  }
  return 0;
}

LRESULT TfDrive::ListMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_KEYDOWN:
      if (ListBoxKeyDown(wParam)) return 0;
      break;
    case WM_CHAR:
      ListBoxChar(static_cast<wchar_t>(wParam));
      return 0;
    case WM_ERASEBKGND:
      ListBoxEraseBackground(reinterpret_cast<HDC>(wParam));
      return 1;
    default:
      break;
  }
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

bool TfDrive::ListBoxKeyDown(WPARAM key) {
  switch (key) {
    case VK_RETURN: Choose(); return true;
    case VK_ESCAPE: Close(mrCancel); return true;
    case VK_F2: RefreshClick(); return true;
    case VK_F3: MapNetworkClick(); return true;
    case VK_F4: DisconnectClick(); return true;
    case VK_F9: PropertiesClick(); return true;
    case VK_F11: FormatClick(); return true;
    default: return false;
  }
}

void TfDrive::ListBoxChar(wchar_t ch) {
  if (ch >= 0x80) return;
  const int row = RowForKey(items_, static_cast<char>(ch));
  if (row < 0) return;
  SelectRow(row);
  ChooseRow(row);
}

void TfDrive::ToolButtonClick(int command) {
  switch (command) {
    case cmRefresh: RefreshClick(); break;
    case cmProperties: PropertiesClick(); break;
    case cmFormat: FormatClick(); break;
    case cmMapNetwork: MapNetworkClick(); break;
    case cmDisconnect: DisconnectClick(); break;
    default: break;
  }
  if (list_) SetFocus(list_);
}

void TfDrive::PropertiesClick() {
  const int row = Selected();
  if (row < 0) return;
  const TDriveItem& item = items_[row];
  if (item.IsWorkFolder()) ShowProperties(item.Label);
  else if (item.IsDrive()) ShowProperties(DriveRoot(item.Id));
}

void TfDrive::FormatClick() {
  const int row = Selected();
  if (row < 0 || !CanFormatRow(items_[row])) return;
  // Not a quick format: option value 0 on NT-based systems, the full-format bit elsewhere.
  FormatDrive(Handle(), items_[row].Id[0], false);
}

void TfDrive::MapNetworkClick() {
  if (WNetConnectionDialog(Handle(), RESOURCETYPE_DISK) == NO_ERROR) FillList();
}

void TfDrive::DisconnectClick() {
  if (!CommandEnabled(cmDisconnect)) return;
  if (WNetDisconnectDialog(Handle(), RESOURCETYPE_DISK) == NO_ERROR) FillList();
}

void TfDrive::ListBoxDrawItem(const DRAWITEMSTRUCT& draw) {
  if (draw.hwndItem != list_) return;
  HDC dc = draw.hDC;
  const RECT& r = draw.rcItem;
  const int row = static_cast<int>(draw.itemID);
  if (row < 0 || row >= static_cast<int>(items_.size())) return;
  const TDriveItem& item = items_[row];
  const bool selected = (draw.itemState & ODS_SELECTED) != 0;
  FillRect(dc, &r, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  DrawGlyph(dc, GlyphNamed(DriveGlyphName(item)), r.left + kGlyphX, r.top + kGlyphY);

  TSelectObject font(dc, GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  const int lineX = r.right - kLineFromRight;
  DrawRowText(dc, item.Id, {r.left + kIdX, r.top, r.left + kLabelX, r.bottom}, DT_LEFT);
  DrawRowText(dc, FileNamePart(item.Label), {r.left + kLabelX, r.top, lineX - 2, r.bottom}, DT_LEFT);
  if (item.DriveType == kDriveFixed && item.Size != 0)
    DrawRowText(dc, DriveSizeText(item.Size), {lineX + 2, r.top, r.right - kSizeFromRight, r.bottom}, DT_RIGHT);

  TBrushHandle line(CreateSolidBrush(kColumnLine));
  const RECT lineRect{lineX, r.top, lineX + 1, r.bottom};
  FillRect(dc, &lineRect, line.Get());
  if (draw.itemState & ODS_FOCUS) DrawFocusRect(dc, &r);
}

void TfDrive::ListBoxEraseBackground(HDC dc) {
  RECT client{};
  GetClientRect(list_, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
  TBrushHandle line(CreateSolidBrush(kColumnLine));
  const RECT lineRect{client.right - kLineFromRight, client.top, client.right - kLineFromRight + 1, client.bottom};
  FillRect(dc, &lineRect, line.Get());
}

int ChooseDrive(HWND owner, std::string& value, const std::array<std::string, 3>& workFolders,
                const TDialogPlace& place, const std::string& hidden) {
  TfDrive window;
  return window.ShowModal(owner, value, &workFolders, place, hidden);
}

}  // namespace quill
