// Function-key entries (names, labels, splitting) and the parameter macros.
#include "app/FunctionKeys.h"

#include <gtest/gtest.h>

#include <optional>

namespace quill {
namespace {

// Folder C:\Work\ with "Focus.txt" focused; the editor records what it is shown and answers with
// `answer` (none: cancelled).
struct TMacroScene {
  std::vector<std::string> selected;
  int collectCalls = 0;
  std::vector<std::string> shown;
  std::optional<std::string> answer;
  TMacroContext context{[this] {
                          ++collectCalls;
                          return selected.empty() ? std::vector<std::string>{context.focusedName} : selected;
                        },
                        "C:", "C:\\Work\\", "Focus.txt", "Focus", "txt",
                        [this](std::string& text) {
                          shown.push_back(text);
                          if (answer) text = *answer;
                          return answer.has_value();
                        }};
  std::string operator()(std::string_view text) { return ExpandMacros(text, context); }
};

TEST(FunctionKeysTest, NamesOfCommandsAndKeys) {
  for (int i = 0; i <= icNone; ++i) {
    const auto command = static_cast<TInternalCommand>(i);
    EXPECT_EQ(InternalCommandByName("#" + std::string(InternalCommandName(command))), command) << i;
  }
  EXPECT_EQ(InternalCommandName(icTextEdit), "textedit");
  EXPECT_EQ(InternalCommandName(static_cast<TInternalCommand>(99)), "none");
  EXPECT_EQ(InternalCommandByName("#TextEdit"), icTextEdit);
  EXPECT_EQ(InternalCommandByName(" MYDOC\t"), icMyDoc);
  for (const char* unknown : {"", "#", "##copy", "# copy", "copy x", "copyy"}) EXPECT_EQ(InternalCommandByName(unknown), icNone);

  EXPECT_EQ(FunctionKeyName(0), "F2");
  EXPECT_EQ(FunctionKeyName(6), "F8");
  EXPECT_EQ(FunctionKeyName(7), "^F1");
  EXPECT_EQ(FunctionKeyName(17), "^F11");
  EXPECT_EQ(FunctionKeyName(-1), "");
  EXPECT_EQ(FunctionKeyName(18), "");
}

TEST(FunctionKeysTest, LabelsSplittingAndEntries) {
  const std::pair<const char*, const char*> labels[] = {
      {"", ""}, {"[Name]#textedit", "Name"}, {"[]#copy", ""}, {"[no end #copy", ""}, {"[]", "[]"},
      {"[\xEA\xB0\x80", "[\xEA\xB0\x80"},  // two characters are too few for a name
      {"#TextEdit", "TextEdit"}, {"\"C:\\Program Files\\My.Tools\\edit.exe\" !.!", "edit"},
      {"D:prog.exe", "prog"}, {"backup.tar.gz -x", "backup.tar"}, {"  C:\\dir\\", ""}};
  for (const auto& [entry, label] : labels) EXPECT_EQ(FunctionKeyLabel(entry), label) << entry;

  EXPECT_EQ(SplitProgram(" notepad.exe  a  b "), (TProgramCall{"notepad.exe", "a  b "}));
  EXPECT_EQ(SplitProgram("\"C:\\My Tools\\x.exe\"\t-p \"q\""), (TProgramCall{"C:\\My Tools\\x.exe", "-p \"q\""}));
  EXPECT_EQ(SplitProgram("\"C:\\open ended -x"), (TProgramCall{"C:\\open ended -x", ""}));
  EXPECT_EQ(SplitProgram("  "), TProgramCall{});
  EXPECT_EQ(DropDisplayName("[a]b]c"), "b]c");

  TFunctionAction action = ParseFunctionEntry("[Edit]  #TextEdit");
  EXPECT_EQ(action.kind, fkInternal);
  EXPECT_EQ(action.command, icTextEdit);
  EXPECT_EQ(ParseFunctionEntry("#nothing").command, icNone);
  action = ParseFunctionEntry("[" + std::string(3000, 'n') + "] \"C:\\n.exe\" !.! " + std::string(3000, 'p'));
  EXPECT_EQ(action.kind, fkProgram);
  EXPECT_EQ(action.call, (TProgramCall{"C:\\n.exe", "!.! " + std::string(3000, 'p')}));
  for (const char* nothing : {"", "   ", "[Name] ", "[unclosed #copy", "\"\" arg"})
    EXPECT_EQ(ParseFunctionEntry(nothing).kind, fkNothing) << nothing;
}

TEST(FunctionKeysTest, MacrosInTheirOrder) {
  TMacroScene expand;
  expand.selected = {"a b.txt", "c", "d.doc"};
  EXPECT_EQ(expand(" -x !..! !: !.! !\\ !, ,! !..!\t"),
            "-x \"a b.txt\" \"c\" \"d.doc\" C: Focus.txt C:\\Work\\ Focus txt \"a b.txt\" \"c\" \"d.doc\"");
  EXPECT_EQ(expand.collectCalls, 1);
  expand.selected.clear();
  EXPECT_EQ(expand("!..!"), "\"Focus.txt\"");
  // Collecting sets the selection memory, so only "!..!" collects.
  EXPECT_EQ(expand("!. .! !!!:: %"), "!. .! !!C:: %");
  EXPECT_EQ(expand.collectCalls, 2);
  // Where macros overlap, the earlier step wins; none is formed across an insertion.
  EXPECT_EQ(expand("!..!.! !.!\\ !,! ,!,"), "\"Focus.txt\".! Focus.txt\\ Focus! ,Focus");
  expand.context.focusedBase = "";
  EXPECT_EQ(expand(",!,! !!,:"), ",! !:");
  expand.context.focusedName = "";
  expand.context.collected = nullptr;
  EXPECT_EQ(expand("  !.! [!..!] "), "[]");
  std::string many, drives;
  for (int i = 0; i < 1500; ++i) many += "!:", drives += "C:";
  EXPECT_EQ(expand(many), drives);
  EXPECT_TRUE(expand.shown.empty());
}

TEST(FunctionKeysTest, InsertedNamesAreNeverExpandedAgain) {
  TMacroScene expand;
  expand.selected = {"!..!", "!.!x", "%p.txt"};
  expand.context = {expand.context.collected, "!.!", "C:\\,!\\", "!:.txt", "%P!\\", "!,", expand.context.editParameters};
  EXPECT_EQ(expand("!..! !.! !, ,! !\\ !:"), "\"!..!\" \"!.!x\" \"%p.txt\" !:.txt %P!\\ !, C:\\,!\\ !.!");
  EXPECT_EQ(expand.collectCalls, 1);
  EXPECT_TRUE(expand.shown.empty());
}

TEST(FunctionKeysTest, ParameterEditorOpensOnce) {
  TMacroScene expand;
  // Cancelled: the text without the first "%P" runs; the second stays.
  EXPECT_EQ(expand("-a %P !.! %P"), "-a  Focus.txt %P");
  EXPECT_EQ(expand.shown, (std::vector<std::string>{"-a  Focus.txt %P"}));
  expand.answer = "  edited %P  ";
  EXPECT_EQ(expand("%P x %p"), "edited %P");  // "%p" is looked for first
  EXPECT_EQ(expand.shown.back(), "%P x ");
  expand.answer.reset();
  EXPECT_EQ(expand(std::string(3000, 'a') + "%p"), std::string(3000, 'a'));
  EXPECT_EQ(expand.shown.size(), 3u);
  expand.context.editParameters = nullptr;
  EXPECT_EQ(expand("-x %p"), "-x");
}

}  // namespace
}  // namespace quill
