#include "settings/PreferencesModel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/CodePage.h"
#include "base/IniFile.h"
#include "base/Text.h"
#include "tests/native/MemoryFileStore.h"
#include "tests/native/ScriptedQuestions.h"

namespace quill {
namespace {

const char* const kIni = "C:\\Quill\\quill.ini";
const char* const kCol = "C:\\Quill\\quill.col";

std::string CrLf(std::initializer_list<std::string> lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

// A settings file as a user's would look after some years: every key the dialog owns, in the
// written forms, among keys and sections it does not know.
const std::string kRealIni = CrLf({
    "[Window]", "File=0,120,80,640,520", "Tree=1,100,100,800,600",
    "[Option]", "FFont=\"Tahoma\",10,1", "TFont=\"MS Sans Serif\",9,0", "CharCase=3", "Views=0", "Icon=1",
    "Focus=0", "AutoCol=0", "Col=4", "Sort=2", "AttachExt=1", "FolderInfo=0", "LongName=1", "Hidden=1",
    "ColLine=1", "FileType=0", "PathCaption=1", "ExtArcPrg=0", "AutoRefresh=1", "RemRead=0", "NoTreeA=1",
    "SelDir=0", "Sound=1", "SaveLastDir=1", "StartDir=1", "Start=D:\\Work", "ExplorerMenu=0", "TreeRoot=0",
    "TreePath=C:\\Trees", "CtrlX=0", "DelBtn=1", "ESC=3", "FutureOption=yes; keep me",
    "[Program]", "ARJ=C:\\Tools\\arj.exe", "RAR=rar.exe", "ACE=ace32.exe", "View=C:\\Edit\\view.exe",
    "Edit=notepad.exe",
    "[Function]", "F2=[Notes] #textedit", "F3=", "F4=", "F5=", "F6=", "F7=", "F8=", "^F1=", "^F2=", "^F3=",
    "^F4=", "^F5=", "^F6=", "^F7=", "^F8=", "^F9=", "^F10=", "^F11=\"C:\\Program Files\\x.exe\" !N!",
    "[Archive]", "Type=2", "Compression=3",
});

class PreferencesTest : public ::testing::Test {
protected:
  TIniFile Open(const std::string& bytes) {
    store.files[kIni] = bytes;
    return TIniFile(store, codePage, kIni);
  }
  // What the dialog writes for these controls, from a file with nothing in it.
  std::string Written(const TPreferences& prefs, const char* section, const char* key) {
    TIniFile ini = Open("");
    WritePreferences(ini, prefs);
    EXPECT_EQ(ini.Flush(), 0u);
    return TIniFile(store, codePage, kIni).ReadString(section, key, "<none>");
  }

  TMemoryFileStore store;
  TLatin1CodePage codePage;
  test::TScriptedQuestions questions;
};

TEST_F(PreferencesTest, UnchangedSettingsWriteBackTheSameBytes) {
  TIniFile ini = Open(kRealIni);
  const TPreferences prefs = ReadPreferences(ini);
  EXPECT_EQ(prefs.fileFont.name, "Tahoma");
  EXPECT_EQ(prefs.fileFont.points, 10);
  EXPECT_TRUE(prefs.fileFont.bold);
  EXPECT_EQ(prefs.focusItem, 2);  // Dot
  EXPECT_EQ(prefs.column, 4);
  EXPECT_EQ(prefs.shortcut, 0);
  EXPECT_EQ(prefs.escKey, 3);
  EXPECT_EQ(prefs.programs[0], "C:\\Tools\\arj.exe");
  EXPECT_EQ(prefs.functions[0], "[Notes] #textedit");
  EXPECT_EQ(prefs.functions[17], "\"C:\\Program Files\\x.exe\" !N!");

  WritePreferences(ini, prefs);
  ASSERT_EQ(ini.Flush(), 0u);
  EXPECT_EQ(store.files[kIni], kRealIni);

  // A file missing most keys gets them added; what it had and what the dialog does not own stay.
  TIniFile sparse = Open(CrLf({"; mine", "[Window]", "File=1,0,0,1,1", "[Option]", "Unknown=\x01\xff", "Sort=3"}));
  WritePreferences(sparse, ReadPreferences(sparse));
  ASSERT_EQ(sparse.Flush(), 0u);
  const std::string& bytes = store.files[kIni];
  EXPECT_EQ(bytes.rfind(CrLf({"; mine", "[Window]", "File=1,0,0,1,1", "[Option]", "Unknown=\x01\xff", "Sort=3"}), 0), 0u)
      << bytes;
  TIniFile reread(store, codePage, kIni);
  EXPECT_EQ(reread.ReadString("Option", "FFont", ""), "\"MS Sans Serif\",9,0");
  EXPECT_EQ(reread.ReadString("Option", "CtrlX", ""), "1");
  EXPECT_EQ(reread.ReadString("Program", "ARJ", ""), "ARJ.exe");
  EXPECT_EQ(reread.ReadString("Function", "^F11", "<none>"), "");
}

TEST_F(PreferencesTest, TheDialogsOwnFormsAndDefaults) {
  TIniFile empty = Open("");
  TPreferences prefs = ReadPreferences(empty);
  // The dialog's defaults where they differ from start-up's.
  EXPECT_FALSE(prefs.shortNames);
  EXPECT_EQ(prefs.charCase, 0);
  EXPECT_EQ(prefs.focusItem, 1);
  EXPECT_EQ(prefs.column, 0);
  EXPECT_EQ(prefs.sort, 0);
  EXPECT_TRUE(prefs.viewIcon && prefs.pathCaption && prefs.remRead);
  EXPECT_EQ(prefs.shortcut, 1);
  EXPECT_EQ(prefs.delBtn, 2);
  EXPECT_EQ(prefs.escKey, 2);
  EXPECT_EQ(prefs.start, "C:\\");
  EXPECT_EQ(prefs.programs[4], "notepad.exe");

  // No LongName: the box is clear; checking it writes false.
  EXPECT_EQ(Written(prefs, "Option", "LongName"), "1");
  prefs.shortNames = true;
  EXPECT_EQ(Written(prefs, "Option", "LongName"), "0");

  // Auto: AutoCol true and Col 0; 3Col: AutoCol false and Col 3.
  EXPECT_EQ(Written(prefs, "Option", "AutoCol") + Written(prefs, "Option", "Col"), "10");
  prefs.column = 3;
  EXPECT_EQ(Written(prefs, "Option", "AutoCol") + Written(prefs, "Option", "Col"), "03");

  // Focus Frame None, Line, Dot store the pane's values 2, 1, 0; each value selects its item.
  for (int item = 0; item < 3; ++item) {
    prefs.focusItem = item;
    const std::string value = Written(prefs, "Option", "Focus");
    EXPECT_EQ(value, std::to_string(2 - item));
    EXPECT_EQ(ReadPreferences(TIniFile(store, codePage, kIni)).focusItem, item);
  }
  prefs.shortcut = 0;
  EXPECT_EQ(Written(prefs, "Option", "CtrlX"), "0");
  prefs.fileFont = {"Courier New", 12, true};
  EXPECT_EQ(Written(prefs, "Option", "FFont"), "\"Courier New\",12,1");
  EXPECT_EQ(FontHint(prefs.fileFont), "Courier New (12)");
}

TEST_F(PreferencesTest, DamagedSettingsShowDefaultsAndKeepWhatIsUnknown) {
  const std::string garbage = std::string("\x00\xff\x1b[Option\r\nCharCase=\x80\x81", 21) +
                              CrLf({"", "[Option]", "CharCase=9", "Views=-1", "Focus=7", "AutoCol=0", "Col=40",
                                    "Sort=99999999999", "DelBtn=3", "ESC=-4", "Icon=maybe", "FFont=,,,",
                                    "TFont=\"Arial\",huge,x", "Mystery=42", "[Function]", "F2=x"});
  TIniFile ini = Open(garbage);
  const TPreferences prefs = ReadPreferences(ini);
  EXPECT_EQ(prefs.charCase, 0);
  EXPECT_EQ(prefs.viewStyle, 0);
  EXPECT_EQ(prefs.focusItem, 1);
  EXPECT_EQ(prefs.column, 6);
  EXPECT_EQ(prefs.sort, 0);
  EXPECT_EQ(prefs.delBtn, 2);
  EXPECT_EQ(prefs.escKey, 2);
  EXPECT_TRUE(prefs.viewIcon);
  EXPECT_EQ(FontText(prefs.fileFont), "\"MS Sans Serif\",9,0");
  EXPECT_EQ(FontText(prefs.treeFont), "\"Arial\",9,0");
  EXPECT_EQ(prefs.functions[0], "x");

  WritePreferences(ini, prefs);
  ASSERT_EQ(ini.Flush(), 0u);
  TIniFile reread(store, codePage, kIni);
  EXPECT_EQ(reread.ReadString("Option", "Mystery", ""), "42");
  EXPECT_EQ(reread.ReadString("Option", "CharCase", ""), "0");
  EXPECT_EQ(reread.ReadString("Option", "Col", ""), "6");
}

TEST_F(PreferencesTest, FunctionRowsShowTheirPartsAndAreEditedAndDeleted) {
  EXPECT_EQ(FunctionRowText("[Notes] #textedit").name, "Notes");
  EXPECT_EQ(FunctionRowText("[Notes] #textedit").command, " #textedit");
  EXPECT_EQ(FunctionRowText("notepad.exe !N!").name, "");
  EXPECT_EQ(FunctionRowText("notepad.exe !N!").command, "notepad.exe !N!");

  TIniFile ini = Open(kRealIni);
  TPreferences prefs = ReadPreferences(ini);
  std::string seen;
  EXPECT_FALSE(EditFunctionRow(prefs, 0, [&](std::string& entry) { seen = entry; entry = "lost"; return false; }));
  EXPECT_EQ(seen, "[Notes] #textedit");
  EXPECT_EQ(prefs.functions[0], "[Notes] #textedit");
  EXPECT_TRUE(EditFunctionRow(prefs, 1, [](std::string& entry) { entry = "#copy"; return true; }));
  EXPECT_FALSE(EditFunctionRow(prefs, 18, [](std::string&) { return true; }));

  questions.AnswerMessage(mrNo);
  questions.AnswerMessage(mrYes);
  EXPECT_FALSE(DeleteFunctionRow(prefs, 0, questions));
  EXPECT_TRUE(DeleteFunctionRow(prefs, 0, questions));
  EXPECT_EQ(questions.Asked()[0].text, "Are you sure to delete?");
  EXPECT_EQ(questions.Asked()[0].buttons, mbYesNo);
  WritePreferences(ini, prefs);
  ASSERT_EQ(ini.Flush(), 0u);
  TIniFile reread(store, codePage, kIni);
  EXPECT_EQ(reread.ReadString("Function", "F2", "<none>"), "");
  EXPECT_TRUE(reread.ValueExists("Function", "F2"));
  EXPECT_EQ(reread.ReadString("Function", "F3", ""), "#copy");
  questions.ExpectAllAnswered();
}

TEST_F(PreferencesTest, ColourSetRowsGroupByColourAndSplitAgainSorted) {
  store.files[kCol] = CrLf({"[Basic]", "BACK=0", "NORMAL=12632256", "TBACK=4095", "", "[Ext]", "zip=255", "EXE=65280",
                            "arj=255", "Com=65280", "txt=$FF", "bad=blue"});
  TColorSetForm form = LoadColorSet(store, codePage, kCol);
  EXPECT_EQ(form.basicLines, (std::vector<std::string>{"BACK=0", "NORMAL=12632256", "TBACK=4095"}));
  EXPECT_EQ(form.extRows, (std::vector<std::string>{"255=zip;arj;txt", "65280=EXE;Com"}));
  EXPECT_EQ(BasicColorOf(form, "normal"), 12632256u);
  EXPECT_EQ(BasicColorOf(form, "LINE"), 0u);

  form.extRows.push_back("255=DOC;;");  // rows of one colour merge on the next read
  ASSERT_EQ(SaveColorSet(store, codePage, kCol, form), 0u);
  const std::string written = CrLf({"[Basic]", "BACK=0", "NORMAL=12632256", "TBACK=4095", "", "[Ext]", "arj=255",
                                    "Com=65280", "DOC=255", "EXE=65280", "txt=255", "zip=255"});
  EXPECT_EQ(store.files[kCol], written);
  EXPECT_EQ(LoadColorSet(store, codePage, kCol).extRows,
            (std::vector<std::string>{"255=arj;DOC;txt;zip", "65280=Com;EXE"}));
  ASSERT_EQ(SaveColorSet(store, codePage, kCol, LoadColorSet(store, codePage, kCol)), 0u);
  EXPECT_EQ(store.files[kCol], written);

  // Ten thousand colours, and bytes that are no colour set at all.
  std::string many = "[Basic]\r\n\r\n[Ext]\r\n";
  for (int i = 0; i < 10000; ++i) many += "E" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
  store.files[kCol] = many;
  EXPECT_EQ(LoadColorSet(store, codePage, kCol).extRows.size(), 10000u);
  store.files[kCol] = std::string("\x00\x01\xfe=\xff\r[Ext]\n\x00=\x00", 16);
  const TColorSetForm junk = LoadColorSet(store, codePage, kCol);
  EXPECT_TRUE(junk.extRows.empty());
  EXPECT_TRUE(LoadColorSet(store, codePage, "C:\\missing.col").basicLines.empty());
}

TEST_F(PreferencesTest, ColourButtonsFollowTheirRules) {
  TColorSetForm form{{"BACK=0", "NORMAL=12632256"}, {"255=ZIP", "65280=EXE"}};

  // Add: typed in upper case, the colour dialog starts at NORMAL; a colour in use is refused and
  // the dialog opens again; cancelling it adds nothing.
  questions.AnswerText("TXT;DOC");
  questions.AnswerColor(255);
  questions.AnswerMessage(mrOk);
  questions.AnswerColor(0xFF0000);
  EXPECT_TRUE(AddExtensions(form, questions));
  EXPECT_EQ(form.extRows.back(), "16711680=TXT;DOC");
  const auto& asked = questions.Asked();
  ASSERT_EQ(asked.size(), 4u);
  EXPECT_EQ(asked[0].caption, "Add Extension");
  EXPECT_EQ(asked[0].text, "Put the name of extensions you want to add divide by semicolone(;)");
  EXPECT_EQ(asked[0].charCase, 1);
  EXPECT_EQ(asked[1].code, 12632256u);
  EXPECT_EQ(asked[2].kind, test::TQuestionKind::Message);
  EXPECT_EQ(asked[2].caption, "Error");
  EXPECT_EQ(asked[2].text, "Color you selected is already exists in the list");
  EXPECT_EQ(asked[3].kind, test::TQuestionKind::Color);
  questions.AnswerText("BAK");
  questions.AnswerColor(-1);
  EXPECT_FALSE(AddExtensions(form, questions));
  EXPECT_EQ(form.extRows.size(), 3u);

  // Edit: the row's list offered; a new list replaces it, an empty one removes the row.
  questions.AnswerText("exe;com");
  EXPECT_TRUE(EditExtensions(form, 1, questions));
  EXPECT_EQ(form.extRows[1], "65280=EXE;COM");
  EXPECT_EQ(questions.Asked().back().initial, "EXE");
  EXPECT_EQ(questions.Asked().back().caption, "Extension");
  questions.AnswerText("  ");
  EXPECT_TRUE(EditExtensions(form, 0, questions));
  EXPECT_EQ(form.extRows, (std::vector<std::string>{"65280=EXE;COM", "16711680=TXT;DOC"}));

  // A double-click recolours without the duplicate check; Delete asks first.
  questions.AnswerColor(65280);
  EXPECT_TRUE(RecolorExtensions(form, 1, questions));
  EXPECT_EQ(form.extRows[1], "65280=TXT;DOC");
  EXPECT_EQ(questions.Asked().back().code, 16711680u);
  questions.AnswerMessage(mrNo);
  EXPECT_FALSE(DeleteExtensions(form, 0, questions));
  EXPECT_EQ(questions.Asked().back().icon, miWarning);
  questions.AnswerMessage(mrYes);
  EXPECT_TRUE(DeleteExtensions(form, 0, questions));
  EXPECT_EQ(form.extRows, std::vector<std::string>{"65280=TXT;DOC"});

  // Basic rows: the key's colour is offered and replaced, or added when the key had no line.
  questions.AnswerColor(0x123456);
  questions.AnswerColor(7);
  EXPECT_TRUE(PickBasicColor(form, "BACK", questions));
  EXPECT_TRUE(PickBasicColor(form, "THINT", questions));
  EXPECT_EQ(form.basicLines, (std::vector<std::string>{"BACK=1193046", "NORMAL=12632256", "THINT=7"}));
  questions.ExpectAllAnswered();
}

}  // namespace
}  // namespace quill
