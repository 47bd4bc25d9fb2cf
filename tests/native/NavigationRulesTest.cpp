// Work-folder slots and their caption colours, and the destination prompt's decision.
#include <gtest/gtest.h>

#include "base/FileSystem.h"
#include "navigation/Destination.h"
#include "navigation/WorkFolders.h"

namespace quill {
namespace {

constexpr uint32_t kWindowText = 0x00123456;

TEST(WorkFoldersTest, CaptionColourRule) {
  EXPECT_EQ(WorkFolderColor("", "C:\\Work", kWindowText), kWindowText);
  EXPECT_EQ(WorkFolderColor("", "", kWindowText), kWindowText);
  EXPECT_EQ(WorkFolderColor("C:\\Work", "C:\\Work", kWindowText), 0x00FF00FFu);
  EXPECT_EQ(WorkFolderColor("C:\\WORK", "c:\\work", kWindowText), 0x00FF00FFu);
  EXPECT_EQ(WorkFolderColor("C:\\Work", "C:\\Work\\Sub", kWindowText), 0x00FFFF00u);
  EXPECT_EQ(WorkFolderColor("C:\\Work", "", kWindowText), 0x00FFFF00u);
}

TEST(WorkFoldersTest, TwoSlotsOnTheCurrentFolderAreBothFuchsia) {
  TWorkFolders work;
  EXPECT_EQ(work.Click(1, "C:\\Work"), std::nullopt);  // empty slot: stores
  EXPECT_TRUE(work.Set(2, "C:\\Work"));
  EXPECT_EQ(work.Color(1, "c:\\WORK", kWindowText), kWorkFolderCurrentColor);
  EXPECT_EQ(work.Color(2, "c:\\WORK", kWindowText), kWorkFolderCurrentColor);
  EXPECT_EQ(work.Color(3, "c:\\WORK", kWindowText), kWindowText);
  EXPECT_EQ(work.Color(1, "D:\\", kWindowText), kWorkFolderOtherColor);
  EXPECT_EQ(work.Color(2, "D:\\", kWindowText), kWorkFolderOtherColor);
}

TEST(WorkFoldersTest, SetOnlyFillsAnEmptySlotAndRightClickClears) {
  TWorkFolders work;
  EXPECT_EQ(work.Hint(1), "Work Folder");
  EXPECT_TRUE(work.Set(1, "C:\\One"));
  EXPECT_FALSE(work.Set(1, "C:\\Two"));
  EXPECT_EQ(work.Folder(1), "C:\\One");
  EXPECT_EQ(work.Hint(1), "C:\\One");

  // A click on a set slot shows it and leaves it as it is.
  EXPECT_EQ(work.Click(1, "D:\\Elsewhere"), "C:\\One");
  EXPECT_EQ(work.Folder(1), "C:\\One");

  work.Clear(1);
  EXPECT_FALSE(work.IsSet(1));
  EXPECT_EQ(work.Hint(1), "Work Folder");
  EXPECT_TRUE(work.Set(1, "C:\\Two"));
  EXPECT_EQ(work.Folder(1), "C:\\Two");
}

TEST(WorkFoldersTest, SlotNumbersOutsideOneToThreeAreInert) {
  TWorkFolders work;
  for (int slot : {0, 4, -1}) {
    EXPECT_FALSE(work.Set(slot, "C:\\"));
    EXPECT_EQ(work.Click(slot, "C:\\"), std::nullopt);
    work.Clear(slot);
    EXPECT_EQ(work.Folder(slot), "");
    EXPECT_EQ(work.Color(slot, "C:\\", kWindowText), kWindowText);
  }
  // Without a current folder there is nothing to store.
  EXPECT_FALSE(work.Set(3, ""));
  EXPECT_FALSE(work.IsSet(3));
}

TEST(DestinationTest, TheDriveOfTheEnteredText) {
  EXPECT_EQ(DestinationDrive("a:\\x", 'C'), 'A');
  EXPECT_EQ(DestinationDrive("D:", 'C'), 'D');
  EXPECT_EQ(DestinationDrive("e", 'C'), 'E');
  EXPECT_EQ(DestinationDrive("\\Work", 'c'), 'C');
  EXPECT_EQ(DestinationDrive("Work", 'C'), 'C');  // relative: the pane's drive
  EXPECT_EQ(DestinationDrive("", 'C'), 'C');
  EXPECT_EQ(DestinationDrive("\\\\server\\share", 'C'), 'C');
}

TEST(DestinationTest, Decisions) {
  struct Case {
    const char* entered;
    uint32_t driveType;
    bool noTreeA;
    TDestinationDecision expected;
  } cases[] = {
      {"A:\\Sub", kDriveRemovable, true, {daUseDriveRoot, "A:\\", 'A'}},
      {"a", kDriveRemovable, true, {daUseDriveRoot, "A:\\", 'A'}},
      {"\\Sub", kDriveRemovable, true, {daUseDriveRoot, "B:\\", 'B'}},  // the pane is on B:
      {"A:\\Sub", kDriveRemovable, false, {daUsePath, "A:\\Sub", 0}},
      {"a", kDriveRemovable, false, {daChooseFolder, "", 'A'}},
      {"D", kDriveFixed, true, {daChooseFolder, "", 'D'}},
      {"", kDriveFixed, false, {daChooseFolder, "", 'B'}},
      {"\\", kDriveFixed, false, {daChooseFolder, "", 'B'}},
      {"/Work", kDriveFixed, false, {daChooseFolder, "", 'B'}},
      {"\\\\server\\share", kDriveRemote, false, {daChooseFolder, "", 'B'}},
      {"D:", kDriveFixed, false, {daUsePath, "D:", 0}},
      {"D:\\Target", kDriveCdRom, true, {daUsePath, "D:\\Target", 0}},
      {"Sub\\Dir", kDriveFixed, false, {daUsePath, "Sub\\Dir", 0}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DecideDestination(c.entered, c.driveType, c.noTreeA, 'B'), c.expected) << c.entered;
  }
}

}  // namespace
}  // namespace quill
