// The command box's language and its history.
#include "app/CommandText.h"

#include <gtest/gtest.h>

namespace quill {
namespace {

struct TBox {
  int collectCalls = 0;
  int edits = 0;
  TMacroContext context{[this] {
                          ++collectCalls;
                          return std::vector<std::string>{"a.txt", "b c.txt"};
                        },
                        "C:", "C:\\Work\\", "Focus.txt", "Focus", "txt",
                        [this](std::string& text) {
                          ++edits;
                          text += " /edited";
                          return true;
                        }};
  // The kind and argument, or the call, as one text for compact expectations.
  std::string operator()(std::string_view text) {
    const TBoxCommand c = ParseCommandBox(text, context);
    return std::to_string(c.kind) + (c.quick ? "q" : "") + "|" + c.argument + "|" + c.call.program + "|" + c.call.parameters;
  }
};

TEST(CommandTextTest, Words) {
  TBox run;
  const std::pair<const char*, std::string> cases[] = {
      {"c:", "1|c:||"}, {"  D:  ", "1|D:||"}, {"c: x", "8||c:|x"}, {"1:", "8||1:|"},
      {"cd C:\\Temp", "2|C:\\Temp||"}, {"CD \"C:\\Program Files\"", "2|C:\\Program Files||"},
      {"cd !\\Sub", "2|C:\\Work\\Sub||"}, {"Cd..", "2|..||"}, {"cd ..", "2|..||"}, {"cD\\", "2|\\||"},
      {"cd", "0|||"}, {"cd \"\"", "0|||"},
      {"md", "4|||"}, {"MKDIR \"\"", "4|||"}, {"mkdir new one", "3|new one||"}, {"md !,.bak", "3|Focus.bak||"},
      {"format a: /q", "5q|A||"}, {"FORMAT d:", "5|D||"}, {"format \"e:\" /Q", "5q|E||"}, {"format /q", "0|||"},
      {"Exit now", "7|||"}, {"exitx", "8||exitx|"},
      {"  Notepad.exe   !.! ", "8||Notepad.exe|Focus.txt"}, {"!.!", "8||!.!|"}, {"\"cd\" x", "2|x||"},
      {"", "0|||"}, {"  \t", "0|||"}};
  for (const auto& [text, expected] : cases) EXPECT_EQ(run(text), expected) << text;
  EXPECT_EQ(run.collectCalls, 0);
  EXPECT_EQ(run.edits, 0);
}

TEST(CommandTextTest, MacrosOfTheParameters) {
  TBox run;
  EXPECT_EQ(run("COPY !..! D:\\"), "6|||/k copy \"a.txt\" \"b c.txt\" D:\\");
  EXPECT_EQ(run.collectCalls, 1);
  EXPECT_EQ(run("\"C:\\My Tools\\X.exe\" %p -v"), "8||C:\\My Tools\\X.exe|-v /edited");
  EXPECT_EQ(run.edits, 1);
  // An empty program runs nothing and asks nothing.
  EXPECT_EQ(run("\"\" %p !..!"), "0|||");
  EXPECT_EQ(run("tool " + std::string(2100, 'x') + " %P"), "8||tool|" + std::string(2100, 'x') + "  /edited");
  EXPECT_EQ(run.collectCalls, 1);
  EXPECT_EQ(run.edits, 2);
}

TEST(CommandTextTest, HistoryKeepsTheLastTen) {
  std::vector<std::string> list;
  AddCommandHistory(list, "");
  AddCommandHistory(list, "  \t");
  for (int i = 0; i < 11; ++i) AddCommandHistory(list, i < 9 ? std::to_string(i) : "dir");
  EXPECT_EQ(list, (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7", "8", "dir", "dir"}));
  list.insert(list.begin(), {"old1", "old2"});  // a longer list is cut too
  AddCommandHistory(list, "new");
  EXPECT_EQ(list, (std::vector<std::string>{"2", "3", "4", "5", "6", "7", "8", "dir", "dir", "new"}));
}

}  // namespace
}  // namespace quill
