// Where the button status bar's panels lie and what a panel's line shows, kept apart from the
// window so the arithmetic at the panel edges can be checked without a display.
#pragma once

#include <string_view>

namespace quill {

struct TBarRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  constexpr bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
  friend constexpr bool operator==(const TBarRect&, const TBarRect&) = default;
};

// Room kept at the right end for the size grip, and the zone where a press resizes the window.
inline constexpr int kSizeGripWidth = 18;
inline constexpr int kSizeGripZone = 20;
// The three lines at the top of the bar stay visible above the panels.
inline constexpr int kPanelTop = 3;

struct TBtnStatusBarGeometry {
  int width = 0;   // client width
  int height = 0;  // client height
  int count = 0;   // panels
  bool sizeGrip = true;

  constexpr int Room() const { return width - (sizeGrip ? kSizeGripWidth : 0); }

  // Every panel is equally wide; the remainder of the division goes to the last one.
  constexpr int PanelWidth() const { return count > 0 ? Room() / count : Room(); }

  // A 2-pixel gap separates each panel from the next; the last one reaches the grip.
  constexpr TBarRect ItemRect(int index) const {
    const int panel = PanelWidth();
    TBarRect r{panel * index, kPanelTop, (index + 1) * panel - 2, height};
    if (index == count - 1) r.right = Room();
    return r;
  }

  // The first panel holding the point, -1 when none does (the gaps, the top lines, the grip).
  constexpr int GetItemAt(int x, int y) const {
    for (int i = 0; i < count; ++i)
      if (ItemRect(i).Contains(x, y)) return i;
    return -1;
  }

  constexpr bool InSizeGripZone(int x) const { return sizeGrip && x > width - kSizeGripZone; }
};

// A panel's line "name=value": the name is drawn in the head colour, the value after it. A line
// without "=" is all name.
struct TPanelText {
  std::string_view name;
  std::string_view value;
};

constexpr TPanelText SplitPanelLine(std::string_view line) {
  const size_t equals = line.find('=');
  if (equals == std::string_view::npos) return {line, {}};
  return {line.substr(0, equals), line.substr(equals + 1)};
}

}  // namespace quill
