// The command box's language and its history.
#include "app/CommandText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quill {
namespace {

struct TBox {
  int collectCalls = 0;
  int edits = 0;
  TMacroContext context;

  TBox() {
    context.collected = [this] {
      ++collectCalls;
      return std::vector<std::string>{"a.txt", "b c.txt"};
    };
    context.drive = "C:";
    context.folder = "C:\\Work\\";
    context.focusedName = "Focus.txt";
    context.focusedBase = "Focus";
    context.focusedExt = "txt";
    context.editParameters = [this](std::string& text) {
      ++edits;
      text += " /edited";
      return true;
    };
  }
  TBoxCommand Run(std::string_view text) { return ParseCommandBox(text, context); }
};

void ExpectCommand(const TBoxCommand& command, TBoxKind kind, const std::string& argument = {}) {
  EXPECT_EQ(command.kind, kind);
  EXPECT_EQ(command.argument, argument);
}

TEST(CommandTextTest, DrivesAndFolders) {
  TBox box;
  ExpectCommand(box.Run("c:"), bkDrive, "c:");
  ExpectCommand(box.Run("  D:  "), bkDrive, "D:");
  // With parameters, or not a letter, it is a program.
  EXPECT_EQ(box.Run("c: x").call, (TProgramCall{"c:", "x"}));
  EXPECT_EQ(box.Run("c: x").kind, bkProgram);
  EXPECT_EQ(box.Run("1:").kind, bkProgram);
  EXPECT_EQ(box.Run("c:\\").kind, bkProgram);

  ExpectCommand(box.Run("cd C:\\Temp"), bkFolder, "C:\\Temp");
  ExpectCommand(box.Run("CD \"C:\\Program Files\""), bkFolder, "C:\\Program Files");
  ExpectCommand(box.Run("cd \"a\" \"b\""), bkFolder, "\"a\" \"b\"");
  ExpectCommand(box.Run("cd !\\Sub"), bkFolder, "C:\\Work\\Sub");
  ExpectCommand(box.Run("cd.."), bkFolder, "..");
  ExpectCommand(box.Run("Cd.."), bkFolder, "..");
  ExpectCommand(box.Run("cd .."), bkFolder, "..");
  ExpectCommand(box.Run("cD\\"), bkFolder, "\\");
  ExpectCommand(box.Run("cd"), bkNothing);
  ExpectCommand(box.Run("cd   "), bkNothing);
  EXPECT_EQ(box.collectCalls, 0);
  EXPECT_EQ(box.edits, 0);
}

TEST(CommandTextTest, MakeFolderAndFormat) {
  TBox box;
  ExpectCommand(box.Run("md"), bkMakeFolderMissing);
  ExpectCommand(box.Run("MKDIR  "), bkMakeFolderMissing);
  ExpectCommand(box.Run("mkdir new one"), bkMakeFolder, "new one");
  ExpectCommand(box.Run("Md \"new one\""), bkMakeFolder, "new one");
  ExpectCommand(box.Run("md !,.bak"), bkMakeFolder, "Focus.bak");
  ExpectCommand(box.Run("md !..!"), bkMakeFolder, "\"a.txt\" \"b c.txt\"");
  EXPECT_EQ(box.collectCalls, 1);

  TBoxCommand format = box.Run("format a: /q");
  ExpectCommand(format, bkFormat, "A");
  EXPECT_TRUE(format.quick);
  format = box.Run("FORMAT d:");
  ExpectCommand(format, bkFormat, "D");
  EXPECT_FALSE(format.quick);
  EXPECT_TRUE(box.Run("format \"e:\" /Q").quick);
  ExpectCommand(box.Run("format"), bkNothing);
  ExpectCommand(box.Run("format /q"), bkNothing);
  ExpectCommand(box.Run("format \""), bkNothing);
}

TEST(CommandTextTest, CopyExitAndPrograms) {
  TBox box;
  TBoxCommand copy = box.Run("COPY !..! D:\\");
  EXPECT_EQ(copy.kind, bkCopy);
  EXPECT_EQ(copy.call, (TProgramCall{"", "/k copy \"a.txt\" \"b c.txt\" D:\\"}));
  EXPECT_EQ(box.collectCalls, 1);
  EXPECT_EQ(box.Run("copy").call, (TProgramCall{"", "/k copy "}));

  EXPECT_EQ(box.Run("Exit").kind, bkExit);
  EXPECT_EQ(box.Run("exit now").kind, bkExit);
  EXPECT_EQ(box.Run("exitx").kind, bkProgram);

  TBoxCommand program = box.Run("  notepad.exe   !.! ");
  EXPECT_EQ(program.kind, bkProgram);
  EXPECT_EQ(program.call, (TProgramCall{"notepad.exe", "Focus.txt"}));
  // The first word keeps its case; only the comparison ignores it.
  EXPECT_EQ(box.Run("\"C:\\My Tools\\X.exe\" %p -v").call, (TProgramCall{"C:\\My Tools\\X.exe", "-v /edited"}));
  EXPECT_EQ(box.edits, 1);
  // Macros of the first word are not expanded: it names the program.
  EXPECT_EQ(box.Run("!.!").call, (TProgramCall{"!.!", ""}));
  EXPECT_EQ(box.Run("\"cd\" x").kind, bkFolder);

  for (const char* nothing : {"", "   ", "\t", "\"\"", "\"\" %p !..!"}) ExpectCommand(box.Run(nothing), bkNothing);
  EXPECT_EQ(box.edits, 1);
  EXPECT_EQ(box.collectCalls, 1);

  const std::string longText = "tool " + std::string(5000, 'x') + " %P";
  EXPECT_EQ(box.Run(longText).call.parameters, std::string(5000, 'x') + "  /edited");
}

TEST(CommandTextTest, HistoryKeepsTheLastTen) {
  std::vector<std::string> list;
  AddCommandHistory(list, "");
  AddCommandHistory(list, "  \t");
  EXPECT_TRUE(list.empty());
  AddCommandHistory(list, "dir");
  AddCommandHistory(list, "dir");
  EXPECT_EQ(list, (std::vector<std::string>{"dir", "dir"}));
  for (int i = 0; i < 9; ++i) AddCommandHistory(list, "cmd" + std::to_string(i));
  ASSERT_EQ(list.size(), kCommandHistoryLimit);
  EXPECT_EQ(list.front(), "dir");
  EXPECT_EQ(list[1], "cmd0");
  EXPECT_EQ(list.back(), "cmd8");

  // A longer list (from an older file) is cut to the limit too, oldest first.
  std::vector<std::string> loaded;
  for (int i = 0; i < 12; ++i) loaded.push_back(std::to_string(i));
  AddCommandHistory(loaded, "new");
  EXPECT_EQ(loaded, (std::vector<std::string>{"3", "4", "5", "6", "7", "8", "9", "10", "11", "new"}));
}

}  // namespace
}  // namespace quill
