// The favourites organiser's rows: the edits, the shortcut texts and writing favorite.dat back.
#include "settings/OrganizeFavModel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/CodePage.h"
#include "navigation/Favorites.h"
#include "tests/native/MemoryFileStore.h"

namespace quill {
namespace {

const std::string kFile = "C:\\Quill\\favorite.dat";
using Lines = std::vector<std::string>;

class OrganizeFavModelTest : public ::testing::Test {
protected:
  void Open(const std::string& bytes) {
    store.files[kFile] = bytes;
    model.Load(store, codePage, kFile);
  }
  TMemoryFileStore store;
  TLatin1CodePage codePage;
  TOrganizeFavModel model;
};

TEST_F(OrganizeFavModelTest, EditsMoveTheSelectionWithTheRowAndStopAtTheEnds) {
  Open("Work=C:\\Work\r\nGames=D:\\Games\r\nRoot=C:\\\r\n");
  EXPECT_EQ(model.Selected(), 0);
  EXPECT_EQ(model.Name(1), "Games");
  EXPECT_EQ(model.Path(1), "D:\\Games");

  EXPECT_FALSE(model.Up()) << "the first row cannot go up";
  EXPECT_EQ(model.Lines(), (Lines{"Work=C:\\Work", "Games=D:\\Games", "Root=C:\\"}));
  EXPECT_TRUE(model.Down());
  EXPECT_EQ(model.Selected(), 1);
  EXPECT_TRUE(model.Down());
  EXPECT_FALSE(model.Down()) << "the last row cannot go down";
  EXPECT_EQ(model.Lines(), (Lines{"Games=D:\\Games", "Root=C:\\", "Work=C:\\Work"}));
  EXPECT_TRUE(model.Up());
  EXPECT_EQ(model.Selected(), 1);
  EXPECT_EQ(model.Lines(), (Lines{"Games=D:\\Games", "Work=C:\\Work", "Root=C:\\"}));

  // Rename keeps the path, a new path keeps the name; "=" or a line break in a name is refused.
  EXPECT_TRUE(model.Rename("Job"));
  EXPECT_FALSE(model.Rename("a=b"));
  EXPECT_FALSE(model.Rename("a\r\nb"));
  EXPECT_TRUE(model.ChangePath("E:\\Job"));
  EXPECT_FALSE(model.ChangePath("")) << "the folder chooser's cancel changes nothing";
  EXPECT_EQ(model.Lines()[1], "Job=E:\\Job");

  // Add appends and selects; Delete selects the row that moved up, or the new last row.
  EXPECT_TRUE(model.Add("New", "F:\\New"));
  EXPECT_EQ(model.Selected(), 3);
  model.Select(1);
  EXPECT_TRUE(model.Delete());
  EXPECT_EQ(model.Selected(), 1);
  EXPECT_EQ(model.Name(1), "Root");
  model.Select(2);
  EXPECT_TRUE(model.Delete());
  EXPECT_EQ(model.Selected(), 1);
  EXPECT_EQ(model.Lines(), (Lines{"Games=D:\\Games", "Root=C:\\"}));
  EXPECT_TRUE(model.Delete());
  EXPECT_TRUE(model.Delete());
  EXPECT_EQ(model.Selected(), TOrganizeFavModel::kNoRow);
  EXPECT_FALSE(model.Delete());
  EXPECT_FALSE(model.Up());
  EXPECT_FALSE(model.Rename("x"));
  model.Select(5);
  EXPECT_EQ(model.Selected(), TOrganizeFavModel::kNoRow);
}

TEST_F(OrganizeFavModelTest, OddLinesKeepTheirTextUntilEdited) {
  Open("no equals sign\n=C:\\Nameless\r\nTwo=C:\\a=b\n");
  EXPECT_EQ(model.Name(0), "no equals sign");
  EXPECT_EQ(model.Path(0), "");
  EXPECT_EQ(model.Name(1), "");
  EXPECT_EQ(model.Path(2), "C:\\a=b");
  model.Select(0);
  EXPECT_TRUE(model.ChangePath("C:\\Found"));
  EXPECT_EQ(model.Lines()[0], "no equals sign=C:\\Found");
}

TEST_F(OrganizeFavModelTest, ShortcutsNameTheShiftKeysThatOpenTheRow) {
  EXPECT_EQ(TOrganizeFavModel::ShortcutText(0), "( Shift + F1 )");
  EXPECT_EQ(TOrganizeFavModel::ShortcutText(9), "( Shift + F10 )");
  EXPECT_EQ(TOrganizeFavModel::ShortcutText(11), "( Shift + F12 )");
  EXPECT_EQ(TOrganizeFavModel::ShortcutText(12), "");
}

TEST_F(OrganizeFavModelTest, OnlySaveWritesAndTheMenuReadsWhatWasSaved) {
  Open("A=C:\\A\r\nB=C:\\B\r\n");
  model.Select(1);
  model.Up();
  model.Add("C", "C:\\C");
  EXPECT_EQ(store.writeCount, 0) << "edits stay in the dialog until OK";
  EXPECT_EQ(store.files[kFile], "A=C:\\A\r\nB=C:\\B\r\n");

  ASSERT_EQ(model.Save(store, codePage, kFile), 0u);
  EXPECT_EQ(store.files[kFile], "B=C:\\B\r\nA=C:\\A\r\nC=C:\\C\r\n");
  EXPECT_EQ(LoadFavorites(store, codePage, kFile),
            (std::vector<TFavorite>{{"B", "C:\\B"}, {"A", "C:\\A"}, {"C", "C:\\C"}}));

  // A failed write reports its code and leaves the file.
  model.Delete();
  store.failWrites = 5;
  EXPECT_EQ(model.Save(store, codePage, kFile), 5u);
  EXPECT_EQ(store.files[kFile], "B=C:\\B\r\nA=C:\\A\r\nC=C:\\C\r\n");

  // A missing file opens empty and is created by Save.
  store.failWrites = 0;
  TOrganizeFavModel fresh;
  fresh.Load(store, codePage, "C:\\Other\\favorite.dat");
  EXPECT_EQ(fresh.Count(), 0u);
  EXPECT_EQ(fresh.Selected(), TOrganizeFavModel::kNoRow);
  fresh.Add("Z", "C:\\Z");
  ASSERT_EQ(fresh.Save(store, codePage, "C:\\Other\\favorite.dat"), 0u);
  EXPECT_EQ(store.files["C:\\Other\\favorite.dat"], "Z=C:\\Z\r\n");
}

TEST_F(OrganizeFavModelTest, NamesOutsideTheCodePageSurviveARoundTrip) {
  const std::string korean = "\xED\x95\x9C\xEA\xB8\x80";  // two Hangul syllables
  const std::string cafe = "Caf\xC3\xA9";                 // fits Latin-1
  Open(cafe + "=C:\\" + cafe + "\r\n");
  EXPECT_EQ(model.Name(0), cafe) << "read through the ANSI code page";
  model.Add(korean, "C:\\" + korean);
  ASSERT_EQ(model.Save(store, codePage, kFile), 0u);
  EXPECT_EQ(store.files[kFile].rfind("\xEF\xBB\xBF", 0), 0u) << "written as UTF-8 with a BOM";

  TOrganizeFavModel reopened;
  reopened.Load(store, codePage, kFile);
  EXPECT_EQ(reopened.Lines(), (Lines{cafe + "=C:\\" + cafe, korean + "=C:\\" + korean}));
  // Back to ANSI once the last such name is gone.
  reopened.Select(1);
  reopened.Delete();
  ASSERT_EQ(reopened.Save(store, codePage, kFile), 0u);
  EXPECT_EQ(store.files[kFile], "Caf\xE9=C:\\Caf\xE9\r\n");
}

}  // namespace
}  // namespace quill
