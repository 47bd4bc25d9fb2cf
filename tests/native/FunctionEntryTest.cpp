// The function-key editor's fields: filled from each form of entry and built back on OK.
#include "settings/FunctionEntry.h"

#include <gtest/gtest.h>

#include <string>

#include "app/FunctionKeys.h"

namespace quill {
namespace {

TFunctionFields Link(std::string name, std::string command, std::string parameters) {
  TFunctionFields fields;
  fields.linkName = std::move(name);
  fields.command = std::move(command);
  fields.parameters = std::move(parameters);
  return fields;
}

TFunctionFields Function(std::string name, int function) {
  TFunctionFields fields;
  fields.link = false;
  fields.quillName = std::move(name);
  fields.function = function;
  return fields;
}

TEST(FunctionEntryTest, LinksFillTheLinkPageAndComeBackQuoted) {
  // A named link with parameters: the name, the program, a blank, the parameters.
  const std::string notes = EntryFromFields(Link("Notes", "C:\\Tools\\ed.exe", "!.!"));
  EXPECT_EQ(notes, "[Notes]\"C:\\Tools\\ed.exe\" !.!");
  EXPECT_EQ(FieldsFromEntry(notes), Link("Notes", "C:\\Tools\\ed.exe", "!.!"));
  // The stored entry runs what the fields said.
  const TFunctionAction action = ParseFunctionEntry(notes);
  EXPECT_EQ(action.kind, fkProgram);
  EXPECT_EQ(action.call, (TProgramCall{"C:\\Tools\\ed.exe", "!.!"}));

  // No name and no parameters: the quoted command alone, labelled by the program's name.
  EXPECT_EQ(EntryFromFields(Link("", "C:\\Program Files\\Ed\\ed.exe", "")), "\"C:\\Program Files\\Ed\\ed.exe\"");
  EXPECT_EQ(FieldsFromEntry("\"C:\\Program Files\\Ed\\ed.exe\""), Link("ed", "C:\\Program Files\\Ed\\ed.exe", ""));

  // Hand-written entries: unquoted programs end at the first blank, blanks around the
  // parameters are dropped, and the name stays bracketed even before blanks.
  EXPECT_EQ(FieldsFromEntry("notepad.exe   !..!  "), Link("notepad", "notepad.exe", "!..!"));
  EXPECT_EQ(FieldsFromEntry("[Edit]  \"C:\\A B\\x.exe\"  %P !.! "), Link("Edit", "C:\\A B\\x.exe", "%P !.!"));
  // Blanks before "#" do not make a program of an internal command: the editor shows the entry
  // as the function key runs it, so OK without a change keeps its meaning.
  EXPECT_EQ(FieldsFromEntry("[Hash] #copy"), Function("Hash", icCopy));
  EXPECT_EQ(ParseFunctionEntry("[Hash] #copy").command, icCopy);
  EXPECT_EQ(ParseFunctionEntry(EntryFromFields(FieldsFromEntry("[Hash] #copy"))).command, icCopy);

  // Empty and one-character entries are links.
  EXPECT_EQ(FieldsFromEntry(""), Link("", "", ""));
  EXPECT_EQ(FieldsFromEntry("#"), Link("", "#", ""));
  // A bracket that never closes has neither name nor command.
  EXPECT_EQ(FieldsFromEntry("[Half"), Link("", "", ""));
}

TEST(FunctionEntryTest, InternalCommandsSelectTheirFunctionByIndex) {
  // #copy: the function page, "Copy" selected, the display name as the entry spells it.
  EXPECT_EQ(FieldsFromEntry("#copy"), Function("copy", icCopy));
  EXPECT_EQ(std::string(kFunctionCaptions[FieldsFromEntry("#copy").function]), "Copy");
  EXPECT_EQ(EntryFromFields(Function("", icCopy)), "#copy");

  // Named, and case does not matter for the command.
  EXPECT_EQ(FieldsFromEntry("[Edit it]#TextEdit"), Function("Edit it", icTextEdit));
  EXPECT_EQ(EntryFromFields(Function("Edit it", icTextEdit)), "[Edit it]#textedit");
  EXPECT_EQ(ParseFunctionEntry("[Edit it]#textedit").command, icTextEdit);

  // An unknown name selects nothing; confirming that leaves a command that runs nothing.
  EXPECT_EQ(FieldsFromEntry("#frobnicate"), Function("frobnicate", -1));
  EXPECT_EQ(EntryFromFields(Function("X", -1)), "[X]#none");
  EXPECT_EQ(ParseFunctionEntry("[X]#none").command, icNone);

  // Every caption of the drop-down builds the command of its index, which reads back the same.
  for (int i = 0; i < static_cast<int>(kFunctionCaptions.size()); ++i) {
    const std::string entry = EntryFromFields(Function(kFunctionCaptions[i], i));
    EXPECT_EQ(FieldsFromEntry(entry), Function(kFunctionCaptions[i], i)) << entry;
    EXPECT_EQ(static_cast<int>(ParseFunctionEntry(entry).command), i) << entry;
  }
}

}  // namespace
}  // namespace quill
