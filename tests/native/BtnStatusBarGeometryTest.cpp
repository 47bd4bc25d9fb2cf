// The button status bar's panel arithmetic at the edges and the name=value split.
#include "ui/BtnStatusBarGeometry.h"

#include <gtest/gtest.h>

namespace quill {
namespace {

TEST(BtnStatusBarGeometryTest, PanelsMeetTheEdgesWithAndWithoutTheGrip) {
  TBtnStatusBarGeometry bar{608, 19, 7, true};
  EXPECT_EQ(bar.PanelWidth(), 84);
  EXPECT_EQ(bar.ItemRect(0), (TBarRect{0, 3, 82, 19}));
  EXPECT_EQ(bar.ItemRect(6), (TBarRect{504, 3, 590, 19}));
  // Corners of panel 0, the 2-pixel gap after it, the last panel ending where the grip begins,
  // the top lines and below the bar.
  const int hits[][3] = {{0, 3, 0},    {81, 18, 0},  {82, 10, -1}, {83, 10, -1}, {84, 10, 1}, {502, 10, -1},
                         {589, 10, 6}, {590, 10, -1}, {40, 2, -1},  {40, 19, -1}, {-1, 10, -1}};
  for (const auto& [x, y, index] : hits) EXPECT_EQ(bar.GetItemAt(x, y), index) << x << "," << y;
  EXPECT_FALSE(bar.InSizeGripZone(588));
  EXPECT_TRUE(bar.InSizeGripZone(589));

  // Without the grip the panels share the whole width, the rest of 608 / 7 to the last one.
  bar.sizeGrip = false;
  EXPECT_EQ(bar.ItemRect(1), (TBarRect{86, 3, 170, 19}));
  EXPECT_EQ(bar.ItemRect(6), (TBarRect{516, 3, 608, 19}));
  EXPECT_EQ(bar.GetItemAt(607, 18), 6);
  EXPECT_FALSE(bar.InSizeGripZone(607));

  const TBtnStatusBarGeometry empty{608, 19, 0, true};
  EXPECT_EQ(empty.PanelWidth(), 590);
  EXPECT_EQ(empty.GetItemAt(300, 10), -1);
}

TEST(BtnStatusBarGeometryTest, ALineSplitsAtItsFirstEquals) {
  const char* lines[][3] = {{"F2=Rename", "F2", "Rename"}, {"F3=", "F3", ""}, {"A=B=C", "A", "B=C"},
                            {"=Value", "", "Value"},       {"No equals", "No equals", ""}};
  for (const auto& [line, name, value] : lines) {
    EXPECT_EQ(SplitPanelLine(line).name, name) << line;
    EXPECT_EQ(SplitPanelLine(line).value, value) << line;
  }
}

}  // namespace
}  // namespace quill
