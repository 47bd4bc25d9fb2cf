// TBtnStatusBar: a status bar whose panels are buttons. Each panel shows a line "name=value"
// (the key in the head colour, the command after it), lights up under the mouse and reports a
// click with its index; a size grip in the right corner resizes the top-level window.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/BtnStatusBarGeometry.h"
#include "ui/Window.h"

namespace quill {

class TBtnStatusBar : public TWindow {
public:
  static constexpr int kHeight = 19;

  TBtnStatusBar();

  // A visible child along the bottom of the parent's client area; the parent places it after.
  bool Create(HWND parent);

  // One panel per line "name=value", in order; always repaints.
  void SetItems(std::vector<std::string> lines);
  const std::vector<std::string>& Items() const { return items_; }

  void SetSizeGrip(bool on);
  bool SizeGrip() const { return sizeGrip_; }

  // Colours are COLORREFs (0x00BBGGRR); each repaints when it changes.
  void SetHeadColor(COLORREF color);
  void SetHotColor(COLORREF color);
  void SetColor(COLORREF color);
  COLORREF HeadColor() const { return headColor_; }
  COLORREF HotColor() const { return hotColor_; }
  COLORREF Color() const { return color_; }

  // Not owned. Until one is set the parent's font is used, else the default GUI font.
  void SetFont(HFONT font);
  HFONT Font() const { return font_; }
  // The cursor over the bar outside the grip zone (the arrow until set).
  void SetCursor(HCURSOR cursor);

  RECT ItemRect(int index) const;
  int GetItemAt(int x, int y) const;
  int HotIndex() const { return hot_; }
  int PressedIndex() const { return pressed_; }

  // Draws the whole bar into `dc`, which must be at least as large as the client area.
  void PaintTo(HDC dc);

  std::function<void(int index)> OnClick;

private:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  TBtnStatusBarGeometry Geometry() const;
  void Repaint();
  void DrawItem(HDC dc, int index, bool hot, RECT r);
  void DrawSizeGrip(HDC dc, int width, int height);
  // Redraws one panel straight on the screen, for hot tracking and presses.
  void RedrawItem(int index, bool hot);
  void MouseMove(int x, int y);
  void MouseDown(int x, int y);
  void MouseUp(int x, int y);
  void MouseLeave();
  void ApplyCursor();

  std::vector<std::string> items_;
  bool sizeGrip_ = true;
  COLORREF headColor_ = 0xFF0000;
  COLORREF hotColor_ = 0x0000FF;
  COLORREF color_;
  HFONT font_ = nullptr;
  HCURSOR cursor_ = nullptr;
  bool overGrip_ = false;
  bool trackingLeave_ = false;
  int hot_ = -1;
  int pressed_ = -1;
};

}  // namespace quill
