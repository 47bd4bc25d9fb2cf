#include "app/NavigationBar.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <vector>

#include "messages/Messages.h"
#include "platform/Utf16.h"

namespace quill {

namespace {
constexpr int kImage = 16;
constexpr COLORREF kMaskColor = RGB(255, 0, 255);
constexpr int kWorkWidth = 22;
constexpr int kButtons = 5;
constexpr int kToolbarWidth = kButtons * 23 + 4 * 12;  // five buttons, four with drop-down arrows
const wchar_t* const kTips[] = {L"Back", L"Forward", L"Up One Level", L"Favorites", L"Views"};
constexpr UINT kFirstButtonId = 100;

// The button images, drawn here rather than shipped: Back, Forward, Up, Favorites, Views.
void DrawImages(HDC dc) {
  RECT all{0, 0, kButtons * kImage, kImage};
  HBRUSH mask = CreateSolidBrush(kMaskColor);
  FillRect(dc, &all, mask);
  DeleteObject(mask);
  HBRUSH green = CreateSolidBrush(RGB(0, 128, 0));
  HBRUSH blue = CreateSolidBrush(RGB(0, 64, 192));
  HBRUSH gold = CreateSolidBrush(RGB(230, 170, 0));
  HPEN dark = CreatePen(PS_SOLID, 1, RGB(0, 64, 0));
  HGDIOBJ oldPen = SelectObject(dc, dark);
  auto polygon = [&](HBRUSH brush, std::initializer_list<POINT> points) {
    HGDIOBJ old = SelectObject(dc, brush);
    std::vector<POINT> p(points);
    Polygon(dc, p.data(), static_cast<int>(p.size()));
    SelectObject(dc, old);
  };
  polygon(green, {{1, 8}, {8, 1}, {8, 5}, {14, 5}, {14, 11}, {8, 11}, {8, 15}});
  polygon(green, {{16 + 14, 8}, {16 + 7, 1}, {16 + 7, 5}, {16 + 1, 5}, {16 + 1, 11}, {16 + 7, 11}, {16 + 7, 15}});
  polygon(blue, {{32 + 8, 1}, {32 + 15, 8}, {32 + 11, 8}, {32 + 11, 14}, {32 + 5, 14}, {32 + 5, 8}, {32 + 1, 8}});
  polygon(gold, {{48 + 8, 0}, {48 + 10, 5}, {48 + 15, 6}, {48 + 11, 10}, {48 + 12, 15}, {48 + 8, 12}, {48 + 4, 15},
                 {48 + 5, 10}, {48 + 1, 6}, {48 + 6, 5}});
  // Views: four rows of a list, each a small square and a line.
  HBRUSH grey = CreateSolidBrush(RGB(64, 64, 64));
  for (int row = 0; row < 4; ++row) {
    const int y = 2 + row * 4;
    RECT square{64 + 1, y, 64 + 4, y + 3};
    RECT line{64 + 6, y + 1, 64 + 15, y + 2};
    FillRect(dc, &square, blue);
    FillRect(dc, &line, grey);
  }
  DeleteObject(grey);
  SelectObject(dc, oldPen);
  DeleteObject(dark);
  DeleteObject(green);
  DeleteObject(blue);
  DeleteObject(gold);
}
}  // namespace

void TNavigationBar::BuildImages() {
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), kButtons * kImage, -kImage, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, bitmap);
  DrawImages(dc);
  GdiFlush();
  SelectObject(dc, old);
  images_ = ImageList_Create(kImage, kImage, ILC_COLOR24 | ILC_MASK, kButtons, 0);
  ImageList_AddMasked(images_, bitmap, kMaskColor);
  // Disabled buttons show the same images greyed by the program's own rule, not the system's
  // embossing.
  const uint32_t transparent = (GetRValue(kMaskColor) << 16) | (GetGValue(kMaskColor) << 8) | GetBValue(kMaskColor);
  GreyPixels(static_cast<uint32_t*>(bits), kButtons * kImage * kImage, transparent);
  greyImages_ = ImageList_Create(kImage, kImage, ILC_COLOR24 | ILC_MASK, kButtons, 0);
  ImageList_AddMasked(greyImages_, bitmap, kMaskColor);
  DeleteObject(bitmap);
  DeleteDC(dc);
}

bool TNavigationBar::Create(HWND parent) {
  if (!CreateHandle(L"QuillNavigationBar", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, L"", 0, 0, 100,
                    kHeight, parent))
    return false;
  HINSTANCE instance = GetModuleHandleW(nullptr);
  toolbar_ = CreateWindowExW(0, TOOLBARCLASSNAMEW, L"",
                             WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_NORESIZE | CCS_NODIVIDER |
                                 CCS_NOPARENTALIGN,
                             0, 1, kToolbarWidth, kHeight - 2, Handle(), nullptr, instance, nullptr);
  SendMessageW(toolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  SendMessageW(toolbar_, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
  BuildImages();
  SendMessageW(toolbar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_));
  SendMessageW(toolbar_, TB_SETDISABLEDIMAGELIST, 0, reinterpret_cast<LPARAM>(greyImages_));
  TBBUTTON buttons[kButtons] = {};
  const BYTE styles[kButtons] = {BTNS_DROPDOWN, BTNS_DROPDOWN, BTNS_BUTTON, BTNS_WHOLEDROPDOWN, BTNS_WHOLEDROPDOWN};
  for (int i = 0; i < kButtons; ++i) {
    buttons[i].iBitmap = i;
    buttons[i].idCommand = static_cast<int>(kFirstButtonId + i);
    buttons[i].fsState = TBSTATE_ENABLED;
    buttons[i].fsStyle = styles[i];
  }
  SendMessageW(toolbar_, TB_ADDBUTTONSW, kButtons, reinterpret_cast<LPARAM>(buttons));
  SIZE size{};
  SendMessageW(toolbar_, TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&size));
  workLeft_ = (size.cx > 0 ? size.cx : kToolbarWidth) + 6;

  // The list is drawn here: the system's rows are exactly one text line high, cramped, with the
  // text at the top of taller ones.
  combo_ = CreateWindowExW(0, WC_COMBOBOXW, L"",
                           WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL | CBS_OWNERDRAWFIXED |
                               CBS_HASSTRINGS,
                           0, 2, 100, 300, Handle(), nullptr, instance, nullptr);
  SendMessageW(combo_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  COMBOBOXINFO info{sizeof info};
  if (GetComboBoxInfo(combo_, &info)) edit_ = info.hwndItem;
  if (edit_) SetWindowSubclass(edit_, EditProc, 1, reinterpret_cast<DWORD_PTR>(this));

  tips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0, Handle(),
                          nullptr, instance, nullptr);
  for (int slot = 0; slot < 3; ++slot) {
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_SUBCLASS;
    tool.hwnd = Handle();
    tool.uId = static_cast<UINT_PTR>(slot + 1);
    tool.rect = WorkFolderRect(slot);
    tool.lpszText = LPSTR_TEXTCALLBACKW;
    SendMessageW(tips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    workColor_[slot] = GetSysColor(COLOR_WINDOWTEXT);
    workHint_[slot] = "Work Folder";
  }
  addressColor_ = GetSysColor(COLOR_WINDOWTEXT);
  RECT client;
  GetClientRect(Handle(), &client);
  Layout(client.right);
  return true;
}

void TNavigationBar::EnableButton(TNavButton button, bool enabled) {
  SendMessageW(toolbar_, TB_ENABLEBUTTON, kFirstButtonId + button, MAKELONG(enabled ? TRUE : FALSE, 0));
}

bool TNavigationBar::ButtonEnabled(TNavButton button) const {
  return SendMessageW(toolbar_, TB_ISBUTTONENABLED, kFirstButtonId + button, 0) != 0;
}

RECT TNavigationBar::ButtonRect(TNavButton button) const {
  RECT r{};
  SendMessageW(toolbar_, TB_GETRECT, kFirstButtonId + button, reinterpret_cast<LPARAM>(&r));
  MapWindowPoints(toolbar_, Handle(), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void TNavigationBar::SetAddress(const std::string& text, COLORREF color) {
  SetWindowTextW(combo_, Widen(text).c_str());
  addressColor_ = color;
  if (edit_) InvalidateRect(edit_, nullptr, TRUE);
}

std::string TNavigationBar::Address() const {
  const int length = GetWindowTextLengthW(combo_);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  GetWindowTextW(combo_, text.data(), length + 1);
  text.resize(static_cast<size_t>(length));
  return Narrow(text);
}

void TNavigationBar::SetWorkFolder(int slot, COLORREF color, const std::string& hint) {
  if (slot < 0 || slot > 2) return;
  workColor_[slot] = color;
  workHint_[slot] = hint;
  const RECT r = WorkFolderRect(slot);
  InvalidateRect(Handle(), &r, FALSE);
}

RECT TNavigationBar::WorkFolderRect(int slot) const {
  const int left = workLeft_ + slot * (kWorkWidth + 2);
  return {left, 3, left + kWorkWidth, kHeight - 3};
}

int TNavigationBar::WorkSlotAt(POINT p) const {
  for (int slot = 0; slot < 3; ++slot) {
    const RECT r = WorkFolderRect(slot);
    if (PtInRect(&r, p)) return slot;
  }
  return -1;
}

void TNavigationBar::Layout(int width) {
  labelLeft_ = WorkFolderRect(2).right + 8;
  HDC dc = GetDC(Handle());
  HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  SIZE size{};
  GetTextExtentPoint32W(dc, L"Address", 7, &size);
  SelectObject(dc, old);
  ReleaseDC(Handle(), dc);
  labelRight_ = labelLeft_ + size.cx + 6;
  MoveWindow(combo_, labelRight_, 3, std::max(kAddressMinWidth, width - labelRight_ - 2), 300, TRUE);
}

void TNavigationBar::Paint(HDC dc) {
  RECT client;
  GetClientRect(Handle(), &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  PaintWorkButtons(dc);
}

void TNavigationBar::PaintWorkButtons(HDC dc) {
  HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  for (int slot = 0; slot < 3; ++slot) {
    RECT r = WorkFolderRect(slot);
    FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(dc, &r, slot == pressedSlot_ ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    // The caption's colour is the slot's state; a dark face keeps aqua and fuchsia readable.
    RECT face{r.left + 2, r.top + 2, r.right - 2, r.bottom - 2};
    HBRUSH dark = CreateSolidBrush(RGB(64, 64, 64));
    if (workColor_[slot] != GetSysColor(COLOR_WINDOWTEXT)) FillRect(dc, &face, dark);
    DeleteObject(dark);
    SetTextColor(dc, workColor_[slot]);
    const wchar_t caption[2] = {static_cast<wchar_t>(L'1' + slot), 0};
    DrawTextW(dc, caption, 1, &face, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  RECT label{labelLeft_, 0, labelRight_, kHeight};
  DrawTextW(dc, L"Address", 7, &label, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  SelectObject(dc, old);
}

void TNavigationBar::FillAddressList() {
  // Emptying the list empties the box too; the text is taken first and put back, so the box
  // keeps showing the folder while the list is open.
  const std::wstring text = Widen(Address());
  SendMessageW(combo_, CB_RESETCONTENT, 0, 0);
  int count = 0;
  if (OnAddressList)
    for (const std::string& line : OnAddressList()) {
      SendMessageW(combo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(line).c_str()));
      ++count;
    }
  SetWindowTextW(combo_, text.c_str());
  // Tall enough for every row, so "Network", the last one, is never cut off.
  SendMessageW(combo_, CB_SETMINVISIBLE, std::max(count, 1), 0);
}

int TNavigationBar::AddressRowHeight() const {
  HDC dc = GetDC(Handle());
  HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, old);
  ReleaseDC(Handle(), dc);
  return metrics.tmHeight + metrics.tmExternalLeading + 2 * kAddressRowPadding;
}

void TNavigationBar::DrawAddressRow(const DRAWITEMSTRUCT& item) {
  if (item.itemID == static_cast<UINT>(-1)) return;
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  FillRect(item.hDC, &item.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  const int length = static_cast<int>(SendMessageW(item.hwndItem, CB_GETLBTEXTLEN, item.itemID, 0));
  if (length <= 0) return;
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  SendMessageW(item.hwndItem, CB_GETLBTEXT, item.itemID, reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(length));
  TSelectObject font(item.hDC, GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(item.hDC, TRANSPARENT);
  SetTextColor(item.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  RECT r = item.rcItem;
  r.left += kAddressRowPadding;
  DrawTextW(item.hDC, text.c_str(), length, &r, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

LRESULT CALLBACK TNavigationBar::EditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                          DWORD_PTR data) {
  auto* bar = reinterpret_cast<TNavigationBar*>(data);
  const bool dropped = SendMessageW(bar->combo_, CB_GETDROPPEDSTATE, 0, 0) != 0;
  if (message == WM_KEYDOWN && !dropped) {
    if (wParam == VK_RETURN) {
      if (bar->OnAddressEnter) bar->OnAddressEnter(bar->Address());
      return 0;
    }
    if (wParam == VK_ESCAPE) {
      if (bar->OnAddressCancel) bar->OnAddressCancel();
      return 0;
    }
  }
  // The beep of a single-line edit on Enter and Escape.
  if (message == WM_CHAR && (wParam == VK_RETURN || wParam == VK_ESCAPE) && !dropped) return 0;
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

LRESULT TNavigationBar::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE: Layout(LOWORD(lParam)); return 0;
    case WM_PAINT: {
      TPaintDC paint(Handle());
      Paint(paint.Get());
      return 0;
    }
    // The flat toolbar is transparent: it has its parent erase (and, themed, print) the strip
    // under its buttons into the toolbar's own device context, moved to this window's
    // co-ordinates. Answering without painting left that strip black.
    case WM_ERASEBKGND: {
      RECT client;
      GetClientRect(Handle(), &client);
      FillRect(reinterpret_cast<HDC>(wParam), &client, GetSysColorBrush(COLOR_BTNFACE));
      return 1;
    }
    case WM_PRINTCLIENT: Paint(reinterpret_cast<HDC>(wParam)); return 0;
    case WM_MEASUREITEM: {
      auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      if (item->CtlType != ODT_COMBOBOX) break;
      // The box's own line (item -1) keeps the height an ordinary box has.
      item->itemHeight = static_cast<UINT>(AddressRowHeight() - (item->itemID == static_cast<UINT>(-1) ? 2 : 0));
      return TRUE;
    }
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item->CtlType != ODT_COMBOBOX) break;
      DrawAddressRow(*item);
      return TRUE;
    }
    case WM_COMMAND:
      if (reinterpret_cast<HWND>(lParam) == toolbar_) {
        const UINT id = LOWORD(wParam);
        if (id >= kFirstButtonId && id < kFirstButtonId + 4 && OnButton)
          OnButton(static_cast<TNavButton>(id - kFirstButtonId));
        return 0;
      }
      if (reinterpret_cast<HWND>(lParam) == combo_) {
        switch (HIWORD(wParam)) {
          case CBN_DROPDOWN: FillAddressList(); return 0;
          case CBN_SELENDOK: {
            const int index = static_cast<int>(SendMessageW(combo_, CB_GETCURSEL, 0, 0));
            if (index >= 0 && OnAddressPick) {
              // The pick is acted on after the list has closed, so the pane can take the focus.
              PostMessageW(Handle(), WM_APP, static_cast<WPARAM>(index), 0);
            }
            return 0;
          }
          default: break;
        }
      }
      break;
    case WM_APP:
      if (OnAddressPick) OnAddressPick(static_cast<int>(wParam));
      return 0;
    case WM_CTLCOLOREDIT:
      if (reinterpret_cast<HWND>(lParam) == edit_) {
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, addressColor_);
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
      }
      break;
    case WM_NOTIFY: {
      const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->hwndFrom == toolbar_ && header->code == TBN_DROPDOWN) {
        const NMTOOLBARW* tb = reinterpret_cast<const NMTOOLBARW*>(lParam);
        const TNavButton button = static_cast<TNavButton>(tb->iItem - static_cast<int>(kFirstButtonId));
        RECT r = ButtonRect(button);
        POINT p{r.left, r.bottom};
        ClientToScreen(Handle(), &p);
        if (OnDropDown) OnDropDown(button, p);
        return TBDDRET_DEFAULT;
      }
      if (header->code == TTN_GETDISPINFOW) {
        auto* info = reinterpret_cast<NMTTDISPINFOW*>(lParam);
        static std::wstring text;
        if (header->hwndFrom == tips_) {
          const int slot = static_cast<int>(header->idFrom) - 1;
          text = slot >= 0 && slot < 3 ? Widen(workHint_[slot]) : std::wstring();
        } else {
          const int index = static_cast<int>(header->idFrom - kFirstButtonId);
          text = index >= 0 && index < kButtons ? kTips[index] : L"";
        }
        info->lpszText = text.data();
        return 0;
      }
      break;
    }
    case WM_LBUTTONDOWN: {
      const POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      pressedSlot_ = WorkSlotAt(p);
      if (pressedSlot_ >= 0) {
        SetCapture(Handle());
        InvalidateRect(Handle(), nullptr, FALSE);
      } else if (p.x >= labelLeft_ && p.x < labelRight_ && OnAddressLabel) {
        OnAddressLabel();
      }
      return 0;
    }
    case WM_LBUTTONUP: {
      const POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      const int slot = pressedSlot_;
      pressedSlot_ = -1;
      if (GetCapture() == Handle()) ReleaseCapture();
      InvalidateRect(Handle(), nullptr, FALSE);
      if (slot >= 0 && WorkSlotAt(p) == slot && OnWorkClick) OnWorkClick(slot);
      return 0;
    }
    case WM_RBUTTONUP: {
      const int slot = WorkSlotAt({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      if (slot >= 0 && OnWorkRightClick) OnWorkRightClick(slot);
      return 0;
    }
    case WM_DESTROY:
      if (edit_) RemoveWindowSubclass(edit_, EditProc, 1);
      if (images_) ImageList_Destroy(images_);
      if (greyImages_) ImageList_Destroy(greyImages_);
      images_ = greyImages_ = nullptr;
      break;
    default: break;
  }
  return TWindow::HandleMessage(message, wParam, lParam);
}

}  // namespace quill
