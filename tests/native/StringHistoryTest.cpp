// The folder history behind Back and Forward and its drop-down lists.
#include "navigation/StringHistory.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quill {
namespace {

using Items = std::vector<std::string>;

std::string Folder(int n) { return "C:\\F" + std::to_string(n); }

// A history of capacity 12 with folders F1 .. Fn visited, counting change events.
struct Visited {
  explicit Visited(int n) {
    history.OnChange = [this](TStringHistory&) { ++changes; };
    for (int i = 1; i <= n; ++i) history.Add(Folder(i));
  }
  TStringHistory history{12};
  int changes = 0;
};

TEST(StringHistoryTest, ThirteenVisitsKeepTheNewestTwelve) {
  Visited v(13);
  EXPECT_EQ(v.history.Last(), 11);
  EXPECT_EQ(v.history.Position(), 11);
  EXPECT_EQ(v.history.Item(0), Folder(2));
  EXPECT_EQ(v.history.Item(11), Folder(13));
  EXPECT_EQ(v.history.Item(12), "");
  EXPECT_EQ(v.history.Item(-1), "");

  // Going back all the way takes eleven steps and ends at F2, the eleventh before the newest.
  std::string reached;
  int steps = 0;
  while (v.history.CanBack()) {
    reached = v.history.Back();
    ++steps;
  }
  EXPECT_EQ(steps, 11);
  EXPECT_EQ(reached, Folder(2));
  EXPECT_EQ(v.history.Back(), "");
  EXPECT_EQ(v.history.Position(), 0);
}

TEST(StringHistoryTest, ANewFolderAfterTwoBacksDropsTheForwardEntries) {
  Visited v(5);
  EXPECT_EQ(v.history.Back(), Folder(4));
  EXPECT_EQ(v.history.Back(), Folder(3));
  EXPECT_TRUE(v.history.CanForward());
  EXPECT_EQ(ForwardMenuItems(v.history), (Items{Folder(4), Folder(5)}));

  v.history.Add("D:\\New");
  EXPECT_EQ(v.history.Last(), 3);
  EXPECT_EQ(v.history.Position(), 3);
  EXPECT_FALSE(v.history.CanForward());
  EXPECT_EQ(v.history.Forward(), "");
  EXPECT_EQ(v.history.Item(3), "D:\\New");
  EXPECT_EQ(v.history.Item(4), "");
  EXPECT_EQ(BackMenuItems(v.history), (Items{Folder(1), Folder(2), Folder(3)}));
}

TEST(StringHistoryTest, AFullHistoryGoneBackDoesNotShift) {
  // Adding after a Back replaces the forward part even when the history is full, so the oldest
  // entry stays.
  Visited v(12);
  v.history.Back();
  v.history.Add("D:\\New");
  EXPECT_EQ(v.history.Item(0), Folder(1));
  EXPECT_EQ(v.history.Item(11), "D:\\New");
  EXPECT_EQ(v.history.Last(), 11);
}

TEST(StringHistoryTest, ChoosingFromTheBackListAddsANewNewestEntry) {
  Visited v(4);
  const Items back = BackMenuItems(v.history);
  ASSERT_EQ(back, (Items{Folder(1), Folder(2), Folder(3)}));
  EXPECT_TRUE(ForwardMenuItems(v.history).empty());

  // A drop-down choice is an ordinary folder change: the path is added, the position does not
  // move back to it.
  v.history.Add(back[1]);
  EXPECT_EQ(v.history.Last(), 4);
  EXPECT_EQ(v.history.Position(), 4);
  EXPECT_EQ(v.history.Item(4), Folder(2));
  EXPECT_EQ(BackMenuItems(v.history), (Items{Folder(1), Folder(2), Folder(3), Folder(4)}));
}

TEST(StringHistoryTest, DropDownListsFollowThePosition) {
  TStringHistory empty(12);
  EXPECT_TRUE(BackMenuItems(empty).empty());
  EXPECT_TRUE(ForwardMenuItems(empty).empty());
  EXPECT_FALSE(empty.CanBack());
  EXPECT_FALSE(empty.CanForward());
  EXPECT_EQ(empty.Back(), "");

  Visited v(4);
  v.history.Back();
  v.history.Back();
  EXPECT_EQ(BackMenuItems(v.history), (Items{Folder(1)}));
  EXPECT_EQ(ForwardMenuItems(v.history), (Items{Folder(3), Folder(4)}));
  EXPECT_EQ(v.history.Forward(), Folder(3));
  EXPECT_EQ(ForwardMenuItems(v.history), (Items{Folder(4)}));
}

TEST(StringHistoryTest, EveryChangeRaisesOneEventAndNonChangesNone) {
  Visited v(3);
  EXPECT_EQ(v.changes, 3);
  v.history.Back();
  v.history.Back();
  EXPECT_EQ(v.changes, 5);
  v.history.Back();  // at the oldest already
  EXPECT_EQ(v.changes, 5);
  v.history.Add("D:\\");  // truncates and stores: still one event
  EXPECT_EQ(v.changes, 6);
  v.history.Forward();  // at the newest
  v.history.Truncate(v.history.Last());
  EXPECT_EQ(v.changes, 6);
}

TEST(StringHistoryTest, TheSameFolderTwiceIsTwoEntries) {
  TStringHistory history(12);
  history.Add("C:\\");
  history.Add("C:\\");
  EXPECT_EQ(history.Last(), 1);
  EXPECT_TRUE(history.CanBack());
}

TEST(StringHistoryTest, TruncateKeepsTheStartAndAValidPosition) {
  Visited v(6);
  v.history.Truncate(7);  // past the newest: nothing
  EXPECT_EQ(v.history.Last(), 5);

  v.history.Truncate(2);
  EXPECT_EQ(v.history.Last(), 2);
  EXPECT_EQ(v.history.Item(3), "");
  // The current item went with the rest; the newest kept one becomes current.
  EXPECT_EQ(v.history.Position(), 2);
  EXPECT_FALSE(v.history.CanForward());
  EXPECT_EQ(v.changes, 7);

  v.history.Truncate(-5);  // counts as 0: the oldest item stays
  EXPECT_EQ(v.history.Last(), 0);
  EXPECT_EQ(v.history.Position(), 0);
  EXPECT_EQ(v.history.Item(0), Folder(1));

  // Refilling after a truncate appends behind the kept item, not behind stale ones.
  v.history.Add("D:\\");
  EXPECT_EQ(v.history.Item(1), "D:\\");
  EXPECT_EQ(v.history.Last(), 1);

  TStringHistory empty(12);
  empty.Truncate(-1);
  EXPECT_EQ(empty.Last(), -1);
  EXPECT_EQ(empty.Position(), -1);
  EXPECT_EQ(empty.Item(0), "");
}

TEST(StringHistoryTest, TruncateBehindThePositionKeepsIt) {
  Visited v(6);
  v.history.Back();
  v.history.Back();
  v.history.Back();  // position 2
  v.history.Truncate(4);
  EXPECT_EQ(v.history.Position(), 2);
  EXPECT_EQ(ForwardMenuItems(v.history), (Items{Folder(4), Folder(5)}));
}

TEST(StringHistoryTest, CapacityOneKeepsOnlyTheNewest) {
  TStringHistory one(1);
  one.Add("A");
  one.Add("B");
  EXPECT_EQ(one.Last(), 0);
  EXPECT_EQ(one.Item(0), "B");
  EXPECT_FALSE(one.CanBack());

  TStringHistory none(0);  // taken as 1
  EXPECT_EQ(none.Capacity(), 1);
  none.Add("A");
  EXPECT_EQ(none.Item(0), "A");
}

}  // namespace
}  // namespace quill
