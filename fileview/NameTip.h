// TNameTip: the pop-up that shows a name the pane had to shorten. Top-most, never activated,
// transparent to the mouse, and gone by itself after five seconds.
#pragma once

#include <windows.h>

#include <string>

#include "ui/Window.h"

namespace quill {

class TNameTip : public TWindow {
public:
  static constexpr UINT kHideDelay = 5000;

  // Shows `text` over the screen rectangle (made 4 pixels taller), kept inside the desktop.
  void Show(const std::string& text, RECT screenRect, HFONT font);
  void Hide();
  bool Visible() const { return Handle() && IsWindowVisible(Handle()); }
  const std::string& Text() const { return text_; }

private:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  bool EnsureCreated();

  std::string text_;
  std::wstring wideText_;
  HFONT font_ = nullptr;
};

}  // namespace quill
