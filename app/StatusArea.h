// TStatusArea: the strip at the bottom of the main window with the focused entry's panel, the
// selection panel (only while something is selected) and the disk panel with its usage gauge.
// The texts and widths come from StatusPanels; this window only lays them out and draws them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "ui/Window.h"

namespace quill {

class TStatusArea : public TWindow {
public:
  static constexpr int kHeight = 22;

  bool Create(HWND parent);

  // The focused entry: its small system icon (-1 for none), text and whether a click opens
  // Attributes/Time (hand cursor).
  void SetFileInfo(int smallIcon, const std::string& text, bool clickable);
  // Nothing hides the selection panel.
  void SetSelection(const std::optional<std::string>& text);
  // The current drive ("C:") and its figures; the panel's text and width follow the room left.
  void SetDisk(const std::string& drive, uint64_t total, uint64_t free);

  const std::string& FileInfoText() const { return fileText_; }
  bool SelectionVisible() const { return selection_.has_value(); }
  const std::string& SelectionText() const { return selectionText_; }
  const std::string& DiskText() const { return diskText_; }
  int DiskPanelWidth() const { return diskWidth_; }
  int GaugeSteps() const { return gauge_; }
  int SelectionPanelWidth() const;

  std::function<void()> OnFileInfoClick;
  std::function<void()> OnDiskClick;

private:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void Relayout();
  void Paint(HDC dc);
  RECT FileRect() const;
  RECT SelectionRect() const;
  RECT DiskRect() const;

  int fileIcon_ = -1;
  std::string fileText_;
  bool fileClickable_ = false;
  std::optional<std::string> selection_;
  std::string selectionText_;
  std::string drive_;
  uint64_t total_ = 0, free_ = 0;
  std::string diskText_;
  int diskWidth_ = 130;
  int gauge_ = 0;
  HFONT font_ = nullptr;
};

}  // namespace quill
