// The main window's start-up precedence and what close writes, with the real window in this
// process and a scratch program folder holding quill.ini, last.dir and history.dat.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>

#include "app/MainForm.h"
#include "tests/win32/TestSupport.h"

namespace quill {
namespace {

using test::TScratchFolder;

class MainFormStart : public ::testing::Test {
protected:
  void SetUp() override {
    program = std::make_unique<TScratchFolder>();
    data = std::make_unique<TScratchFolder>();
    test::MakeFolder(*data / "Start");
    test::MakeFolder(*data / "Last");
    test::MakeFolder(*data / "Arg");
  }
  void TearDown() override {
    form.reset();
    data.reset();
    program.reset();
  }
  std::string ProgramFile(const std::string& name) { return *program / name; }
  void Start(const std::string& argument = {}) {
    std::string commandLine = "\"C:\\Program Files\\quill.exe\"";
    if (!argument.empty()) commandLine += " " + argument;
    form = std::make_unique<TMainForm>(TMainFormOptions{program->Path() + "\\", commandLine, false});
    ASSERT_TRUE(form->Create());
    form->Show();
  }
  std::string Folder() { return form->View().Folder(); }
  std::string Caption() {
    wchar_t text[512] = {};
    GetWindowTextW(form->Handle(), text, 512);
    return Narrow(text);
  }

  std::unique_ptr<TScratchFolder> program, data;
  std::unique_ptr<TMainForm> form;
};

TEST_F(MainFormStart, FolderArgumentWinsAndLastDirIsNotLoaded) {
  test::WriteBytes(ProgramFile("quill.ini"), "[Option]\r\nStartDir=1\r\nStart=" + (*data / "Start") + "\r\n");
  test::WriteBytes(ProgramFile("last.dir"), "Q:\\=Q:\\Elsewhere\r\nQ:\r\n");
  Start("\"" + (*data / "Arg") + "\"");
  EXPECT_EQ(Folder(), *data / "Arg");
  form->Close();
  // Only this run's drive memory is written back, ending with the current drive.
  const std::string lastDir = test::ReadBytes(ProgramFile("last.dir"));
  EXPECT_EQ(lastDir.find("Q:\\"), std::string::npos) << lastDir;
  EXPECT_NE(lastDir.find("C:\\=" + (*data / "Arg") + "\r\nC:\r\n"), std::string::npos) << lastDir;
}

TEST_F(MainFormStart, AnArgumentNamingAFileIsIgnored) {
  test::WriteBytes(*data / "file.txt", "x");
  test::WriteBytes(ProgramFile("quill.ini"), "[Option]\r\nStartDir=1\r\nStart=" + (*data / "Start") + "\r\n");
  Start(*data / "file.txt");
  EXPECT_EQ(Folder(), *data / "Start");
}

TEST_F(MainFormStart, StartDirShowsStartAndStillLoadsLastDir) {
  // Quoted as the system's own settings reader allows.
  test::WriteBytes(ProgramFile("quill.ini"), "[Option]\r\nStartDir=1\r\nStart=\"" + (*data / "Start") + "\"\r\n");
  test::WriteBytes(ProgramFile("last.dir"), "C:\\=" + (*data / "Last") + "\r\nC:\r\n");
  Start();
  EXPECT_EQ(Folder(), *data / "Start");
  // The loaded list replaced this run's entry; the pane stays where it is.
  EXPECT_EQ(TQuillView::LineValue(form->View().DriveMemory(), "C:\\"), *data / "Last");
}

TEST_F(MainFormStart, WithoutStartDirTheLastDrivesFolderOpens) {
  test::WriteBytes(ProgramFile("last.dir"), "C:\\=" + (*data / "Last") + "\r\nC:\r\n");
  Start();
  EXPECT_EQ(Folder(), *data / "Last");
}

TEST_F(MainFormStart, DamagedFilesFallBackToDefaults) {
  std::string binary;
  for (int i = 0; i < 512; ++i) binary += static_cast<char>((i * 37) & 0xFF);
  test::WriteBytes(ProgramFile("quill.ini"),
                   "[Window]\r\nFile=abc,99999999999,x\r\n[Option]\r\nSort=77\r\nHidden=yes\r\nFFont=,,\r\n" + binary);
  test::WriteBytes(ProgramFile("last.dir"), binary);
  test::WriteBytes(ProgramFile("history.dat"), binary);
  Start();
  EXPECT_EQ(Folder(), "C:\\");
  EXPECT_EQ(form->View().SortType(), fstExt);
  EXPECT_FALSE(form->View().ViewHidden());
  RECT r;
  GetWindowRect(form->Handle(), &r);
  EXPECT_EQ(r.right - r.left, 550);
  EXPECT_EQ(r.bottom - r.top, 500);
  EXPECT_EQ(Caption(), "Quill 4.0 Beta3");
}

TEST_F(MainFormStart, MissingStartFolderFallsBackToTheDriveRoot) {
  test::WriteBytes(ProgramFile("quill.ini"), "[Option]\r\nStartDir=1\r\nStart=" + (*data / "gone") + "\r\n");
  Start();
  EXPECT_EQ(Folder(), "C:\\");
}

TEST_F(MainFormStart, PlacementIsRestoredAndWrittenBackWithTheListsOnClose) {
  test::WriteBytes(ProgramFile("quill.ini"),
                   "[Window]\r\nFile=0,40,30,620,410\r\n[Option]\r\nPathCaption=1\r\nSort=0\r\nHidden=1\r\n");
  test::WriteBytes(ProgramFile("history.dat"), "dir\r\ncopy a b\r\n");
  Start("\"" + (*data / "Arg") + "\"");
  RECT r;
  GetWindowRect(form->Handle(), &r);
  EXPECT_EQ(r.left, 40);
  EXPECT_EQ(r.top, 30);
  EXPECT_EQ(r.right - r.left, 620);
  EXPECT_EQ(r.bottom - r.top, 410);
  EXPECT_EQ(Caption(), *data / "Arg");
  EXPECT_EQ(form->View().SortType(), fstName);
  EXPECT_TRUE(form->View().ViewHidden());
  EXPECT_EQ(form->CommandHistory(), (std::vector<std::string>{"dir", "copy a b"}));

  // Meanwhile another program (or a second window) changes the file.
  test::WriteBytes(ProgramFile("quill.ini"), "[Window]\r\nFile=0,40,30,620,410\r\n[Option]\r\nPathCaption=1\r\n"
                                             "Sort=0\r\nHidden=0\r\nBackup=yes\r\n");
  MoveWindow(form->Handle(), 60, 70, 700, 450, TRUE);
  form->Close();
  EXPECT_EQ(form->Handle(), nullptr);
  const std::string ini = test::ReadBytes(ProgramFile("quill.ini"));
  EXPECT_NE(ini.find("File=0,60,70,700,450\r\n"), std::string::npos) << ini;
  EXPECT_NE(ini.find("PathCaption=1"), std::string::npos) << "other keys survive";
  EXPECT_EQ(ini.find("Hidden=1"), std::string::npos) << "another program's change is not undone: " << ini;
  EXPECT_NE(ini.find("Hidden=0\r\nBackup=yes\r\n"), std::string::npos) << ini;
  EXPECT_EQ(test::ReadBytes(ProgramFile("history.dat")), "dir\r\ncopy a b\r\n");
  EXPECT_EQ(test::ReadBytes(ProgramFile("last.dir")), "C:\\=" + (*data / "Arg") + "\r\nC:\r\n");
}

TEST_F(MainFormStart, MaximisedPlacementIgnoresTheNumbersAndCloseWritesTheFirstItem) {
  test::WriteBytes(ProgramFile("quill.ini"), "[Window]\r\nFile=1,5,5,10,10\r\n");
  Start();
  EXPECT_TRUE(IsZoomed(form->Handle()));
  form->Close();
  const std::string ini = test::ReadBytes(ProgramFile("quill.ini"));
  EXPECT_NE(ini.find("File=1,"), std::string::npos) << ini;
}

TEST_F(MainFormStart, SaveLastDirOffWritesNoLastDirButHistoryAlways) {
  test::WriteBytes(ProgramFile("quill.ini"), "[Option]\r\nSaveLastDir=0\r\n");
  Start("\"" + (*data / "Arg") + "\"");
  form->Close();
  EXPECT_FALSE(test::Exists(ProgramFile("last.dir")));
  EXPECT_TRUE(test::Exists(ProgramFile("history.dat")));
  EXPECT_EQ(test::ReadBytes(ProgramFile("history.dat")), "");
}

TEST_F(MainFormStart, EnterOnAFolderAndDoubleClickOpenIt) {
  test::MakeFolder(*data / "Arg\\Inner");
  Start("\"" + (*data / "Arg") + "\"");
  const int inner = form->View().Files().IndexOf("Inner");
  ASSERT_GE(inner, 0);
  form->View().SetItemIndex(inner);
  SendMessageW(form->Pane().Handle(), WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(Folder(), *data / "Arg\\Inner");
  // ".." is the first row; a double click on it goes back up and focuses the folder left.
  const int y = form->Pane().TitleHeight() + form->Pane().RowHeight() / 2;
  SendMessageW(form->Pane().Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(10, y));
  EXPECT_EQ(Folder(), *data / "Arg");
  ASSERT_NE(form->View().FocusedFile(), nullptr);
  EXPECT_EQ(form->View().FocusedFile()->Name(), "Inner");
}

}  // namespace
}  // namespace quill

namespace quill {
namespace {

void RunCommand(const std::string& commandLine) {
  std::wstring line = Widen(commandLine);
  STARTUPINFOW si{sizeof si};
  PROCESS_INFORMATION pi{};
  ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi));
  WaitForSingleObject(pi.hProcess, 30000);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
}

TEST_F(MainFormStart, AutoRefreshShowsAFileMadeByAnotherProgramAndKeepsFocusAndSelection) {
  test::WriteBytes(*data / "Arg\\a.txt", "a");
  test::WriteBytes(*data / "Arg\\b.txt", "b");
  Start("\"" + (*data / "Arg") + "\"");
  ASSERT_TRUE(form->ChangeNotify().Active());
  TQuillView& view = form->View();
  view.SetItemIndex(view.Files().IndexOf("b.txt"));
  view.Select(view.Files().IndexOf("a.txt"));

  const DWORD start = GetTickCount();
  RunCommand("cmd.exe /c echo made elsewhere> \"" + (*data / "Arg\\new.txt") + "\"");
  ASSERT_TRUE(test::Exists(*data / "Arg\\new.txt"));
  EXPECT_TRUE(test::PumpUntil([&] { return view.Files().IndexOf("new.txt") >= 0; }, 8000))
      << "the pane did not pick up the new file";
  // The watcher waits out its delay, so the refresh comes no earlier than 2 s after the change.
  EXPECT_GE(GetTickCount() - start, 1900u);
  ASSERT_NE(view.FocusedFile(), nullptr);
  EXPECT_EQ(view.FocusedFile()->FullName(), "b.txt");
  EXPECT_TRUE(view.Files().Items(view.Files().IndexOf("a.txt"))->Selected);
  EXPECT_EQ(view.SelCount(), 1);
}

TEST_F(MainFormStart, AutoRefreshOffLeavesTheWatcherLockedAcrossFolders) {
  test::WriteBytes(ProgramFile("quill.ini"), "[Option]\r\nAutoRefresh=0\r\n");
  test::MakeFolder(*data / "Arg\\Inner");
  Start("\"" + (*data / "Arg") + "\"");
  EXPECT_FALSE(form->ChangeNotify().Active());
  EXPECT_TRUE(form->ChangeNotify().Lock());
  form->View().SetFolder("Inner");
  EXPECT_FALSE(form->ChangeNotify().Active());
  EXPECT_EQ(form->ChangeNotify().Folder(), *data / "Arg\\Inner");
}

TEST_F(MainFormStart, TheColourSetBesideTheProgramIsLoaded) {
  test::WriteBytes(ProgramFile("quill.col"), "[Basic]\r\nBACK=8388608\r\n\r\n[Ext]\r\nTXT=65535\r\n");
  Start("\"" + (*data / "Arg") + "\"");
  EXPECT_EQ(form->View().Colors().Colors(kColorBack), 8388608u);
  EXPECT_EQ(form->View().Colors().ExtColor("txt"), 65535u);
}

TEST_F(MainFormStart, SelectAllTogglesAndTakesFoldersOnlyWithSelDir) {
  test::MakeFolder(*data / "Arg\\sub");
  test::WriteBytes(*data / "Arg\\one.txt", "1");
  test::WriteBytes(*data / "Arg\\two.txt", "22");
  test::WriteBytes(ProgramFile("quill.ini"), "[Option]\r\nSelDir=0\r\n");
  Start("\"" + (*data / "Arg") + "\"");
  TQuillView& view = form->View();
  const int sub = view.Files().IndexOf("sub");
  form->SelectAllCommand();
  EXPECT_EQ(view.SelCount(), 2);
  EXPECT_EQ(view.SelSize(), 3u);
  EXPECT_FALSE(view.Files().Items(sub)->Selected);
  form->SelectAllCommand();
  EXPECT_EQ(view.SelCount(), 0) << "a second Select All clears";

  form->Settings().WriteBool("Option", "SelDir", true);
  form->SelectAllCommand();
  EXPECT_EQ(view.SelCount(), 3);
  EXPECT_TRUE(view.Files().Items(sub)->Selected);
  EXPECT_FALSE(view.Files().Items(view.Files().IndexOf(".."))->Selected);
  // Num * inverts: the folder and files go, ".." and drives are never taken.
  SendMessageW(form->Pane().Handle(), WM_KEYDOWN, VK_MULTIPLY, 0);
  EXPECT_EQ(view.SelCount(), 0);
  SendMessageW(form->Pane().Handle(), WM_KEYDOWN, VK_MULTIPLY, 0);
  EXPECT_EQ(view.SelCount(), 3);
}

// Lets timers and posted messages run for a while.
void Pump(DWORD milliseconds) {
  const DWORD start = GetTickCount();
  MSG msg;
  while (GetTickCount() - start < milliseconds) {
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(10);
  }
}

RECT ClientRectOf(HWND child, HWND parent) {
  RECT r{};
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

TEST_F(MainFormStart, TheWindowKeepsOneRowAndTheStatusAreaAtItsSmallest) {
  for (int i = 0; i < 30; ++i) test::WriteBytes(*data / ("Arg\\file" + std::to_string(i) + ".txt"), "x");
  Start("\"" + (*data / "Arg") + "\"");
  TFileViewWindow& pane = form->Pane();
  for (TViewStyle style : {vsList, vsIcon}) {
    pane.SetViewStyle(style);
    // As small as a user could drag it.
    SetWindowPos(form->Handle(), nullptr, 0, 0, 40, 30, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT frame{}, client{}, paneClient{};
    GetWindowRect(form->Handle(), &frame);
    GetClientRect(form->Handle(), &client);
    GetClientRect(pane.Handle(), &paneClient);
    EXPECT_GT(frame.right - frame.left, 40) << style;
    const int row = pane.Params().CellHeight;
    ASSERT_GT(row, 0) << style;
    EXPECT_GE(paneClient.bottom, pane.TitleHeight() + row) << "one whole row of entries, style " << style;
    EXPECT_GE(pane.RowsPerPage(), 1);
    const RECT first = pane.ItemRect(pane.FirstVisible());
    EXPECT_LE(first.bottom, paneClient.bottom) << "the first row is not cut off, style " << style;
    const RECT status = ClientRectOf(form->StatusArea().Handle(), form->Handle());
    const RECT panePlace = ClientRectOf(pane.Handle(), form->Handle());
    EXPECT_GE(status.top, panePlace.bottom) << style;
    EXPECT_LE(status.bottom, client.bottom) << "the status area is whole, style " << style;
    EXPECT_EQ(status.bottom - status.top, TStatusArea::kHeight);
    const RECT address = ClientRectOf(form->NavigationBar().AddressBox(), form->NavigationBar().Handle());
    EXPECT_LE(address.right, client.right) << "the address box stays inside";
  }
  // Larger sizes are left alone.
  SetWindowPos(form->Handle(), nullptr, 0, 0, 640, 480, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT frame{};
  GetWindowRect(form->Handle(), &frame);
  EXPECT_EQ(frame.right - frame.left, 640);
  EXPECT_EQ(frame.bottom - frame.top, 480);
}

TEST_F(MainFormStart, TheNameTipGoesWhenTheWindowIsAboutToMoveOrRestack) {
  const std::string longName = std::string(120, 'n') + ".txt";
  test::WriteBytes(*data / ("Arg\\" + longName), "x");
  Start("\"" + (*data / "Arg") + "\"");
  SetForegroundWindow(form->Handle());
  SetFocus(form->Pane().Handle());
  TQuillView& view = form->View();
  auto showTip = [&] {
    view.SetItemIndex(0);
    view.SetItemIndex(view.Files().IndexOf(longName));
    Pump(TFileViewWindow::kNameTipDelay + 400);
    return form->Pane().NameTip().Visible();
  };
  ASSERT_TRUE(showTip()) << "a cut name shows its tip";
  // Only the z-order: no move and no size follow, only the change notice.
  SetWindowPos(form->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_FALSE(form->Pane().NameTip().Visible());
  ASSERT_TRUE(showTip());
  SetWindowPos(form->Handle(), nullptr, 20, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_FALSE(form->Pane().NameTip().Visible()) << "moved";
}

}  // namespace
}  // namespace quill
