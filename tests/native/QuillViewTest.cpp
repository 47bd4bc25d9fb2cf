// The pane model over the in-memory volume, for what the scan and folder tests leave open:
// labels of every drive kind, attribute filtering, sizes past 4 GiB, relative paths against a
// process directory moved by someone else, failed folder changes, the events, filter and hidden
// toggles, and descript.dat files that are protected, in UTF-8, damaged or not writable.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "base/CodePage.h"
#include "base/Text.h"
#include "fileview/QuillView.h"
#include "tests/native/FakeVolume.h"

namespace quill {
namespace {

using test::TFakeVolume;

class PaneView : public ::testing::Test {
protected:
  PaneView() : view(fs, codePage) {
    fs.AddDrive('D', kDriveCdRom, "");
    fs.AddDrive('E', kDriveRemovable, "STICK");
    fs.AddDrive('F', kDriveFixed, "DATA");
    fs.AddDrive('G', kDriveCdRom, "DISC", false);
    fs.AddDrive('H', kDriveFixed, "", false);
    fs.AddDrive('R', kDriveRemote, "");
    fs.AddDrive('S', kDriveRemote, "SHARE");
    fs.AddDrive('Z', kDriveRamDisk, "");
    fs.MakeFolder("C:\\Work");
    fs.MakeFolder("C:\\Work\\Src");
    fs.MakeFolder("C:\\Work\\.git", faHidden);
    fs.MakeFile("C:\\Work\\b.txt", 20);
    fs.MakeFile("C:\\Work\\a.txt", 30);
    fs.MakeFile("C:\\Work\\secret.txt", 5, faHidden | faArchive);
    fs.MakeFile("C:\\Work\\README", 3);
    fs.MakeFolder("E:\\Photos");
    fs.MakeFolder("F:\\Projects");
    view.OnChangeDir = [this] {
      ++changeDirs;
      seenOnChangeDir.push_back(view.Folder() + "|" + Focused());
    };
    view.OnChangeSelected = [this] { ++changeSelected; };
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (int i = 0; i < view.Files().Count(); ++i) names.push_back(view.Files().Items(i)->FullName());
    return names;
  }
  std::string Focused() const { return view.FocusedFile() ? view.FocusedFile()->FullName() : "<none>"; }
  int At(const char* name) const { return view.Files().IndexOf(name); }
  TFile* Entry(const char* name) { return view.Files().Items(At(name)); }

  TFakeVolume fs;
  TLatin1CodePage codePage;
  TQuillView view;
  int changeDirs = 0;
  int changeSelected = 0;
  std::vector<std::string> seenOnChangeDir;
};

TEST_F(PaneView, DriveEntriesInLetterOrderWithLabelsForEveryKind) {
  view.SetNetworkText("Netz");
  view.SetFolder("C:\\");
  struct Case {
    const char* root;
    const char* label;
  } cases[] = {
      {"C:\\", "Local"}, {"D:\\", "CDROM"}, {"E:\\", "Floppy"}, {"F:\\", "DATA"}, {"G:\\", "CDROM"},
      {"H:\\", "Local"}, {"R:\\", ""},      {"S:\\", "SHARE"},  {"Z:\\", ""},
  };
  const int first = view.Files().Count() - 10;
  ASSERT_GE(first, 0);
  for (int i = 0; i < 9; ++i) {
    const TFile* drive = view.Files().Items(first + i);
    EXPECT_EQ(drive->FullName(), cases[i].root);
    EXPECT_EQ(drive->Ext(), cases[i].label) << cases[i].root;
    EXPECT_EQ(drive->Attributes, faDrive);
    EXPECT_EQ(view.DriveLabel(cases[i].root), cases[i].label) << cases[i].root;
  }
  const TFile* network = view.Files().Items(view.Files().Count() - 1);
  EXPECT_EQ(network->FullName(), "/:\\");
  EXPECT_EQ(network->Ext(), "Netz");
  EXPECT_EQ(network->Size, 4u);
  EXPECT_EQ(view.Files().CountKind(kKindDrive), 10);
  EXPECT_EQ(view.Files().FilesSize(), 0u) << "the Network entry's 4 is not a file size";
}

TEST_F(PaneView, OnlyTheHiddenBitHidesEntries) {
  fs.MakeFile("C:\\Work\\sys.dat", 1, faSystem | faArchive);
  fs.MakeFile("C:\\Work\\locked.txt", 1, faReadOnly);
  fs.MakeFile("C:\\Work\\both.sys", 1, faSystem | faHidden);
  fs.MakeFolder("C:\\Work\\SysDir", faSystem);
  view.SetSortType(fstNone);
  view.SetFolder("C:\\Work");
  const std::vector<std::string> visible = {"..",     "Src",     "SysDir", "b.txt", "a.txt", "README",
                                            "sys.dat", "locked.txt"};
  std::vector<std::string> listed = Names();
  listed.resize(visible.size());
  EXPECT_EQ(listed, visible);
  EXPECT_EQ(At("."), -1);
  EXPECT_EQ(At("both.sys"), -1);
  view.SetViewHidden(true);
  EXPECT_GE(At("both.sys"), 0);
  EXPECT_GE(At(".git"), 0);
  EXPECT_EQ(At("."), -1) << "'.' is never listed";
}

TEST_F(PaneView, ScannedSizesPast4GiBStayWhole) {
  const uint64_t big = (5ull << 30) + 3;  // low 32 bits: 1 GiB + 3
  fs.MakeFile("C:\\Work\\disk.img", big);
  fs.MakeFile("C:\\Work\\movie.mkv", (4ull << 30));  // low 32 bits: 0
  view.SetSortType(fstSize);
  view.SetFolder("C:\\Work");
  EXPECT_EQ(Entry("disk.img")->Size, big);
  // README 3, b.txt 20, a.txt 30, then the two large ones by their whole size.
  EXPECT_EQ(Names()[view.Files().CountKind(kKindFolder) + 3], "movie.mkv");
  EXPECT_EQ(Names()[view.Files().CountKind(kKindFolder) + 4], "disk.img");
  view.Select(At("disk.img"));
  view.Select(At("movie.mkv"));
  EXPECT_EQ(view.SelSize(), big + (4ull << 30));
  view.Refresh("disk.img", true);
  EXPECT_EQ(view.SelSize(), big + (4ull << 30)) << "recounted after the rescan";
}

TEST_F(PaneView, RelativePathsFollowThePaneNotTheProcessDirectory) {
  view.SetFolder("C:\\Work");
  // Something else (another window, a copy) left the process in another folder.
  ASSERT_TRUE(fs.SetCurrentDir("F:\\Projects"));
  view.SetFolder("Src");
  EXPECT_EQ(view.Folder(), "C:\\Work\\Src");

  ASSERT_TRUE(fs.SetCurrentDir("F:\\Projects"));
  view.SetFolder("..");
  EXPECT_EQ(view.Folder(), "C:\\Work");
  EXPECT_EQ(Focused(), "Src");

  // "\" is the root of the pane's own drive.
  ASSERT_TRUE(fs.SetCurrentDir("F:\\Projects"));
  view.SetFolder("\\");
  EXPECT_EQ(view.Folder(), "C:\\");
  EXPECT_EQ(Focused(), "Work");
  EXPECT_EQ(view.Drive(), "C:");
}

TEST_F(PaneView, AFolderChangeThatFailsLeavesEverythingAsItWas) {
  view.SetFolder("C:\\Work");
  view.SetItemIndex(At("a.txt"));
  view.Select(At("b.txt"));
  const std::vector<std::string> names = Names();
  const std::vector<std::string> memory = view.DriveMemory();
  const std::string title = view.Title();
  const int enumerations = fs.enumerations;
  const int dirs = changeDirs;
  for (const char* target : {"C:\\Missing", "G:\\", "H:\\", "C:\\Work\\a.txt", "Nope", "Q:\\"}) {
    view.SetFolder(target);
    EXPECT_EQ(view.Folder(), "C:\\Work") << target;
    EXPECT_EQ(view.Drive(), "C:") << target;
    EXPECT_EQ(view.Title(), title) << target;
    EXPECT_EQ(view.DriveMemory(), memory) << target;
    EXPECT_EQ(Names(), names) << target;
    EXPECT_EQ(Focused(), "a.txt") << target;
    EXPECT_EQ(view.SelCount(), 1) << target;
  }
  EXPECT_EQ(fs.enumerations, enumerations);
  EXPECT_EQ(changeDirs, dirs);

  view.SetFolder("C:\\");
  const int atRoot = changeDirs;
  view.SetFolder("..");
  view.SetFolder("\\");
  EXPECT_EQ(changeDirs, atRoot) << "nothing to report at a root";
  EXPECT_EQ(view.Title(), "Local(C:)");
}

TEST_F(PaneView, ChangeDirReportsAFinishedList) {
  view.SetFolder("C:\\Work\\Src");
  view.SetFolder("..");
  view.SetFolder("E:\\Photos");
  view.SetFolder("\\");
  EXPECT_EQ(seenOnChangeDir, (std::vector<std::string>{"C:\\Work\\Src|..", "C:\\Work|Src", "E:\\Photos|..",
                                                       "E:\\|Photos"}));
  EXPECT_EQ(view.Title(), "Floppy(E:)") << "removable drives are titled by kind, not by label";
  changeSelected = 0;
  view.Refresh({}, false);
  EXPECT_GE(changeSelected, 1) << "every refresh ends with a selection report";
}

TEST_F(PaneView, FilterChangesRescanOnlyWhenTheTextDiffers) {
  view.SetFolder("C:\\Work");
  int enumerations = fs.enumerations;
  view.SetFilter("*.*");
  view.SetFilter("*.*");
  EXPECT_EQ(fs.enumerations, enumerations);

  view.SetItemIndex(At("a.txt"));
  view.Select(At("a.txt"));
  view.SetFilter("*.TXT");
  EXPECT_GT(fs.enumerations, enumerations);
  EXPECT_EQ(view.Filter(), "*.TXT");
  EXPECT_EQ(view.ItemIndex(), 0) << "a new filter starts at the top";
  EXPECT_EQ(view.SelCount(), 0) << "and drops the selection";
  EXPECT_EQ(At("README"), -1);
  EXPECT_GE(At("a.txt"), 0);

  enumerations = fs.enumerations;
  view.SetFilter("*.txt");
  EXPECT_EQ(fs.enumerations, enumerations) << "a change of case only is no change";
  EXPECT_EQ(view.Filter(), "*.TXT");

  view.SetFilter("READ??");
  EXPECT_EQ(view.Files().CountKind(kKindFile), 1);
  EXPECT_GE(At("README"), 0);
}

TEST_F(PaneView, HiddenToggleKeepsTheFocusedEntryWhenItStaysListed) {
  view.SetSortType(fstName);
  view.SetFolder("C:\\Work");
  view.SetItemIndex(At("b.txt"));
  view.Select(At("a.txt"));
  const int before = view.ItemIndex();
  view.SetViewHidden(true);
  EXPECT_EQ(Focused(), "b.txt");
  EXPECT_NE(view.ItemIndex(), before) << ".git and secret.txt came in front of it";
  EXPECT_EQ(view.SelCount(), 0);

  int enumerations = fs.enumerations;
  view.SetViewHidden(true);
  EXPECT_EQ(fs.enumerations, enumerations);

  view.SetItemIndex(At("secret.txt"));
  view.SetViewHidden(false);
  EXPECT_EQ(view.ItemIndex(), 0) << "the focused entry went away";
}

TEST_F(PaneView, SortChangeKeepsTheFocusedPositionInsideAnUpdateToo) {
  view.SetSortType(fstName);
  view.SetFolder("C:\\Work");
  int changes = 0;
  view.OnChange = [&] { ++changes; };
  const int readme = At("README");
  view.SetItemIndex(readme);
  changes = 0;
  view.SetSortType(fstExt);
  EXPECT_EQ(view.ItemIndex(), readme);
  EXPECT_NE(Focused(), "README") << "README has no extension: by extension it moves to the front of the files";
  EXPECT_EQ(changes, 1) << "another entry under the focus is a focus change to the owner";
  // The main window applies its settings with the list held in an update.
  view.Files().BeginUpdate();
  view.SetSortType(fstName);
  view.Files().EndUpdate();
  EXPECT_EQ(view.ItemIndex(), readme);
  EXPECT_EQ(Focused(), "README");
}

TEST_F(PaneView, OpenOnParentNetworkAndDriveEntries) {
  view.SetFolder("C:\\Work");
  view.SetItemIndex(At(".."));
  view.Open();
  EXPECT_EQ(view.Folder(), "C:\\");
  EXPECT_EQ(Focused(), "Work");

  view.SetItemIndex(view.Files().Count() - 1);  // Network
  const int dirs = changeDirs;
  view.Open();
  EXPECT_EQ(view.Folder(), "C:\\");
  EXPECT_EQ(changeDirs, dirs);
  EXPECT_TRUE(fs.opened.empty()) << "entries other than files never reach the shell";

  view.SetItemIndex(At("E:\\"));
  view.Open();
  EXPECT_EQ(view.Folder(), "E:\\");
  // A removable drive is read again even when it is the current one.
  const int enumerations = fs.enumerations;
  view.SetDrive("e");
  EXPECT_GT(fs.enumerations, enumerations);
  EXPECT_EQ(view.Folder(), "E:\\");

  // Any text starting with the letter names the drive.
  view.SetDrive("f:\\elsewhere");
  EXPECT_EQ(view.Folder(), "F:\\");
}

TEST_F(PaneView, ProtectedDescriptionFileIsReplacedThenRemoved) {
  fs.WriteText("C:\\Work\\descript.dat", "a.txt=old\r\n", faReadOnly | faHidden);
  view.SetFolder("C:\\Work");
  ASSERT_EQ(Entry("a.txt")->Description(), "old");
  Entry("a.txt")->SetDescription("new");
  Entry("Src")->SetDescription("sources");
  Entry("README")->SetDescription("read me");
  EXPECT_EQ(view.SaveDescript(), 0u);
  EXPECT_EQ(fs.Node("C:\\Work\\descript.dat").bytes, "Src=sources\r\na.txt=new\r\nREADME=read me\r\n");
  EXPECT_EQ(fs.Node("C:\\Work\\descript.dat").attributes, faArchive | faHidden);

  fs.SetAttributes("C:\\Work\\descript.dat", faReadOnly | faHidden | faSystem);
  for (const char* name : {"a.txt", "Src", "README"}) Entry(name)->SetDescription("");
  EXPECT_EQ(view.SaveDescript(), 0u);
  EXPECT_FALSE(fs.Has("C:\\Work\\descript.dat"));

  // Nothing to save and no file: nothing to do, no error.
  EXPECT_EQ(view.SaveDescript(), 0u);
  EXPECT_FALSE(view.HasDescriptions());
}

TEST_F(PaneView, DescriptionsRoundTripOutsideTheCodePage) {
  view.SetFolder("C:\\Work");
  const std::string cyrillic = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82";  // "Привет"
  Entry("a.txt")->SetDescription(cyrillic);
  Entry("b.txt")->SetDescription("caf\xC3\xA9");
  ASSERT_EQ(view.SaveDescript(), 0u);
  const std::string bytes = fs.Node("C:\\Work\\descript.dat").bytes;
  EXPECT_EQ(bytes.substr(0, 3), "\xEF\xBB\xBF") << "not Latin-1: written as UTF-8";

  TQuillView other(fs, codePage);
  other.SetFolder("C:\\Work");
  EXPECT_TRUE(other.HasDescriptions());
  EXPECT_EQ(other.Files().Items(other.Files().IndexOf("a.txt"))->Description(), cyrillic);
  EXPECT_EQ(other.Files().Items(other.Files().IndexOf("b.txt"))->Description(), "caf\xC3\xA9");

  // Text that fits the code page but whose bytes there also read as UTF-8 ("\xC3\xA9" in
  // Latin-1 is "Ã©", in UTF-8 "é") must come back as it was written.
  const std::string mojibake = "\xC3\x83\xC2\xA9";  // "Ã©"
  Entry("a.txt")->SetDescription(mojibake);
  Entry("b.txt")->SetDescription("");
  ASSERT_EQ(view.SaveDescript(), 0u);
  other.Refresh({}, false);
  EXPECT_EQ(other.Files().Items(other.Files().IndexOf("a.txt"))->Description(), mojibake);

  // An ANSI file from elsewhere reads through the code page.
  fs.WriteText("C:\\Work\\descript.dat", "README=na\xEFve\r\n", faArchive | faHidden);
  other.Refresh({}, false);
  EXPECT_EQ(other.Files().Items(other.Files().IndexOf("README"))->Description(), "na\xC3\xAFve");
}

TEST_F(PaneView, HasDescriptionsFollowsTheFolder) {
  fs.WriteText("C:\\Work\\descript.dat", "a.txt=x\r\n", faArchive | faHidden);
  fs.WriteText("C:\\Work\\Src\\descript.dat", "gone.txt=x\r\n=empty\r\n", faArchive | faHidden);
  view.SetFolder("C:\\Work");
  EXPECT_TRUE(view.HasDescriptions());
  view.SetFolder("Src");
  EXPECT_FALSE(view.HasDescriptions()) << "lines naming no listed entry";
  view.SetFolder("F:\\Projects");
  EXPECT_FALSE(view.HasDescriptions());
  view.SetFolder("C:\\Work");
  EXPECT_TRUE(view.HasDescriptions());
}

TEST_F(PaneView, FailedDescriptionWriteKeepsTheFolderAsItWas) {
  view.SetFolder("C:\\Work");
  Entry("a.txt")->SetDescription("text");
  fs.failWrites = 39;  // disk full
  EXPECT_EQ(view.SaveDescript(), 39u);
  EXPECT_FALSE(fs.Has("C:\\Work\\descript.dat")) << "no file appears";
  fs.failWrites = 0;
  EXPECT_EQ(view.SaveDescript(), 0u);
  EXPECT_EQ(fs.Node("C:\\Work\\descript.dat").bytes, "a.txt=text\r\n");
}

TEST_F(PaneView, DescriptionsCarriedToAnotherFolderKeepItsOwnLines) {
  fs.MakeFolder("C:\\Other");
  fs.WriteText("C:\\Other\\descript.dat", "old.txt=kept\r\n", faArchive | faHidden | faReadOnly);
  EXPECT_EQ(view.AppendDescript("C:\\Other", {"a.txt=text", "b.txt=more"}), 0u);
  EXPECT_EQ(fs.Node("C:\\Other\\descript.dat").bytes, "old.txt=kept\r\na.txt=text\r\nb.txt=more\r\n");
  EXPECT_EQ(fs.Node("C:\\Other\\descript.dat").attributes, faArchive | faHidden) << "hidden, no longer read-only";
  EXPECT_EQ(view.AppendDescript("C:\\Work", {"c.txt=new file"}), 0u);
  EXPECT_EQ(fs.Node("C:\\Work\\descript.dat").bytes, "c.txt=new file\r\n");
  EXPECT_EQ(fs.Node("C:\\Work\\descript.dat").attributes, faArchive | faHidden);
  fs.failWrites = 112;
  EXPECT_EQ(view.AppendDescript("C:\\Other", {"d.txt=lost"}), 112u);
  EXPECT_EQ(fs.Node("C:\\Other\\descript.dat").bytes, "old.txt=kept\r\na.txt=text\r\nb.txt=more\r\n");
  fs.failWrites = 0;
}

TEST_F(PaneView, RandomDescriptionBytesNeverBreakTheScan) {
  std::mt19937 random(7);
  const std::string alphabet = std::string("a.tx=\r\n\xFF\xC3\xA9\xEF\xBB\xBF") + std::string(1, '\0');
  for (int round = 0; round < 200; ++round) {
    std::string bytes;
    const int length = static_cast<int>(random() % 400);
    for (int i = 0; i < length; ++i)
      bytes += random() % 3 ? alphabet[random() % alphabet.size()] : static_cast<char>(random() % 256);
    fs.WriteText("C:\\Work\\descript.dat", bytes, faArchive | faHidden);
    view.SetFolder("C:\\Work");
    ASSERT_GE(At("a.txt"), 0) << "round " << round;
    // Whatever was read goes back out as lines the reader takes again.
    if (view.HasDescriptions()) {
      const std::string a = Entry("a.txt")->Description();
      ASSERT_EQ(view.SaveDescript(), 0u);
      view.Refresh({}, false);
      EXPECT_EQ(Entry("a.txt")->Description(), a) << "round " << round;
    }
  }
}

// A share mounted as a volume: "\\srv\share\..." paths are the fake's U: drive, and the current
// directory reads back in share form, as the system gives it for a share.
class TShareVolume : public TFakeVolume {
public:
  TShareVolume() { AddDrive('U', kDriveRemote, ""); }
  static std::string ToLocal(const std::string& path) {
    const std::string share = "\\\\srv\\share";
    if (path.size() < share.size() || !SameTextAscii(path.substr(0, share.size()), share)) return path;
    const std::string rest = path.substr(share.size());
    return "U:" + (rest.empty() ? std::string("\\") : rest);
  }
  static std::string ToShare(const std::string& path) {
    if (path.size() < 2 || UpperAscii(path.substr(0, 2)) != "U:") return path;
    const std::string rest = path.substr(2);
    return "\\\\srv\\share" + (rest == "\\" ? std::string() : rest);
  }
  bool Enumerate(const std::string& pattern, const std::function<void(const TFindData&)>& found) override {
    return TFakeVolume::Enumerate(ToLocal(pattern), found);
  }
  bool SetCurrentDir(const std::string& path) override { return TFakeVolume::SetCurrentDir(ToLocal(path)); }
  std::string CurrentDir() override { return ToShare(TFakeVolume::CurrentDir()); }
  uint32_t GetAttributes(const std::string& path) override { return TFakeVolume::GetAttributes(ToLocal(path)); }
  bool ReadAll(const std::string& path, std::string& bytes) override {
    return TFakeVolume::ReadAll(ToLocal(path), bytes);
  }
};

TEST(PaneViewShare, UpAndRootOnAShareFocusTheFolderLeft) {
  TShareVolume fs;
  TLatin1CodePage codePage;
  TQuillView view(fs, codePage);
  fs.MakeFolder("U:\\Work");
  fs.MakeFolder("U:\\Work\\Src");
  fs.MakeFile("U:\\top.txt");
  auto focused = [&] { return view.FocusedFile() ? view.FocusedFile()->FullName() : "<none>"; };

  view.SetFolder("\\\\srv\\share\\Work\\Src");
  ASSERT_EQ(view.Folder(), "\\\\srv\\share\\Work\\Src");
  EXPECT_EQ(view.Drive(), "\\\\srv\\share");
  EXPECT_EQ(view.Title(), "Src");

  view.SetFolder("..");
  EXPECT_EQ(view.Folder(), "\\\\srv\\share\\Work");
  EXPECT_EQ(focused(), "Src");

  view.SetFolder("Src");
  view.SetFolder("\\");
  EXPECT_EQ(view.Folder(), "\\\\srv\\share");
  EXPECT_EQ(focused(), "Work") << "the first folder below the share, not the share name";
  EXPECT_EQ(view.Files().IndexOf(".."), -1) << "a share root has no parent entry";
  EXPECT_GE(view.Files().IndexOf("top.txt"), 0);
  EXPECT_EQ(TQuillView::LineValue(view.DriveMemory(), "\\\\srv\\share\\"), "\\\\srv\\share");

  const int enumerations = fs.enumerations;
  view.SetFolder("..");
  view.SetFolder("\\");
  EXPECT_EQ(view.Folder(), "\\\\srv\\share");
  EXPECT_EQ(fs.enumerations, enumerations) << "'..' and '\\' at a share root do nothing";
}

TEST_F(PaneView, OwnerDataThatTakesOverTheWholeListGetsNoDrives) {
  view.SetFolder("C:\\Work");
  view.SetOwnerData(true);
  bool keepDrives = false;
  view.OnOwnerData = [&](bool& handled) {
    handled = keepDrives;
    view.Files().Clear();
    view.Files().AddFile("inside.txt", 3, faArchive, 0);
    view.Files().AddFile("other.doc", 4, faArchive, 0);
  };
  const int enumerations = fs.enumerations;
  view.Refresh({}, false);
  EXPECT_EQ(Names(), (std::vector<std::string>{"inside.txt", "other.doc"}));
  EXPECT_EQ(view.ItemIndex(), 0);
  EXPECT_EQ(fs.enumerations, enumerations) << "the owner's list replaces the scan";

  keepDrives = true;
  view.Refresh("other.doc", false);
  EXPECT_EQ(view.Files().CountKind(kKindDrive), 10);
  EXPECT_EQ(view.Files().Items(2)->FullName(), "C:\\") << "drives follow the owner's entries";
  EXPECT_EQ(Focused(), "other.doc");
}

}  // namespace
}  // namespace quill
