// Start-up and close rules for the inputs the basic cases leave out: numbers out of any range,
// command-line spellings, settings garbage, drives that are gone or not ready, names outside the
// code page surviving a close and a start, and close when every write fails.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/Startup.h"
#include "base/CodePage.h"
#include "tests/native/FakeVolume.h"

namespace quill {
namespace {

using test::TFakeVolume;

TEST(StartupParsing, PlacementOutOfAnyRangeGivesTheDefault) {
  struct Case {
    const char* text;
    bool maximized;
    int left, top, width, height;
  } cases[] = {
      {"0,-9223372036854775808,2,300,400", false, 100, 100, 550, 500},
      {"0,5,-9223372036854775808,300,400", false, 100, 100, 550, 500},
      {"0,1,2,300,99999999999999999999", false, 100, 100, 550, 500},
      {"0,4294967396,2,300,400", false, 100, 100, 550, 500},  // 2^32 + 100
      {"1", false, 100, 100, 550, 500},
      {"1,,,,", false, 100, 100, 550, 500},
      {" 1 , 5 , 5 , 5 , 5 ", true, 100, 100, 550, 500},
      {"0,-1200,-40,1024,768", false, -1200, -40, 1024, 768},
  };
  for (const Case& c : cases) {
    const TPlacement p = ParsePlacement(c.text);
    EXPECT_EQ(p.maximized, c.maximized) << c.text;
    if (c.maximized) continue;
    EXPECT_EQ(p.left, c.left) << c.text;
    EXPECT_EQ(p.top, c.top) << c.text;
    EXPECT_EQ(p.width, c.width) << c.text;
    EXPECT_EQ(p.height, c.height) << c.text;
  }
  for (const TPlacement& p : {TPlacement{false, -5, 7, 800, 600}, TPlacement{false, 0, 0, 1, 1}}) {
    const TPlacement back = ParsePlacement(FormatPlacement(p));
    EXPECT_EQ(back.left, p.left);
    EXPECT_EQ(back.top, p.top);
    EXPECT_EQ(back.width, p.width);
    EXPECT_EQ(back.height, p.height);
    EXPECT_FALSE(back.maximized);
  }
}

TEST(StartupParsing, CommandLineSpellings) {
  struct Case {
    const char* line;
    const char* argument;
  } cases[] = {
      {"quill.exe\tC:\\Work", "C:\\Work"},
      {"\"C:\\Apps\\quill.exe\"C:\\Work", "C:\\Work"},
      {"quill.exe   \"C:\\My Folder\\\"  ", "C:\\My Folder\\"},
      {"quill.exe \"\"", ""},
      {"\"C:\\Program Files\\quill.exe\" \t ", ""},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(CommandLineArgument(c.line), c.argument) << c.line;
}

class StartupSettings : public ::testing::Test {
protected:
  TPaneSettings Read(const std::string& option) {
    store.WriteText("C:\\quill.ini", "[Option]\r\n" + option + "\r\n");
    TIniFile ini(store, codePage, "C:\\quill.ini");
    return ReadPaneSettings(ini);
  }
  TFakeVolume store;
  TLatin1CodePage codePage;
};

TEST_F(StartupSettings, UnknownSortValuesMeanByExtension) {
  struct Case {
    const char* value;
    TFileSortType sort;
  } cases[] = {
      {"abc", fstExt}, {"-1", fstExt},          {"5", fstExt},    {"99999999999", fstExt}, {"2.5", fstExt},
      {"", fstExt},    {" 3 ", fstTime},        {"0", fstName},   {"4", fstNone},          {"+2", fstSize},
  };
  for (const Case& c : cases) EXPECT_EQ(Read(std::string("Sort=") + c.value).sortType, c.sort) << c.value;
}

TEST_F(StartupSettings, FontTextWithGarbageKeepsWhatIsUsable) {
  struct Case {
    const char* value;
    const char* face;
    int size;
    bool bold;
  } cases[] = {
      {"Arial", "Arial", 9, false},
      {"\"Arial\",-5,1", "Arial", 9, true},
      {"\"\",0,x", "MS Sans Serif", 9, false},
      {"Tahoma,11", "Tahoma", 11, false},
      {"\"Lucida Console\",8,0,extra", "Lucida Console", 8, false},
      {"\"Courier New\",99999999999,7", "Courier New", 9, true},
  };
  for (const Case& c : cases) {
    const TPaneSettings s = Read(std::string("FFont=") + c.value);
    EXPECT_EQ(s.fontFace, c.face) << c.value;
    EXPECT_EQ(s.fontSize, c.size) << c.value;
    EXPECT_EQ(s.fontBold, c.bold) << c.value;
  }
}

class StartupRestore : public ::testing::Test {
protected:
  StartupRestore() : view(fs, codePage) {
    fs.AddDrive('F', kDriveFixed, "DATA");
    fs.AddDrive('G', kDriveCdRom, "", false);
    fs.MakeFolder("C:\\Quill");
    fs.MakeFolder("C:\\Start");
    fs.MakeFolder("C:\\Arg");
    fs.MakeFolder("C:\\Last");
    fs.MakeFolder("F:\\Remembered");
  }
  TIniFile Ini(const std::string& option) {
    fs.WriteText(files.Settings(), "[Option]\r\n" + option);
    return TIniFile(fs, codePage, files.Settings());
  }
  std::string LastDir() const { return fs.Node(files.LastDir()).bytes; }

  TFakeVolume fs;
  TLatin1CodePage codePage;
  TQuillView view;
  TProgramFiles files{"C:\\Quill\\"};
};

TEST_F(StartupRestore, AMissingArgumentFolderFallsBackToTheSettings) {
  TIniFile ini = Ini("StartDir=1\r\nStart=C:\\Start\r\n");
  RestoreFolder(view, ini, fs, codePage, files, "C:\\Nope");
  EXPECT_EQ(view.Folder(), "C:\\Start");
}

TEST_F(StartupRestore, LastDirIsIgnoredWhenNotKept) {
  fs.WriteText(files.LastDir(), "F:\\=F:\\Remembered\r\nF:\r\n");
  TIniFile ini = Ini("SaveLastDir=0\r\n");
  RestoreFolder(view, ini, fs, codePage, files, "");
  EXPECT_EQ(view.Folder(), "C:\\");
  EXPECT_EQ(view.DriveMemory(), (std::vector<std::string>{"C:\\=C:\\"}));
}

TEST_F(StartupRestore, ALastDriveThatIsNotReadyEndsAtTheCRoot) {
  fs.WriteText(files.LastDir(), "F:\\=F:\\Remembered\r\nG:\\=G:\\Disc\r\n G: \r\n");
  TIniFile ini = Ini("");
  RestoreFolder(view, ini, fs, codePage, files, "");
  EXPECT_EQ(view.Folder(), "C:\\");
  EXPECT_EQ(view.DriveMemory(), (std::vector<std::string>{"F:\\=F:\\Remembered", "G:\\=G:\\Disc", "C:\\=C:\\"}));

  // The drive line is read without its blanks.
  fs.WriteText(files.LastDir(), "F:\\=F:\\Remembered\r\n\tF: \r\n");
  TQuillView fresh(fs, codePage);
  RestoreFolder(fresh, ini, fs, codePage, files, "");
  EXPECT_EQ(fresh.Folder(), "F:\\Remembered");
}

TEST_F(StartupRestore, ARunStartedWithAnArgumentRewritesLastDirFromItsOwnFolders) {
  fs.WriteText(files.LastDir(), "F:\\=F:\\Remembered\r\nF:\r\n");
  TIniFile ini = Ini("");
  RestoreFolder(view, ini, fs, codePage, files, "C:\\Arg");
  view.SetFolder("C:\\Start");
  SaveOnClose(ini, {}, view, {}, fs, codePage, files);
  EXPECT_EQ(LastDir(), "C:\\=C:\\Start\r\nC:\r\n");
}

TEST_F(StartupRestore, FolderNamesOutsideTheCodePageSurviveCloseAndStart) {
  const char* names[] = {
      "C:\\\xD0\xA0\xD0\xB0\xD0\xB1\xD0\xBE\xD1\x82\xD0\xB0",  // Cyrillic: no Latin-1 form
      "C:\\Caf\xC3\xA9",                                      // fits Latin-1
      "C:\\\xC3\x83\xC2\xA9",  // "Ã©": fits Latin-1, and those bytes are UTF-8 for "é"
  };
  for (const char* folder : names) {
    TFakeVolume disk;
    disk.MakeFolder("C:\\Quill");
    disk.MakeFolder(folder);
    disk.MakeFolder("C:\\\xC3\xA9");  // "é", where a misread name would lead
    TQuillView before(disk, codePage);
    before.SetFolder(folder);
    ASSERT_EQ(before.Folder(), folder);
    TIniFile ini(disk, codePage, files.Settings());
    SaveOnClose(ini, {}, before, {folder}, disk, codePage, files);

    TQuillView after(disk, codePage);
    RestoreFolder(after, ini, disk, codePage, files, "");
    EXPECT_EQ(after.Folder(), folder);
    EXPECT_EQ(LoadHistory(disk, codePage, files), (std::vector<std::string>{folder}));
  }
}

TEST_F(StartupRestore, CloseGoesOnWhenEveryWriteFails) {
  fs.WriteText(files.LastDir(), "old\r\n");
  fs.WriteText(files.History(), "dir\r\n");
  TIniFile ini = Ini("");
  view.SetFolder("C:\\Arg");
  fs.failWrites = 112;
  fs.writes = 0;
  SaveOnClose(ini, {false, 1, 2, 300, 400}, view, {"copy"}, fs, codePage, files);
  EXPECT_EQ(fs.writes, 3) << "settings, last.dir and history.dat are each tried";
  EXPECT_EQ(LastDir(), "old\r\n");
  EXPECT_EQ(fs.Node(files.History()).bytes, "dir\r\n");
  EXPECT_EQ(ini.ReadString("Window", "File", ""), "0,1,2,300,400") << "kept for a later flush";

  // With SaveLastDir off an old last.dir stays as it was.
  fs.failWrites = 0;
  TIniFile off = Ini("SaveLastDir=0\r\n");
  SaveOnClose(off, {}, view, {}, fs, codePage, files);
  EXPECT_EQ(LastDir(), "old\r\n");
  EXPECT_EQ(fs.Node(files.History()).bytes, "");
}

TEST_F(StartupRestore, ListSettingsGoInBeforeTheStartFolderIsScannedOnce) {
  // The process's current folder holds something a stray scan would list.
  fs.MakeFolder("C:\\Elsewhere");
  fs.MakeFile("C:\\Elsewhere\\stray.txt");
  fs.current = "C:\\Elsewhere";
  fs.MakeFile("C:\\Start\\b.txt", 10);
  fs.MakeFile("C:\\Start\\a.doc", 20);
  fs.MakeFile("C:\\Start\\.hidden", 1, faArchive | faHidden);
  auto scannedOnlyStart = [&] {
    for (const std::string& pattern : fs.patterns)
      if (!StartsWith(pattern, "C:\\Start\\")) return ::testing::AssertionFailure() << "scanned " << pattern;
    return ::testing::AssertionSuccess();
  };
  auto names = [](const TQuillView& v) {
    std::vector<std::string> result;
    for (int i = 0; i < v.Files().Count() && !v.Files().Items(i)->IsDrive(); ++i)
      result.push_back(v.Files().Items(i)->FullName());
    return result;
  };

  // Size order and hidden entries are in place for the one scan of the start folder.
  TIniFile sized = Ini("StartDir=1\r\nStart=C:\\Start\r\nSort=2\r\nHidden=1\r\nSaveLastDir=0\r\n");
  fs.patterns.clear();
  OpenStartFolder(view, sized, fs, codePage, files, "");
  EXPECT_TRUE(scannedOnlyStart());
  EXPECT_EQ(fs.patterns.size(), 1u) << "one scan";
  EXPECT_EQ(names(view), (std::vector<std::string>{"..", ".hidden", "b.txt", "a.doc"}));

  // No sort: the pane has no folder yet, and switching to it would rescan whatever folder the
  // process is in; it is left for the settings to apply once the start folder is open.
  TIniFile unsorted = Ini("StartDir=1\r\nStart=C:\\Start\r\nSort=4\r\nSaveLastDir=0\r\n");
  TQuillView fresh(fs, codePage);
  fs.patterns.clear();
  OpenStartFolder(fresh, unsorted, fs, codePage, files, "");
  EXPECT_TRUE(scannedOnlyStart());
  EXPECT_EQ(fresh.Folder(), "C:\\Start");
  fresh.SetSortType(ReadPaneSettings(unsorted).sortType);
  EXPECT_TRUE(scannedOnlyStart());
  EXPECT_EQ(names(fresh), (std::vector<std::string>{"..", "b.txt", "a.doc"})) << "enumeration order";
}

TEST_F(StartupRestore, HistoryKeepsShortListsWhole) {
  fs.WriteText(files.History(), "one\ntwo\r\nthree");
  EXPECT_EQ(LoadHistory(fs, codePage, files), (std::vector<std::string>{"one", "two", "three"}));
  std::string ten;
  for (int i = 0; i < 10; ++i) ten += "c" + std::to_string(i) + "\r\n";
  fs.WriteText(files.History(), ten);
  const std::vector<std::string> history = LoadHistory(fs, codePage, files);
  ASSERT_EQ(history.size(), 10u);
  EXPECT_EQ(history.front(), "c0");
  // Blank lines and lines with control bytes are dropped before the last ten are taken.
  fs.WriteText(files.History(), "old\r\n\r\n   \r\nbin\x01ary\r\n" + ten + "\r\nlast\r\n\r\n");
  const std::vector<std::string> damaged = LoadHistory(fs, codePage, files);
  ASSERT_EQ(damaged.size(), 10u);
  EXPECT_EQ(damaged.front(), "c1");
  EXPECT_EQ(damaged.back(), "last");
}

}  // namespace
}  // namespace quill
