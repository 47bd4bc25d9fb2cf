#include "ui/BtnStatusBar.h"

#include <windowsx.h>

#include <algorithm>
#include <utility>

#include "platform/Utf16.h"

namespace quill {

namespace {

constexpr COLORREF kSecondLine = 0xDBDBDB;
constexpr COLORREF kThirdLine = 0xE1E1E1;
constexpr COLORREF kGripGrey = 0xA3B4B8;
constexpr COLORREF kWhite = 0xFFFFFF;

// Lines and squares are all axis-aligned, so one filled rectangle through the DC's own brush
// draws each without creating a pen or brush per call.
void Fill(HDC dc, int left, int top, int right, int bottom, COLORREF color) {
  const RECT r{left, top, right, bottom};
  SetDCBrushColor(dc, color);
  FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

void DrawLine(HDC dc, const std::wstring& text, RECT& r, UINT extra) {
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | extra);
}

HCURSOR SystemCursor(LPCWSTR id) { return LoadCursorW(nullptr, id); }

}  // namespace

TBtnStatusBar::TBtnStatusBar() : color_(GetSysColor(COLOR_BTNFACE)) {}

bool TBtnStatusBar::Create(HWND parent) {
  RECT area{};
  GetClientRect(parent, &area);
  if (!font_) {
    font_ = reinterpret_cast<HFONT>(SendMessageW(parent, WM_GETFONT, 0, 0));
    if (!font_) font_ = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  }
  return CreateHandle(L"QuillBtnStatusBar", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, L"", 0, area.bottom - kHeight,
                      area.right, kHeight, parent);
}

void TBtnStatusBar::Repaint() {
  if (Handle()) InvalidateRect(Handle(), nullptr, FALSE);
}

void TBtnStatusBar::SetItems(std::vector<std::string> lines) {
  items_ = std::move(lines);
  Repaint();
}

void TBtnStatusBar::SetSizeGrip(bool on) {
  if (on == sizeGrip_) return;
  sizeGrip_ = on;
  if (!on && overGrip_) {
    overGrip_ = false;
    ApplyCursor();
  }
  Repaint();
}

void TBtnStatusBar::SetHeadColor(COLORREF color) {
  if (color == headColor_) return;
  headColor_ = color;
  Repaint();
}

void TBtnStatusBar::SetHotColor(COLORREF color) {
  if (color == hotColor_) return;
  hotColor_ = color;
  Repaint();
}

void TBtnStatusBar::SetColor(COLORREF color) {
  if (color == color_) return;
  color_ = color;
  Repaint();
}

void TBtnStatusBar::SetFont(HFONT font) {
  font_ = font ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  Repaint();
}

void TBtnStatusBar::SetCursor(HCURSOR cursor) { cursor_ = cursor; }

TBtnStatusBarGeometry TBtnStatusBar::Geometry() const {
  RECT client{};
  if (Handle()) GetClientRect(Handle(), &client);
  return {client.right, client.bottom, static_cast<int>(items_.size()), sizeGrip_};
}

RECT TBtnStatusBar::ItemRect(int index) const {
  const TBarRect r = Geometry().ItemRect(index);
  return {r.left, r.top, r.right, r.bottom};
}

int TBtnStatusBar::GetItemAt(int x, int y) const { return Geometry().GetItemAt(x, y); }

void TBtnStatusBar::PaintTo(HDC dc) {
  RECT client{};
  GetClientRect(Handle(), &client);
  const int width = client.right;
  Fill(dc, 0, 0, width, client.bottom, color_);
  Fill(dc, 0, 0, width, 1, GetSysColor(COLOR_BTNSHADOW));
  Fill(dc, 0, 1, width, 2, kSecondLine);
  Fill(dc, 0, 2, width, 3, kThirdLine);
  TSelectObject font(dc, font_);
  for (int i = 0; i < static_cast<int>(items_.size()); ++i) DrawItem(dc, i, i == hot_, ItemRect(i));
}

void TBtnStatusBar::DrawItem(HDC dc, int index, bool hot, RECT r) {
  if (index < 0 || index >= static_cast<int>(items_.size())) return;
  Fill(dc, r.left, r.top, r.right, r.bottom, color_);
  r.top += 3;
  r.bottom -= 1;
  SetBkMode(dc, TRANSPARENT);

  const TPanelText text = SplitPanelLine(items_[index]);
  // The key name is never shortened; the command after it gives way with an ellipsis.
  const std::wstring name = Widen(text.name);
  r.left += 5;
  SetTextColor(dc, headColor_);
  RECT nameRect = r;
  DrawLine(dc, name, nameRect, 0);
  SIZE nameSize{};
  GetTextExtentPoint32W(dc, name.c_str(), static_cast<int>(name.size()), &nameSize);

  r.left += nameSize.cx + 8;
  r.right -= 2;
  SetTextColor(dc, hot ? hotColor_ : GetSysColor(COLOR_BTNTEXT));
  RECT valueRect = r;
  DrawLine(dc, Widen(text.value), valueRect, DT_END_ELLIPSIS);

  Fill(dc, r.right, r.top, r.right + 1, r.bottom, GetSysColor(COLOR_BTNSHADOW));
  Fill(dc, r.right + 1, r.top, r.right + 2, r.bottom, kWhite);

  if (sizeGrip_ && index == static_cast<int>(items_.size()) - 1) {
    RECT client{};
    GetClientRect(Handle(), &client);
    DrawSizeGrip(dc, client.right, client.bottom);
  }
}

void TBtnStatusBar::DrawSizeGrip(HDC dc, int width, int height) {
  // Three rows of raised dots growing towards the corner: a white dot with a grey one over its
  // upper left, so each reads as lit from below right.
  for (int row = 3; row >= 1; --row)
    for (int i = 1; i <= row; ++i) {
      const int x = width - 4 * i, y = height + 4 * row - 14;
      Fill(dc, x, y, x + 2, y + 2, kWhite);
    }
  for (int row = 3; row >= 1; --row)
    for (int i = 1; i <= row; ++i) {
      const int x = width - 4 * i - 1, y = height + 4 * row - 15;
      Fill(dc, x, y, x + 2, y + 2, kGripGrey);
    }
  Fill(dc, width - 20, 4, width - 19, height, GetSysColor(COLOR_BTNSHADOW));
  Fill(dc, width - 19, 4, width - 18, height, kWhite);
}

void TBtnStatusBar::RedrawItem(int index, bool hot) {
  if (!Handle() || index < 0 || index >= static_cast<int>(items_.size())) return;
  HDC dc = GetDC(Handle());
  {
    TSelectObject font(dc, font_);
    DrawItem(dc, index, hot, ItemRect(index));
  }
  ReleaseDC(Handle(), dc);
}

void TBtnStatusBar::ApplyCursor() {
  if (overGrip_) ::SetCursor(SystemCursor(IDC_SIZENWSE));
  else ::SetCursor(cursor_ ? cursor_ : SystemCursor(IDC_ARROW));
}

void TBtnStatusBar::MouseMove(int x, int y) {
  if (!trackingLeave_) {
    TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, Handle(), 0};
    trackingLeave_ = TrackMouseEvent(&track);
  }
  // While a press holds the capture the mouse may be anywhere; the resize cursor belongs to
  // the grip zone only.
  const TBtnStatusBarGeometry geometry = Geometry();
  const bool overGrip = geometry.InSizeGripZone(x) && x < geometry.width && y >= 0 && y < geometry.height;
  if (overGrip != overGrip_) {
    overGrip_ = overGrip;
    ApplyCursor();
  }
  const int item = geometry.GetItemAt(x, y);
  if (item == hot_) return;
  const int old = hot_;
  hot_ = item;
  RedrawItem(old, false);
  RedrawItem(item, true);
}

void TBtnStatusBar::MouseDown(int x, int y) {
  if (Geometry().InSizeGripZone(x)) {
    // The system's own sizing loop takes over, as if the window's corner had been pressed.
    ReleaseCapture();
    POINT p{x, y};
    ClientToScreen(Handle(), &p);
    SendMessageW(GetAncestor(Handle(), GA_ROOT), WM_NCLBUTTONDOWN, HTBOTTOMRIGHT, MAKELPARAM(p.x, p.y));
    return;
  }
  pressed_ = GetItemAt(x, y);
  // Captured so the release is seen wherever it happens, and a release elsewhere clicks nothing.
  SetCapture(Handle());
  RedrawItem(pressed_, true);
}

void TBtnStatusBar::MouseUp(int x, int y) {
  const int pressed = pressed_;
  pressed_ = -1;
  if (GetCapture() == Handle()) ReleaseCapture();
  RedrawItem(pressed, pressed == hot_);
  if (pressed >= 0 && GetItemAt(x, y) == pressed && OnClick) OnClick(pressed);
}

void TBtnStatusBar::MouseLeave() {
  trackingLeave_ = false;
  overGrip_ = false;
  const int old = hot_;
  hot_ = -1;
  RedrawItem(old, false);
}

LRESULT TBtnStatusBar::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      TPaintDC paint(Handle());
      RECT client{};
      GetClientRect(Handle(), &client);
      const int width = std::max<int>(client.right, 1), height = std::max<int>(client.bottom, 1);
      HDC memory = CreateCompatibleDC(paint.Get());
      HBITMAP bitmap = CreateCompatibleBitmap(paint.Get(), width, height);
      {
        TSelectObject selected(memory, bitmap);
        PaintTo(memory);
        BitBlt(paint.Get(), 0, 0, width, height, memory, 0, 0, SRCCOPY);
      }
      DeleteObject(bitmap);
      DeleteDC(memory);
      return 0;
    }
    // Painting covers the whole client area, so erasing first would only flicker.
    case WM_ERASEBKGND: return 1;
    case WM_SIZE: Repaint(); return 0;
    case WM_SETFONT: SetFont(reinterpret_cast<HFONT>(wParam)); return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(font_);
    case WM_SETCURSOR:
      if (LOWORD(lParam) == HTCLIENT) {
        ApplyCursor();
        return TRUE;
      }
      break;
    case WM_MOUSEMOVE: MouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;
    // A quick second click is a click like the first.
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: MouseDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;
    case WM_LBUTTONUP: MouseUp(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;
    case WM_MOUSELEAVE: MouseLeave(); return 0;
    case WM_CAPTURECHANGED:
      // Capture taken away mid-press (a dialog, a menu): the press is over without a click.
      if (pressed_ >= 0 && reinterpret_cast<HWND>(lParam) != Handle()) {
        const int pressed = pressed_;
        pressed_ = -1;
        RedrawItem(pressed, pressed == hot_);
      }
      return 0;
    default: break;
  }
  return TWindow::HandleMessage(message, wParam, lParam);
}

}  // namespace quill
