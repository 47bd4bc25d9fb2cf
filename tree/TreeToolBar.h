// The tree window's tool bar: flat buttons drawn here (the favourites drop-down, the two system
// folders, one toggle per drive and "/" for the network), hot under the mouse, sunk while
// pressed or down, with the hints as tooltips.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/Window.h"

namespace quill {

// The pictures a button may carry.
enum TTreeGlyph : int { tgNone = -1, tgDir, tgDesktop, tgHdd, tgFdd, tgNet, tgCd, tgNetEntry };

// The 16x16 pictures: "DIR" is the bitmap resource, the rest are drawn like the drive window's.
void DrawTreeGlyph(HDC dc, TTreeGlyph glyph, int x, int y);

struct TTreeToolButton {
  std::string caption;
  TTreeGlyph glyph = tgNone;
  int left = 0;
  int width = 23;
  bool dropDown = false;
  // Stays down once clicked, until another button of the group is.
  bool toggle = false;
  std::string hint;
};

class TTreeToolBar : public TWindow {
public:
  static constexpr int kHeight = 26;
  static constexpr int kButtonTop = 2;
  static constexpr int kButtonHeight = 22;

  bool Create(HWND parent);
  void SetButtons(std::vector<TTreeToolButton> buttons);
  const std::vector<TTreeToolButton>& Buttons() const { return buttons_; }
  // The toggle that is down (-1 none).
  void SetDown(int index);
  int Down() const { return down_; }
  RECT ButtonRect(int index) const;
  int ButtonAt(int x, int y) const;
  // What a click on button `index` does; the buttons are in the order given.
  std::function<void(int index)> OnClick;

private:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void Paint(HDC dc);
  void DrawButton(HDC dc, int index);
  void Invalidate(int index);
  void AddHints();
  void SetHot(int index);

  std::vector<TTreeToolButton> buttons_;
  HWND tips_ = nullptr;
  int down_ = -1;
  int hot_ = -1;
  int pressed_ = -1;
  bool tracking_ = false;
};

}  // namespace quill
