// The pane model over an in-memory volume: scanning, filters, drives, folder changes, drive
// switching, refresh, opening and descriptions.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/CodePage.h"
#include "fileview/QuillView.h"
#include "tests/native/FakeVolume.h"

namespace quill {
namespace {

using test::TFakeVolume;

class PaneModel : public ::testing::Test {
protected:
  PaneModel() : view(fs, codePage) {
    fs.AddDrive('D', kDriveCdRom, "");
    fs.AddDrive('E', kDriveRemovable, "MYSTICK");
    fs.AddDrive('F', kDriveFixed, "DATA");
    fs.AddDrive('G', kDriveCdRom, "", false);
    fs.MakeFolder("C:\\Work");
    fs.MakeFolder("C:\\Work\\Src");
    fs.MakeFolder("C:\\Work\\Docs");
    fs.MakeFolder("C:\\Work\\.git", faHidden);
    fs.MakeFile("C:\\Work\\b.txt", 20);
    fs.MakeFile("C:\\Work\\tool.exe", 10);
    fs.MakeFile("C:\\Work\\a.txt", 30);
    fs.MakeFile("C:\\Work\\secret.txt", 5, faHidden);
    fs.MakeFile("C:\\Work\\lib.dll", 7);
    fs.MakeFolder("C:\\Work\\Src\\deep");
    fs.MakeFolder("F:\\Projects");
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (int i = 0; i < view.Files().Count(); ++i) names.push_back(view.Files().Items(i)->FullName());
    return names;
  }
  std::string Focused() const { return view.FocusedFile() ? view.FocusedFile()->FullName() : "<none>"; }

  TFakeVolume fs;
  TLatin1CodePage codePage;
  TQuillView view;
};

TEST_F(PaneModel, ScanListsFoldersFilesThenDrivesAndHidesHiddenEntries) {
  view.SetSortType(fstNone);
  view.SetFolder("C:\\Work");
  EXPECT_EQ(Names(), (std::vector<std::string>{"..", "Src", "Docs", "b.txt", "tool.exe", "a.txt", "lib.dll", "C:\\",
                                               "D:\\", "E:\\", "F:\\", "G:\\", "/:\\"}));
  EXPECT_EQ(view.Folder(), "C:\\Work");
  EXPECT_EQ(view.Drive(), "C:");
  EXPECT_EQ(view.Title(), "Work");
  EXPECT_EQ(view.ItemIndex(), 0);

  view.SetViewHidden(true);
  EXPECT_GE(view.Files().IndexOf(".git"), 0);
  EXPECT_GE(view.Files().IndexOf("secret.txt"), 0);
}

TEST_F(PaneModel, SeveralMasksListFilesPerMaskInOrder) {
  view.SetSortType(fstNone);
  view.SetFolder("C:\\Work");
  view.SetFilter("*.exe;*.txt");
  EXPECT_EQ(Names(), (std::vector<std::string>{"..", "Src", "Docs", "tool.exe", "b.txt", "a.txt", "C:\\", "D:\\",
                                               "E:\\", "F:\\", "G:\\", "/:\\"}));
  // Blanks around masks and empty masks are ignored; a match-all mask lists everything once.
  view.SetFilter(" *.dll ; ; *.* ");
  EXPECT_EQ(Names(), (std::vector<std::string>{"..", "Src", "Docs", "lib.dll", "b.txt", "tool.exe", "a.txt",
                                               "lib.dll", "C:\\", "D:\\", "E:\\", "F:\\", "G:\\", "/:\\"}));
  view.SetFilter("");
  EXPECT_EQ(view.Files().CountKind(kKindFile), 0);
  EXPECT_EQ(view.Files().CountKind(kKindFolder), 3);
}

TEST_F(PaneModel, SortedScanKeepsParentFirstAndFoldersByName) {
  view.SetSortType(fstExt);
  view.SetFolder("C:\\Work");
  EXPECT_EQ(Names(), (std::vector<std::string>{"..", "Docs", "Src", "lib.dll", "tool.exe", "a.txt", "b.txt", "C:\\",
                                               "D:\\", "E:\\", "F:\\", "G:\\", "/:\\"}));
}

TEST_F(PaneModel, DriveEntriesCarryLabelsByType) {
  view.SetFolder("C:\\");
  const TFiles& files = view.Files();
  auto label = [&](const char* name) { return files.Items(files.IndexOf(name))->Ext(); };
  EXPECT_EQ(label("C:\\"), "Local");
  EXPECT_EQ(label("D:\\"), "CDROM");
  EXPECT_EQ(label("E:\\"), "Floppy") << "removable drives are not asked for their label";
  EXPECT_EQ(label("F:\\"), "DATA");
  EXPECT_EQ(label("G:\\"), "CDROM") << "not ready";
  const TFile* network = files.Items(files.Count() - 1);
  EXPECT_EQ(network->Name(), "/");
  EXPECT_EQ(network->Ext(), "Network");
  EXPECT_EQ(network->Size, 4u);
  EXPECT_EQ(files.IndexOf(".."), -1) << "a root has no parent entry";
  EXPECT_EQ(view.Title(), "Local(C:)");
}

TEST_F(PaneModel, UpAndRootFocusTheFolderLeft) {
  view.SetFolder("C:\\Work\\Src");
  view.SetFolder("..");
  EXPECT_EQ(view.Folder(), "C:\\Work");
  EXPECT_EQ(Focused(), "Src");
  view.SetFolder("Src\\deep");
  EXPECT_EQ(view.Folder(), "C:\\Work\\Src\\deep");
  view.SetFolder("\\");
  EXPECT_EQ(view.Folder(), "C:\\");
  EXPECT_EQ(Focused(), "Work");

  const int enumerations = fs.enumerations;
  view.SetFolder("..");
  view.SetFolder("\\");
  EXPECT_EQ(view.Folder(), "C:\\");
  EXPECT_EQ(fs.enumerations, enumerations) << "'..' and '\\' at a root do nothing";

  view.SetFolder("C:\\Missing");
  EXPECT_EQ(view.Folder(), "C:\\");
  EXPECT_EQ(fs.enumerations, enumerations) << "a folder that cannot be entered changes nothing";
}

TEST_F(PaneModel, DriveMemoryFollowsFolderChangesAndSwitchingDrives) {
  view.SetFolder("C:\\Work\\Src");
  view.SetFolder("F:\\Projects");
  EXPECT_EQ(TQuillView::LineValue(view.DriveMemory(), "C:\\"), "C:\\Work\\Src");
  EXPECT_EQ(TQuillView::LineValue(view.DriveMemory(), "f:\\"), "F:\\Projects");
  EXPECT_EQ(view.DriveMemory().size(), 2u);

  view.SetDrive("C");
  EXPECT_EQ(view.Folder(), "C:\\Work\\Src") << "the remembered folder opens";

  // The same fixed drive: nothing happens, not even a rescan.
  const int enumerations = fs.enumerations;
  view.SetDrive("c:");
  EXPECT_EQ(fs.enumerations, enumerations);

  // A CD-ROM is read again every time; a not-ready drive does nothing.
  view.SetDrive("D");
  EXPECT_EQ(view.Folder(), "D:\\");
  EXPECT_EQ(view.Title(), "CDROM(D:)");
  const int afterCd = fs.enumerations;
  view.SetDrive("D");
  EXPECT_GT(fs.enumerations, afterCd);
  view.SetDrive("G");
  EXPECT_EQ(view.Folder(), "D:\\");
  view.SetDrive("");
  view.SetDrive("/");
  EXPECT_EQ(view.Folder(), "D:\\");

  // A remembered folder that is gone falls back to the drive root.
  TQuillView::SetLineValue(view.DriveMemory(), "F:\\", "F:\\Gone");
  view.SetDrive("F");
  EXPECT_EQ(view.Folder(), "F:\\");
}

TEST_F(PaneModel, RefreshAndUnsortedOrderKeepFocusAndSelection) {
  view.SetFolder("C:\\Work");
  view.SetItemIndex(view.Files().IndexOf("tool.exe"));
  view.Select(view.Files().IndexOf("a.txt"));
  view.Select(view.Files().IndexOf("b.txt"));
  view.Select(view.Files().IndexOf(".."));
  view.Select(view.Files().IndexOf("C:\\"));
  EXPECT_EQ(view.SelCount(), 2);
  EXPECT_EQ(view.SelSize(), 50u);

  fs.MakeFile("C:\\Work\\new.txt", 1);
  view.SetSortType(fstNone);
  EXPECT_GE(view.Files().IndexOf("new.txt"), 0) << "the unsorted order comes from a rescan";
  EXPECT_EQ(Focused(), "tool.exe");
  EXPECT_EQ(view.SelCount(), 2);
  EXPECT_TRUE(view.Files().Items(view.Files().IndexOf("a.txt"))->Selected);

  const int position = view.ItemIndex();
  view.SetSortType(fstName);
  EXPECT_EQ(view.ItemIndex(), position) << "sorting keeps the focused position";
  EXPECT_EQ(Focused(), Names()[position]);
  EXPECT_NE(Focused(), "tool.exe") << "the name order puts another entry there";
  EXPECT_EQ(view.SelCount(), 2) << "the selection goes with its entries";
  EXPECT_TRUE(view.Files().Items(view.Files().IndexOf("a.txt"))->Selected);
  view.Deselect(view.Files().IndexOf("a.txt"));
  EXPECT_EQ(view.SelCount(), 1);
  EXPECT_EQ(view.SelSize(), 20u);

  view.Refresh("LIB.DLL", false);
  EXPECT_EQ(Focused(), "lib.dll");
  EXPECT_EQ(view.SelCount(), 0);
}

TEST_F(PaneModel, OpenActsByKindUnlessTheOwnerHandlesIt) {
  view.SetFolder("C:\\Work");
  view.SetItemIndex(view.Files().IndexOf("tool.exe"));
  view.Open();
  EXPECT_EQ(fs.opened, (std::vector<std::string>{"C:\\Work\\tool.exe"}));
  EXPECT_EQ(view.GetFileName(), "C:\\Work\\tool.exe");

  view.SetItemIndex(view.Files().IndexOf("F:\\"));
  EXPECT_EQ(view.GetFileName(), "F:\\");
  view.Open();
  EXPECT_EQ(view.Folder(), "F:\\");

  view.SetFolder("C:\\Work");
  view.SetItemIndex(view.Files().IndexOf("Src"));
  bool asked = false;
  view.OnOpen = [&](bool& handled) {
    asked = true;
    handled = true;
  };
  view.Open();
  EXPECT_TRUE(asked);
  EXPECT_EQ(view.Folder(), "C:\\Work");
  view.OnOpen = nullptr;
  view.Open();
  EXPECT_EQ(view.Folder(), "C:\\Work\\Src");
}

TEST_F(PaneModel, OwnerDataFillsTheListAndAddsDrives) {
  view.SetFolder("C:\\Work");
  view.SetOwnerData(true);
  view.OnOwnerData = [&](bool&) {
    view.Files().Clear();
    view.Files().AddEntry("..", "", faDirectory, 0, 0);
    view.Files().AddFile("inside.txt", 3, 0, 0);
  };
  view.OnGetTitle = [](std::string& title) { title = "archive.zip"; };
  view.SetFolder("archive\\sub");
  EXPECT_EQ(view.Folder(), "archive\\sub");
  EXPECT_EQ(view.Title(), "archive.zip");
  view.Refresh({}, false);
  EXPECT_EQ(view.Files().Items(1)->FullName(), "inside.txt");
  EXPECT_EQ(view.Files().Items(view.Files().Count() - 1)->Name(), "/");
  EXPECT_FALSE(view.HasDescriptions());
}

TEST_F(PaneModel, DescriptionsLoadSaveAndGoAway) {
  const std::string damaged = std::string("\xFF\xFE") + '\0' + "garbage\r\n";
  fs.WriteText("C:\\Work\\descript.dat",
               "A.TXT=first\r\na.txt=second\r\nno equals sign\r\nSrc=a folder=with equals\r\n" + damaged,
               faArchive | faHidden);
  view.SetFolder("C:\\Work");
  const TFiles& files = view.Files();
  EXPECT_TRUE(view.HasDescriptions());
  EXPECT_EQ(files.Items(files.IndexOf("a.txt"))->Description(), "first") << "first line wins, any case";
  EXPECT_EQ(files.Items(files.IndexOf("Src"))->Description(), "a folder=with equals");
  EXPECT_EQ(files.Items(files.IndexOf("b.txt"))->Description(), "");

  files.Items(files.IndexOf("b.txt"))->SetDescription("caf\xC3\xA9");  // fits Latin-1
  ASSERT_EQ(view.SaveDescript(), 0u);
  const auto& node = fs.Node("C:\\Work\\descript.dat");
  EXPECT_EQ(node.bytes, "Src=a folder=with equals\r\na.txt=first\r\nb.txt=caf\xE9\r\n");
  EXPECT_EQ(node.attributes, faArchive | faHidden);

  // A failed write returns its error and leaves the old file and its attributes.
  fs.failWrites = 112;
  files.Items(files.IndexOf("a.txt"))->SetDescription("changed");
  EXPECT_EQ(view.SaveDescript(), 112u);
  EXPECT_EQ(fs.Node("C:\\Work\\descript.dat").bytes, "Src=a folder=with equals\r\na.txt=first\r\nb.txt=caf\xE9\r\n");
  EXPECT_EQ(fs.Node("C:\\Work\\descript.dat").attributes, faArchive | faHidden);
  fs.failWrites = 0;

  for (int i = 0; i < files.Count(); ++i) files.Items(i)->SetDescription("");
  ASSERT_EQ(view.SaveDescript(), 0u);
  EXPECT_FALSE(fs.Has("C:\\Work\\descript.dat"));
  EXPECT_FALSE(view.HasDescriptions());
}

// Saving writes what the list shows; it must not erase what the list does not show (hidden
// files, other masks) while those files exist. Lines of files that are gone go.
TEST_F(PaneModel, SavingDescriptionsKeepsLinesOfUnlistedFiles) {
  fs.WriteText("C:\\Work\\descript.dat",
               "secret.txt=hidden one\r\ntool.exe=the tool\r\ngone.txt=deleted meanwhile\r\n.git=repo\r\n"
               "a.txt=old\r\nTOOL.EXE=second line\r\n",
               faArchive | faHidden);
  view.SetFilter("*.txt");
  view.SetFolder("C:\\Work");
  TFiles& files = view.Files();
  ASSERT_LT(files.IndexOf("tool.exe"), 0);
  ASSERT_LT(files.IndexOf("secret.txt"), 0);
  files.Items(files.IndexOf("a.txt"))->SetDescription("");  // edited away in the pane
  files.Items(files.IndexOf("b.txt"))->SetDescription("new");
  ASSERT_EQ(view.SaveDescript(), 0u);
  EXPECT_EQ(fs.Node("C:\\Work\\descript.dat").bytes,
            "b.txt=new\r\nsecret.txt=hidden one\r\ntool.exe=the tool\r\n.git=repo\r\n");

  // Nothing listed is described any more, but unlisted lines keep the file alive.
  files.Items(files.IndexOf("b.txt"))->SetDescription("");
  ASSERT_EQ(view.SaveDescript(), 0u);
  EXPECT_TRUE(fs.Has("C:\\Work\\descript.dat"));
  EXPECT_TRUE(view.HasDescriptions());

  // Appending for items that replaced described namesakes drops the old lines.
  ASSERT_EQ(view.AppendDescript("C:\\Work", {"TOOL.exe=replaced", "c.txt=new"}), 0u);
  EXPECT_EQ(fs.Node("C:\\Work\\descript.dat").bytes,
            "secret.txt=hidden one\r\n.git=repo\r\nTOOL.exe=replaced\r\nc.txt=new\r\n");
}

}  // namespace
}  // namespace quill
