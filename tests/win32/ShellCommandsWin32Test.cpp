// The main window's shell commands through the real window: Create New, shortcuts, Empty Temp
// Folder against a temporary folder with a file in use and a link to a folder outside, and the
// shell's own context menu and properties sheet, driven while they are open. With QUILL_SHOTS
// set, the shell's menu over the pane and the properties sheet are saved as pictures.
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>
#include <shellapi.h>

#include <algorithm>
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

using test::TScratchFolder;

std::string MenuItemText(HMENU menu, int position) {
  wchar_t text[256] = {};
  GetMenuStringW(menu, static_cast<UINT>(position), text, 255, MF_BYPOSITION);
  std::string plain;
  for (const char c : Narrow(text)) {
    if (c == '\t') break;
    if (c != '&') plain += c;
  }
  return plain;
}

int CountEntries(const std::string& folder) {
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(Widen(folder + "\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return 0;
  int count = 0;
  do count += found.cFileName[0] != L'.';
  while (FindNextFileW(find, &found));
  FindClose(find);
  return count;
}

// What a thread timer does while a menu or a modal window of this thread is open.
struct TWatch {
  std::vector<std::string> items;      // the open menu's items, without "&" and key hints
  std::string choose;                  // the item to choose; empty: close the menu
  std::string windowCaption;           // a sheet's caption, when one was looked at
  const char* shot = nullptr;          // picture name
  HWND shotOf = nullptr;               // the window whose area the picture covers
  UINT_PTR timer = 0;
  int ticks = 0;
  int seen = 0;
};
TWatch watch;

BOOL CALLBACK FindMenuWindow(HWND window, LPARAM data) {
  wchar_t name[16] = {};
  GetClassNameW(window, name, 16);
  if (IsWindowVisible(window) && lstrcmpW(name, L"#32768") == 0) {
    *reinterpret_cast<HWND*>(data) = window;
    return FALSE;
  }
  return TRUE;
}

void CALLBACK LookAtMenu(HWND, UINT, UINT_PTR, DWORD) {
  HWND menuWindow = nullptr;
  EnumWindows(FindMenuWindow, reinterpret_cast<LPARAM>(&menuWindow));
  if (!menuWindow) {
    if (++watch.ticks > 100) {
      KillTimer(nullptr, watch.timer);
      EndMenu();
    }
    return;
  }
  // A few ticks more, so that the menu is on the screen as well as visible to the program.
  if (watch.shot && ++watch.seen < 5) return;
  KillTimer(nullptr, watch.timer);
  HMENU menu = reinterpret_cast<HMENU>(SendMessageW(menuWindow, 0x01E1 /* MN_GETHMENU */, 0, 0));
  int steps = 0, chosenSteps = -1;
  for (int i = 0; menu && i < GetMenuItemCount(menu); ++i) {
    if (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_SEPARATOR) continue;
    ++steps;
    watch.items.push_back(MenuItemText(menu, i));
    if (!watch.choose.empty() && watch.items.back() == watch.choose && chosenSteps < 0) chosenSteps = steps;
  }
  if (watch.shot) {
    // The menu paints when its loop next looks at the queue: it is asked to now.
    RedrawWindow(menuWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    test::SaveShot(watch.shotOf, watch.shot);
  }
  if (chosenSteps < 0) {
    EndMenu();
    return;
  }
  // The menu's own loop reads the keys: down to the item, then Enter.
  for (int i = 0; i < chosenSteps; ++i) PostMessageW(menuWindow, WM_KEYDOWN, VK_DOWN, 0);
  PostMessageW(menuWindow, WM_KEYDOWN, VK_RETURN, 0);
}

BOOL CALLBACK FindSheet(HWND window, LPARAM data) {
  auto* owner = reinterpret_cast<HWND*>(data);
  if (window != *owner && IsWindowVisible(window) && GetWindow(window, GW_OWNER) == *owner) {
    *owner = window;
    return FALSE;
  }
  return TRUE;
}

void CALLBACK LookAtSheet(HWND, UINT, UINT_PTR, DWORD) {
  HWND sheet = watch.shotOf;
  EnumThreadWindows(GetCurrentThreadId(), FindSheet, reinterpret_cast<LPARAM>(&sheet));
  if (sheet == watch.shotOf) {
    if (++watch.ticks > 100) KillTimer(nullptr, watch.timer);
    return;
  }
  KillTimer(nullptr, watch.timer);
  wchar_t caption[256] = {};
  GetWindowTextW(sheet, caption, 255);
  watch.windowCaption = Narrow(caption);
  if (watch.shot) test::SaveShot(sheet, watch.shot);
  PostMessageW(sheet, WM_COMMAND, IDCANCEL, 0);
  PostMessageW(sheet, WM_CLOSE, 0, 0);
}

void StartWatch(TIMERPROC proc, const char* shot, HWND shotOf, const std::string& choose = {}) {
  watch = TWatch{};
  watch.choose = choose;
  watch.shot = shot;
  watch.shotOf = shotOf;
  watch.timer = SetTimer(nullptr, 0, 100, proc);
}

// The file names of the file list on the clipboard, in order.
std::vector<std::string> ClipboardFiles() {
  std::vector<std::string> names;
  IDataObject* data = nullptr;
  if (FAILED(OleGetClipboard(&data))) return names;
  FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM medium{};
  if (SUCCEEDED(data->GetData(&format, &medium))) {
    HDROP drop = static_cast<HDROP>(GlobalLock(medium.hGlobal));
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
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
    const bool made = form->Create();
    ASSERT_TRUE(made) << GetLastError();
    form->Show();
  }
  int IndexOf(const std::string& name) { return form->View().Files().IndexOf(name); }
  void Focus(const std::string& name) {
    ASSERT_GE(IndexOf(name), 0) << name;
    form->View().SetItemIndex(IndexOf(name));
  }
  std::string Focused() {
    const TFile* file = form->View().FocusedFile();
    return file ? file->FullName() : std::string();
  }

  TScratchFolder program, data;
  test::TScriptedQuestions questions;
  std::unique_ptr<TMainForm> form;
};

TEST_F(ShellCommandsWin32, CreateNewMakesAnEmptyFileAndNeverEmptiesAnExistingOne) {
  Start();
  questions.AnswerText("fresh.txt");
  form->RunCommand(cmCreateNew);
  ASSERT_EQ(questions.CountAsked(test::TQuestionKind::AskText), 1u);
  EXPECT_EQ(questions.Asked()[0].caption, "Creat New");
  EXPECT_EQ(questions.Asked()[0].text, "Create 0 size file\nPut the filename you want to make");
  EXPECT_EQ(questions.Asked()[0].initial, "");
  ASSERT_TRUE(test::Exists(data / "fresh.txt"));
  EXPECT_EQ(test::ReadBytes(data / "fresh.txt"), "");
  EXPECT_TRUE(test::Attributes(data / "fresh.txt") & FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(Focused(), "fresh.txt") << "the pane is rescanned with the new file focused";

  // An existing name: nothing is said and the file keeps its contents.
  Focus("Sub");
  questions.AnswerText("keep.txt");
  form->RunCommand(cmCreateNew);
  EXPECT_EQ(test::ReadBytes(data / "keep.txt"), "precious contents");
  EXPECT_EQ(questions.CountAsked(test::TQuestionKind::ShowError), 0u);
  EXPECT_EQ(questions.CountAsked(test::TQuestionKind::Message), 0u);

  // Cancelled, or a blank name: nothing is made.
  const int before = CountEntries(data.Path());
  questions.CancelText();
  form->RunCommand(cmCreateNew);
  questions.AnswerText("   ");
  form->RunCommand(cmCreateNew);
  EXPECT_EQ(CountEntries(data.Path()), before);
}

TEST_F(ShellCommandsWin32, ShortcutsResolveToTheirTargetsHereAndOnTheDesktop) {
  Start();
  form->View().Select(IndexOf("one.txt"));
  form->View().Select(IndexOf("Sub"));
  form->RunCommand(cmCreateShortcut);
  ASSERT_TRUE(test::Exists(data / "one.txt.lnk"));
  ASSERT_TRUE(test::Exists(data / "Sub.lnk"));
  EXPECT_EQ(ShortcutTarget(data / "one.txt.lnk"), data / "one.txt");
  EXPECT_EQ(ShortcutTarget(data / "Sub.lnk"), data / "Sub");
  EXPECT_GE(IndexOf("one.txt.lnk"), 0) << "the pane is rescanned";
  EXPECT_FALSE(test::Exists(data / "three.doc.lnk")) << "only the collected entries";

  // Ctrl+K: the focused entry, on the desktop the shell folder value names.
  TScratchFolder desktop;
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                            0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  wchar_t old[MAX_PATH + 1] = {};
  DWORD oldSize = sizeof old;
  const bool hadOld = RegQueryValueExW(key, L"Desktop", nullptr, nullptr, reinterpret_cast<BYTE*>(old), &oldSize) == 0;
  const std::wstring path = Widen(desktop.Path());
  RegSetValueExW(key, L"Desktop", 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                 static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t)));
  form->View().DeselectAll(true);
  Focus("three.doc");
  SendMessageW(form->Handle(), WM_COMMAND, cmShortcutToDesktop, 0);
  if (hadOld) RegSetValueExW(key, L"Desktop", 0, REG_SZ, reinterpret_cast<const BYTE*>(old), oldSize);
  else RegDeleteValueW(key, L"Desktop");
  RegCloseKey(key);
  ASSERT_TRUE(test::Exists(desktop / "three.doc.lnk"));
  EXPECT_EQ(ShortcutTarget(desktop / "three.doc.lnk"), data / "three.doc");
  EXPECT_FALSE(test::Exists(data / "three.doc.lnk"));
}

// The temporary folder is pointed at a folder of the test's own, made on the host so that a
// host link to a folder outside it can be put there.
class EmptyTempFolder : public ShellCommandsWin32 {
protected:
  void SetUp() override {
    ShellCommandsWin32::SetUp();
    run = test::Env("QUILL_TEST_RUN_DIR");
    if (run.empty()) GTEST_SKIP() << "needs the Wine harness";
    const std::string tag = std::to_string(GetCurrentProcessId());
    hostTemp = run + "/shell-temp-" + tag;
    hostOutside = run + "/shell-outside-" + tag;
    ASSERT_TRUE(test::RunHostShell("rm -rf '" + hostTemp + "' '" + hostOutside + "' && mkdir -p '" + hostTemp +
                                   "' '" + hostOutside + "/inner'"));
    temp = test::HostSpelling(hostTemp);
    outside = test::HostSpelling(hostOutside);
  }
  // After the window exists: Wine starts its desktop process with the first window, and that
  // process inherits the environment.
  void PointTempHere() {
    for (const wchar_t* name : {L"TMP", L"TEMP"}) {
      wchar_t value[MAX_PATH + 1] = {};
      saved.push_back(GetEnvironmentVariableW(name, value, MAX_PATH + 1) ? value : L"");
      SetEnvironmentVariableW(name, Widen(temp).c_str());
    }
  }
  void TearDown() override {
    if (!saved.empty()) {
      SetEnvironmentVariableW(L"TMP", saved[0].c_str());
      SetEnvironmentVariableW(L"TEMP", saved[1].c_str());
    }
    if (locked != INVALID_HANDLE_VALUE) CloseHandle(locked);
    if (!run.empty()) test::RunHostShell("rm -rf '" + hostTemp + "' '" + hostOutside + "'");
    ShellCommandsWin32::TearDown();
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
  test::MakeFolder(temp + "\\setup\\deep");
  test::WriteBytes(temp + "\\setup\\deep\\b.tmp", "b");
  test::MakeFolder(temp + "\\busy");
  test::WriteBytes(temp + "\\busy\\free.tmp", "free");
  test::WriteBytes(temp + "\\busy\\held.log", "held");
  ASSERT_TRUE(test::RunHostShell("ln -s '" + hostOutside + "' '" + hostTemp + "/link'"));
  ASSERT_TRUE(test::Attributes(temp + "\\link") & FILE_ATTRIBUTE_REPARSE_POINT);
  ASSERT_TRUE(test::Exists(temp + "\\link\\precious.doc")) << "the link leads outside";
  // Held the way a running program holds its log: open, shared with nobody.
  locked = CreateFileW(Widen(temp + "\\busy\\held.log").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                       OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(locked, INVALID_HANDLE_VALUE);
  // Wine cannot remove a host link to a folder by any Windows call (Windows removes junctions
  // and links itself): there the link stays, reported once, and the run goes on past it.
  ASSERT_TRUE(test::RunHostShell("ln -s '" + hostOutside + "' '" + run + "/shell-probe-link'"));
  const std::string probe = test::HostSpelling(run + "/shell-probe-link");
  const bool linksRemovable = RemoveDirectoryW(Widen(probe).c_str()) != 0;
  test::RunHostShell("rm -f '" + run + "/shell-probe-link'");
  ASSERT_TRUE(test::Exists(outside + "\\precious.doc"));
  Start();
  if (HasFatalFailure()) return;
  PointTempHere();
  ASSERT_EQ(TempFolder(), temp + "\\");

  // No: nothing happens.
  questions.AnswerDelete(mrNo);
  form->RunCommand(cmEmptyTempFolder);
  ASSERT_EQ(questions.CountAsked(test::TQuestionKind::Delete), 1u);
  EXPECT_EQ(questions.Asked()[0].text, "Are you sure you want to empty system temp folder");
  EXPECT_EQ(questions.Asked()[0].code, 2u) << "the DelBtn default focuses No";
  EXPECT_TRUE(test::Exists(temp + "\\a.tmp"));

  // "&Delete": everything that can go goes; the file in use is passed over, not reported.
  questions.AnswerDelete(mrAll);
  if (!linksRemovable) questions.AnswerError(true);
  form->RunCommand(cmEmptyTempFolder);
  EXPECT_EQ(questions.CountAsked(test::TQuestionKind::ShowError), linksRemovable ? 0u : 1u);
  EXPECT_FALSE(test::Exists(temp + "\\a.tmp"));
  EXPECT_FALSE(test::Exists(temp + "\\setup"));
  EXPECT_FALSE(test::Exists(temp + "\\busy\\free.tmp"));
  EXPECT_EQ(test::Exists(temp + "\\link"), !linksRemovable) << "the link itself goes where the system can";
  EXPECT_TRUE(test::Exists(temp + "\\busy\\held.log"));
  EXPECT_TRUE(test::Exists(temp)) << "the temporary folder itself stays";
  EXPECT_EQ(test::ReadBytes(outside + "\\precious.doc"), "outside");
  EXPECT_EQ(test::ReadBytes(outside + "\\inner\\deep.doc"), "outside too");

  // Once the file is let go, the next run takes it and its folder.
  CloseHandle(locked);
  locked = INVALID_HANDLE_VALUE;
  EXPECT_EQ(test::ReadBytes(temp + "\\busy\\held.log"), "held");
  test::RunHostShell("rm -f '" + hostTemp + "/link'");
  questions.AnswerDelete(mrAll);
  form->RunCommand(cmEmptyTempFolder);
  EXPECT_FALSE(test::Exists(temp + "\\busy"));
  EXPECT_EQ(CountEntries(temp), 0);
  EXPECT_TRUE(test::Exists(outside + "\\precious.doc"));
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
  StartWatch(LookAtMenu, "explorer-menu", form->Handle(), "Copy");
  SendMessageW(form->Pane().Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(form->Pane().Handle()),
               MAKELPARAM(click.x, click.y));
  ASSERT_FALSE(watch.items.empty()) << "the shell's menu was shown";
  EXPECT_EQ(std::count(watch.items.begin(), watch.items.end(), "Explorer Menu"), 0) << "not the program's own menu";
  EXPECT_EQ(ClipboardFiles(), std::vector<std::string>{data / "one.txt"});

  // Two selected entries through the command: both names.
  form->View().Select(IndexOf("one.txt"));
  form->View().Select(IndexOf("three.doc"));
  StartWatch(LookAtMenu, nullptr, form->Handle(), "Copy");
  form->RunCommand(cmExplorerMenu);
  ASSERT_FALSE(watch.items.empty());
  EXPECT_EQ(ClipboardFiles(), (std::vector<std::string>{data / "one.txt", data / "three.doc"}));

  // A drive entry always gets the shell's menu; closed without a choice, nothing changes.
  form->View().DeselectAll(true);
  int drive = -1;
  for (int i = 0; i < form->View().Files().Count(); ++i)
    if (form->View().Files().Items(i)->IsDrive() && form->View().Files().Items(i)->Name() == "C") drive = i;
  ASSERT_GE(drive, 0);
  form->View().SetItemIndex(drive);
  StartWatch(LookAtMenu, "explorer-menu-drive", form->Handle());
  form->RunCommand(cmExplorerMenu);
  EXPECT_FALSE(watch.items.empty()) << "the shell has a menu for C:";
  EXPECT_EQ(ClipboardFiles(), (std::vector<std::string>{data / "one.txt", data / "three.doc"}));
}

TEST_F(ShellCommandsWin32, PropertiesShowTheShellsSheetOfTheSelection) {
  Start();
  form->View().Select(IndexOf("one.txt"));
  form->View().Select(IndexOf("three.doc"));
  StartWatch(LookAtSheet, "properties", form->Handle());
  SendMessageW(form->Handle(), WM_COMMAND, cmProperties, 0);
  test::PumpUntil([] { return !watch.windowCaption.empty() || watch.ticks > 100; }, 15000);
  EXPECT_NE(watch.windowCaption.find("one.txt"), std::string::npos) << watch.windowCaption;
}

}  // namespace
}  // namespace quill
