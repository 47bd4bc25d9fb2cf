// The button status bar's panel arithmetic at the edges: panel ends, the gaps between panels,
// the strip above them, the size grip's room and zone, and the name=value split.
#include "ui/BtnStatusBarGeometry.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>

namespace quill {
namespace {

TEST(BtnStatusBarGeometryTest, PanelsMeetTheEdgesWithAndWithoutTheGrip) {
  TBtnStatusBarGeometry bar{608, 19, 7, true};
  EXPECT_EQ(bar.PanelWidth(), 84);
  EXPECT_EQ(bar.ItemRect(0), (TBarRect{0, 3, 82, 19}));
  EXPECT_EQ(bar.ItemRect(5), (TBarRect{420, 3, 502, 19}));
  EXPECT_EQ(bar.ItemRect(6), (TBarRect{504, 3, 590, 19}));

  // Inside the first panel at its corners, nothing on the 2-pixel gap, the next one after it.
  EXPECT_EQ(bar.GetItemAt(0, 3), 0);
  EXPECT_EQ(bar.GetItemAt(81, 18), 0);
  EXPECT_EQ(bar.GetItemAt(82, 10), -1);
  EXPECT_EQ(bar.GetItemAt(83, 10), -1);
  EXPECT_EQ(bar.GetItemAt(84, 10), 1);
  EXPECT_EQ(bar.GetItemAt(501, 10), 5);
  EXPECT_EQ(bar.GetItemAt(502, 10), -1);
  // The last panel has no gap of its own: it ends where the grip's room begins.
  EXPECT_EQ(bar.GetItemAt(589, 10), 6);
  EXPECT_EQ(bar.GetItemAt(590, 10), -1);
  // The three lines at the top and anything below the client area belong to no panel.
  EXPECT_EQ(bar.GetItemAt(40, 2), -1);
  EXPECT_EQ(bar.GetItemAt(40, 19), -1);
  EXPECT_EQ(bar.GetItemAt(-1, 10), -1);
  // The grip zone starts 20 pixels from the right end, over the last panel's end.
  EXPECT_FALSE(bar.InSizeGripZone(588));
  EXPECT_TRUE(bar.InSizeGripZone(589));
  EXPECT_TRUE(bar.InSizeGripZone(607));

  // Without the grip the whole width is shared: 608 / 7 = 86 with the rest to the last panel.
  bar.sizeGrip = false;
  EXPECT_EQ(bar.PanelWidth(), 86);
  EXPECT_EQ(bar.ItemRect(0), (TBarRect{0, 3, 84, 19}));
  EXPECT_EQ(bar.ItemRect(6), (TBarRect{516, 3, 608, 19}));
  EXPECT_EQ(bar.GetItemAt(84, 10), -1);
  EXPECT_EQ(bar.GetItemAt(86, 10), 1);
  EXPECT_EQ(bar.GetItemAt(600, 10), 6);
  EXPECT_EQ(bar.GetItemAt(607, 18), 6);
  EXPECT_FALSE(bar.InSizeGripZone(607));

  // No panels: nothing is hit anywhere, and the width is the room itself.
  TBtnStatusBarGeometry empty{608, 19, 0, true};
  EXPECT_EQ(empty.PanelWidth(), 590);
  EXPECT_EQ(empty.GetItemAt(0, 10), -1);
  EXPECT_EQ(empty.GetItemAt(300, 10), -1);

  // One panel takes everything up to the grip.
  TBtnStatusBarGeometry one{608, 19, 1, true};
  EXPECT_EQ(one.ItemRect(0), (TBarRect{0, 3, 590, 19}));
}

TEST(BtnStatusBarGeometryTest, ALineSplitsAtItsFirstEquals) {
  auto split = [](std::string_view line) {
    const TPanelText t = SplitPanelLine(line);
    return std::pair{std::string(t.name), std::string(t.value)};
  };
  EXPECT_EQ(split("F2=Rename"), (std::pair<std::string, std::string>{"F2", "Rename"}));
  EXPECT_EQ(split("F3="), (std::pair<std::string, std::string>{"F3", ""}));
  EXPECT_EQ(split("A=Add (Archive)=x"), (std::pair<std::string, std::string>{"A", "Add (Archive)=x"}));
  EXPECT_EQ(split("=Value"), (std::pair<std::string, std::string>{"", "Value"}));
  EXPECT_EQ(split("Without equals"), (std::pair<std::string, std::string>{"Without equals", ""}));
  EXPECT_EQ(split(""), (std::pair<std::string, std::string>{"", ""}));
}

}  // namespace
}  // namespace quill
