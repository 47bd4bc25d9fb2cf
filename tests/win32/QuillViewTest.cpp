// The pane model over the real file system and the harness's test drives.
#include <gtest/gtest.h>

#include <windows.h>

#include "base/Path.h"
#include "fileview/QuillView.h"
#include "platform/Win32FileSystem.h"
#include "platform/Win32Text.h"
#include "tests/win32/TestSupport.h"

namespace quill {
namespace {

using test::TScratchFolder;

class Win32QuillView : public ::testing::Test {
protected:
  Win32QuillView() : view(TWin32FileSystem::Instance(), TAnsiCodePage::Instance()) {
    view.Files().SetCollator(TWin32Collator::Instance());
  }
  int Find(const std::string& fullName) { return view.Files().IndexOf(fullName); }
  const TFile* Drive(char letter) {
    for (int i = 0; i < view.Files().Count(); ++i) {
      const TFile* f = view.Files().Items(i);
      if (f->IsDrive() && f->Name() == std::string(1, letter)) return f;
    }
    return nullptr;
  }
  // A test drive's folder reached through Wine's Z: mapping of the Unix root, so files can
  // be put on a drive whose type may refuse writes.
  static std::string UnixFolderOf(const char* variable) {
    std::string unix = test::Env(variable);
    if (unix.empty()) return {};
    for (char& c : unix)
      if (c == '/') c = '\\';
    return "Z:" + unix;
  }

  TQuillView view;
};

TEST_F(Win32QuillView, ListsARealFolderWithFiltersHiddenFilesAndLargeSizes) {
  TScratchFolder dir;
  test::MakeFolder(dir / "Zeta");
  test::MakeFolder(dir / "alpha");
  test::WriteBytes(dir / "b.txt", "12345");
  test::WriteBytes(dir / "a.exe", "1");
  test::WriteBytes(dir / "c.dll", "1");
  test::WriteBytes(dir / "hidden.txt", "1", FILE_ATTRIBUTE_HIDDEN);
  // A sparse 5 GiB file: its size must not wrap at 4 GiB.
  {
    HANDLE h = CreateFileW(Widen(dir / "huge.iso").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    LARGE_INTEGER size;
    size.QuadPart = 5ll << 30;
    SetFilePointerEx(h, size, nullptr, FILE_BEGIN);
    SetEndOfFile(h);
    CloseHandle(h);
  }
  view.SetFolder(dir.Path());
  ASSERT_EQ(view.Folder(), dir.Path());
  EXPECT_EQ(view.Title(), FileNamePart(dir.Path()));
  EXPECT_EQ(view.Files().Items(0)->Name(), "..");
  EXPECT_EQ(view.Files().Items(1)->Name(), "alpha");
  EXPECT_EQ(view.Files().Items(2)->Name(), "Zeta");
  EXPECT_EQ(Find("hidden.txt"), -1);
  ASSERT_GE(Find("huge.iso"), 0);
  EXPECT_EQ(view.Files().Items(Find("huge.iso"))->Size, 5ull << 30);
  EXPECT_EQ(view.Files().FilesSize(), (5ull << 30) + 7);

  view.SetViewHidden(true);
  EXPECT_GE(Find("hidden.txt"), 0);

  view.SetSortType(fstNone);
  view.SetFilter("*.exe;*.txt");
  EXPECT_EQ(Find("c.dll"), -1);
  const int exe = Find("a.exe"), txt = Find("b.txt");
  ASSERT_GE(exe, 0);
  ASSERT_GE(txt, 0);
  EXPECT_LT(exe, txt);
  EXPECT_LT(Find("Zeta"), exe);
}

TEST_F(Win32QuillView, GoingUpAndToTheRootFocusesTheFolderLeft) {
  TScratchFolder dir;
  test::MakeFolder(dir / "Work");
  test::MakeFolder(dir / "Work\\Src");
  view.SetFolder(dir / "Work\\Src");
  view.SetFolder("..");
  EXPECT_EQ(view.Folder(), dir / "Work");
  ASSERT_NE(view.FocusedFile(), nullptr);
  EXPECT_EQ(view.FocusedFile()->Name(), "Src");

  view.SetFolder("Src");
  EXPECT_EQ(view.Folder(), dir / "Work\\Src");
  view.SetFolder("\\");
  EXPECT_TRUE(IsRootFolder(view.Folder()));
  ASSERT_NE(view.FocusedFile(), nullptr);
  EXPECT_EQ(view.FocusedFile()->Name(), FirstComponentBelowRoot(dir.Path()));
  EXPECT_EQ(Find(".."), -1);

  const std::string root = view.Folder();
  view.SetFolder("..");
  EXPECT_EQ(view.Folder(), root);

  view.SetFolder(dir / "no such folder");
  EXPECT_EQ(view.Folder(), root);
}

TEST_F(Win32QuillView, DriveEntriesCarryTheTestDrivesLabels) {
  TScratchFolder dir;
  view.SetFolder(dir.Path());
  const std::string cd = test::TestDrive("QUILL_TEST_CDROM", "D:");
  const std::string removable = test::TestDrive("QUILL_TEST_REMOVABLE", "E:");
  ASSERT_EQ(GetDriveTypeW(Widen(cd + "\\").c_str()), static_cast<UINT>(DRIVE_CDROM)) << "test drive set-up";
  ASSERT_EQ(GetDriveTypeW(Widen(removable + "\\").c_str()), static_cast<UINT>(DRIVE_REMOVABLE)) << "test drive set-up";

  const TFile* c = Drive('C');
  ASSERT_NE(c, nullptr);
  wchar_t label[MAX_PATH + 1] = {};
  GetVolumeInformationW(L"C:\\", label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0);
  EXPECT_EQ(c->Ext(), label[0] ? Narrow(label) : std::string("Local"));
  ASSERT_NE(Drive(cd[0]), nullptr);
  EXPECT_EQ(Drive(cd[0])->Ext(), "QUILLCD");
  ASSERT_NE(Drive(removable[0]), nullptr);
  EXPECT_EQ(Drive(removable[0])->Ext(), "Floppy");

  const TFile* last = view.Files().Items(view.Files().Count() - 1);
  EXPECT_EQ(last->Name(), "/");
  EXPECT_EQ(last->Size, 4u);
  EXPECT_EQ(last->FullName(), "/:\\");
}

TEST_F(Win32QuillView, SameFixedDriveDoesNothingWhileTheCdRomIsReadAgain) {
  TScratchFolder dir;
  view.SetFolder(dir.Path());
  test::WriteBytes(dir / "late.txt", "x");
  view.SetDrive("C");
  EXPECT_EQ(Find("late.txt"), -1) << "switching to the current fixed drive must not rescan";

  const std::string cd = test::TestDrive("QUILL_TEST_CDROM", "D:");
  const std::string cdFolder = UnixFolderOf("QUILL_TEST_DRIVE_D_DIR");
  view.SetDrive(cd);
  ASSERT_EQ(view.Drive(), cd);
  EXPECT_EQ(view.Title(), "QUILLCD(" + cd + ")");
  if (cdFolder.empty()) GTEST_SKIP() << "the harness did not say where the CD-ROM's files are";
  const std::string added = cdFolder + "\\inserted-later.txt";
  test::WriteBytes(added, "x");
  view.SetDrive(cd);
  EXPECT_GE(Find("inserted-later.txt"), 0) << "a CD-ROM is read again every time";
  DeleteFileW(Widen(added).c_str());

  // Back on C: the remembered folder opens.
  view.SetDrive("C");
  EXPECT_EQ(view.Folder(), dir.Path());
}

TEST_F(Win32QuillView, DescriptionsAreSavedHiddenLoadedAndTheFileGoesWhenEmpty) {
  TScratchFolder dir;
  test::WriteBytes(dir / "Report.doc", "x");
  test::WriteBytes(dir / "\xED\x95\x9C.txt", "x");  // 한.txt
  view.SetFolder(dir.Path());
  view.Files().Items(Find("Report.doc"))->SetDescription("Quarterly \xED\x95\x9C report");
  view.Files().Items(Find("\xED\x95\x9C.txt"))->SetDescription("plain");
  ASSERT_EQ(view.SaveDescript(), 0u);
  const std::string path = dir / "descript.dat";
  ASSERT_TRUE(test::Exists(path));
  EXPECT_TRUE(test::Attributes(path) & FILE_ATTRIBUTE_HIDDEN);
  EXPECT_TRUE(test::Attributes(path) & FILE_ATTRIBUTE_ARCHIVE);
  // Korean does not fit the ANSI code page, so the file is UTF-8 with a BOM.
  const std::string bytes = test::ReadBytes(path);
  EXPECT_EQ(bytes.substr(0, 3), "\xEF\xBB\xBF");
  EXPECT_NE(bytes.find("Report.doc=Quarterly \xED\x95\x9C report\r\n"), std::string::npos);

  view.Refresh({}, false);
  EXPECT_TRUE(view.HasDescriptions());
  EXPECT_EQ(view.Files().Items(Find("REPORT.DOC"))->Description(), "Quarterly \xED\x95\x9C report");

  view.Files().Items(Find("Report.doc"))->SetDescription("");
  view.Files().Items(Find("\xED\x95\x9C.txt"))->SetDescription("");
  ASSERT_EQ(view.SaveDescript(), 0u);
  EXPECT_FALSE(test::Exists(path));
  EXPECT_FALSE(view.HasDescriptions());
}

TEST_F(Win32QuillView, AnUnwritableDescriptionFileKeepsTheOldOne) {
  TScratchFolder dir;
  test::WriteBytes(dir / "a.txt", "x");
  test::WriteBytes(dir / "descript.dat", "a.txt=old words\r\n", FILE_ATTRIBUTE_HIDDEN);
  view.SetFolder(dir.Path());
  EXPECT_EQ(view.Files().Items(Find("a.txt"))->Description(), "old words");
  // A folder where the temporary file would go makes the write fail before the old file is touched.
  test::MakeFolder(dir / "descript.dat.~qtmp");
  view.Files().Items(Find("a.txt"))->SetDescription("new words");
  EXPECT_NE(view.SaveDescript(), 0u);
  EXPECT_EQ(test::ReadBytes(dir / "descript.dat"), "a.txt=old words\r\n");
  EXPECT_TRUE(test::Attributes(dir / "descript.dat") & FILE_ATTRIBUTE_HIDDEN);
}

}  // namespace
}  // namespace quill
