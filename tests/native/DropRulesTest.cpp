// Files dragged over the pane: where they would land, what is refused, and the effect chosen
// from the keys, the source's allowed effects and the drives.
#include "app/DropRules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/FileSystem.h"

namespace quill {
namespace {

const ICollator& kNames = TAsciiCollator::Instance();
constexpr unsigned kAll = kEffectCopy | kEffectMove | kEffectLink;

TEST(DropRulesTest, TargetIsAnUnselectedFolderUnderThePointerElseTheFolderShown) {
  TFiles files;
  files.AddEntry("..", "", faDirectory, 0, 0);      // 0
  files.AddEntry("Sub", "", faDirectory, 0, 0);     // 1
  files.AddEntry("Picked", "", faDirectory, 0, 0);  // 2, selected
  files.AddFile("a.txt", 1, faArchive, 0);          // 3
  files.AddEntry("D", "", faDrive, 0, 0);           // 4
  files.Items(2)->Selected = true;

  const auto at = [&](int hit) { return DropPlaceAt(files, "C:\\Work", hit, 3); };
  EXPECT_EQ(at(1).folder, "C:\\Work\\Sub");
  EXPECT_EQ(at(1).focus, 1);
  EXPECT_EQ(at(0).folder, "C:\\");
  for (const int elsewhere : {2, 3, 4, -1, 99}) {
    EXPECT_EQ(at(elsewhere).folder, "C:\\Work") << elsewhere;
    EXPECT_EQ(at(elsewhere).focus, 3) << elsewhere;
  }

  EXPECT_EQ(DropSourceFolder({"C:\\Src\\a.txt", "D:\\b.txt"}), "C:\\Src");
  EXPECT_EQ(DropSourceFolder({"C:\\a.txt"}), "C:\\");
  EXPECT_EQ(DropSourceFolder({"\\\\srv\\share\\x.doc"}), "\\\\srv\\share");
}

TEST(DropRulesTest, TheSourceFolderAndTheDraggedFoldersThemselvesAreRefused) {
  const std::vector<std::string> dragged = {"C:\\Src\\Sub", "C:\\Src\\a.txt"};
  EXPECT_TRUE(DropRefused("c:\\SRC\\", "C:\\Src", dragged, kNames));
  EXPECT_TRUE(DropRefused("C:\\src\\sub", "C:\\Src", dragged, kNames));
  EXPECT_FALSE(DropRefused("C:\\Src\\Other", "C:\\Src", dragged, kNames));
  EXPECT_FALSE(DropRefused("C:\\", "C:\\Src", dragged, kNames));

  EXPECT_TRUE(OnSameDrive("c:\\a", "C:\\b\\c", kNames));
  EXPECT_FALSE(OnSameDrive("C:\\a", "D:\\a", kNames));
  EXPECT_TRUE(OnSameDrive("\\\\Srv\\Share\\a", "\\\\srv\\share", kNames));
  EXPECT_FALSE(OnSameDrive("\\\\srv\\one\\a", "\\\\srv\\two\\a", kNames));
}

TEST(DropRulesTest, EffectByKeysAllowedEffectsAndDrives) {
  const unsigned left = kKeyLeftButton, shift = kKeyShift, ctrl = kKeyControl;
  // Nothing at all when refused or inside an archive, whatever the keys.
  EXPECT_EQ(DropEffectFor(left | ctrl, kAll, true, false, true), kEffectNone);
  EXPECT_EQ(DropEffectFor(left | shift, kAll, false, true, true), kEffectNone);
  // Keys first, each only when the source allows it.
  EXPECT_EQ(DropEffectFor(left | shift | ctrl, kAll, false, false, false), kEffectLink);
  EXPECT_EQ(DropEffectFor(left | shift | ctrl, kEffectCopy | kEffectMove, false, false, false), kEffectMove);
  EXPECT_EQ(DropEffectFor(left | shift | ctrl, kEffectCopy, false, false, false), kEffectCopy);
  EXPECT_EQ(DropEffectFor(left | shift, kEffectCopy | kEffectLink, false, false, true), kEffectCopy);
  EXPECT_EQ(DropEffectFor(left | ctrl, kAll, false, false, true), kEffectCopy);
  // No keys: a move on the drive the files come from, else the first allowed of copy, move, link.
  EXPECT_EQ(DropEffectFor(left, kAll, false, false, true), kEffectMove);
  EXPECT_EQ(DropEffectFor(left, kAll, false, false, false), kEffectCopy);
  EXPECT_EQ(DropEffectFor(left, kEffectMove | kEffectLink, false, false, false), kEffectMove);
  EXPECT_EQ(DropEffectFor(left, kEffectLink, false, false, true), kEffectLink);
  EXPECT_EQ(DropEffectFor(left, kEffectNone, false, false, true), kEffectNone);

  // Scrolling within 14 pixels of the top and 15 of the bottom.
  EXPECT_EQ(DropScrollAt(13, 300), -1);
  EXPECT_EQ(DropScrollAt(14, 300), 0);
  EXPECT_EQ(DropScrollAt(284, 300), 0);
  EXPECT_EQ(DropScrollAt(285, 300), 1);
}

}  // namespace
}  // namespace quill
