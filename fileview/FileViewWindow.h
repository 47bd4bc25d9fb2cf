// The pane's window: draws a TQuillView one entry per row under a title strip, keeps the
// focus visible, and turns keys and clicks into the model's operations.
#pragma once

#include <string>

#include "fileview/QuillView.h"
#include "platform/Handle.h"
#include "ui/Window.h"

namespace quill {

class TFileViewWindow : public TWindow, private IFileViewHost {
public:
  explicit TFileViewWindow(TQuillView& view);
  ~TFileViewWindow() override;

  bool Create(HWND parent, int x, int y, int width, int height);
  TQuillView& View() { return view_; }

  // Face name, point size and weight of the pane's text.
  void SetFont(const std::string& face, int pointSize, bool bold);

  int RowHeight() const { return rowHeight_; }
  int TitleHeight() const { return titleHeight_; }
  int RowsPerPage() const;
  int TopIndex() const { return topIndex_; }
  // The entry at a client point, -1 for none.
  int ItemAt(int x, int y) const;

private:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void Invalidate() override;
  void HideNameTip() override {}
  void Paint(HDC dc, const RECT& client);
  void PaintRow(HDC dc, int index, const RECT& row);
  void MeasureFont();
  void ScrollToFocus();
  bool KeyDown(WPARAM key);
  void MoveFocus(int index);

  TQuillView& view_;
  TFontHandle font_;
  int rowHeight_ = 18;
  int titleHeight_ = 25;
  int topIndex_ = 0;
};

}  // namespace quill
