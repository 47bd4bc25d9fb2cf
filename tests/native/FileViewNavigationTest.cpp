#include "fileview/FileViewNavigation.h"

#include <gtest/gtest.h>

#include <random>

#include "base/Text.h"

namespace quill {
namespace {

constexpr TNavResult kNothing{};
TNavResult Focus(int target) { return {naFocus, target}; }

// 100 entries: 4 folders (the parent entry first), 91 files, 5 drive entries. Pages of
// 10 rows by 3 columns.
TNavState ListState(int focused, int firstVisible) {
  TNavState state;
  state.Focused = focused;
  state.Count = 100;
  state.FirstVisible = firstVisible;
  state.RowsPerPage = 10;
  state.Columns = 3;
  state.Style = vsList;
  state.Folders = 4;
  state.Drives = 5;
  return state;
}

// 30 entries in pages of 3 rows by 4 columns.
TNavState IconState(int focused, int firstVisible) {
  TNavState state;
  state.Focused = focused;
  state.Count = 30;
  state.FirstVisible = firstVisible;
  state.RowsPerPage = 3;
  state.Columns = 4;
  state.Style = vsIcon;
  state.Folders = 2;
  state.Drives = 3;
  return state;
}

struct KeyCase {
  TNavKey key;
  int focused, firstVisible;
  TNavResult expected;
};

void RunCases(const KeyCase* cases, size_t count, TNavState (*makeState)(int, int)) {
  for (size_t i = 0; i < count; ++i) {
    const KeyCase& c = cases[i];
    SCOPED_TRACE(Format("case %zu: key %d, focus %d, first %d", i, c.key, c.focused, c.firstVisible));
    const TNavResult result = KeyTarget(c.key, makeState(c.focused, c.firstVisible));
    EXPECT_EQ(result.Action, c.expected.Action);
    EXPECT_EQ(result.Target, c.expected.Target);
  }
}

TEST(FileViewNavigation, ListStyleKeys) {
  const KeyCase cases[] = {
      // Page Up: to the page start, then a whole page back, never before the list.
      {nkPageUp, 35, 30, Focus(30)},
      {nkPageUp, 30, 30, Focus(0)},
      {nkPageUp, 0, 0, kNothing},
      {nkPageUp, 5, 0, Focus(0)},
      // Page Down: to the page end, then a page on, at most the last entry.
      {nkPageDown, 35, 30, Focus(59)},
      {nkPageDown, 59, 30, Focus(89)},
      {nkPageDown, 89, 60, Focus(99)},
      {nkPageDown, 95, 90, Focus(99)},  // the last page ends at the list's end
      {nkPageDown, 99, 90, kNothing},
      // Left: a row's width back, or one back from the first column.
      {nkLeft, 45, 30, Focus(35)},
      {nkLeft, 35, 30, Focus(34)},
      {nkLeft, 40, 30, Focus(30)},  // first entry of the second column
      {nkLeft, 30, 30, Focus(29)},
      {nkLeft, 0, 0, kNothing},
      // Right: a row's width on, or one on when fewer than a column follow on the page.
      {nkRight, 35, 30, Focus(45)},
      {nkRight, 49, 30, Focus(59)},
      {nkRight, 50, 30, Focus(51)},
      {nkRight, 59, 30, Focus(60)},
      {nkRight, 92, 90, Focus(93)},  // the short last page
      {nkRight, 99, 90, kNothing},
      {nkUp, 35, 30, Focus(34)},
      {nkUp, 30, 30, Focus(29)},
      {nkUp, 0, 0, kNothing},
      {nkDown, 35, 30, Focus(36)},
      {nkDown, 59, 30, Focus(60)},
      {nkDown, 99, 90, kNothing},
      {nkHome, 35, 30, Focus(0)},
      {nkHome, 0, 0, kNothing},
      {nkEnd, 35, 30, Focus(99)},
      {nkFirstDrive, 35, 30, Focus(95)},
      {nkCtrlPageUp, 35, 30, Focus(0)},
      {nkCtrlPageDown, 35, 30, Focus(3)},
      {nkCtrlHome, 35, 30, Focus(4)},
      {nkCtrlEnd, 35, 30, Focus(94)},
      // A focus scrolled off the page: any key only brings its page back.
      {nkDown, 35, 0, {naAdjustPage, 35}},
      {nkHome, 35, 60, {naAdjustPage, 35}},
      {nkCtrlEnd, 5, 30, {naAdjustPage, 5}},
  };
  RunCases(cases, std::size(cases), ListState);
}

TEST(FileViewNavigation, IconStyleKeys) {
  const KeyCase cases[] = {
      {nkLeft, 13, 12, Focus(12)},
      {nkLeft, 12, 12, Focus(11)},
      {nkLeft, 0, 0, kNothing},
      {nkRight, 13, 12, Focus(14)},
      {nkRight, 23, 12, Focus(24)},
      {nkRight, 29, 24, kNothing},
      {nkUp, 17, 12, Focus(13)},
      {nkUp, 13, 12, Focus(9)},
      {nkUp, 2, 0, kNothing},
      {nkDown, 21, 12, Focus(25)},
      {nkDown, 27, 24, Focus(29)},  // at most the last entry
      {nkDown, 29, 24, kNothing},
      {nkPageUp, 24, 24, Focus(12)},
      {nkPageUp, 26, 24, Focus(24)},
      {nkPageDown, 12, 12, Focus(23)},
      {nkPageDown, 23, 12, Focus(29)},
      {nkPageDown, 29, 24, kNothing},
      {nkEnd, 3, 0, Focus(29)},
      {nkFirstDrive, 3, 0, Focus(27)},
      {nkCtrlPageDown, 3, 0, Focus(1)},
      {nkCtrlHome, 3, 0, Focus(2)},
      {nkCtrlEnd, 3, 0, Focus(26)},
      {nkUp, 3, 12, {naAdjustPage, 3}},
  };
  RunCases(cases, std::size(cases), IconState);
}

TEST(FileViewNavigation, KindKeysNeedTheirKind) {
  TNavState onlyDrives = ListState(2, 0);
  onlyDrives.Count = 6;
  onlyDrives.Folders = 0;
  onlyDrives.Drives = 6;
  EXPECT_EQ(KeyTarget(nkCtrlPageUp, onlyDrives), kNothing);
  EXPECT_EQ(KeyTarget(nkCtrlPageDown, onlyDrives), kNothing);
  EXPECT_EQ(KeyTarget(nkCtrlHome, onlyDrives), kNothing);
  EXPECT_EQ(KeyTarget(nkCtrlEnd, onlyDrives), kNothing);
  EXPECT_EQ(KeyTarget(nkFirstDrive, onlyDrives), Focus(0));

  TNavState noDrives = ListState(2, 0);
  noDrives.Drives = 0;
  EXPECT_EQ(KeyTarget(nkFirstDrive, noDrives), kNothing);  // would be Count
  EXPECT_EQ(KeyTarget(nkCtrlEnd, noDrives), Focus(99));
}

TEST(FileViewNavigation, EmptyOrUnfocusedPane) {
  TNavState empty;
  for (int key = nkPageUp; key <= nkCtrlEnd; ++key)
    EXPECT_EQ(KeyTarget(static_cast<TNavKey>(key), empty), kNothing) << key;

  TNavState unfocused = ListState(-1, 0);
  EXPECT_EQ(KeyTarget(nkDown, unfocused), kNothing);
  EXPECT_EQ(KeyTarget(nkPageDown, unfocused), kNothing);
  EXPECT_EQ(KeyTarget(nkHome, unfocused), Focus(0));
  EXPECT_EQ(KeyTarget(nkEnd, unfocused), Focus(99));
}

// Whatever the layout, a key either leaves the focus, brings its page back, or names another
// entry of the list.
TEST(FileViewNavigation, TargetsStayInTheList) {
  std::mt19937 random(7);
  for (int round = 0; round < 20000; ++round) {
    TNavState state;
    state.Count = std::uniform_int_distribution<int>(1, 200)(random);
    state.RowsPerPage = std::uniform_int_distribution<int>(1, 12)(random);
    state.Columns = std::uniform_int_distribution<int>(1, 6)(random);
    state.Style = (round & 1) ? vsIcon : vsList;
    state.Drives = std::uniform_int_distribution<int>(0, std::min(state.Count, 27))(random);
    state.Folders = std::uniform_int_distribution<int>(0, state.Count - state.Drives)(random);
    state.Focused = std::uniform_int_distribution<int>(0, state.Count - 1)(random);
    const bool shown = (round % 5) != 0;
    state.FirstVisible = shown ? PageStart(state.Focused, state.PageSize(), state.Count)
                               : PageStart(std::uniform_int_distribution<int>(0, state.Count - 1)(random),
                                           state.PageSize(), state.Count);
    const bool onPage = OnPage(state.Focused, state.FirstVisible, state.PageSize(), state.Count);
    for (int key = nkPageUp; key <= nkCtrlEnd; ++key) {
      const TNavResult result = KeyTarget(static_cast<TNavKey>(key), state);
      SCOPED_TRACE(Format("key %d count %d focus %d first %d rows %d columns %d", key, state.Count,
                          state.Focused, state.FirstVisible, state.RowsPerPage, state.Columns));
      if (!onPage) {
        ASSERT_EQ(result, (TNavResult{naAdjustPage, state.Focused}));
        continue;
      }
      if (result.Action == naNone) continue;
      ASSERT_EQ(result.Action, naFocus);
      ASSERT_GE(result.Target, 0);
      ASSERT_LT(result.Target, state.Count);
      ASSERT_NE(result.Target, state.Focused);
    }
  }
}

TEST(FileViewNavigation, PagingRule) {
  EXPECT_EQ(PageStart(35, 30, 100), 30);
  EXPECT_EQ(PageStart(30, 30, 100), 30);
  EXPECT_EQ(PageStart(29, 30, 100), 0);
  EXPECT_EQ(PageStart(99, 30, 100), 90);
  EXPECT_EQ(PageStart(0, 30, 0), -1);
  EXPECT_EQ(PageStart(-1, 30, 0), -1);
  EXPECT_EQ(PageStart(5, 0, 10), 5);  // a page is never smaller than one entry

  EXPECT_EQ(PageEnd(90, 30, 100), 99);
  EXPECT_EQ(PageEnd(30, 30, 100), 59);
  EXPECT_TRUE(OnPage(59, 30, 30, 100));
  EXPECT_FALSE(OnPage(60, 30, 30, 100));
  EXPECT_FALSE(OnPage(29, 30, 30, 100));
  EXPECT_FALSE(OnPage(0, -1, 30, 0));

  EXPECT_EQ(PageCount(0, 30), 0);
  EXPECT_EQ(PageCount(30, 30), 1);
  EXPECT_EQ(PageCount(31, 30), 2);
  EXPECT_EQ(PageCount(100, 30), 4);
}

TEST(FileViewNavigation, ScrollBarPages) {
  struct Case {
    TScrollAction action;
    int page, thumb, pages, expected;
  };
  const Case cases[] = {
      {saLineDown, 1, 0, 4, 2}, {saPageDown, 3, 0, 4, 3}, {saLineUp, 0, 0, 4, 0}, {saPageUp, 2, 0, 4, 1},
      {saThumb, 1, 3, 4, 3},    {saThumb, 1, 9, 4, 3},    {saTop, 2, 0, 4, 2},    {saBottom, 2, 0, 4, 2},
      {saEndScroll, 2, 0, 4, 2}, {saLineDown, 0, 0, 0, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ScrollPage(c.action, c.page, c.thumb, c.pages), c.expected) << c.action << " from " << c.page;
}

}  // namespace
}  // namespace quill
