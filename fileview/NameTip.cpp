#include "fileview/NameTip.h"

#include "fileview/PaneText.h"
#include "platform/Utf16.h"

namespace quill {

namespace {
constexpr UINT_PTR kHideTimer = 1;
}

bool TNameTip::EnsureCreated() {
  if (Handle()) return true;
  // Saved bits make hiding it cheap over a large pane; WS_EX_TRANSPARENT lets clicks reach the
  // entry beneath.
  return CreateHandle(L"QuillNameTip", WS_POPUP | WS_BORDER,
                      WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_TRANSPARENT | WS_EX_NOACTIVATE, L"", 0, 0, 0, 0,
                      nullptr, CS_SAVEBITS);
}

void TNameTip::Show(const std::string& text, RECT r, HFONT font) {
  if (!EnsureCreated()) return;
  text_ = text;
  wideText_ = Widen(text);
  font_ = font;
  r.bottom += 4;
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  RECT desktop{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &desktop, 0);
  if (r.right > desktop.right) r.left = desktop.right - width;
  if (r.bottom > desktop.bottom) r.top = desktop.bottom - height;
  SetWindowPos(Handle(), HWND_TOPMOST, r.left, r.top, width, height, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  InvalidateRect(Handle(), nullptr, TRUE);
  SetTimer(Handle(), kHideTimer, kHideDelay, nullptr);
}

void TNameTip::Hide() {
  if (!Handle()) return;
  KillTimer(Handle(), kHideTimer);
  if (IsWindowVisible(Handle())) ShowWindow(Handle(), SW_HIDE);
}

LRESULT TNameTip::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      TPaintDC paint(Handle());
      RECT client;
      GetClientRect(Handle(), &client);
      FillRect(paint.Get(), &client, GetSysColorBrush(COLOR_INFOBK));
      HGDIOBJ old = font_ ? SelectObject(paint.Get(), font_) : nullptr;
      SetBkMode(paint.Get(), TRANSPARENT);
      SetTextColor(paint.Get(), GetSysColor(COLOR_INFOTEXT));
      // Drawn like the pane draws the name, so a surrogate pair shows as one character.
      const SIZE size = PaneTextExtent(paint.Get(), wideText_);
      PaneTextOut(paint.Get(), client.left + 2, (client.top + client.bottom - size.cy) / 2, ETO_CLIPPED, &client,
                  wideText_);
      if (old) SelectObject(paint.Get(), old);
      return 0;
    }
    case WM_TIMER:
      if (wParam == kHideTimer) Hide();
      return 0;
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    case WM_NCHITTEST: return HTTRANSPARENT;
    default: break;
  }
  return TWindow::HandleMessage(message, wParam, lParam);
}

}  // namespace quill
