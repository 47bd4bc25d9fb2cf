// The list Save Selected List writes, line by line and byte for byte.
#include "app/SelectedList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/FileSystem.h"

namespace quill {
namespace {

// File times here are minutes since 2024-03-09 00:00; 0 has no local time.
std::optional<TCalendarTime> Minutes(uint64_t time) {
  if (time == 0) return std::nullopt;
  return TCalendarTime{2024, 3, 9, static_cast<int>(time / 60), static_cast<int>(time % 60), 0};
}

TEST(SelectedListTest, FolderEntriesTotalsAndPaddingByCharacters) {
  TFiles files;
  files.AddEntry("..", "", faDirectory, 0, 0);
  files.AddEntry("Docs", "", faDirectory, 61, 0)->Selected = true;
  files.AddFile("readme.txt", 1234567, faArchive | faReadOnly, 7 * 60 + 5)->Selected = true;
  files.AddFile("skipped.bin", 999, faArchive, 1);  // not selected: neither listed nor counted
  files.AddFile("\xC3\xA9t\xC3\xA9.doc", 5, faHidden | 0x4, 23 * 60 + 59)->Selected = true;  // "été.doc"
  files.AddFile("notime", 0, 0, 0)->Selected = true;

  const std::vector<std::string> lines = SelectedListLines("C:\\Work", files, Minutes);
  // The longest name has 10 characters: every name is padded to 12, then a blank.
  const std::vector<std::string> expected = {
      "C:\\Work",
      "",
      "Docs         2024-03-09 01:01 ____",
      "readme.txt   2024-03-09 07:05 A_R_",
      "\xC3\xA9t\xC3\xA9.doc      2024-03-09 23:59 _H_S",
      "notime        ____",
      "",
      "1 Folders, 3 Files",
      "1,234,572 bytes",
  };
  EXPECT_EQ(lines, expected);
}

TEST(SelectedListTest, NothingSelectedGivesNoText) {
  TFiles files;
  files.AddEntry("..", "", faDirectory, 0, 0);
  files.AddFile("a.txt", 3, faArchive, 5);
  EXPECT_TRUE(SelectedListLines("C:\\", files, Minutes).empty());
  files.Items(1)->Selected = true;
  EXPECT_EQ(SelectedListLines("C:\\", files, Minutes),
            (std::vector<std::string>{"C:\\", "", "a.txt   2024-03-09 00:05 A___", "", "0 Folders, 1 Files", "3 bytes"}));
}

}  // namespace
}  // namespace quill
