// The main window's commands with the real window: the command table behind the menu and the
// shortcuts, function keys and their status bar, the legends, the command box, the Escape key
// and the entry menu.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "app/Commands.h"
#include "app/MainForm.h"
#include "base/Text.h"
#include "fileview/ShellUtils.h"
#include "tests/native/ScriptedQuestions.h"
#include "tests/win32/TestSupport.h"

namespace quill {
namespace {

using test::TScratchFolder;

class Commands : public ::testing::Test {
protected:
  void SetUp() override {
    test::MakeFolder(data / "Sub");
    for (const char* name : {"one.txt", "two words.txt", "three.doc", "pack.zip"}) test::WriteBytes(data / name, "x");
  }
  void TearDown() override {
    form.reset();
    questions.ExpectAllAnswered();
  }
  void WriteSettings(const std::string& lines) { test::WriteBytes(program / "quill.ini", lines); }
  void Start() {
    const std::string commandLine = "\"C:\\quill.exe\" \"" + data.Path() + "\"";
    form = std::make_unique<TMainForm>(TMainFormOptions{program.Path() + "\\", commandLine, false, &questions});
    ASSERT_TRUE(form->Create());
    form->Show();
  }
  void Focus(const std::string& name) {
    const int i = form->View().Files().IndexOf(name);
    ASSERT_GE(i, 0) << name;
    form->View().SetItemIndex(i);
  }
  void Select(const std::string& name) { form->View().Select(form->View().Files().IndexOf(name)); }
  void Key(WPARAM key, UINT message = WM_KEYDOWN) { SendMessageW(form->Pane().Handle(), message, key, 0); }
  void WithModifier(BYTE modifier, WPARAM key) {
    BYTE state[256];
    GetKeyboardState(state);
    state[modifier] = 0x80;
    SetKeyboardState(state);
    Key(key);
    state[modifier] = 0;
    SetKeyboardState(state);
  }
  // Lets posted messages run, as the message loop would.
  static void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  // The text a started program wrote; empty when nothing came within a few seconds.
  // The child renames its file into place; for a moment after the rename its handle may still
  // be open, and an open then fails with a sharing violation, so the read is retried too.
  static std::string WaitForFile(const std::string& path) {
    std::string text = "<missing>";
    for (int i = 0; i < 200 && text == "<missing>"; ++i) {
      if (test::Exists(path)) text = test::ReadBytes(path);
      if (text == "<missing>") Sleep(25);
    }
    return test::Exists(path) ? text : std::string();
  }
  static std::string ArgsChild() { return ModuleFolder() + "ArgsChild.exe"; }

  TScratchFolder program, data;
  test::TScriptedQuestions questions;
  std::unique_ptr<TMainForm> form;
};

std::string MenuText(HMENU menu, int position) {
  wchar_t text[256] = {};
  MENUITEMINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_STRING;
  info.dwTypeData = text;
  info.cch = 255;
  GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info);
  return Narrow(text);
}

bool ItemEnabled(HMENU menu, UINT id) { return !(GetMenuState(menu, id, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)); }
bool ItemChecked(HMENU menu, UINT id) { return (GetMenuState(menu, id, MF_BYCOMMAND) & MF_CHECKED) != 0; }

// Every drop-down of the menu bar and their submenus, depth first.
void CollectPopups(HMENU menu, std::vector<HMENU>& out) {
  for (int i = 0; i < GetMenuItemCount(menu); ++i)
    if (HMENU sub = GetSubMenu(menu, i)) {
      out.push_back(sub);
      CollectPopups(sub, out);
    }
}

TEST_F(Commands, OneTableDrivesTheMenuTheShortcutsAndTheInternalNames) {
  // Ids and shortcuts are unique under both CtrlX settings, and every internal name has one
  // command.
  std::set<unsigned> ids;
  std::map<int, int> internal;
  for (const bool ctrlX : {false, true}) {
    std::set<std::pair<unsigned, unsigned>> keys;
    for (const TCommand& c : TMainForm::Commands()) {
      const TShortcut key = ShortcutOf(c, ctrlX);
      if (key.key) {
        EXPECT_TRUE(keys.insert({key.modifiers, key.key}).second) << ShortcutText(key);
      }
    }
  }
  for (const TCommand& c : TMainForm::Commands()) {
    if (c.id) {
      EXPECT_TRUE(ids.insert(c.id).second) << c.id;
    }
    if (c.internal >= 0) ++internal[c.internal];
  }
  for (int i = icCopy; i < icNone; ++i) EXPECT_EQ(internal[i], 1) << InternalCommandName(static_cast<TInternalCommand>(i));

  WriteSettings("[Option]\nCtrlX=1\n");
  Start();
  std::vector<HMENU> popups;
  CollectPopups(form->MainMenu(), popups);
  std::set<unsigned> inMenu;
  for (HMENU popup : popups) {
    SendMessageW(form->Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), 0);
    for (int i = 0; i < GetMenuItemCount(popup); ++i) {
      const UINT id = GetMenuItemID(popup, i);
      if (id == 0 || id == static_cast<UINT>(-1)) continue;
      inMenu.insert(id);
      const TCommand* c = TMainForm::FindCommand(id);
      ASSERT_NE(c, nullptr) << id;
      EXPECT_EQ(ItemEnabled(popup, id), form->CommandEnabled(*c)) << c->caption;
      if (!c->run) {
        EXPECT_FALSE(ItemEnabled(popup, id)) << "not built yet: shown, but disabled: " << c->caption;
      }
    }
  }
  for (const TCommand& c : TMainForm::Commands())
    if (c.place && c.caption) {
      EXPECT_TRUE(inMenu.count(c.id)) << c.caption;
    }

  // Captions come with their key hints, the string table's seven and the CtrlX variants.
  TMenuLook& look = form->MenuLook();
  EXPECT_EQ(look.Caption(form->MainMenu(), cmCopy), "&Copy\tAlt+C");
  EXPECT_EQ(look.Caption(form->MainMenu(), cmOpen), "&Open\tEnter");
  EXPECT_EQ(look.Caption(form->MainMenu(), cmSelectGroup), "Select Group(&G)\t+");
  EXPECT_EQ(look.Caption(form->MainMenu(), cmExtract), "E&xtract\tCtrl+X");
  EXPECT_EQ(look.Caption(form->MainMenu(), cmClipCut), "Cu&t\tCtrl+T");
  EXPECT_FALSE(ItemEnabled(form->MainMenu(), cmGoTo));
  EXPECT_FALSE(ItemEnabled(form->MainMenu(), cmHelpContents));

  // Check marks follow the state as each drop-down opens.
  form->View().SetSortType(fstSize);
  form->Pane().SetColumn(3);
  form->View().SetFilter("*.exe;*.com;*.bat;*.lnk;*.pif");
  for (HMENU popup : popups) SendMessageW(form->Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), 0);
  HMENU bar = form->MainMenu();
  EXPECT_TRUE(ItemChecked(bar, cmSortSize));
  EXPECT_FALSE(ItemChecked(bar, cmSortExt));
  EXPECT_TRUE(ItemChecked(bar, cmColumn3));
  EXPECT_FALSE(ItemChecked(bar, cmColumnAuto));
  EXPECT_TRUE(ItemChecked(bar, cmFilterPrograms));
  EXPECT_TRUE(ItemChecked(bar, cmViewList));
  EXPECT_TRUE(ItemChecked(bar, cmToolbar));

  // A command run by its id goes through its row; an unavailable one does nothing.
  EXPECT_TRUE(form->RunCommand(cmViewIcons));
  EXPECT_EQ(form->Pane().Settings().ViewStyle, vsIcon);
  EXPECT_TRUE(form->RunCommand(cmGoTo));
  EXPECT_TRUE(form->RunCommand(cmStatusBar));
  EXPECT_FALSE(form->StatusAreaShown());
  EXPECT_FALSE(IsWindowVisible(form->StatusArea().Handle()));
  form->RunCommand(cmCommandLine);
  EXPECT_FALSE(form->CommandBoxOpen()) << "the command box needs the status area";
}

TEST_F(Commands, FunctionKeysShowTheirLabelsAndStartProgramsWithTheirMacros) {
  if (!test::Exists(ArgsChild())) GTEST_SKIP() << "ArgsChild.exe is not beside the tests";
  const std::string out = program / "args.txt";
  SetEnvironmentVariableW(L"QUILL_ARGS_FILE", Widen(out).c_str());
  WriteSettings("[Function]\nF3=[Notes]#textedit\nF4=\"" + ArgsChild() + "\" !..! !\\ ,!\n^F2=#selectall\nF5=#nosuch\n");
  Start();
  const std::vector<std::string>& items = form->FunctionBar().Items();
  ASSERT_EQ(items.size(), 7u);
  EXPECT_EQ(items[0], "F2=");
  EXPECT_EQ(items[1], "F3=Notes");
  EXPECT_EQ(items[2], "F4=ArgsChild");
  EXPECT_EQ(items[3], "F5=nosuch");
  test::SaveShot(form->Handle(), "function-keys");

  // F4 with three entries selected: the quoted names, the folder, the focused extension.
  Select("one.txt");
  Select("two words.txt");
  Select("three.doc");
  Focus("pack.zip");
  Key(VK_F4);
  const std::string folder = data.Path() + "\\";
  EXPECT_EQ(WaitForFile(out), "\"three.doc\" \"one.txt\" \"two words.txt\" " + folder + " zip") << "in the pane's order";
  EXPECT_EQ(form->SelectionMemory().size(), 3u) << "the names collected for !..! are remembered";

  // Ctrl+F2 runs an internal command; an unknown name (F5) runs nothing.
  form->View().DeselectAll(true);
  WithModifier(VK_CONTROL, VK_F2);
  EXPECT_EQ(form->View().SelCount(), 4) << "Select All by a Ctrl function key";
  Key(VK_F5);
  EXPECT_EQ(form->View().SelCount(), 4);

  // "%P" asks for the whole parameter text before the program starts.
  DeleteFileW(Widen(out).c_str());
  form->Settings().WriteString("Function", "F6", "\"" + ArgsChild() + "\" %P !.!");
  questions.AnswerText("edited !.! too");
  Key(VK_F6);
  ASSERT_EQ(questions.CountAsked(test::TQuestionKind::AskText), 1u);
  EXPECT_EQ(questions.Asked().back().caption, "Edit Param...");
  EXPECT_EQ(questions.Asked().back().initial, " pack.zip") << "the text as it stands, the blanks trimmed afterwards";
  EXPECT_EQ(WaitForFile(out), "edited !.! too") << "the edited text is used as it was typed";

  // Open with Parameters starts the focused program with the expanded text.
  DeleteFileW(Widen(out).c_str());
  ASSERT_TRUE(CopyFileW(Widen(ArgsChild()).c_str(), Widen(data / "child.exe").c_str(), FALSE));
  form->View().Refresh("child.exe", true);
  Focus("child.exe");
  questions.AnswerText("!.! ,!");
  form->RunCommand(cmOpenWithParameters);
  EXPECT_EQ(questions.Asked().back().caption, "Open with parameters");
  EXPECT_EQ(WaitForFile(out), "child.exe exe");
  SetEnvironmentVariableW(L"QUILL_ARGS_FILE", nullptr);
}

TEST_F(Commands, TheAltAndCtrlLegendsComeAndGoAndALegendClickRunsItsCommand) {
  if (!test::Exists(ArgsChild())) GTEST_SKIP() << "ArgsChild.exe is not beside the tests";
  const std::string out = program / "edit.txt";
  SetEnvironmentVariableW(L"QUILL_ARGS_FILE", Widen(out).c_str());
  WriteSettings("[Program]\nEdit=" + ArgsChild() + "\n[Function]\nF2=#copy\n");
  Start();
  TBtnStatusBar& bar = form->FunctionBar();
  EXPECT_EQ(bar.Items()[0], "F2=copy");
  Key(VK_MENU, WM_SYSKEYDOWN);
  EXPECT_EQ(form->Legend().State(), 1);
  EXPECT_EQ(bar.Items()[0], "C=Copy");
  EXPECT_EQ(bar.Items()[6], "V=TextView");
  test::SaveShot(form->Handle(), "alt-legend");
  Key(VK_MENU, WM_SYSKEYUP);
  EXPECT_EQ(form->Legend().State(), 0);
  EXPECT_EQ(bar.Items()[0], "F2=copy");

  // Ctrl alone shows the Ctrl page; its seventh button runs Edit Text and the labels return.
  Key(VK_CONTROL);
  ASSERT_EQ(form->Legend().State(), 2);
  EXPECT_EQ(bar.Items()[0], "Z=Attr/Time");
  Focus("one.txt");
  form->FunctionBarClick(6);
  EXPECT_EQ(WaitForFile(out), "\"" + (data / "one.txt") + "\"");
  EXPECT_EQ(form->Legend().State(), 0);
  EXPECT_EQ(bar.Items()[0], "F2=copy");

  // Any other key in the pane also puts the labels back.
  Key(VK_CONTROL);
  Key(VK_DOWN);
  EXPECT_EQ(form->Legend().State(), 0);
  SetEnvironmentVariableW(L"QUILL_ARGS_FILE", nullptr);
}

TEST_F(Commands, TheCommandBoxRunsMdCdAndKeepsWhatWasTyped) {
  WriteSettings("[Option]\nEsc=0\n");
  Start();
  auto type = [&](const std::string& text) {
    ASSERT_TRUE(form->CommandBoxOpen());
    SetWindowTextW(form->CommandBox().Combo(), Widen(text).c_str());
    SendMessageW(form->CommandBox().Handle(), WM_COMMAND, MAKEWPARAM(0, CBN_EDITCHANGE),
                 reinterpret_cast<LPARAM>(form->CommandBox().Combo()));
    SendMessageW(form->CommandBox().Edit(), WM_KEYDOWN, VK_RETURN, 0);
  };
  Key(VK_ESCAPE);  // Esc=0 opens the box
  ASSERT_TRUE(form->CommandBoxOpen());
  EXPECT_FALSE(IsWindowVisible(form->StatusArea().Handle())) << "the box takes the panels' place";
  test::SaveShot(form->Handle(), "command-box");
  type("md Made");
  EXPECT_FALSE(form->CommandBoxOpen());
  EXPECT_TRUE(IsWindowVisible(form->StatusArea().Handle()));
  EXPECT_EQ(GetFocus(), form->Pane().Handle());
  EXPECT_EQ(test::Attributes(data / "Made") & FILE_ATTRIBUTE_DIRECTORY, static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));

  // The same again: the folder exists, the error is shown, the history keeps both.
  Key(VK_OEM_2);
  questions.AnswerError(false);
  type("md Made");
  ASSERT_EQ(questions.CountAsked(test::TQuestionKind::ShowError), 1u);
  EXPECT_EQ(questions.Asked().back().code, static_cast<uint32_t>(ERROR_ALREADY_EXISTS));

  // "md" alone explains itself; "cd Made" and "cd.." move.
  Key(VK_OEM_2);
  questions.AnswerMessage(mrOk);
  type("MD");
  ASSERT_EQ(questions.CountAsked(test::TQuestionKind::Message), 1u);
  EXPECT_EQ(questions.Asked().back().caption, "Error");
  Key(VK_OEM_2);
  type("cd Made");
  EXPECT_EQ(form->View().Folder(), data / "Made");
  Key(VK_OEM_2);
  type("cd..");
  EXPECT_EQ(form->View().Folder(), data.Path());

  // Escape closes without running or keeping anything.
  Key(VK_OEM_2);
  SetWindowTextW(form->CommandBox().Combo(), L"md Never");
  SendMessageW(form->CommandBox().Edit(), WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_FALSE(form->CommandBoxOpen());
  EXPECT_FALSE(test::Exists(data / "Never"));

  // Clicking elsewhere puts the panels back, the text left as it was.
  Key(VK_OEM_2);
  SetFocus(form->Pane().Handle());
  Pump();
  EXPECT_FALSE(form->CommandBoxOpen());
  EXPECT_TRUE(IsWindowVisible(form->StatusArea().Handle()));

  form->Close();
  form.reset();
  EXPECT_EQ(test::ReadBytes(program / "history.dat"), "md Made\r\nmd Made\r\nMD\r\ncd Made\r\ncd..\r\n");
}

TEST_F(Commands, EscapeFollowsTheEscSetting) {
  for (const int esc : {3, 2, 7, 1}) {
    WriteSettings(Format("[Option]\nEsc=%d\n", esc));
    Start();
    Select("one.txt");
    Key(VK_ESCAPE);
    Pump();
    switch (esc) {
      case 3: EXPECT_EQ(form->View().SelCount(), 0) << "deselect all"; break;
      case 2: EXPECT_TRUE(IsIconic(form->Handle())) << "minimised"; break;
      case 7:
        EXPECT_EQ(form->View().SelCount(), 1);
        EXPECT_FALSE(IsIconic(form->Handle()));
        EXPECT_FALSE(form->CommandBoxOpen());
        break;
      case 1: EXPECT_EQ(form->Handle(), nullptr) << "closed"; break;
      default: break;
    }
    form.reset();
  }
  EXPECT_TRUE(test::Exists(program / "history.dat")) << "closing by Escape runs the close rules";
}

TEST_F(Commands, TheEntryMenuShowsWhatFitsTheCollectedEntries) {
  Start();
  auto find = [](HMENU menu, UINT id) {
    for (int i = 0; i < GetMenuItemCount(menu); ++i)
      if (GetMenuItemID(menu, i) == id) return i;
    return -1;
  };
  OpenClipboard(form->Handle());
  EmptyClipboard();
  CloseClipboard();

  Focus("pack.zip");
  HMENU menu = form->EntryMenu();
  EXPECT_GE(find(menu, cmOpenWith), 0) << "nothing selected, a plain file focused";
  const int extractTo = find(menu, cmExtractTo);
  ASSERT_GE(extractTo, 0) << "an archive among the collected entries";
  EXPECT_EQ(MenuText(menu, extractTo), "Extract to \"pack\"");
  EXPECT_FALSE(ItemEnabled(menu, cmClipPaste)) << "no file list on the clipboard";
  EXPECT_TRUE(ItemEnabled(menu, cmCopy));
  DestroyMenu(menu);

  Select("pack.zip");
  Select("one.txt");
  menu = form->EntryMenu();
  EXPECT_LT(find(menu, cmOpenWith), 0) << "entries are selected";
  ASSERT_GE(find(menu, cmExtractTo), 0);
  EXPECT_EQ(MenuText(menu, find(menu, cmExtractTo)), "Extract to folders");
  DestroyMenu(menu);

  form->View().DeselectAll(true);
  Focus("Sub");
  menu = form->EntryMenu();
  EXPECT_LT(find(menu, cmOpenWith), 0) << "a folder is not a plain file";
  EXPECT_LT(find(menu, cmExtractTo), 0);
  EXPECT_FALSE(ItemEnabled(menu, cmExtract));
  DestroyMenu(menu);
}

}  // namespace
}  // namespace quill
