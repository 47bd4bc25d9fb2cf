// The keyboard after a question: the main window with its real question service, commands
// started and dialogs answered with keys and clicks, and after every kind of question a Down key
// pressed on the keyboard (SendInput, which goes wherever the focus is) has to move the pane's
// focused entry. The copy progress window has to come back to the front after a question asked
// during the copy and take the Escape key.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>

#include "app/Commands.h"
#include "app/MainForm.h"
#include "messages/GetString.h"
#include "operations/CopyingDialog.h"
#include "operations/DelWarningDialog.h"
#include "operations/FileExistsDialog.h"
#include "tests/win32/StepScript.h"
#include "tests/win32/TestSupport.h"

namespace quill {
namespace {

using test::TScript;

// Keys as the keyboard gives them: into the system's input queue, delivered to the focus.
void Press(WORD key, bool alt = false) {
  INPUT input[4] = {};
  int n = 0;
  const auto add = [&](WORD vk, bool up) {
    input[n].type = INPUT_KEYBOARD;
    input[n].ki.wVk = vk;
    input[n].ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    input[n].ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    ++n;
  };
  if (alt) add(VK_MENU, false);
  add(key, false);
  add(key, true);
  if (alt) add(VK_MENU, true);
  SendInput(static_cast<UINT>(n), input, sizeof(INPUT));
}

// Answers inside a dialog, as its own loop receives them.
void Click(HWND dialog, int id) { PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
void TypeChar(HWND window, wchar_t c) { PostMessageW(window, WM_CHAR, c, 1); }
void TypeLine(HWND edit, const std::string& text) {
  SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Widen(text).c_str()));
  PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 1);
}

class ModalFocus : public ::testing::Test {
protected:
  void SetUp() override {
    test::MakeFolder(data / "Dest");
    test::MakeFolder(data / "Box");
    test::MakeFolder(data / "Box\\Inner");
    for (int i = 0; i < 30; ++i) test::WriteBytes(data / ("f" + std::to_string(10 + i) + ".txt"), "new");
    for (const char* name : {"f10.txt", "f11.txt", "f12.txt"}) test::WriteBytes(data / (std::string("Dest\\") + name), "old");
    test::WriteBytes(data / "f20.txt", "kept safe", FILE_ATTRIBUTE_READONLY);
    test::WriteBytes(program / "quill.ini", "[Option]\r\nSort=0\r\n");
    const std::string commandLine = "\"C:\\quill.exe\" \"" + data.Path() + "\"";
    form = std::make_unique<TMainForm>(TMainFormOptions{program.Path() + "\\", commandLine, false});
    ASSERT_TRUE(form->Create());
    form->Show();
    // Work folder 1 is the destination, 2 a folder inside "Box".
    form->ShowFolder(data / "Dest");
    form->SetWorkFolder(0);
    form->ShowFolder(data / "Box\\Inner");
    form->SetWorkFolder(1);
    form->ShowFolder(data.Path());
    SetForegroundWindow(form->Handle());
    Pump([] { return false; }, 100);
    ASSERT_EQ(GetForegroundWindow(), form->Handle());
    ASSERT_EQ(GetFocus(), form->Pane().Handle());
  }
  void TearDown() override {
    if (form) form->Close();
    form.reset();
  }

  // The program's own loop, accelerators included, until `done` or the time is up.
  template <typename F>
  bool Pump(F&& done, DWORD timeoutMs = 10000) {
    const DWORD start = GetTickCount();
    while (!done()) {
      if (GetTickCount() - start > timeoutMs) return false;
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (form->Handle() && TranslateAcceleratorW(form->Handle(), form->Accelerators(), &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
  }

  int Focused() { return form->View().ItemIndex(); }
  std::string FocusedName() {
    const TFile* file = form->View().FocusedFile();
    return file ? file->FullName() : std::string();
  }
  // Puts the pane's focus on an entry, the way a click would.
  void FocusEntry(const std::string& name) {
    const int index = form->View().Files().IndexOf(name);
    ASSERT_GE(index, 0) << name;
    form->View().SetItemIndex(index);
  }

  // Presses the command's key with the steps answering what it asks, waits for them all, then
  // presses Down: the pane's focused entry has to move one row down.
  void AskAndThenPressDown(const char* what, WORD key, bool alt, std::vector<TScript::TStep> steps) {
    {
      TScript script(std::move(steps));
      Press(key, alt);
      EXPECT_TRUE(Pump([&] { return script.Finished(); })) << what << ": only " << script.Done() << " steps ran";
      // Whatever the last answer started (a copy, a delete) runs to its end.
      Pump([] { return false; }, 150);
      EXPECT_FALSE(script.Rescued()) << what << ": a dialog did not close on its own";
    }
    EXPECT_TRUE(IsWindowEnabled(form->Handle())) << what;
    EXPECT_EQ(GetActiveWindow(), form->Handle()) << what;
    EXPECT_EQ(GetFocus(), form->Pane().Handle()) << what << ": the focus is not back in the pane";
    const int before = Focused();
    Press(VK_DOWN);
    EXPECT_TRUE(Pump([&] { return Focused() != before; }, 3000)) << what << ": Down did not reach the pane";
    EXPECT_EQ(Focused(), before + 1) << what;
  }

  test::TScratchFolder program, data;
  std::unique_ptr<TMainForm> form;
};

TEST_F(ModalFocus, DownMovesThePaneAfterEveryKindOfQuestion) {
  const auto chooseWorkFolder = [](char digit) {
    return TScript::TStep{"Select Drive", [digit](HWND) { TypeChar(GetFocus(), static_cast<wchar_t>(digit)); }};
  };

  // The drive window as the chooser, cancelled: nothing is copied.
  FocusEntry("f15.txt");
  AskAndThenPressDown("drive window, Escape", VK_INSERT, false,
                      {{"Select Drive", [](HWND) { PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 1); }}});
  EXPECT_FALSE(test::Exists(data / "Dest\\f15.txt"));

  // The replace dialog over the copy progress window, answered each way.
  FocusEntry("f10.txt");
  AskAndThenPressDown("replace dialog, Overwrite", VK_INSERT, false,
                      {chooseWorkFolder('1'),
                       {"Confirm Replace file", [](HWND d) { Click(d, TfFileExists::kOverwriteId); }}});
  EXPECT_EQ(test::ReadBytes(data / "Dest\\f10.txt"), "new");
  EXPECT_EQ(FocusedName(), "f11.txt");

  AskAndThenPressDown("replace dialog, Skip", VK_INSERT, false,
                      {chooseWorkFolder('1'), {"Confirm Replace file", [](HWND) { TypeChar(GetFocus(), L's'); }}});
  EXPECT_EQ(test::ReadBytes(data / "Dest\\f11.txt"), "old");

  AskAndThenPressDown("replace dialog, Rename", VK_INSERT, false,
                      {chooseWorkFolder('1'),
                       {"Confirm Replace file", [](HWND d) { Click(d, TfFileExists::kRenameId); }},
                       {"Rename and Copy", [](HWND d) { TypeLine(GetDlgItem(d, TfGetString::kEditId), "g12.txt"); }}});
  EXPECT_EQ(test::ReadBytes(data / "Dest\\g12.txt"), "new");
  EXPECT_EQ(test::ReadBytes(data / "Dest\\f12.txt"), "old");

  // An error box during a copy: a folder into its own subfolder.
  FocusEntry("Box");
  AskAndThenPressDown("error box", VK_INSERT, false,
                      {chooseWorkFolder('2'), {"Error", [](HWND box) { PostMessageW(box, WM_COMMAND, IDOK, 0); }}});

  // The delete confirmation, then the important-attributes question during the delete.
  FocusEntry("f16.txt");
  AskAndThenPressDown("delete confirmation", VK_DELETE, false,
                      {{"Delete Confirm", [](HWND d) { Click(d, TfDelWarning::kAllId); }}});
  EXPECT_FALSE(test::Exists(data / "f16.txt"));
  FocusEntry("f20.txt");
  AskAndThenPressDown("important attributes", VK_DELETE, false,
                      {{"Delete Confirm", [](HWND d) { Click(d, TfDelWarning::kAllId); }},
                       {"Delete Confirm", [](HWND d) { Click(d, TfDelWarning::kNoId); }}});
  EXPECT_TRUE(test::Exists(data / "f20.txt")) << "answered No";

  // The input dialog (Select Group on the number pad's "+") and Create Folder (Alt+K).
  AskAndThenPressDown("input dialog", VK_ADD, false,
                      {{"Filter", [](HWND d) { TypeLine(GetDlgItem(d, TfGetString::kEditId), "f3*.txt"); }}});
  EXPECT_EQ(form->View().SelCount(), 10);
  AskAndThenPressDown("create folder", 'K', true,
                      {{"New Folder", [](HWND d) {
                         test::SaveShot(d, "input-dialog");
                         TypeLine(GetDlgItem(d, TfGetString::kEditId), "Made");
                       }}});
  EXPECT_TRUE(test::Exists(data / "Made"));

  // The network browser from the menu, left with Escape.
  {
    TScript script({{"Network", [](HWND) { PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 1); }}});
    PostMessageW(form->Handle(), WM_COMMAND, cmNetwork, 0);
    EXPECT_TRUE(Pump([&] { return script.Finished(); }));
    Pump([] { return false; }, 150);
  }
  EXPECT_EQ(GetFocus(), form->Pane().Handle()) << "network browser";
  const int before = Focused();
  Press(VK_DOWN);
  EXPECT_TRUE(Pump([&] { return Focused() != before; }, 3000)) << "network browser: Down did not reach the pane";
}

TEST_F(ModalFocus, AfterAQuestionTheCopyProgressIsInFrontAndEscapeCancelsIt) {
  // A folder that is there already: the question comes first, the copy of its files after it.
  test::MakeFolder(data / "Many");
  test::MakeFolder(data / "Dest\\Many");
  constexpr int kFiles = 40;
  for (int i = 0; i < kFiles; ++i) test::WriteBytes(data / ("Many\\m" + std::to_string(100 + i) + ".dat"), "data");
  form->View().Refresh("Many", true);
  ASSERT_EQ(FocusedName(), "Many");

  // What the copy shows once the question is answered, looked at the first time it lets
  // messages run again; then Escape on the keyboard.
  bool progressShown = false, progressActive = false, progressAboveMain = false, focusInProgress = false;
  test::TQueuedAction afterAnswer([&] {
    HWND progress = FindWindowW(nullptr, L"Copying...");
    progressShown = progress && IsWindowVisible(progress);
    progressActive = progressShown && GetActiveWindow() == progress && GetForegroundWindow() == progress;
    for (HWND w = GetWindow(progress, GW_HWNDNEXT); progressShown && w; w = GetWindow(w, GW_HWNDNEXT))
      if (w == form->Handle()) progressAboveMain = true;
    focusInProgress = progressShown && IsChild(progress, GetFocus());
    test::SaveShot(form->Handle(), "progress-after-question");
    Press(VK_ESCAPE);
  });
  AskAndThenPressDown("copy progress after a question", VK_INSERT, false,
                      {{"Select Drive", [](HWND) { TypeChar(GetFocus(), L'1'); }},
                       {"Confirm Replace file", [&](HWND d) {
                          Click(d, TfFileExists::kOverwriteId);
                          afterAnswer.Post();
                        }}});
  EXPECT_TRUE(afterAnswer.Ran());
  EXPECT_TRUE(progressShown) << "the copy did not let messages run after the question";
  EXPECT_TRUE(progressActive) << "the progress window did not get the activation back";
  EXPECT_TRUE(progressAboveMain) << "the progress window stays behind the main window";
  EXPECT_TRUE(focusInProgress);
  int copied = 0;
  for (int i = 0; i < kFiles; ++i) copied += test::Exists(data / ("Dest\\Many\\m" + std::to_string(100 + i) + ".dat"));
  EXPECT_LT(copied, kFiles) << "Escape did not cancel the copy";
}

}  // namespace
}  // namespace quill
