// Drag and drop with the real main window: DragPeer drags files onto the pane from another
// process (Ctrl copies, Shift moves, the right button asks, the source folder is refused, an edge
// scrolls), the pane's own entries are dragged onto one of its folders, and Save Selected List
// writes its file. With QUILL_SHOTS set, the right-button drop menu is saved as a picture.
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>

#include <memory>
#include <string>
#include <vector>

#include "app/Commands.h"
#include "app/MainForm.h"
#include "fileview/ShellUtils.h"
#include "platform/Utf16.h"
#include "tests/native/ScriptedQuestions.h"
#include "tests/win32/TestSupport.h"

namespace quill {
namespace {

constexpr int kDropped = 0x100;

class DragDropWin32 : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    test::MakeFolder(data / "Dest");
    const std::string commandLine = "\"C:\\quill.exe\" \"" + data.Path() + "\"";
    form = std::make_unique<TMainForm>(TMainFormOptions{program.Path() + "\\", commandLine, false, &questions});
    ASSERT_TRUE(form->Create());
    form->Show();
    SetWindowPos(form->Handle(), HWND_TOP, 40, 40, 640, 480, SWP_SHOWWINDOW);
    SetForegroundWindow(form->Handle());
    test::PumpUntil([] { return false; }, 200);
  }
  void TearDown() override {
    form->Close();
    form.reset();
    OleUninitialize();
    questions.ExpectAllAnswered();
  }
  void Rescan() { form->View().Refresh({}, false); }
  int Index(const std::string& name) { return form->View().Files().IndexOf(name); }
  std::string Focused() {
    const TFile* file = form->View().FocusedFile();
    return file ? file->FullName() : std::string();
  }
  // A screen point well inside the entry's name.
  POINT At(const std::string& name) {
    const RECT r = form->Pane().ItemRect(Index(name));
    POINT p{r.left + 40, (r.top + r.bottom) / 2};
    ClientToScreen(form->Pane().Handle(), &p);
    return p;
  }
  // DragPeer's exit code, -1 when it could not run or did not end.
  int Drag(POINT at, const char* keys, int holdMs, const std::vector<std::string>& files) {
    std::wstring line = L"\"" + Widen(ModuleFolder() + "DragPeer.exe") + L"\" " + std::to_wstring(at.x) + L" " +
                        std::to_wstring(at.y) + L" " + Widen(keys) + L" " + std::to_wstring(holdMs);
    for (const std::string& file : files) line += L" \"" + Widen(file) + L"\"";
    STARTUPINFOW startup{sizeof startup};
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
      return -1;
    // The drop comes in through this thread's messages, so they must run while the peer drags.
    const bool ended = test::PumpUntil([&] { return WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0; });
    DWORD code = static_cast<DWORD>(-1);
    if (ended) GetExitCodeProcess(process.hProcess, &code);
    else TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
  }

  test::TScratchFolder program, data, elsewhere;
  test::TScriptedQuestions questions;
  std::unique_ptr<TMainForm> form;
};

void CALLBACK ShootDragOver(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  test::SaveShot(GetDesktopWindow(), "drag-over");
}

TEST_F(DragDropWin32, CtrlCopiesOntoAFolderEntryAndShiftMovesThere) {
  for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"}) test::WriteBytes(elsewhere / name, name);
  Rescan();
  SetTimer(nullptr, 0, 350, ShootDragOver);
  EXPECT_EQ(Drag(At("Dest"), "c", 400, {elsewhere / "a.txt", elsewhere / "b.txt"}), kDropped | DROPEFFECT_COPY);
  EXPECT_EQ(test::ReadBytes(data / "Dest\\a.txt"), "a.txt");
  EXPECT_EQ(test::ReadBytes(data / "Dest\\b.txt"), "b.txt");
  EXPECT_TRUE(test::Exists(elsewhere / "a.txt"));
  EXPECT_EQ(Focused(), "Dest");  // the target took the focus and the rescan kept it

  // The source hears "none" of a move, so it never deletes anything itself. (The performed
  // effect does not reach another process under Wine, whose proxy cannot carry SetData.)
  EXPECT_EQ(Drag(At("Dest"), "s", 400, {elsewhere / "c.txt", elsewhere / "d.txt"}) & 0xF0F, kDropped);
  EXPECT_EQ(test::ReadBytes(data / "Dest\\c.txt"), "c.txt");
  EXPECT_EQ(test::ReadBytes(data / "Dest\\d.txt"), "d.txt");
  EXPECT_FALSE(test::Exists(elsewhere / "c.txt"));
  EXPECT_FALSE(test::Exists(elsewhere / "d.txt"));
}

TEST_F(DragDropWin32, TheSourceFolderIsRefusedAndTheFocusComesBack) {
  for (const char* name : {"x.txt", "y.txt"}) test::WriteBytes(data / name, name);
  Rescan();
  form->View().SetFocused(Index("y.txt"));
  const int entries = form->View().Files().Count();
  const int code = Drag(At("x.txt"), "c", 400, {data / "x.txt"});
  EXPECT_EQ(code & 0xFF, DROPEFFECT_NONE) << std::hex << code;
  EXPECT_EQ(Focused(), "y.txt");
  Rescan();
  EXPECT_EQ(form->View().Files().Count(), entries);  // no copy beside the original
}

TEST_F(DragDropWin32, AFileHeldAtTheBottomEdgeScrollsThePane) {
  for (int i = 0; i < 300; ++i) test::WriteBytes(data / ("f" + std::to_string(1000 + i) + ".txt"), "");
  test::WriteBytes(elsewhere / "e.txt", "e");
  Rescan();
  ASSERT_EQ(form->Pane().FirstVisible(), 0);
  RECT client{};
  GetClientRect(form->Pane().Handle(), &client);
  POINT edge{client.right / 2, client.bottom - 5};
  ClientToScreen(form->Pane().Handle(), &edge);
  EXPECT_EQ(Drag(edge, "x", 1500, {elsewhere / "e.txt"}) & 0xF00, 0x200);  // Escape: nothing dropped
  EXPECT_GT(form->Pane().FirstVisible(), 0);
  EXPECT_FALSE(test::Exists(data / "e.txt"));
}

// The drop menu as a timer inside its loop finds it: its items, a picture, then a key.
struct TMenuWatch {
  static inline std::vector<std::string> items;
  static inline WORD key = 0;
  static BOOL CALLBACK Find(HWND window, LPARAM found) {
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    if (IsWindowVisible(window) && lstrcmpW(name, L"#32768") == 0) *reinterpret_cast<HWND*>(found) = window;
    return TRUE;
  }
  static void CALLBACK Tick(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND menuWindow = nullptr;
    EnumWindows(Find, reinterpret_cast<LPARAM>(&menuWindow));
    if (!menuWindow) return;
    KillTimer(nullptr, timer);
    HMENU menu = reinterpret_cast<HMENU>(SendMessageW(menuWindow, MN_GETHMENU, 0, 0));
    items.clear();
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
      wchar_t text[64] = {};
      GetMenuStringW(menu, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
      items.push_back(Narrow(text));
    }
    test::SaveShot(GetDesktopWindow(), key == 'M' ? "drop-menu" : "drop-menu-2");
    INPUT input[2] = {{INPUT_KEYBOARD}, {INPUT_KEYBOARD}};
    input[0].ki.wVk = input[1].ki.wVk = key;
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof(INPUT));
  }
};

TEST_F(DragDropWin32, TheRightButtonAsksWithTheDropMenu) {
  for (const char* name : {"m.txt", "s.txt"}) test::WriteBytes(elsewhere / name, name);
  Rescan();
  TMenuWatch::key = 'M';
  SetTimer(nullptr, 0, 100, TMenuWatch::Tick);
  EXPECT_EQ(Drag(At("Dest"), "r", 400, {elsewhere / "m.txt"}) & 0xF0F, kDropped);
  EXPECT_EQ(TMenuWatch::items,
            (std::vector<std::string>{"&Copy Here", "&Move Here", "Create &Shortcut(s) Here", "Cancel"}));
  EXPECT_EQ(test::ReadBytes(data / "Dest\\m.txt"), "m.txt");
  EXPECT_FALSE(test::Exists(elsewhere / "m.txt"));

  TMenuWatch::key = 'S';
  SetTimer(nullptr, 0, 100, TMenuWatch::Tick);
  EXPECT_EQ(Drag(At("Dest"), "r", 400, {elsewhere / "s.txt"}), kDropped | DROPEFFECT_LINK);
  const std::string target = ShortcutTarget(data / "Dest\\s.txt.lnk");
  EXPECT_EQ(lstrcmpiW(Widen(target).c_str(), Widen(elsewhere / "s.txt").c_str()), 0) << target;
  EXPECT_TRUE(test::Exists(elsewhere / "s.txt"));
}

// Inside DoDragDrop's loop the button goes up once the pointer has waited over the folder.
void CALLBACK ReleaseButton(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  BYTE keys[256];
  GetKeyboardState(keys);
  keys[VK_LBUTTON] = 0;
  SetKeyboardState(keys);
}

TEST_F(DragDropWin32, ThePanesOwnEntryDraggedOntoOneOfItsFoldersMovesThere) {
  test::WriteBytes(data / "own.txt", "own");
  Rescan();
  const POINT dest = At("Dest");
  POINT press = At("own.txt");
  ScreenToClient(form->Pane().Handle(), &press);
  SetCursorPos(dest.x, dest.y);
  BYTE keys[256];
  GetKeyboardState(keys);
  keys[VK_LBUTTON] = 0x80;
  SetKeyboardState(keys);
  SetTimer(nullptr, 0, 600, ReleaseButton);
  HWND pane = form->Pane().Handle();
  SendMessageW(pane, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(press.x, press.y));
  SendMessageW(pane, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(press.x + 2, press.y + 3));  // not yet
  EXPECT_TRUE(test::Exists(data / "own.txt"));
  SendMessageW(pane, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(press.x + 4, press.y));  // runs the whole drag
  EXPECT_EQ(test::ReadBytes(data / "Dest\\own.txt"), "own");
  EXPECT_FALSE(test::Exists(data / "own.txt"));
  EXPECT_LT(Index("own.txt"), 0);
}

TEST_F(DragDropWin32, SaveSelectedListWritesTheListWhereTheUserChose) {
  test::WriteBytes(data / "report.txt", std::string(1234, 'r'));
  Rescan();
  form->RunCommand(cmSaveSelectedList);  // nothing selected: nothing asked
  EXPECT_EQ(questions.CountAsked(test::TQuestionKind::SaveFile), 0u);

  form->View().Select(Index("Dest"));
  form->View().Select(Index("report.txt"));
  questions.AnswerFile(elsewhere / "chosen.txt");
  form->RunCommand(cmSaveSelectedList);
  ASSERT_EQ(questions.CountAsked(test::TQuestionKind::SaveFile), 1u);
  const test::TAskedQuestion& asked = questions.Asked().back();
  EXPECT_EQ(asked.text, data / "list.txt");
  EXPECT_EQ(asked.initial, "Text(*.txt)|*.txt");
  EXPECT_EQ(asked.caption, "txt");

  // Each entry's last-write time as this machine shows it, found without the program's help.
  const auto stamp = [](const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA facts{};
    GetFileAttributesExW(Widen(path).c_str(), GetFileExInfoStandard, &facts);
    FILETIME local{};
    SYSTEMTIME t{};
    FileTimeToLocalFileTime(&facts.ftLastWriteTime, &local);
    FileTimeToSystemTime(&local, &t);
    char text[32];
    wsprintfA(text, "%04d-%02d-%02d %02d:%02d", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute);
    return std::string(text);
  };
  const std::string expected = data.Path() + "\r\n\r\n" + "Dest         " + stamp(data / "Dest") + " ____\r\n" +
                               "report.txt   " + stamp(data / "report.txt") + " A___\r\n" +
                               "\r\n1 Folders, 1 Files\r\n1,234 bytes\r\n";
  EXPECT_EQ(test::ReadBytes(elsewhere / "chosen.txt"), expected);
}

}  // namespace
}  // namespace quill
