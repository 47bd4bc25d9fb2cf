#include "drivewin/DriveList.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "tests/native/FakeVolume.h"

namespace quill {
namespace {

constexpr uint64_t kGiB = 1ull << 30;

// A machine with every kind of drive: a floppy, a labelled and an unlabelled fixed disk, a
// CD-ROM drive with and one without a disc, and a network drive.
class DriveListTest : public ::testing::Test {
protected:
  DriveListTest() {
    fs.drives.clear();
    fs.AddDrive('A', kDriveRemovable, "BOOTDISK");
    fs.AddDrive('C', kDriveFixed, "SYSTEM");
    fs.AddDrive('D', kDriveFixed, "");
    fs.AddDrive('E', kDriveCdRom, "", false);
    fs.AddDrive('F', kDriveCdRom, "MOVIES");
    fs.AddDrive('N', kDriveRemote, "share");
    for (char letter : std::string("ACDEFN")) sizes[std::string{letter, ':', '\\'}] = (letter - 'A' + 1) * kGiB;
  }
  std::vector<TDriveItem> Build(const std::array<std::string, 3>* work = nullptr, std::string_view hidden = {}) {
    return BuildDriveItems(
        fs, [this](const std::string& root) { asked.push_back(root); return sizes[root]; }, work, hidden);
  }
  static std::vector<std::string> Ids(const std::vector<TDriveItem>& items) {
    std::vector<std::string> ids;
    for (const TDriveItem& item : items) ids.push_back(item.Id);
    return ids;
  }

  test::TFakeVolume fs;
  std::map<std::string, uint64_t> sizes;
  std::vector<std::string> asked;
};

TEST_F(DriveListTest, RowsCarryLabelsTypesAndSizesOfReadyDrives) {
  const std::vector<TDriveItem> items = Build();
  const std::vector<TDriveItem> expected = {
      {"A:", "Floppy", 0, kDriveRemovable},         {"C:", "SYSTEM", 3 * kGiB, kDriveFixed},
      {"D:", "Local", 4 * kGiB, kDriveFixed},        {"E:", "CDROM", 0, kDriveCdRom},
      {"F:", "MOVIES", 6 * kGiB, kDriveCdRom},       {"N:", "share", 14 * kGiB, kDriveRemote},
      {"/:", "Network", 0, kDriveRemote},
  };
  EXPECT_EQ(items, expected);
  // Neither the floppy nor the empty CD-ROM drive is asked for its size.
  EXPECT_EQ(asked, (std::vector<std::string>{"C:\\", "D:\\", "F:\\", "N:\\"}));
  EXPECT_TRUE(items.back().IsNetworkRow());
  EXPECT_FALSE(items.back().IsDrive());
}

TEST_F(DriveListTest, HiddenLettersAndTheNetworkRowAreLeftOut) {
  EXPECT_EQ(Ids(Build(nullptr, "ce/")), (std::vector<std::string>{"A:", "D:", "F:", "N:"}));
  EXPECT_EQ(Ids(Build(nullptr, "/")).back(), "N:");
  // Only the first 32 characters of the hidden text count.
  const std::string longHidden = std::string(32, 'x') + "C";
  EXPECT_EQ(Ids(Build(nullptr, longHidden))[1], "C:");
  // Every drive hidden: only the network row is left.
  EXPECT_EQ(Ids(Build(nullptr, "ACDEFN")), (std::vector<std::string>{"/:"}));
}

TEST_F(DriveListTest, WorkFoldersThatAreSetComeAfterTheDrives) {
  const std::array<std::string, 3> work = {"C:\\Work", "", "D:\\Projects\\Quill"};
  const std::vector<TDriveItem> items = Build(&work, "ACDEF");
  const std::vector<TDriveItem> expected = {
      {"N:", "share", 14 * kGiB, kDriveRemote},
      {"1:", "C:\\Work", 0, kDriveWorkFolder},
      {"3:", "D:\\Projects\\Quill", 0, kDriveWorkFolder},
      {"/:", "Network", 0, kDriveRemote},
  };
  EXPECT_EQ(items, expected);
  EXPECT_TRUE(items[1].IsWorkFolder());
}

TEST_F(DriveListTest, PreselectionFollowsTheValuesFirstCharacter) {
  const std::array<std::string, 3> work = {"", "C:\\Work", ""};
  const std::vector<TDriveItem> items = Build(&work);  // A C D E F N 2 /
  struct Case {
    const char* value;
    int row;
  } cases[] = {
      {"c", 1},  {"F:\\Films", 4},  {"\\\\server\\share", 7},  {"2", 6},
      {"Q", 0},  {"", 0},           {"/", 7},                  {"1", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(PreselectedRow(items, c.value), c.row) << c.value;
  // A share value with the network row hidden falls back to the first row.
  EXPECT_EQ(PreselectedRow(Build(&work, "/"), "\\\\server\\share"), 0);
}

TEST_F(DriveListTest, TypedCharactersChooseRows) {
  const std::array<std::string, 3> work = {"C:\\One", "C:\\Two", ""};
  const std::vector<TDriveItem> items = Build(&work);  // A C D E F N 1 2 /
  EXPECT_EQ(RowForKey(items, 'n'), 5);
  EXPECT_EQ(RowForKey(items, 'N'), 5);
  EXPECT_EQ(RowForKey(items, '2'), 7);
  EXPECT_EQ(RowForKey(items, '/'), 8);
  EXPECT_EQ(RowForKey(items, '3'), -1);  // work folder 3 is not set
  EXPECT_EQ(RowForKey(items, 'Z'), -1);
  // Only letters, the digits 1-5 and "/" choose anything, even if an Id starts otherwise.
  EXPECT_EQ(RowForKey(items, ':'), -1);
  EXPECT_EQ(RowForKey({{"6:", "x", 0, kDriveWorkFolder}}, '6'), -1);
  EXPECT_EQ(RowForKey({{"5:", "x", 0, kDriveWorkFolder}}, '5'), 0);
}

TEST(DriveListRules, ClientHeightHasAFloor) {
  EXPECT_EQ(DriveClientHeight(3, 30, 20), 200);
  EXPECT_EQ(DriveClientHeight(8, 30, 20), 214);   // 160 + 30 + 20 + 4
  EXPECT_EQ(DriveClientHeight(7, 26, 20), 200);   // 140 + 26 + 20 + 4 exactly
  EXPECT_EQ(DriveClientHeight(0, 0, 0), 200);
}

TEST(DriveListRules, SizeTextSwitchesToGigabytesAboveNineNinesAndKeepsThreeDigits) {
  struct Case {
    uint64_t bytes;
    const char* text;
  } cases[] = {
      {0, "0 MB"},
      {1440 * 1024, "1.41 MB"},
      {10ull << 20, "10 MB"},
      {999'999'999, "954 MB"},     // the largest size still in megabytes
      {1'000'000'000, "0.931 GB"}, // and the first in gigabytes
      {3ull << 30, "3 GB"},
      {(3ull << 30) / 2, "1.5 GB"},
      {100ull << 30, "100 GB"},
      {999ull << 30, "999 GB"},
      {1862ull << 30, "1.86e+03 GB"},  // general format goes exponential past three digits
  };
  for (const Case& c : cases) EXPECT_EQ(DriveSizeText(c.bytes), c.text) << c.bytes;
}

TEST(DriveListRules, StatusTextsAndGlyphsByType) {
  const char* status[] = {"Unknown", "", "Removable", "Local Drive", "Network", "Compact Disk", "Ram Disk"};
  const char* glyph[] = {"HDD", "HDD", "FDD", "HDD", "NET", "CD", "HDD"};
  for (uint32_t type = 0; type <= 6; ++type) {
    const TDriveItem item{"X:", "label", 0, type};
    EXPECT_EQ(DriveStatusText(item), status[type]) << type;
    EXPECT_EQ(DriveGlyphName(item), glyph[type]) << type;
  }
  const TDriveItem work{"1:", "C:\\Work", 0, kDriveWorkFolder};
  EXPECT_EQ(DriveStatusText(work), "C:\\Work");
  EXPECT_EQ(DriveGlyphName(work), "OPENDIR");
  const TDriveItem network{"/:", "Network", 0, kDriveRemote};
  EXPECT_EQ(DriveStatusText(network), "Network");
  EXPECT_EQ(DriveGlyphName(network), "NETe");
}

TEST(DriveListRules, FormatAndDisconnectApplyToTheirDrivesOnly) {
  EXPECT_TRUE(CanFormatRow({"A:", "Floppy", 0, kDriveRemovable}));
  EXPECT_FALSE(CanFormatRow({"C:", "SYSTEM", 1, kDriveFixed}));
  EXPECT_FALSE(CanFormatRow({"D:", "CDROM", 0, kDriveCdRom}));
  EXPECT_TRUE(CanDisconnectRow({"N:", "share", 0, kDriveRemote}));
  EXPECT_FALSE(CanDisconnectRow({"/:", "Network", 0, kDriveRemote}));  // same type, not a drive
  EXPECT_FALSE(CanDisconnectRow({"C:", "SYSTEM", 1, kDriveFixed}));
  EXPECT_FALSE(CanFormatRow({"1:", "A:\\", 0, kDriveWorkFolder}));
}

TEST(NetworkNames, StartServerIsTakenFromTheThirdCharacter) {
  struct Case {
    const char* start;
    const char* server;
  } cases[] = {
      {"\\\\server\\share", "\\\\server"},
      {"\\\\server\\share\\folder", "\\\\server"},
      {"\\\\server", "\\\\server"},
      {"//host/share", "\\\\host"},
      {"C:", ""},                 // too short: the neighbourhood
      {"", ""},
      {"C:\\Windows", ""},        // no server name at the third character
      {"\\\\", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(NetworkStartServer(c.start), c.server) << c.start;
}

TEST(NetworkNames, ShareRootsAndTheShareOfLongerNames) {
  struct Case {
    const char* name;
    bool root;
    const char* share;
  } cases[] = {
      {"\\\\server\\share", true, "\\\\server\\share"},
      {"\\\\server\\share\\sub\\dir", false, "\\\\server\\share"},
      {"\\\\server\\share\\", false, "\\\\server\\share"},
      {"\\\\server", false, ""},              // a server is opened, not returned
      {"C:\\Users\\NetHood\\x", false, ""},   // local paths never are shares
      {"Entire Network", false, ""},
      {"", false, ""},
      {"\\a\\b\\c", true, "\\a\\b\\c"},        // the rule only counts separators
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsShareRoot(c.name), c.root) << c.name;
    EXPECT_EQ(ShareRootOf(c.name), c.share) << c.name;
  }
}

}  // namespace
}  // namespace quill
