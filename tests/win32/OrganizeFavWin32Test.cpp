// The favourites organiser and the function-key editor as real dialogs: driven by a step script
// from inside their modal loops, with a scripted question service, the organiser reached through
// the main window's command so its menu and Shift+F keys are checked afterwards.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "app/Commands.h"
#include "app/MainForm.h"
#include "platform/Win32FileSystem.h"
#include "platform/Win32Text.h"
#include "settings/EditFuncDialog.h"
#include "settings/OrganizeFavDialog.h"
#include "tests/native/ScriptedQuestions.h"
#include "tests/win32/StepScript.h"
#include "tests/win32/TestSupport.h"

namespace quill {
namespace {

using test::TScript;
using test::TScratchFolder;

std::string WindowText(HWND window) {
  wchar_t text[1024] = {};
  GetWindowTextW(window, text, 1024);
  return Narrow(text);
}

// A left click in the middle of a control's row or of the whole control.
void ClickAt(HWND control, RECT r) {
  const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(control, WM_LBUTTONUP, 0, at);
}
void Click(HWND control) {
  RECT r;
  GetClientRect(control, &r);
  ClickAt(control, r);
}
// The tooltip window the active dialog owns.
BOOL CALLBACK FindTips(HWND window, LPARAM out) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  if (lstrcmpiW(name, TOOLTIPS_CLASSW) != 0 || GetWindow(window, GW_OWNER) != GetActiveWindow()) return TRUE;
  *reinterpret_cast<HWND*>(out) = window;
  return FALSE;
}
void ClickRow(HWND list, int row) {
  RECT r{};
  SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r));
  ClickAt(list, r);
}

class OrganizeFavWin32 : public ::testing::Test {
protected:
  void SetUp() override {
    for (const char* name : {"A", "B", "C", "D", "A\\Inner"}) test::MakeFolder(data / name);
  }
  void TearDown() override {
    form.reset();
    questions.ExpectAllAnswered();
  }
  void Start() {
    const std::string commandLine = "\"C:\\quill.exe\" \"" + (data / "A") + "\"";
    form = std::make_unique<TMainForm>(TMainFormOptions{program.Path() + "\\", commandLine, false, &questions});
    ASSERT_TRUE(form->Create());
    form->Show();
  }
  std::vector<std::string> MenuNames() {
    std::vector<std::string> names;
    HMENU menu = form->CreateFavoritesMenu();
    for (int i = 0; i + 3 < GetMenuItemCount(menu); ++i) {
      wchar_t text[256] = {};
      GetMenuStringW(menu, static_cast<UINT>(i), text, 256, MF_BYPOSITION);
      names.push_back(Narrow(text));
    }
    DestroyMenu(menu);
    return names;
  }
  void ShiftF1() {
    BYTE state[256];
    GetKeyboardState(state);
    state[VK_SHIFT] = 0x80;
    SetKeyboardState(state);
    SendMessageW(form->Pane().Handle(), WM_KEYDOWN, VK_F1, 0);
    state[VK_SHIFT] = 0;
    SetKeyboardState(state);
  }
  std::string Favourites() { return "Bee=" + (data / "B") + "\r\nSee=" + (data / "C") + "\r\nDee=" + (data / "D") + "\r\n"; }

  TScratchFolder program, data;
  test::TScriptedQuestions questions;
  std::unique_ptr<TMainForm> form;
};

TEST_F(OrganizeFavWin32, RowsReorderedInTheDialogAreTheMenuOrderAtOnce) {
  test::WriteBytes(program / "favorite.dat", Favourites());
  Start();
  ASSERT_EQ(MenuNames(), (std::vector<std::string>{"Bee", "See", "Dee"}));  // cached before the organiser

  std::vector<std::string> seen;
  TScript script({{"Organize Favorites", [&](HWND dialog) {
                     HWND list = GetDlgItem(dialog, TfOrganizeFav::kListBoxId);
                     auto details = [&] {
                       seen.push_back(WindowText(GetDlgItem(dialog, TfOrganizeFav::kItemId)) + "|" +
                                      WindowText(GetDlgItem(dialog, TfOrganizeFav::kItemPathId)) + "|" +
                                      WindowText(GetDlgItem(dialog, TfOrganizeFav::kShortcutId)));
                     };
                     EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 3);
                     EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 0);
                     details();
                     SendMessageW(GetDlgItem(dialog, TfOrganizeFav::kUpId), BM_CLICK, 0, 0);  // first row: nothing
                     details();
                     ClickRow(list, 2);
                     details();
                     SendMessageW(GetDlgItem(dialog, TfOrganizeFav::kUpId), BM_CLICK, 0, 0);
                     details();
                     SendMessageW(GetDlgItem(dialog, TfOrganizeFav::kUpId), BM_CLICK, 0, 0);
                     EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 0);
                     test::SaveShot(dialog, "organize-favorites");
                     SendMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
                   }}});
  EXPECT_TRUE(form->RunCommand(cmOrganizeFavorites));
  EXPECT_TRUE(script.Finished());
  EXPECT_FALSE(script.Rescued());
  EXPECT_EQ(seen, (std::vector<std::string>{"Bee|" + (data / "B") + "|( Shift + F1 )",
                                            "Bee|" + (data / "B") + "|( Shift + F1 )",
                                            "Dee|" + (data / "D") + "|( Shift + F3 )",
                                            "Dee|" + (data / "D") + "|( Shift + F2 )"}));

  EXPECT_EQ(MenuNames(), (std::vector<std::string>{"Dee", "Bee", "See"}));
  ShiftF1();
  EXPECT_EQ(form->View().Folder(), data / "D");
  EXPECT_EQ(test::ReadBytes(program / "favorite.dat"),
            "Dee=" + (data / "D") + "\r\nBee=" + (data / "B") + "\r\nSee=" + (data / "C") + "\r\n");
}

TEST_F(OrganizeFavWin32, TheLabelsAndButtonsAskAndCancelKeepsTheFile) {
  test::WriteBytes(program / "favorite.dat", Favourites());
  Start();
  questions.AnswerText("Honey");              // Item: rename "Bee"
  questions.AnswerFolder(data / "A\\Inner");  // ItemPath: its new folder
  questions.AnswerFolder("");                 // a double click, cancelled
  questions.AnswerFolder(data / "C");         // Add: the folder ...
  questions.AnswerText("Sea");                // ... and its name
  questions.AnswerMessage(mrNo);              // Delete, refused
  questions.AnswerMessage(mrYes);             // Delete, confirmed
  std::vector<std::string> rows;
  bool handOverName = false, handOverPath = false;
  LRESULT hints = 0;
  TScript script({{"Organize Favorites", [&](HWND dialog) {
                     HWND list = GetDlgItem(dialog, TfOrganizeFav::kListBoxId);
                     HWND item = GetDlgItem(dialog, TfOrganizeFav::kItemId);
                     HWND path = GetDlgItem(dialog, TfOrganizeFav::kItemPathId);
                     const HCURSOR hand = LoadCursorW(nullptr, IDC_HAND);
                     SendMessageW(dialog, WM_SETCURSOR, reinterpret_cast<WPARAM>(item), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
                     handOverName = GetCursor() == hand;
                     SendMessageW(dialog, WM_SETCURSOR, reinterpret_cast<WPARAM>(path), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
                     handOverPath = GetCursor() == hand;
                     HWND tips = nullptr;
                     EnumThreadWindows(GetCurrentThreadId(), FindTips, reinterpret_cast<LPARAM>(&tips));
                     if (tips) hints = SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0);

                     Click(item);
                     Click(path);
                     const LPARAM at = MAKELPARAM(5, 5);
                     SendMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
                     SendMessageW(list, WM_LBUTTONUP, 0, at);
                     SendMessageW(GetDlgItem(dialog, TfOrganizeFav::kAddId), BM_CLICK, 0, 0);
                     rows.push_back(std::to_string(SendMessageW(list, LB_GETCOUNT, 0, 0)) + " " +
                                    WindowText(item) + " " +
                                    WindowText(GetDlgItem(dialog, TfOrganizeFav::kShortcutId)));
                     ClickRow(list, 1);
                     SendMessageW(GetDlgItem(dialog, TfOrganizeFav::kDeleteId), BM_CLICK, 0, 0);
                     SendMessageW(GetDlgItem(dialog, TfOrganizeFav::kDeleteId), BM_CLICK, 0, 0);
                     rows.push_back(std::to_string(SendMessageW(list, LB_GETCOUNT, 0, 0)) + " " + WindowText(item));
                     SendMessageW(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
                   }}});
  EXPECT_TRUE(form->RunCommand(cmOrganizeFavorites));
  EXPECT_TRUE(script.Finished());
  EXPECT_TRUE(handOverName);
  EXPECT_TRUE(handOverPath);
  EXPECT_EQ(hints, 2);
  EXPECT_EQ(rows, (std::vector<std::string>{"4 Sea ( Shift + F4 )", "3 Dee"}));

  const std::vector<test::TAskedQuestion>& asked = questions.Asked();
  ASSERT_EQ(asked.size(), 7u);
  EXPECT_EQ(asked[0].caption, "Favorites");
  EXPECT_EQ(asked[0].text, "New display name");
  EXPECT_EQ(asked[0].initial, "Bee");
  EXPECT_TRUE(asked[0].selectAll);
  for (size_t i : {1u, 2u, 3u}) {
    EXPECT_EQ(asked[i].kind, test::TQuestionKind::ChooseFolder);
    EXPECT_EQ(asked[i].caption, "Select Folder");
    EXPECT_EQ(asked[i].initial, "C:");
  }
  EXPECT_EQ(asked[1].text, data / "B");
  EXPECT_EQ(asked[2].text, data / "A\\Inner") << "the double click starts where the path now is";
  EXPECT_EQ(asked[3].text, data / "A\\Inner");
  EXPECT_EQ(asked[4].text, "Display Name");
  EXPECT_EQ(asked[4].initial, "C") << "the folder's own name is proposed";
  EXPECT_EQ(asked[5].text, "Are you sure to delete?");
  EXPECT_EQ(asked[5].caption, "Favorites");
  EXPECT_EQ(asked[5].buttons, mbYesNo);
  EXPECT_EQ(asked[5].icon, miWarning);

  // Cancelled: nothing written, the menu as before.
  EXPECT_EQ(test::ReadBytes(program / "favorite.dat"), Favourites());
  EXPECT_EQ(MenuNames(), (std::vector<std::string>{"Bee", "See", "Dee"}));

  // The same edits confirmed.
  questions.AnswerText("Honey");
  questions.AnswerFolder(data / "A\\Inner");
  TScript confirm({{"Organize Favorites", [&](HWND dialog) {
                      Click(GetDlgItem(dialog, TfOrganizeFav::kItemId));
                      Click(GetDlgItem(dialog, TfOrganizeFav::kItemPathId));
                      SendMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
                    }}});
  EXPECT_TRUE(form->RunCommand(cmOrganizeFavorites));
  EXPECT_TRUE(confirm.Finished());
  EXPECT_EQ(test::ReadBytes(program / "favorite.dat"),
            "Honey=" + (data / "A\\Inner") + "\r\nSee=" + (data / "C") + "\r\nDee=" + (data / "D") + "\r\n");
  EXPECT_EQ(MenuNames(), (std::vector<std::string>{"Honey", "See", "Dee"}));
}

TEST_F(OrganizeFavWin32, AHundredThousandRowsAreAllThereAndLateRowsHaveNoShortcut) {
  std::string bytes;
  for (int i = 0; i < 100000; ++i) bytes += "Place " + std::to_string(i) + "=C:\\Places\\" + std::to_string(i) + "\r\n";
  test::WriteBytes(program / "favorite.dat", bytes);
  TfOrganizeFav dialog(nullptr, questions, TWin32FileSystem::Instance(), TAnsiCodePage::Instance(),
                       program / "favorite.dat");
  HWND list = dialog.Item(TfOrganizeFav::kListBoxId);
  EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 100000);
  dialog.SelectRow(11);
  EXPECT_EQ(dialog.Text(TfOrganizeFav::kShortcutId), "( Shift + F12 )");
  dialog.SelectRow(99999);
  EXPECT_EQ(dialog.Text(TfOrganizeFav::kItemId), "Place 99999");
  EXPECT_EQ(dialog.Text(TfOrganizeFav::kItemPathId), "C:\\Places\\99999");
  EXPECT_EQ(dialog.Text(TfOrganizeFav::kShortcutId), "");
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 99999);
}

// ---- the function-key editor ----

struct TGeometry {
  int height = 0;
  int buttonsTop = 0;
  int groupHeight = 0;
  int pageHeight = 0;
  bool operator==(const TGeometry&) const = default;
};

TGeometry Measure(HWND dialog) {
  auto rect = [&](int id) {
    RECT r{};
    GetWindowRect(GetDlgItem(dialog, id), &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
  };
  RECT window{};
  GetWindowRect(dialog, &window);
  const RECT group = rect(TfEditFunc::kOptionsGroupId), page = rect(TfEditFunc::kPageId);
  return {window.bottom - window.top, rect(IDOK).top, group.bottom - group.top, page.bottom - page.top};
}

std::ostream& operator<<(std::ostream& out, const TGeometry& g) {
  return out << g.height << "/" << g.buttonsTop << "/" << g.groupHeight << "/" << g.pageHeight;
}

class EditFuncWin32 : public ::testing::Test {
protected:
  void TearDown() override { questions.ExpectAllAnswered(); }
  test::TScriptedQuestions questions;
};

TEST_F(EditFuncWin32, ALinkEntryFillsTheLinkPageAndOkGivesTheEditedEntry) {
  questions.AnswerFile("C:\\Other\\new.exe");
  std::string fields;
  TGeometry link, function;
  bool linkChecked = false, nameVisible = false, functionVisible = true;
  TScript script({{"Edit Function Key", [&](HWND dialog) {
                     auto text = [&](int id) { return WindowText(GetDlgItem(dialog, id)); };
                     linkChecked = IsDlgButtonChecked(dialog, TfEditFunc::kLinkId) == BST_CHECKED;
                     nameVisible = IsWindowVisible(GetDlgItem(dialog, TfEditFunc::kLinkNameId));
                     functionVisible = IsWindowVisible(GetDlgItem(dialog, TfEditFunc::kFunctionId));
                     fields = text(TfEditFunc::kLinkNameId) + "|" + text(TfEditFunc::kCommandId) + "|" +
                              text(TfEditFunc::kParametersId);
                     link = Measure(dialog);
                     test::SaveShot(dialog, "edit-function-link");
                     SendMessageW(GetDlgItem(dialog, TfEditFunc::kBrowseId), BM_CLICK, 0, 0);
                     SetWindowTextW(GetDlgItem(dialog, TfEditFunc::kParametersId), L"!..!");
                     // To the function page and back: the link fields are kept.
                     SendMessageW(GetDlgItem(dialog, TfEditFunc::kQuillFuncId), BM_CLICK, 0, 0);
                     function = Measure(dialog);
                     SendMessageW(GetDlgItem(dialog, TfEditFunc::kLinkId), BM_CLICK, 0, 0);
                     SendMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
                   }}});
  std::string entry = "[Notes]\"C:\\Tools\\ed.exe\" !.!";
  EXPECT_TRUE(EditFunctionKey(nullptr, questions, entry));
  EXPECT_TRUE(script.Finished());
  EXPECT_TRUE(linkChecked);
  EXPECT_TRUE(nameVisible);
  EXPECT_FALSE(functionVisible);
  EXPECT_EQ(fields, "Notes|C:\\Tools\\ed.exe|!.!");
  EXPECT_EQ(link, (TGeometry{300, 247, 200, 180}));
  EXPECT_EQ(function, (TGeometry{205, 150, 105, 85}));
  ASSERT_EQ(questions.CountAsked(test::TQuestionKind::OpenFile), 1u);
  EXPECT_EQ(questions.Asked()[0].text, "C:\\Tools\\") << "starts in the command's folder";
  EXPECT_EQ(questions.Asked()[0].initial, "Program File(*.exe)|*.exe|All(*.*)|*.*");
  EXPECT_EQ(entry, "[Notes]\"C:\\Other\\new.exe\" !..!");
}

TEST_F(EditFuncWin32, FunctionEntriesSelectTheirFunctionAndCancelKeepsTheEntry) {
  std::vector<std::string> seen;
  auto state = [&](HWND dialog) {
    seen.push_back(std::string(IsDlgButtonChecked(dialog, TfEditFunc::kQuillFuncId) == BST_CHECKED ? "func" : "link") +
                   " " + WindowText(GetDlgItem(dialog, TfEditFunc::kQuillNameId)) + " " +
                   std::to_string(SendMessageW(GetDlgItem(dialog, TfEditFunc::kFunctionId), CB_GETCURSEL, 0, 0)));
  };
  TScript script({{"Edit Function Key",
                   [&](HWND dialog) {
                     state(dialog);
                     test::SaveShot(dialog, "edit-function-quill");
                     HWND functions = GetDlgItem(dialog, TfEditFunc::kFunctionId);
                     SendMessageW(functions, CB_SETCURSEL, 13, 0);
                     SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(TfEditFunc::kFunctionId, CBN_SELCHANGE),
                                  reinterpret_cast<LPARAM>(functions));
                     state(dialog);
                     SendMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
                   }},
                  {"Edit Function Key",
                   [&](HWND dialog) {
                     state(dialog);
                     SendMessageW(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
                   }},
                  {"Edit Function Key", [&](HWND dialog) {
                     // From a link to the function page: "Copy" is selected, the name left empty.
                     SendMessageW(GetDlgItem(dialog, TfEditFunc::kQuillFuncId), BM_CLICK, 0, 0);
                     state(dialog);
                     SendMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
                   }}});
  std::string unknown = "#frobnicate";
  EXPECT_TRUE(EditFunctionKey(nullptr, questions, unknown));
  EXPECT_EQ(unknown, "[TextEdit]#textedit");
  std::string copy = "#copy";
  EXPECT_FALSE(EditFunctionKey(nullptr, questions, copy));
  EXPECT_EQ(copy, "#copy");
  std::string program = "notepad.exe";
  EXPECT_TRUE(EditFunctionKey(nullptr, questions, program));
  EXPECT_EQ(program, "#copy");
  EXPECT_TRUE(script.Finished());
  EXPECT_EQ(seen, (std::vector<std::string>{"func frobnicate -1", "func TextEdit 13", "func copy 0", "func  0"}));
}

}  // namespace
}  // namespace quill
