// The main window's shell commands through the real window: Create New, Create Shortcut, Empty
// Temp Folder against a temporary folder with a file in use and a link to a folder outside, and
// the shell's own context menu, chosen from while it is open. With QUILL_SHOTS set, the shell's
// menu over the pane is saved as a picture.
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>
#include <shellapi.h>

#include <memory>
#include <string>
#include <vector>

#include "app/Commands.h"
#include "app/MainForm.h"
#include "fileview/ShellUtils.h"
#include "tests/native/ScriptedQuestions.h"
#include "tests/win32/TestSupport.h"

namespace quill {
namespace {

// A thread timer looks at the shell's menu inside its own loop: it lists the items, takes the
// picture and chooses one with the keys (or closes the menu).
struct TMenuWatch {
  std::vector<std::string> items;  // without "&" and key hints
  std::string choose;
  const char* shot = nullptr;
  HWND shotOf = nullptr;
  UINT_PTR timer = 0;
  int ticks = 0;
};
TMenuWatch watch;

BOOL CALLBACK FindMenuWindow(HWND window, LPARAM data) {
  wchar_t name[16] = {};
  GetClassNameW(window, name, 16);
  if (!IsWindowVisible(window) || lstrcmpW(name, L"#32768") != 0) return TRUE;
  *reinterpret_cast<HWND*>(data) = window;
  return FALSE;
}

void CALLBACK LookAtMenu(HWND, UINT, UINT_PTR, DWORD) {
  HWND menuWindow = nullptr;
  EnumWindows(FindMenuWindow, reinterpret_cast<LPARAM>(&menuWindow));
  // Found, then a few ticks more, so that the menu is on the screen as well.
  if ((menuWindow && ++watch.ticks < 5) || (!menuWindow && ++watch.ticks < 100)) return;
  KillTimer(nullptr, watch.timer);
  HMENU menu = reinterpret_cast<HMENU>(SendMessageW(menuWindow, 0x01E1 /* MN_GETHMENU */, 0, 0));
  int steps = 0, chosen = -1;
  for (int i = 0; menu && i < GetMenuItemCount(menu); ++i) {
    if (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_SEPARATOR) continue;
    wchar_t text[256] = {};
    GetMenuStringW(menu, static_cast<UINT>(i), text, 255, MF_BYPOSITION);
    std::string item;
    for (const wchar_t* c = text; *c && *c != L'\t'; ++c)
      if (*c != L'&') item += static_cast<char>(*c);
    watch.items.push_back(item);
    ++steps;
    if (item == watch.choose && chosen < 0) chosen = steps;
  }
  if (watch.shot) {
    RedrawWindow(menuWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    test::SaveShot(watch.shotOf, watch.shot);
  }
  if (chosen < 0) {
    EndMenu();
    return;
  }
  // The menu's loop reads the keys: down to the item, then Enter.
  for (int i = 0; i < chosen; ++i) PostMessageW(menuWindow, WM_KEYDOWN, VK_DOWN, 0);
  PostMessageW(menuWindow, WM_KEYDOWN, VK_RETURN, 0);
}

void WatchMenu(const std::string& choose, const char* shot, HWND shotOf) {
  watch = TMenuWatch{{}, choose, shot, shotOf};
  watch.timer = SetTimer(nullptr, 0, 100, LookAtMenu);
}

// The files of the file list on the clipboard, in order.
std::vector<std::string> ClipboardFiles() {
  std::vector<std::string> names;
  IDataObject* data = nullptr;
  if (FAILED(OleGetClipboard(&data))) return names;
  FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM medium{};
  if (SUCCEEDED(data->GetData(&format, &medium))) {
    HDROP drop = static_cast<HDROP>(GlobalLock(medium.hGlobal));
    for (UINT i = 0, n = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0); i < n; ++i) {
      wchar_t name[MAX_PATH + 1] = {};
      DragQueryFileW(drop, i, name, MAX_PATH);
      names.push_back(Narrow(name));
    }
    GlobalUnlock(medium.hGlobal);
    ReleaseStgMedium(&medium);
  }
  data->Release();
  return names;
}

class ShellCommandsWin32 : public ::testing::Test {
protected:
  void SetUp() override {
    OleInitialize(nullptr);
    test::MakeFolder(data / "Sub");
    test::WriteBytes(data / "one.txt", "one");
    test::WriteBytes(data / "three.doc", "three");
    test::WriteBytes(data / "keep.txt", "precious contents");
  }
  void TearDown() override {
    if (form) form->Close();
    form.reset();
    questions.ExpectAllAnswered();
    OleUninitialize();
  }
  void Start(const std::string& settings = {}) {
    test::WriteBytes(program / "quill.ini", "[Window]\r\nFile=0,40,40,640,480\r\n[Option]\r\nSort=0\r\n" + settings);
    const std::string commandLine = "\"C:\\quill.exe\" \"" + data.Path() + "\"";
    form = std::make_unique<TMainForm>(TMainFormOptions{program.Path() + "\\", commandLine, false, &questions});
    ASSERT_TRUE(form->Create());
    form->Show();
  }
  int IndexOf(const std::string& name) { return form->View().Files().IndexOf(name); }
  void Focus(const std::string& name) {
    ASSERT_GE(IndexOf(name), 0) << name;
    form->View().SetItemIndex(IndexOf(name));
  }

  test::TScratchFolder program, data;
  test::TScriptedQuestions questions;
  std::unique_ptr<TMainForm> form;
};

TEST_F(ShellCommandsWin32, CreateNewAndNewFolderNeverTouchAnExistingName) {
  Start();
  questions.AnswerText("fresh.txt");
  form->RunCommand(cmCreateNew);
  ASSERT_EQ(questions.Asked().size(), 1u);
  EXPECT_EQ(questions.Asked()[0].caption, "Creat New");
  EXPECT_EQ(questions.Asked()[0].text, "Create 0 size file\nPut the filename you want to make");
  EXPECT_EQ(questions.Asked()[0].initial, "");
  EXPECT_EQ(test::ReadBytes(data / "fresh.txt"), "");
  EXPECT_TRUE(test::Attributes(data / "fresh.txt") & FILE_ATTRIBUTE_ARCHIVE);
  ASSERT_NE(form->View().FocusedFile(), nullptr);
  EXPECT_EQ(form->View().FocusedFile()->FullName(), "fresh.txt") << "rescanned with the new file focused";

  // An existing name: nothing is said and the file keeps its contents.
  questions.AnswerText("keep.txt");
  form->RunCommand(cmCreateNew);
  EXPECT_EQ(test::ReadBytes(data / "keep.txt"), "precious contents");
  EXPECT_EQ(questions.Asked().size(), 2u);

  // Create New Folder over an existing folder, and over an existing file: the system's error,
  // OK only, and what was there stays as it was.
  test::WriteBytes(data / "Sub\\inside.txt", "inside");
  for (const char* name : {"Sub", "keep.txt"}) {
    questions.AnswerText(name);
    questions.AnswerError(false);
    form->RunCommand(cmCreateFolder);
    ASSERT_EQ(questions.Asked().back().kind, test::TQuestionKind::ShowError) << name;
    EXPECT_EQ(questions.Asked().back().code, static_cast<uint32_t>(ERROR_ALREADY_EXISTS)) << name;
    EXPECT_EQ(questions.Asked().back().caption, "Error");
    EXPECT_TRUE(questions.Asked().back().stopOnly);
  }
  EXPECT_EQ(test::ReadBytes(data / "Sub\\inside.txt"), "inside");
  EXPECT_EQ(test::ReadBytes(data / "keep.txt"), "precious contents");
}

TEST_F(ShellCommandsWin32, CreateShortcutMakesOneResolvingLinkPerCollectedEntry) {
  Start();
  form->View().Select(IndexOf("one.txt"));
  form->View().Select(IndexOf("Sub"));
  form->RunCommand(cmCreateShortcut);
  EXPECT_EQ(ShortcutTarget(data / "one.txt.lnk"), data / "one.txt");
  EXPECT_EQ(ShortcutTarget(data / "Sub.lnk"), data / "Sub");
  EXPECT_GE(IndexOf("one.txt.lnk"), 0) << "the pane is rescanned";
  EXPECT_FALSE(test::Exists(data / "three.doc.lnk")) << "only the collected entries";
}

TEST_F(ShellCommandsWin32, TheShellsMenuActsOnTheFocusedOrTheSelectedEntries) {
  Start("ExplorerMenu=1\r\n");
  // The window settles on the screen first, as it has when a user right-clicks.
  test::PumpUntil([] { return false; }, 500);
  // A right click with the option on: the shell's menu for the clicked entry alone.
  Focus("one.txt");
  const RECT r = form->Pane().ItemRect(IndexOf("one.txt"));
  POINT click{r.left + 12, r.top + 6};
  ClientToScreen(form->Pane().Handle(), &click);
  WatchMenu("Copy", "explorer-menu", form->Handle());
  SendMessageW(form->Pane().Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(form->Pane().Handle()),
               MAKELPARAM(click.x, click.y));
  ASSERT_FALSE(watch.items.empty()) << "the shell's menu was shown";
  for (const std::string& item : watch.items) EXPECT_NE(item, "Explorer Menu") << "not the program's own menu";
  EXPECT_EQ(ClipboardFiles(), std::vector<std::string>{data / "one.txt"});

  // Two selected entries through the command: both names.
  form->View().Select(IndexOf("one.txt"));
  form->View().Select(IndexOf("three.doc"));
  WatchMenu("Copy", nullptr, nullptr);
  form->RunCommand(cmExplorerMenu);
  EXPECT_EQ(ClipboardFiles(), (std::vector<std::string>{data / "one.txt", data / "three.doc"}));
}

// The temporary folder is pointed at a folder of the test's own, made on the host so that a
// host link to a folder outside it can be put there.
class EmptyTempFolder : public ShellCommandsWin32 {
protected:
  void SetUp() override {
    ShellCommandsWin32::SetUp();
    run = test::Env("QUILL_TEST_RUN_DIR");
    if (run.empty()) GTEST_SKIP() << "needs the Wine harness";
    hostTemp = run + "/shell-temp";
    hostOutside = run + "/shell-outside";
    ASSERT_TRUE(test::RunHostShell("rm -rf '" + hostTemp + "' '" + hostOutside + "' && mkdir -p '" + hostTemp +
                                   "' '" + hostOutside + "/inner' && ln -s '" + hostOutside + "' '" + hostTemp +
                                   "/link' && ln -s '" + hostOutside + "' '" + run + "/shell-probe'"));
    temp = test::HostSpelling(hostTemp);
    outside = test::HostSpelling(hostOutside);
  }
  void TearDown() override {
    for (size_t i = 0; i < saved.size(); ++i) SetEnvironmentVariableW(i ? L"TEMP" : L"TMP", saved[i].c_str());
    if (locked != INVALID_HANDLE_VALUE) CloseHandle(locked);
    if (!run.empty()) test::RunHostShell("rm -rf '" + hostTemp + "' '" + hostOutside + "' '" + run + "/shell-probe'");
    ShellCommandsWin32::TearDown();
  }
  // After the window exists: Wine starts its desktop process with the first window, and that
  // process would inherit the environment.
  void PointTempHere() {
    for (const wchar_t* name : {L"TMP", L"TEMP"}) {
      wchar_t value[MAX_PATH + 1] = {};
      saved.push_back(GetEnvironmentVariableW(name, value, MAX_PATH + 1) ? value : L"");
      SetEnvironmentVariableW(name, Widen(temp).c_str());
    }
  }
  std::string run, hostTemp, hostOutside, temp, outside;
  std::vector<std::wstring> saved;
  HANDLE locked = INVALID_HANDLE_VALUE;
};

TEST_F(EmptyTempFolder, FilesInUseStayLinksAreNotFollowedAndTheRestGoes) {
  test::WriteBytes(outside + "\\precious.doc", "outside");
  test::WriteBytes(outside + "\\inner\\deep.doc", "outside too");
  test::WriteBytes(temp + "\\a.tmp", "a");
  test::MakeFolder(temp + "\\setup");
  test::WriteBytes(temp + "\\setup\\b.tmp", "b");
  test::MakeFolder(temp + "\\busy");
  test::WriteBytes(temp + "\\busy\\free.tmp", "free");
  test::WriteBytes(temp + "\\busy\\held.log", "held");
  ASSERT_TRUE(test::Attributes(temp + "\\link") & FILE_ATTRIBUTE_REPARSE_POINT);
  ASSERT_TRUE(test::Exists(temp + "\\link\\precious.doc")) << "the link leads outside";
  // Windows removes a link to a folder by itself; Wine cannot remove a host link by any Windows
  // call: there the link stays, reported once, and the run goes on past it.
  const bool linksRemovable = RemoveDirectoryW(Widen(test::HostSpelling(run + "/shell-probe")).c_str()) != 0;
  // Held the way a running program holds its log: open, shared with nobody.
  locked = CreateFileW(Widen(temp + "\\busy\\held.log").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                       OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(locked, INVALID_HANDLE_VALUE);
  Start();
  PointTempHere();
  ASSERT_EQ(TempFolder(), temp + "\\");

  questions.AnswerDelete(mrNo);
  form->RunCommand(cmEmptyTempFolder);
  ASSERT_EQ(questions.Asked().size(), 1u);
  EXPECT_EQ(questions.Asked()[0].text, "Are you sure you want to empty system temp folder");
  EXPECT_EQ(questions.Asked()[0].code, 2u) << "the DelBtn default focuses No";
  EXPECT_TRUE(test::Exists(temp + "\\a.tmp")) << "No deletes nothing";

  // "&Delete": everything that can go goes; the file in use is passed over, not reported.
  questions.AnswerDelete(mrAll);
  if (!linksRemovable) questions.AnswerError(true);
  form->RunCommand(cmEmptyTempFolder);
  EXPECT_EQ(questions.CountAsked(test::TQuestionKind::ShowError), linksRemovable ? 0u : 1u);
  EXPECT_FALSE(test::Exists(temp + "\\a.tmp"));
  EXPECT_FALSE(test::Exists(temp + "\\setup"));
  EXPECT_FALSE(test::Exists(temp + "\\busy\\free.tmp"));
  EXPECT_EQ(test::Exists(temp + "\\link"), !linksRemovable);
  EXPECT_TRUE(test::Exists(temp + "\\busy\\held.log"));
  EXPECT_EQ(test::ReadBytes(outside + "\\precious.doc"), "outside");
  EXPECT_EQ(test::ReadBytes(outside + "\\inner\\deep.doc"), "outside too");

  // Once the file is let go, the next run takes it and its folder, and the folder itself stays.
  CloseHandle(locked);
  locked = INVALID_HANDLE_VALUE;
  EXPECT_EQ(test::ReadBytes(temp + "\\busy\\held.log"), "held");
  test::RunHostShell("rm -f '" + hostTemp + "/link'");
  questions.AnswerDelete(mrAll);
  form->RunCommand(cmEmptyTempFolder);
  EXPECT_FALSE(test::Exists(temp + "\\busy"));
  EXPECT_TRUE(test::Exists(temp));
}

}  // namespace
}  // namespace quill
