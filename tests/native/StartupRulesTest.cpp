// Start-up and close rules: placement text, command line, settings with defaults, the start
// folder precedence and what close writes.
#include <gtest/gtest.h>

#include "app/Startup.h"
#include "base/CodePage.h"
#include "tests/native/FakeVolume.h"

namespace quill {
namespace {

using test::TFakeVolume;

TEST(StartupText, PlacementFallsBackOnAnythingOdd) {
  struct Case {
    const char* text;
    bool maximized;
    int left, top, width, height;
  } cases[] = {
      {"0,100,100,550,500", false, 100, 100, 550, 500},
      {"0,-20,5,800,600", false, -20, 5, 800, 600},
      {" 0 , 1 , 2 , 300 , 400 ", false, 1, 2, 300, 400},
      {"1,5,5,10,10", true, 100, 100, 550, 500},
      {"1,0,0,0,0", true, 100, 100, 550, 500},  // maximised ignores the four numbers
      {"7,x,y,z,w", false, 100, 100, 550, 500},  // non-numeric items: the whole value is absent
      {"0,1,2,3", false, 100, 100, 550, 500},
      {"0,a,2,3,4", false, 100, 100, 550, 500},
      {"0,1,2,99999999999,4", false, 100, 100, 550, 500},
      {"0,1,2,0,400", false, 100, 100, 550, 500},
      {"0,1,2,300,-4", false, 100, 100, 550, 500},
      {"", false, 100, 100, 550, 500},
  };
  for (const Case& c : cases) {
    const TPlacement p = ParsePlacement(c.text);
    EXPECT_EQ(p.maximized, c.maximized) << c.text;
    if (!c.maximized) {
      EXPECT_EQ(p.left, c.left) << c.text;
      EXPECT_EQ(p.top, c.top) << c.text;
      EXPECT_EQ(p.width, c.width) << c.text;
      EXPECT_EQ(p.height, c.height) << c.text;
    }
  }
  EXPECT_EQ(FormatPlacement({false, -3, 4, 500, 600}), "0,-3,4,500,600");
  EXPECT_EQ(FormatPlacement({true, 0, 0, 1, 1}), "1,0,0,1,1");
}

TEST(StartupText, CommandLineArgumentDropsTheProgramName) {
  struct Case {
    const char* line;
    const char* argument;
  } cases[] = {
      {"\"C:\\Program Files\\quill.exe\" C:\\Work", "C:\\Work"},
      {"\"C:\\Program Files\\quill.exe\"   \"C:\\My Folder\"  ", "C:\\My Folder"},
      {"quill.exe D:\\", "D:\\"},
      {"quill.exe", ""},
      {"\"quill.exe\"", ""},
      {"quill.exe    ", ""},
      {"\"unterminated quill.exe", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(CommandLineArgument(c.line), c.argument) << c.line;
}

class StartupFiles : public ::testing::Test {
protected:
  StartupFiles() : view(fs, codePage) {
    fs.MakeFolder("C:\\Quill");
    fs.MakeFolder("C:\\Start");
    fs.MakeFolder("C:\\Arg");
    fs.MakeFolder("C:\\Last");
    fs.AddDrive('F', kDriveFixed, "DATA");
    fs.MakeFolder("F:\\Remembered");
    fs.MakeFile("C:\\Arg\\file.txt");
  }
  TIniFile Ini(const std::string& text) {
    fs.WriteText(files.Settings(), text);
    return TIniFile(fs, codePage, files.Settings());
  }

  TFakeVolume fs;
  TLatin1CodePage codePage;
  TQuillView view;
  TProgramFiles files{"C:\\Quill\\"};
};

TEST_F(StartupFiles, ArgumentFolderWinsAndLastDirIsNotLoaded) {
  fs.WriteText(files.LastDir(), "F:\\=F:\\Remembered\r\nF:\r\n");
  TIniFile ini = Ini("[Option]\r\nStartDir=1\r\nStart=C:\\Start\r\n");
  RestoreFolder(view, ini, fs, codePage, files, "C:\\Arg");
  EXPECT_EQ(view.Folder(), "C:\\Arg");
  EXPECT_EQ(view.DriveMemory(), (std::vector<std::string>{"C:\\=C:\\Arg"}));
}

TEST_F(StartupFiles, AFileArgumentIsIgnored) {
  TIniFile ini = Ini("[Option]\r\nStartDir=1\r\nStart=C:\\Start\r\n");
  RestoreFolder(view, ini, fs, codePage, files, "C:\\Arg\\file.txt");
  EXPECT_EQ(view.Folder(), "C:\\Start");
}

TEST_F(StartupFiles, StartDirShowsStartThenLoadsLastDirWithoutMoving) {
  fs.WriteText(files.LastDir(), "C:\\=C:\\Last\r\nF:\\=F:\\Remembered\r\nF:\r\n");
  TIniFile ini = Ini("[Option]\r\nStartDir=1\r\nStart=C:\\Start\r\nSaveLastDir=1\r\n");
  RestoreFolder(view, ini, fs, codePage, files, "");
  EXPECT_EQ(view.Folder(), "C:\\Start");
  EXPECT_EQ(view.DriveMemory(), (std::vector<std::string>{"C:\\=C:\\Last", "F:\\=F:\\Remembered"}));
}

TEST_F(StartupFiles, WithoutStartDirTheLastDriveOpensItsRememberedFolder) {
  fs.WriteText(files.LastDir(), "C:\\=C:\\Last\r\nF:\\=F:\\Remembered\r\nF:\r\n");
  TIniFile ini = Ini("");
  RestoreFolder(view, ini, fs, codePage, files, "");
  EXPECT_EQ(view.Folder(), "F:\\Remembered");
  EXPECT_EQ(TQuillView::LineValue(view.DriveMemory(), "C:\\"), "C:\\Last");
  EXPECT_EQ(view.DriveMemory().size(), 2u) << "the drive line is gone, no line was added";
}

TEST_F(StartupFiles, DamagedOrMissingInputEndsAtTheDriveRoot) {
  const char* lastDirs[] = {"", "\xFF\xFE\x01\x02garbage", "Q:\\=Q:\\nowhere\r\nQ:\r\n", "=\r\n=\r\n"};
  for (const char* lastDir : lastDirs) {
    TQuillView fresh(fs, codePage);
    fs.WriteText(files.LastDir(), lastDir);
    TIniFile ini = Ini("[Option]\r\nStartDir=0\r\n");
    RestoreFolder(fresh, ini, fs, codePage, files, "");
    EXPECT_EQ(fresh.Folder(), "C:\\") << lastDir;
  }
  TQuillView fresh(fs, codePage);
  TIniFile ini = Ini("[Option]\r\nStartDir=1\r\nStart=C:\\Gone\r\nSaveLastDir=0\r\n");
  RestoreFolder(fresh, ini, fs, codePage, files, "");
  EXPECT_EQ(fresh.Folder(), "C:\\");
}

TEST_F(StartupFiles, PaneSettingsUseStartupDefaultsForGarbage) {
  TPaneSettings s = ReadPaneSettings(Ini(""));
  EXPECT_EQ(s.sortType, fstExt);
  EXPECT_EQ(s.fontFace, "MS Sans Serif");
  EXPECT_EQ(s.fontSize, 9);
  EXPECT_FALSE(s.fontBold);
  EXPECT_TRUE(s.autoRefresh);
  EXPECT_FALSE(s.pathCaption);
  EXPECT_TRUE(s.longName);
  EXPECT_EQ(s.charCase, 1);
  EXPECT_EQ(s.focusStyle, 0);
  EXPECT_TRUE(s.autoColumn);
  EXPECT_EQ(s.column, 2);
  EXPECT_EQ(s.viewStyle, 0);
  EXPECT_FALSE(s.viewIcon);
  EXPECT_TRUE(s.folderInfo && s.columnLine && s.fileType);

  s = ReadPaneSettings(Ini("[option]\r\nsort=9\r\nHidden=x\r\nFFont=,,\r\nAutoRefresh=0\r\nCharCase=7\r\n"
                           "Col=0\r\nFocus=-1\r\nViews=5\r\n"));
  EXPECT_EQ(s.charCase, 1);
  EXPECT_EQ(s.column, 2);
  EXPECT_EQ(s.focusStyle, 0);
  EXPECT_EQ(s.viewStyle, 1) << "Views is read as a Boolean";
  EXPECT_EQ(s.sortType, fstExt);
  EXPECT_FALSE(s.viewHidden);
  EXPECT_EQ(s.fontFace, "MS Sans Serif");
  EXPECT_FALSE(s.autoRefresh);

  s = ReadPaneSettings(Ini("[Option]\r\nSort=4\r\nHidden=2\r\nFFont=\"Courier New\",12,1\r\nPathCaption=1\r\n"));
  EXPECT_EQ(s.sortType, fstNone);
  EXPECT_TRUE(s.viewHidden);
  EXPECT_EQ(s.fontFace, "Courier New");
  EXPECT_EQ(s.fontSize, 12);
  EXPECT_TRUE(s.fontBold);
  EXPECT_TRUE(s.pathCaption);
}

TEST_F(StartupFiles, CloseWritesPlacementLastDirAndHistory) {
  TIniFile ini = Ini("[Option]\r\nSort=0\r\n");
  view.SetFolder("C:\\Arg");
  view.SetFolder("F:\\Remembered");
  SaveOnClose(ini, {false, 10, 20, 640, 480}, view, {"dir", "copy a b"}, fs, codePage, files);
  EXPECT_EQ(fs.Node(files.Settings()).bytes, "[Option]\r\nSort=0\r\n[Window]\r\nFile=0,10,20,640,480\r\n");
  EXPECT_EQ(fs.Node(files.LastDir()).bytes, "C:\\=C:\\Arg\r\nF:\\=F:\\Remembered\r\nF:\r\n");
  EXPECT_EQ(fs.Node(files.History()).bytes, "dir\r\ncopy a b\r\n");

  // Without SaveLastDir no last.dir is written; history.dat always is, also empty.
  TFakeVolume other;
  other.MakeFolder("C:\\Quill");
  other.WriteText(files.Settings(), "[Option]\r\nSaveLastDir=0\r\n");
  TIniFile otherIni(other, codePage, files.Settings());
  SaveOnClose(otherIni, {true, 0, 0, 1, 1}, view, {}, other, codePage, files);
  EXPECT_FALSE(other.Has(files.LastDir()));
  ASSERT_TRUE(other.Has(files.History()));
  EXPECT_EQ(other.Node(files.History()).bytes, "");
  EXPECT_NE(other.Node(files.Settings()).bytes.find("File=1,0,0,1,1"), std::string::npos);
}

TEST_F(StartupFiles, HistoryKeepsTheLastTenLines) {
  std::string text;
  for (int i = 1; i <= 12; ++i) text += "cmd" + std::to_string(i) + "\r\n";
  fs.WriteText(files.History(), text);
  const auto history = LoadHistory(fs, codePage, files);
  ASSERT_EQ(history.size(), 10u);
  EXPECT_EQ(history.front(), "cmd3");
  EXPECT_EQ(history.back(), "cmd12");
  TFakeVolume empty;
  EXPECT_TRUE(LoadHistory(empty, codePage, files).empty());
}

}  // namespace
}  // namespace quill
