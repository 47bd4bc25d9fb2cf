#include "tree/TreeScan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "FakeVolume.h"
#include "base/Text.h"

namespace quill {
namespace {

// A volume on which some folders cannot be read.
class TLockedVolume : public test::TFakeVolume {
public:
  bool Enumerate(const std::string& pattern, const std::function<void(const TFindData&)>& found) override {
    if (locked.count(UpperAscii(FileDirPart(pattern)))) return false;
    return TFakeVolume::Enumerate(pattern, found);
  }
  std::set<std::string> locked;
};

class TreeScanTest : public ::testing::Test {
protected:
  TreeScanTest() {
    volume.MakeFolder("C:\\Windows");
    volume.MakeFolder("C:\\Windows\\System32");
    volume.MakeFile("C:\\Windows\\win.ini");
    volume.MakeFolder("C:\\Program Files", faReadOnly);
    volume.MakeFolder("C:\\Program Files\\Common", faHidden | faSystem);
    volume.MakeFolder("C:\\Link", kFaReparsePoint);
    volume.MakeFolder("C:\\Link\\Inside");
    volume.MakeFolder("C:\\Locked");
    volume.MakeFolder("C:\\Locked\\Inside");
    volume.locked.insert("C:\\LOCKED");
    volume.MakeFolder("C:\\Apps");
    volume.SetCurrentDir("C:\\Windows");
  }
  TLockedVolume volume;
  TTreeScanner scanner{volume};
};

TEST_F(TreeScanTest, ReadsTheDriveInDirectoryOrder) {
  std::vector<std::string> names;
  scanner.OnScan = [&](const std::string& name, int count) {
    names.push_back(name + "#" + std::to_string(count));
    return true;
  };
  std::vector<std::string> lines{"stale"};
  ASSERT_TRUE(scanner.ScanDirectory("C:\\", lines));
  EXPECT_EQ(lines, (std::vector<std::string>{"1 0C:", "1 1Windows", "1 2System32", "1 1Program Files", "1 2Common",
                                              "1 1Link", "1 1Apps"}));
  EXPECT_EQ(names, (std::vector<std::string>{"Windows#1", "System32#2", "Program Files#3", "Common#4", "Apps#6"}));
  EXPECT_EQ(scanner.Stats().folders, 6);
  EXPECT_EQ(scanner.Stats().links, 1);
  EXPECT_EQ(scanner.Stats().unreadable, 1);
  EXPECT_FALSE(scanner.Stats().cancelled);
  EXPECT_EQ(volume.CurrentDir(), "C:\\Windows");

  // A folder below the root: its level from its depth, a trailing separator or not.
  ASSERT_TRUE(scanner.ScanDirectory("C:\\Program Files\\", lines));
  EXPECT_EQ(lines, (std::vector<std::string>{"1 1Program Files", "1 2Common"}));
  ASSERT_TRUE(scanner.ScanDirectory("C:\\Windows\\System32", lines));
  EXPECT_EQ(lines, std::vector<std::string>{"1 2System32"});

  // A folder that cannot be entered: false, lines as they were.
  EXPECT_FALSE(scanner.ScanDirectory("C:\\Locked", lines));
  EXPECT_FALSE(scanner.ScanDirectory("C:\\Missing", lines));
  EXPECT_EQ(lines, std::vector<std::string>{"1 2System32"});

  TTreeItems items;
  ASSERT_TRUE(scanner.ScanTree("C:\\", items));
  EXPECT_EQ(items.Count, 7);
  EXPECT_EQ(items.Root->FirstChild->Name, "Apps");
  EXPECT_TRUE(items.FindItem("C:\\Program Files\\Common"));
  ASSERT_TRUE(items.FindItem("C:\\Link"));
  EXPECT_FALSE(items.FindItem("C:\\Link\\Inside"));
}

TEST_F(TreeScanTest, CancellingKeepsAWellFormedPart) {
  scanner.OnScan = [&](const std::string&, int count) { return count < 3; };
  std::vector<std::string> lines;
  EXPECT_FALSE(scanner.ScanDirectory("C:\\", lines));
  EXPECT_TRUE(scanner.Stats().cancelled);
  EXPECT_EQ(lines, (std::vector<std::string>{"1 0C:", "1 1Windows", "1 2System32"}));
  EXPECT_EQ(volume.CurrentDir(), "C:\\Windows");
  TTreeItems items;
  EXPECT_FALSE(scanner.ScanTree("C:\\", items));  // cancelled, though the part loaded
  EXPECT_EQ(items.Count, 3);
}

TEST_F(TreeScanTest, AFolderOfManyFilesKeepsTheHostAliveWhileListed) {
  volume.MakeFolder("C:\\Big");
  for (int i = 0; i < 9000; ++i) volume.MakeFile("C:\\Big\\f" + std::to_string(i));
  int busy = 0;
  scanner.OnBusy = [&] { ++busy; };
  std::vector<std::string> lines;
  ASSERT_TRUE(scanner.ScanDirectory("C:\\Big", lines));
  EXPECT_EQ(busy, 2);  // 9,002 entries with "." and ".."
  EXPECT_EQ(lines, std::vector<std::string>{"1 1Big"});
}

TEST_F(TreeScanTest, LongPathsAndDeepFoldersAreLeftOutAndCounted) {
  // C:\Deep\a\a...: levels 1 to 101.
  std::string path = "C:\\Deep";
  volume.MakeFolder(path);
  for (int level = 2; level <= 101; ++level) volume.MakeFolder(path += "\\a");
  // C:\Long\xxx...: 1023 characters, and one below it.
  const std::string longest = "C:\\Long\\" + std::string(1023 - 8, 'x');
  volume.MakeFolder("C:\\Long");
  volume.MakeFolder(longest);
  volume.MakeFolder(longest + "\\y");
  volume.MakeFolder("C:\\Long\\" + std::string(1016, 'z'));

  TTreeItems items;
  ASSERT_TRUE(scanner.ScanTree("C:\\", items));
  EXPECT_EQ(scanner.Stats().tooLong, 2);
  EXPECT_EQ(scanner.Stats().tooDeep, 1);
  // The user is told both counts.
  EXPECT_EQ(LeftOutText(scanner.Stats()),
            "2 folders are left out of the tree: the path is longer than 1023 characters.\n"
            "1 folder is left out of the tree: nested deeper than 99 levels.");
  EXPECT_EQ(LeftOutText(TTreeScanStats{}), "");
  EXPECT_TRUE(items.FindItem(longest));
  int deepest = 0;
  for (TTreeItem* item = items.Root; item; item = items.GetNext(item)) deepest = std::max(deepest, item->Level);
  EXPECT_EQ(deepest, 99);
  // Everything scanned is written and reads back whole.
  std::vector<std::string> lines;
  EXPECT_EQ(items.SaveToStrings(lines), 0);
  EXPECT_EQ(static_cast<int>(lines.size()), items.Count);
}

}  // namespace
}  // namespace quill
