// User-defined function keys: the internal command names, the entry format of section
// `Function` ("[label]" then "#command", or a program and its parameters), the keys' labels, and
// the parameter macros that function keys, the command box and Open with Parameters share.
// Portable: the main window reads the entries, collects the entries and runs what comes out.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quill {

enum TInternalCommand {
  icCopy,
  icMove,
  icDelete,
  icRename,
  icNewFolder,
  icSelectAll,
  icTextView,
  icAttrib,
  icAddCopy,
  icExtract,
  icDesktop,
  icMyDoc,
  icFindNext,
  icTextEdit,
  icAddMove,
  icRefresh,
  icNone
};  // the table's indexes 0-16

// Compared after lowering the case and dropping one leading "#"; unknown names give icNone.
// Blanks around the name are ignored: a trailing blank left by hand-editing the settings file is
// invisible and should not turn a command into nothing.
TInternalCommand InternalCommandByName(std::string_view name);
// "copy" ... "none"; values outside the table give "none".
std::string_view InternalCommandName(TInternalCommand command);

constexpr int kFunctionKeyCount = 18;  // 0-6: F2-F8, 7-17: Ctrl+F1-Ctrl+F11
// "F2".."F8", "^F1".."^F11"; an index outside 0-17 names no key and gives "".
std::string FunctionKeyName(int index);

// The label shown on the status bar: empty for an empty entry; the bracketed name of an entry
// that starts with "[" and is longer than two characters; the command name after "#"; else the
// program's file name without its extension.
std::string FunctionKeyLabel(std::string_view entry);
// An entry starting with "[" loses everything up to the first "]" (all of it without a "]").
std::string DropDisplayName(std::string_view entry);

struct TProgramCall {
  std::string program;
  std::string parameters;
  bool operator==(const TProgramCall&) const = default;
};
// A leading double-quoted part is the program (without its quotes), else the part up to the first
// blank; the parameters are the rest with leading blanks removed. Blanks before the program are
// skipped, so " notepad.exe" still names notepad.exe; an opening quote that is never closed makes
// the whole rest the program (a path cannot hold a quote, so nothing better can be meant).
TProgramCall SplitProgram(std::string_view text);

enum TFunctionKind { fkNothing, fkInternal, fkProgram };
struct TFunctionAction {
  TFunctionKind kind = fkNothing;
  TInternalCommand command = icNone;
  TProgramCall call;
};
// Display name dropped (and the blanks after it, so "[Notes] #textedit" is still a command);
// "#name" gives an internal command (icNone when unknown: the caller runs nothing); otherwise a
// program call with its parameters NOT yet expanded; empty, or an empty program such as `""`,
// gives nothing.
TFunctionAction ParseFunctionEntry(std::string_view entry);

struct TMacroContext {
  // The collected entries' names with extension; called at most once, only when "!..!" occurs
  // (the caller stores them as the selection memory then).
  std::function<std::vector<std::string>()> collected;
  std::string drive;        // "C:"
  std::string folder;       // ends with "\"
  std::string focusedName;  // name with extension
  std::string focusedBase;  // name without extension
  std::string focusedExt;   // extension without the dot
  // "%p"/"%P": edits the whole text; true = confirmed (use the edited text), false = cancelled
  // (the unedited text is used and the command still runs). Null: no editing.
  std::function<bool(std::string& text)> editParameters;
};
// The macros in their order: "!..!", "!:", "!.!", "!\", "!,", ",!", then the first "%p" (else
// "%P") is removed and the whole text edited, and finally the blanks at both ends are trimmed.
// Inserted text is never searched again, neither by the same macro nor by a later one: a file
// named "!:.txt" or "%p.txt" stays as it is. Without an editor a "%p" is still removed, as if the
// edit had been cancelled.
std::string ExpandMacros(std::string_view parameters, const TMacroContext& context);

}  // namespace quill
