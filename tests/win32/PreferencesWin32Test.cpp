// Tools > Options through the real main window: the Preferences dialog is answered the way a
// user would (controls changed, buttons clicked), with the colour dialog and the other questions
// scripted. With QUILL_SHOTS set, each of the six tabs is saved as a picture.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <string>

#include "app/Commands.h"
#include "app/MainForm.h"
#include "settings/EditFuncDialog.h"
#include "settings/PreferencesDialog.h"
#include "tests/native/ScriptedQuestions.h"
#include "tests/win32/StepScript.h"
#include "tests/win32/TestSupport.h"

namespace quill {
namespace {

using test::TQueuedAction;
using test::TScript;

const std::string kIni = "[Window]\r\nFile=0,40,40,600,460\r\n[Option]\r\nSort=0\r\nMine=keep\r\n"
    "[Function]\r\nF2=[Notes] #textedit\r\n^F3=\"C:\\Program Files\\x.exe\" !N!\r\n";
const std::string kCol = "[Basic]\r\nBACK=0\r\nNORMAL=12632256\r\n\r\n[Ext]\r\nZIP=255\r\nexe=65280\r\nARJ=255\r\n";

class PreferencesWin32 : public ::testing::Test {
protected:
  void SetUp() override {
    test::WriteBytes(program / "quill.ini", kIni);
    test::WriteBytes(program / "quill.col", kCol);
    test::WriteBytes(data / "small.txt", "x");
    test::WriteBytes(data / "large.txt", std::string(5000, 'y'));
    test::WriteBytes(data / "middle.txt", std::string(300, 'z'));
    const std::string commandLine = "\"C:\\quill.exe\" \"" + data.Path() + "\"";
    form = std::make_unique<TMainForm>(TMainFormOptions{program.Path() + "\\", commandLine, false, &questions});
    ASSERT_TRUE(form->Create());
    form->Show();
  }
  void TearDown() override {
    if (form) form->Close();
    form.reset();
    questions.ExpectAllAnswered();
  }

  template <typename F>
  static bool Pump(F&& done, DWORD timeoutMs = 20000) {
    return test::PumpUntil(done, timeoutMs);
  }
  // Tools > Options with the dialog answered by `answer`; the command has ended on return.
  // `nested` answers the dialogs the answer opens, in order.
  void RunOptions(std::function<void(HWND)> answer, std::vector<TScript::TStep> nested = {}) {
    std::vector<TScript::TStep> steps{{"Preferences", std::move(answer)}};
    steps.insert(steps.end(), nested.begin(), nested.end());
    TScript script(std::move(steps));
    bool ended = false;
    TQueuedAction run([&] {
      SendMessageW(form->Handle(), WM_COMMAND, cmOptions, 0);
      ended = true;
    });
    run.Post();
    EXPECT_TRUE(Pump([&] { return ended; })) << "the dialog did not close";
    EXPECT_TRUE(script.Finished());
    EXPECT_FALSE(script.Rescued()) << "the dialog had to be cancelled";
  }
  static void Click(HWND dialog, int id) { SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
  static void Page(HWND dialog, int page) {
    HWND tabs = GetDlgItem(dialog, TfPreferences::kTabsId);
    TabCtrl_SetCurSel(tabs, page);
    NMHDR change{tabs, static_cast<UINT_PTR>(TfPreferences::kTabsId), static_cast<UINT>(TCN_SELCHANGE)};
    SendMessageW(dialog, WM_NOTIFY, TfPreferences::kTabsId, reinterpret_cast<LPARAM>(&change));
  }
  static void DoubleClickRow(HWND dialog, int listId, int row) {
    HWND list = GetDlgItem(dialog, listId);
    SendMessageW(list, LB_SETCURSEL, row, 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(listId, LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
  }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (int i = 0; i < form->View().Files().Count(); ++i) {
      const TFile* file = form->View().Files().Items(i);
      if (file && !file->IsDrive()) names.push_back(file->FullName());
    }
    return names;
  }

  test::TScratchFolder program, data;
  test::TScriptedQuestions questions;
  std::unique_ptr<TMainForm> form;
};

TEST_F(PreferencesWin32, ApplyChangesThePaneAtOnce) {
  ASSERT_EQ(form->View().SortType(), fstName);
  questions.AnswerColor(0x00FF00);
  questions.AnswerFile(data / "copy.col");
  test::WriteBytes(data / "other.col", "[Basic]\r\nBACK=0\r\n\r\n[Ext]\r\nA=1\r\nB=2\r\nC=3\r\n");
  questions.AnswerFile(data / "other.col");
  int rowsAfterOpen = 0;
  bool ownerDisabled = false;
  std::vector<std::string> sortedInDialog;
  TColor backInDialog = 1;
  RunOptions([&](HWND dialog) {
    ownerDisabled = !IsWindowEnabled(form->Handle());
    // Arrange by Size, and a green background from the colour tab's first key row.
    SendMessageW(GetDlgItem(dialog, TfPreferences::kSortId), CB_SETCURSEL, 2, 0);
    Page(dialog, TfPreferences::pgColor);
    DoubleClickRow(dialog, TfPreferences::kBasicColorId, 1);
    Click(dialog, TfPreferences::kApplyId);
    sortedInDialog = Names();
    backInDialog = form->View().Colors().Colors(kColorBack);
    for (int page = 0; page < TfPreferences::kPageCount; ++page) {
      Page(dialog, page);
      const std::string shot = "preferences-" + std::to_string(page);
      test::SaveShot(dialog, shot.c_str());
    }
    // Save As writes the lists elsewhere; Open reads another set into the dialog only.
    Page(dialog, TfPreferences::pgColor);
    Click(dialog, TfPreferences::kSaveSetId);
    Click(dialog, TfPreferences::kOpenSetId);
    rowsAfterOpen = static_cast<int>(SendMessageW(GetDlgItem(dialog, TfPreferences::kExtColorId), LB_GETCOUNT, 0, 0));
    Click(dialog, IDCANCEL);
  });
  EXPECT_TRUE(ownerDisabled);
  EXPECT_TRUE(IsWindowEnabled(form->Handle()));
  EXPECT_EQ(sortedInDialog, (std::vector<std::string>{"..", "small.txt", "middle.txt", "large.txt"}));
  EXPECT_EQ(backInDialog, 0x00FF00u);
  ASSERT_EQ(questions.CountAsked(test::TQuestionKind::Color), 1u);
  EXPECT_EQ(questions.Asked()[0].code, 0u) << "the colour dialog starts at the key's colour";

  const std::string ini = test::ReadBytes(program / "quill.ini");
  EXPECT_EQ(ini.rfind("[Window]\r\nFile=0,40,40,600,460\r\n[Option]\r\nSort=2\r\nMine=keep\r\n", 0), 0u) << ini;
  EXPECT_NE(ini.find("AutoCol=1\r\nCol=0\r\n"), std::string::npos) << ini;
  const std::string applied =
      "[Basic]\r\nBACK=65280\r\nNORMAL=12632256\r\n\r\n[Ext]\r\nARJ=255\r\nexe=65280\r\nZIP=255\r\n";
  EXPECT_EQ(test::ReadBytes(program / "quill.col"), applied);
  EXPECT_EQ(test::ReadBytes(data / "copy.col"), applied);
  EXPECT_EQ(rowsAfterOpen, 3);
  for (const test::TAskedQuestion& q : questions.Asked()) {
    if (q.kind != test::TQuestionKind::SaveFile && q.kind != test::TQuestionKind::OpenFile) continue;
    EXPECT_EQ(q.initial, "Quill Color Set File(*.col)|*.col");
    EXPECT_EQ(q.caption, "col");
    EXPECT_EQ(q.text, program.Path() + "\\");
  }
}

TEST_F(PreferencesWin32, OkWritesAndCancelWritesNothing) {
  RunOptions([&](HWND dialog) {
    Click(dialog, TfPreferences::kShowHiddenId);
    Page(dialog, TfPreferences::pgProgram);
    SetWindowTextW(GetDlgItem(dialog, TfPreferences::kProgramId + 1), L"C:\\Tools\\rar.exe");
    Click(dialog, IDCANCEL);
  });
  EXPECT_EQ(test::ReadBytes(program / "quill.ini"), kIni);
  EXPECT_EQ(test::ReadBytes(program / "quill.col"), kCol);
  EXPECT_FALSE(form->View().ViewHidden());

  // OK writes what the controls show, the Function Key tab's deletion included.
  form->Settings().WriteString("Function", "F3", "#copy");
  form->Settings().Flush();
  questions.AnswerMessage(mrYes);
  questions.AnswerMessage(mrYes);
  bool stillOpen = false, editorOnFunctions = false;
  questions.AnswerFont({"Arial", 12, true});
  questions.AnswerFolder("D:\\Work");
  questions.AnswerFile("C:\\Tools\\ace32.exe");
  RunOptions([&](HWND dialog) {
    Click(dialog, TfPreferences::kFileFontId);
    Page(dialog, TfPreferences::pgOption);
    Click(dialog, TfPreferences::kStartDirId);
    Click(dialog, TfPreferences::kStartBrowseId);
    Page(dialog, TfPreferences::pgProgram);
    Click(dialog, TfPreferences::kProgramBrowseId + 2);
    Page(dialog, TfPreferences::pgView);
    Click(dialog, TfPreferences::kShowHiddenId);
    Page(dialog, TfPreferences::pgProgram);
    SetWindowTextW(GetDlgItem(dialog, TfPreferences::kProgramId + 1), L"C:\\Tools\\rar.exe");
    Page(dialog, TfPreferences::pgFunction);
    SendMessageW(GetDlgItem(dialog, TfPreferences::kFunctionListId), LB_SETCURSEL, 1, 0);
    Click(dialog, TfPreferences::kDeleteFunctionId);
    // Enter on the list edits the row in the function-key editor and the Delete key empties
    // one; neither closes the dialog.
    HWND list = GetDlgItem(dialog, TfPreferences::kFunctionListId);
    SetFocus(list);
    SendMessageW(list, LB_SETCURSEL, 0, 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    SendMessageW(list, LB_SETCURSEL, 9, 0);
    SendMessageW(list, WM_KEYDOWN, VK_DELETE, 0);
    stillOpen = IsWindowVisible(dialog);
    Click(dialog, IDOK);
  }, {{"Edit Function Key", [&](HWND editor) {
         // "[Notes] #textedit" opens on Quill's functions; Refresh names itself.
         editorOnFunctions = IsDlgButtonChecked(editor, TfEditFunc::kQuillFuncId) == BST_CHECKED;
         HWND functions = GetDlgItem(editor, TfEditFunc::kFunctionId);
         SendMessageW(functions, CB_SETCURSEL, 15, 0);
         SendMessageW(editor, WM_COMMAND, MAKEWPARAM(TfEditFunc::kFunctionId, CBN_SELCHANGE),
                      reinterpret_cast<LPARAM>(functions));
         Click(editor, IDOK);
       }}});
  EXPECT_TRUE(form->View().ViewHidden());
  TIniFile& ini = form->Settings();
  EXPECT_EQ(ini.ReadString("Option", "Hidden", ""), "1");
  EXPECT_EQ(ini.ReadString("Program", "RAR", ""), "C:\\Tools\\rar.exe");
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(ini.ReadString("Function", "F3", "<none>"), "");
  EXPECT_TRUE(editorOnFunctions);
  EXPECT_EQ(ini.ReadString("Function", "F2", ""), "[Refresh]#refresh");
  EXPECT_EQ(ini.ReadString("Function", "^F3", "<none>"), "");
  EXPECT_EQ(ini.ReadString("Option", "Mine", ""), "keep");
  EXPECT_EQ(ini.ReadString("Option", "FFont", ""), "\"Arial\",12,1");
  EXPECT_EQ(ini.ReadString("Option", "StartDir", ""), "1");
  EXPECT_EQ(ini.ReadString("Option", "Start", ""), "D:\\Work");
  EXPECT_EQ(ini.ReadString("Program", "ACE", ""), "C:\\Tools\\ace32.exe");
  using test::TQuestionKind;
  for (const test::TAskedQuestion& q : questions.Asked()) {
    if (q.kind == TQuestionKind::Font) {
      EXPECT_EQ(q.initial, "6-14");
    }
    if (q.kind == TQuestionKind::ChooseFolder) {
      EXPECT_EQ(q.caption, "Select Folder");
    }
    if (q.kind == TQuestionKind::OpenFile) {
      EXPECT_EQ(q.initial, "Program File(*.exe)|*.exe");
      EXPECT_EQ(q.caption, "exe");
    }
  }
  const std::string onDisk = test::ReadBytes(program / "quill.ini");
  EXPECT_NE(onDisk.find("Hidden=1\r\n"), std::string::npos) << onDisk;
  EXPECT_NE(onDisk.find("RAR=C:\\Tools\\rar.exe\r\n"), std::string::npos) << onDisk;
}

}  // namespace
}  // namespace quill
