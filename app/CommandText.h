// The command box's little language: a drive, cd, md/mkdir, format, copy, exit or a program,
// with the parameter macros of function keys. Portable: the main window carries out the result.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "app/FunctionKeys.h"

namespace quill {

enum TBoxKind { bkNothing, bkDrive, bkFolder, bkMakeFolder, bkMakeFolderMissing, bkFormat, bkCopy, bkExit, bkProgram };

struct TBoxCommand {
  TBoxKind kind = bkNothing;
  std::string argument;  // bkDrive "C:" (as typed, two chars), bkFolder the folder to show ("..",
                         // "\" for cd.. and cd\), bkMakeFolder the name, bkFormat the drive letter
  bool quick = false;    // bkFormat: "/q" among the parameters
  TProgramCall call;     // bkProgram: first word + expanded parameters; bkCopy: program empty
                         // (the window picks the command interpreter), parameters "/k copy " + expanded
};

// Splits the text as a function key's command, expands the parameters' macros (only when there is
// a first word: a blank box asks nothing) and compares the first word without regard to case.
// Where the language says nothing:
// - "cd" without parameters shows nothing (there is no folder to show);
// - the folder of cd and the name of md lose one pair of enclosing double quotes, as typed for a
//   command prompt or inserted by "!..!" for one entry; nothing left (`cd ""`) counts as no
//   parameters;
// - format needs a drive letter as the first character (a leading quote skipped); anything else
//   formats nothing. The letter is given in upper case; "/Q" is quick like "/q".
TBoxCommand ParseCommandBox(std::string_view text, const TMacroContext& context);

constexpr size_t kCommandHistoryLimit = 10;
// Appends a non-empty text; with 10 items already, the oldest (item 0) goes first. Duplicates stay.
// A text of blanks only runs nothing and is not kept, so it cannot push out a real command.
void AddCommandHistory(std::vector<std::string>& list, const std::string& text);

}  // namespace quill
