#include "drivewin/DriveWindow.h"

#include <winnetwk.h>

#include <algorithm>
#include <iterator>

#include "base/Path.h"
#include "drivewin/NetworkWindow.h"
#include "fileview/ShellUtils.h"
#include "messages/Centring.h"
#include "messages/MessageBox.h"
#include "messages/Messages.h"
#include "platform/Handle.h"
#include "platform/StringTable.h"
#include "platform/Utf16.h"
#include "platform/Win32FileSystem.h"
#include "ui/ModalLoop.h"

namespace quill {

namespace {

constexpr COLORREF kColumnLine = RGB(0xC0, 0xC0, 0xC0);
constexpr int kLineFromRight = 74;
constexpr int kSizeFromRight = 20;
constexpr int kGlyphX = 6, kGlyphY = 2, kIdX = 26, kLabelX = 42;

// Refresh and properties, the format button, then the two network buttons.
const std::vector<TToolFrame::TToolButton>& ToolButtons() {
  static const std::vector<TToolFrame::TToolButton> buttons = {
      {TfDrive::cmRefresh, glRefresh, nullptr, L"Refresh (F2)", false},
      {TfDrive::cmProperties, glProperties, nullptr, L"Properties (F9)", false},
      {TfDrive::cmFormat, glFormat, nullptr, L"Format (F11)", true},
      {TfDrive::cmMapNetwork, glMapNetwork, nullptr, L"Map Network Drive (F3)", true},
      {TfDrive::cmDisconnect, glDisconnect, nullptr, L"Disconnect Network Drive (F4)", false},
  };
  return buttons;
}

std::string StringTableText(int id) { return LoadText(static_cast<unsigned>(id)); }

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
  if (!CreateFrame(owner, L"QuillDriveWindow", L"Select Drive", kClientWidth, kMinDriveClientHeight, ToolButtons(),
                   kDriveRowHeight))
    return mrCancel;
  FillList();
  RECT outer{};
  GetWindowRect(Handle(), &outer);
  const POINT at = place.centred ? CentredOver(owner, outer.right - outer.left, outer.bottom - outer.top)
                                 : POINT{place.left, place.top};
  const int result = RunFrame(owner, at);
  if (result == mrOk) value = value_;
  items_.clear();
  return result;
}

void TfDrive::FillList() {
  items_ = BuildDriveItems(*sources_.fs, sources_.diskSize, workFolders_, hidden_);
  SendMessageW(List(), LB_SETCOUNT, items_.size(), 0);
  FitHeight();
  SelectRow(items_.empty() ? -1 : PreselectedRow(items_, value_));
  InvalidateRect(List(), nullptr, TRUE);
}

void TfDrive::FitHeight() {
  const TBarHeights bars = BarHeights();
  SetClientHeight(DriveClientHeight(static_cast<int>(items_.size()), bars.toolBar, bars.statusBar));
}

int TfDrive::Selected() const {
  if (!List()) return -1;
  const auto row = static_cast<int>(SendMessageW(List(), LB_GETCURSEL, 0, 0));
  return row >= 0 && row < static_cast<int>(items_.size()) ? row : -1;
}

void TfDrive::SelectRow(int row) {
  SendMessageW(List(), LB_SETCURSEL, row, 0);
  SelectionChanged();
}

void TfDrive::SelectionChanged() {
  const int row = Selected();
  const TDriveItem* item = row >= 0 ? &items_[row] : nullptr;
  EnableCommand(cmFormat, item && CanFormatRow(*item));
  EnableCommand(cmDisconnect, item && CanDisconnectRow(*item));
  SetStatusText(item ? DriveStatusText(*item) : std::string());
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
      MessageText(Handle(), text, TextOf(StringTableText, kTextError), mbOk, miStop);
      return;
    }
    value_ = std::string(1, letter);
  }
  Close(mrOk);
}

LRESULT TfDrive::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DRAWITEM:
      ListBoxDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_COMMAND:
      if (reinterpret_cast<HWND>(lParam) == List() && List()) {
        if (HIWORD(wParam) == LBN_SELCHANGE) SelectionChanged();
        else if (HIWORD(wParam) == LBN_DBLCLK) Choose();
      } else if (reinterpret_cast<HWND>(lParam) == ToolBar() && ToolBar()) {
        ToolButtonClick(LOWORD(wParam));
      }
      return 0;
    default:
      return TToolFrame::HandleMessage(message, wParam, lParam);
  }
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
  return TToolFrame::ListMessage(hwnd, message, wParam, lParam);
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
  if (List()) SetFocus(List());
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
  TFocusKeeper focus;
  FormatDrive(Handle(), items_[row].Id[0], false);
}

void TfDrive::MapNetworkClick() {
  TFocusKeeper focus;
  if (WNetConnectionDialog(Handle(), RESOURCETYPE_DISK) == NO_ERROR) FillList();
}

void TfDrive::DisconnectClick() {
  if (!CommandEnabled(cmDisconnect)) return;
  TFocusKeeper focus;
  if (WNetDisconnectDialog(Handle(), RESOURCETYPE_DISK) == NO_ERROR) FillList();
}

void TfDrive::ListBoxDrawItem(const DRAWITEMSTRUCT& draw) {
  if (draw.hwndItem != List()) return;
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
  GetClientRect(List(), &client);
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
