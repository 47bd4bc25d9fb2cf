// Function-key entries (names, labels, splitting) and the parameter macros.
#include "app/FunctionKeys.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace quill {
namespace {

// A current folder C:\Work\ with "Focus.txt" focused; the editor records what it was shown and
// answers with `answer` (nothing: cancelled).
struct TMacroScene {
  std::vector<std::string> selected;
  int collectCalls = 0;
  std::vector<std::string> shown;
  std::optional<std::string> answer;
  TMacroContext context;

  TMacroScene() {
    context.collected = [this] {
      ++collectCalls;
      return selected.empty() ? std::vector<std::string>{context.focusedName} : selected;
    };
    context.drive = "C:";
    context.folder = "C:\\Work\\";
    context.focusedName = "Focus.txt";
    context.focusedBase = "Focus";
    context.focusedExt = "txt";
    context.editParameters = [this](std::string& text) {
      shown.push_back(text);
      if (answer) text = *answer;
      return answer.has_value();
    };
  }
  std::string Expand(std::string_view text) { return ExpandMacros(text, context); }
};

TEST(FunctionKeysTest, InternalCommandNames) {
  for (int i = 0; i <= icNone; ++i) {
    const auto command = static_cast<TInternalCommand>(i);
    EXPECT_EQ(InternalCommandByName(InternalCommandName(command)), command) << i;
    EXPECT_EQ(InternalCommandByName("#" + std::string(InternalCommandName(command))), command) << i;
  }
  EXPECT_EQ(InternalCommandName(icTextEdit), "textedit");
  EXPECT_EQ(InternalCommandName(icNone), "none");
  EXPECT_EQ(InternalCommandName(static_cast<TInternalCommand>(99)), "none");
  EXPECT_EQ(InternalCommandByName("#TextEdit"), icTextEdit);
  EXPECT_EQ(InternalCommandByName("MYDOC"), icMyDoc);
  EXPECT_EQ(InternalCommandByName(" #refresh\t"), icRefresh);
  for (const char* unknown : {"", "#", "##copy", "# copy", "copy x", "cop", "copyy", "#nothing"})
    EXPECT_EQ(InternalCommandByName(unknown), icNone) << unknown;
}

TEST(FunctionKeysTest, KeyNames) {
  const char* names[kFunctionKeyCount] = {"F2",  "F3",  "F4",  "F5",  "F6",  "F7",  "F8",  "^F1", "^F2",
                                          "^F3", "^F4", "^F5", "^F6", "^F7", "^F8", "^F9", "^F10", "^F11"};
  for (int i = 0; i < kFunctionKeyCount; ++i) EXPECT_EQ(FunctionKeyName(i), names[i]) << i;
  EXPECT_EQ(FunctionKeyName(-1), "");
  EXPECT_EQ(FunctionKeyName(kFunctionKeyCount), "");
}

TEST(FunctionKeysTest, Labels) {
  EXPECT_EQ(FunctionKeyLabel(""), "");
  EXPECT_EQ(FunctionKeyLabel("[Notes]notepad.exe !.!"), "Notes");
  EXPECT_EQ(FunctionKeyLabel("[Name]#textedit"), "Name");
  EXPECT_EQ(FunctionKeyLabel("[]#copy"), "");
  EXPECT_EQ(FunctionKeyLabel("[no end #copy"), "");
  EXPECT_EQ(FunctionKeyLabel("[\xEA\xB0\x80]x"), "\xEA\xB0\x80");
  // Two characters are too short for a name: the program rule applies.
  EXPECT_EQ(FunctionKeyLabel("[]"), "[]");
  EXPECT_EQ(FunctionKeyLabel("[\xEA\xB0\x80"), "[\xEA\xB0\x80");
  EXPECT_EQ(FunctionKeyLabel("#TextEdit"), "TextEdit");
  EXPECT_EQ(FunctionKeyLabel("#"), "");
  EXPECT_EQ(FunctionKeyLabel("\"C:\\Program Files\\My.Tools\\edit.exe\" !.!"), "edit");
  EXPECT_EQ(FunctionKeyLabel("C:\\tools.d\\run -x"), "run");
  EXPECT_EQ(FunctionKeyLabel("D:prog.exe"), "prog");
  EXPECT_EQ(FunctionKeyLabel("backup.tar.gz"), "backup.tar");
  EXPECT_EQ(FunctionKeyLabel("  notepad.exe"), "notepad");
  EXPECT_EQ(FunctionKeyLabel("C:\\dir\\"), "");
  EXPECT_EQ(FunctionKeyLabel("\"C:\\unclosed dir\\tool.exe"), "tool");
}

TEST(FunctionKeysTest, SplittingProgramAndParameters) {
  EXPECT_EQ(SplitProgram("notepad.exe  a  b "), (TProgramCall{"notepad.exe", "a  b "}));
  EXPECT_EQ(SplitProgram("\"C:\\My Tools\\x.exe\" \t-p \"q r\""), (TProgramCall{"C:\\My Tools\\x.exe", "-p \"q r\""}));
  EXPECT_EQ(SplitProgram("\"x\"y z"), (TProgramCall{"x", "y z"}));
  EXPECT_EQ(SplitProgram("\"C:\\open ended -x"), (TProgramCall{"C:\\open ended -x", ""}));
  EXPECT_EQ(SplitProgram("\t prog\targ"), (TProgramCall{"prog", "arg"}));
  EXPECT_EQ(SplitProgram("\"\" arg"), (TProgramCall{"", "arg"}));
  EXPECT_EQ(SplitProgram(""), TProgramCall{});
  EXPECT_EQ(SplitProgram("  \t "), TProgramCall{});

  EXPECT_EQ(DropDisplayName("[Name]#copy"), "#copy");
  EXPECT_EQ(DropDisplayName("[Name"), "");
  EXPECT_EQ(DropDisplayName("x[Name]"), "x[Name]");
  EXPECT_EQ(DropDisplayName("[a]b]c"), "b]c");
}

TEST(FunctionKeysTest, ParsingEntries) {
  TFunctionAction action = ParseFunctionEntry("[Edit]#TextEdit");
  EXPECT_EQ(action.kind, fkInternal);
  EXPECT_EQ(action.command, icTextEdit);
  action = ParseFunctionEntry("[Edit]  #copy");
  EXPECT_EQ(action.kind, fkInternal);
  EXPECT_EQ(action.command, icCopy);
  action = ParseFunctionEntry("#nothing");
  EXPECT_EQ(action.kind, fkInternal);
  EXPECT_EQ(action.command, icNone);

  action = ParseFunctionEntry("[Notes] \"C:\\Win\\notepad.exe\" !.! %P");
  EXPECT_EQ(action.kind, fkProgram);
  EXPECT_EQ(action.call, (TProgramCall{"C:\\Win\\notepad.exe", "!.! %P"}));

  for (const char* nothing : {"", "   ", "[Name]", "[Name] ", "[unclosed #copy", "\"\" arg"})
    EXPECT_EQ(ParseFunctionEntry(nothing).kind, fkNothing) << nothing;

  const std::string longEntry = "[" + std::string(3000, 'n') + "]tool.exe " + std::string(3000, 'p');
  action = ParseFunctionEntry(longEntry);
  EXPECT_EQ(action.call, (TProgramCall{"tool.exe", std::string(3000, 'p')}));
  EXPECT_EQ(FunctionKeyLabel(longEntry), std::string(3000, 'n'));
}

TEST(FunctionKeysTest, CollectedEntriesAreQuotedAndCollectedOnce) {
  TMacroScene scene;
  scene.selected = {"a b.txt", "c", "d.doc"};
  EXPECT_EQ(scene.Expand("-x !..! -y !..!"), "-x \"a b.txt\" \"c\" \"d.doc\" -y \"a b.txt\" \"c\" \"d.doc\"");
  EXPECT_EQ(scene.collectCalls, 1);

  scene.selected.clear();
  EXPECT_EQ(scene.Expand("!..!"), "\"Focus.txt\"");
  EXPECT_EQ(scene.collectCalls, 2);

  // Collecting sets the selection memory: a text without "!..!" must not collect.
  EXPECT_EQ(scene.Expand("!.! !. .!"), "Focus.txt !. .!");
  EXPECT_EQ(scene.collectCalls, 2);

  scene.context.collected = nullptr;
  EXPECT_EQ(scene.Expand("[!..!]"), "[]");
}

TEST(FunctionKeysTest, MacrosInTheirOrder) {
  TMacroScene scene;
  scene.selected = {"s"};
  EXPECT_EQ(scene.Expand("!: !.! !\\ !, ,!"), "C: Focus.txt C:\\Work\\ Focus txt");
  EXPECT_EQ(scene.Expand("!\\!.!"), "C:\\Work\\Focus.txt");
  // Where two macros overlap, the earlier step wins.
  EXPECT_EQ(scene.Expand("!..!.!"), "\"s\".!");  // "!..!" before "!.!"
  EXPECT_EQ(scene.Expand("!.!\\"), "Focus.txt\\");  // "!.!" before "!\"
  EXPECT_EQ(scene.Expand("!,!"), "Focus!");         // "!," before ",!"
  EXPECT_EQ(scene.Expand(",!,"), ",Focus");
  // A macro is not formed across an insertion, even an empty one.
  scene.context.focusedBase = "";
  EXPECT_EQ(scene.Expand(",!,!"), ",!");
  EXPECT_EQ(scene.Expand("!!,:"), "!:");
}

TEST(FunctionKeysTest, InsertedNamesAreNeverExpandedAgain) {
  TMacroScene scene;
  scene.selected = {"!..!", "!.!x", "%p.txt"};
  scene.context.focusedName = "!:.txt";
  scene.context.focusedBase = "%P!\\";
  scene.context.focusedExt = "!,";
  scene.context.folder = "C:\\,!\\";
  scene.context.drive = "!.!";
  EXPECT_EQ(scene.Expand("!..! !.! !, ,! !\\ !:"), "\"!..!\" \"!.!x\" \"%p.txt\" !:.txt %P!\\ !, C:\\,!\\ !.!");
  EXPECT_EQ(scene.collectCalls, 1);
  EXPECT_TRUE(scene.shown.empty());
}

TEST(FunctionKeysTest, ParameterEditor) {
  TMacroScene scene;
  // The first "%P" is removed and the whole expanded text edited once; the second stays.
  EXPECT_EQ(scene.Expand("-a %P !.! %P"), "-a  Focus.txt %P");
  ASSERT_EQ(scene.shown, (std::vector<std::string>{"-a  Focus.txt %P"}));

  scene.answer = "  edited %P  ";
  EXPECT_EQ(scene.Expand("%P"), "edited %P");
  // "%p" is looked for first.
  EXPECT_EQ(scene.Expand("%P x %p"), "edited %P");
  EXPECT_EQ(scene.shown.back(), "%P x ");
  EXPECT_EQ(scene.shown.size(), 3u);

  scene.answer.reset();
  EXPECT_EQ(scene.Expand(std::string(3000, 'a') + "%p"), std::string(3000, 'a'));
  EXPECT_EQ(scene.Expand("%p"), "");
  EXPECT_EQ(scene.Expand("%"), "%");
  EXPECT_EQ(scene.shown.size(), 5u);

  scene.context.editParameters = nullptr;
  EXPECT_EQ(scene.Expand("-x %p"), "-x");
}

TEST(FunctionKeysTest, BlanksAndOddTexts) {
  TMacroScene scene;
  EXPECT_EQ(scene.Expand(" \t !.!  \t"), "Focus.txt");
  EXPECT_EQ(scene.Expand("   "), "");
  EXPECT_EQ(scene.Expand(""), "");
  EXPECT_EQ(scene.Expand("!"), "!");
  EXPECT_EQ(scene.Expand("!!!:::"), "!!C:::");
  scene.context.focusedName = "";
  EXPECT_EQ(scene.Expand(" !.! "), "");
  EXPECT_EQ(scene.collectCalls, 0);
  EXPECT_TRUE(scene.shown.empty());

  std::string many;
  for (int i = 0; i < 1500; ++i) many += "!:";
  std::string drives;
  for (int i = 0; i < 1500; ++i) drives += "C:";
  EXPECT_EQ(scene.Expand(many), drives);
}

}  // namespace
}  // namespace quill
