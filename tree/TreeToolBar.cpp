#include "tree/TreeToolBar.h"

#include <commctrl.h>

#include "drivewin/DriveGlyphs.h"
#include "platform/Handle.h"
#include "platform/Utf16.h"

namespace quill {

namespace {

using TPenHandle = TUniqueHandle<TGdiTraits<HPEN>>;

// The "DIR" resource holds premultiplied alpha, so it is laid over any ground with AlphaBlend.
void DrawDirBitmap(HDC dc, int x, int y) {
  static HBITMAP bitmap = static_cast<HBITMAP>(
      LoadImageW(GetModuleHandleW(nullptr), L"DIR", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (!bitmap) return;
  HDC memory = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  GdiAlphaBlend(dc, x, y, 16, 16, memory, 0, 0, 16, 16, blend);
  SelectObject(memory, old);
  DeleteDC(memory);
}

void DrawDesktop(HDC dc, int x, int y) {
  TBrushHandle screen(CreateSolidBrush(RGB(0, 128, 128)));
  TPenHandle edge(CreatePen(PS_SOLID, 1, RGB(64, 64, 64)));
  TSelectObject pen(dc, edge.Get());
  TSelectObject brush(dc, screen.Get());
  Rectangle(dc, x + 1, y + 2, x + 15, y + 12);
  MoveToEx(dc, x + 8, y + 12, nullptr);
  LineTo(dc, x + 8, y + 14);
  MoveToEx(dc, x + 4, y + 14, nullptr);
  LineTo(dc, x + 13, y + 14);
}

}  // namespace

void DrawTreeGlyph(HDC dc, TTreeGlyph glyph, int x, int y) {
  switch (glyph) {
    case tgNone: break;
    case tgDir: DrawDirBitmap(dc, x, y); break;
    case tgDesktop: DrawDesktop(dc, x, y); break;
    case tgHdd: DrawGlyph(dc, glHdd, x, y); break;
    case tgFdd: DrawGlyph(dc, glFdd, x, y); break;
    case tgNet: DrawGlyph(dc, glNet, x, y); break;
    case tgCd: DrawGlyph(dc, glCd, x, y); break;
    case tgNetEntry: DrawGlyph(dc, glNetEntry, x, y); break;
  }
}

bool TTreeToolBar::Create(HWND parent) {
  if (!CreateHandle(L"QuillTreeToolBar", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, L"", 0, 0, 100, kHeight, parent))
    return false;
  tips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, 0, 0, 0,
                          0, Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
  return true;
}

void TTreeToolBar::SetButtons(std::vector<TTreeToolButton> buttons) {
  buttons_ = std::move(buttons);
  down_ = hot_ = pressed_ = -1;
  AddHints();
  InvalidateRect(Handle(), nullptr, FALSE);
}

void TTreeToolBar::AddHints() {
  if (!tips_) return;
  while (SendMessageW(tips_, TTM_GETTOOLCOUNT, 0, 0) > 0) {
    TTTOOLINFOW info{};
    info.cbSize = sizeof info;
    if (!SendMessageW(tips_, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&info))) break;
    SendMessageW(tips_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&info));
  }
  for (size_t i = 0; i < buttons_.size(); ++i) {
    if (buttons_[i].hint.empty()) continue;
    std::wstring hint = Widen(buttons_[i].hint);
    TTTOOLINFOW info{};
    info.cbSize = sizeof info;
    info.uFlags = TTF_SUBCLASS;
    info.hwnd = Handle();
    info.uId = i + 1;
    info.rect = ButtonRect(static_cast<int>(i));
    info.lpszText = hint.data();
    SendMessageW(tips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
  }
}

void TTreeToolBar::SetDown(int index) {
  if (index == down_) return;
  const int old = down_;
  down_ = index;
  Invalidate(old);
  Invalidate(index);
}

RECT TTreeToolBar::ButtonRect(int index) const {
  if (index < 0 || index >= static_cast<int>(buttons_.size())) return {};
  const TTreeToolButton& b = buttons_[index];
  return {b.left, kButtonTop, b.left + b.width, kButtonTop + kButtonHeight};
}

int TTreeToolBar::ButtonAt(int x, int y) const {
  const POINT p{x, y};
  for (size_t i = 0; i < buttons_.size(); ++i) {
    const RECT r = ButtonRect(static_cast<int>(i));
    if (PtInRect(&r, p)) return static_cast<int>(i);
  }
  return -1;
}

void TTreeToolBar::Invalidate(int index) {
  if (index < 0 || !Handle()) return;
  const RECT r = ButtonRect(index);
  InvalidateRect(Handle(), &r, FALSE);
}

void TTreeToolBar::Paint(HDC dc) {
  RECT client{};
  GetClientRect(Handle(), &client);
  // Off-screen, so hot tracking does not flicker.
  HDC memory = CreateCompatibleDC(dc);
  TBitmapHandle bitmap(CreateCompatibleBitmap(dc, client.right, client.bottom));
  HGDIOBJ oldBitmap = SelectObject(memory, bitmap.Get());
  FillRect(memory, &client, GetSysColorBrush(COLOR_BTNFACE));
  RECT bottom{0, client.bottom - 1, client.right, client.bottom};
  FillRect(memory, &bottom, GetSysColorBrush(COLOR_BTNSHADOW));
  for (size_t i = 0; i < buttons_.size(); ++i) DrawButton(memory, static_cast<int>(i));
  BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
  SelectObject(memory, oldBitmap);
  DeleteDC(memory);
}

void TTreeToolBar::DrawButton(HDC dc, int index) {
  const TTreeToolButton& b = buttons_[index];
  RECT r = ButtonRect(index);
  const bool sunk = index == down_ || (index == pressed_ && index == hot_);
  FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
  if (sunk) {
    DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
  } else if (index == hot_) {
    DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT);
  }
  const int shift = sunk ? 1 : 0;
  const int glyphY = r.top + (kButtonHeight - 16) / 2 + shift;
  int textLeft = r.left + 4 + shift;
  if (b.glyph != tgNone) {
    int glyphX;
    if (!b.caption.empty()) glyphX = r.left + 4;
    else glyphX = r.left + (b.width - 16) / 2 - (b.dropDown ? 6 : 0);
    DrawTreeGlyph(dc, b.glyph, glyphX + shift, glyphY);
    textLeft = glyphX + 16 + 3 + shift;
  }
  RECT text{textLeft, r.top + shift, r.right - (b.dropDown ? 12 : 2) + shift, r.bottom + shift};
  if (!b.caption.empty()) {
    TSelectObject font(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    const std::wstring caption = Widen(b.caption);
    DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | (b.glyph == tgNone ? DT_CENTER : DT_LEFT));
  }
  if (b.dropDown) {
    // A small arrow pointing down at the right end.
    const int ax = r.right - 10 + shift;
    const int ay = r.top + kButtonHeight / 2 - 1 + shift;
    TBrushHandle arrow(CreateSolidBrush(GetSysColor(COLOR_BTNTEXT)));
    for (int row = 0; row < 3; ++row) {
      const RECT line{ax + row, ay + row, ax + 5 - row, ay + row + 1};
      FillRect(dc, &line, arrow.Get());
    }
  }
}

void TTreeToolBar::SetHot(int index) {
  if (index == hot_) return;
  const int old = hot_;
  hot_ = index;
  Invalidate(old);
  Invalidate(index);
}

LRESULT TTreeToolBar::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      TPaintDC paint(Handle());
      Paint(paint.Get());
      return 0;
    }
    case WM_ERASEBKGND: return 1;
    case WM_MOUSEMOVE:
      if (!tracking_) {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, Handle(), 0};
        tracking_ = TrackMouseEvent(&track) != FALSE;
      }
      SetHot(ButtonAt(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))));
      return 0;
    case WM_MOUSELEAVE:
      tracking_ = false;
      SetHot(-1);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      pressed_ = ButtonAt(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
      if (pressed_ >= 0) {
        SetCapture(Handle());
        hot_ = pressed_;
        Invalidate(pressed_);
      }
      return 0;
    case WM_LBUTTONUP: {
      const int released = ButtonAt(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
      const int pressed = pressed_;
      pressed_ = -1;
      if (GetCapture() == Handle()) ReleaseCapture();
      Invalidate(pressed);
      if (pressed >= 0 && released == pressed) {
        if (buttons_[pressed].toggle) SetDown(pressed);
        if (OnClick) OnClick(pressed);
      }
      return 0;
    }
    case WM_CAPTURECHANGED:
      if (pressed_ >= 0) {
        Invalidate(pressed_);
        pressed_ = -1;
      }
      return 0;
    default:
      break;
  }
  return DefaultHandling(message, wParam, lParam);
}

}  // namespace quill
