// A function-key entry or command-box text over any bytes, with the names, folder and editor
// answer from the script. Checked:
// - the label and the parts of an entry are pieces of the entry itself;
// - names are inserted as they are and never searched again: expanding with the real names gives
//   what expanding with opaque stand-ins gives once the stand-ins are swapped for the names
//   (before the final trim). A name holding "!:" or "%p" that were expanded again would differ;
// - the entries are collected once, only for "!..!"; the editor opens at most once;
// - the command box's results are well formed and carry the expanded parameters.
#include "app/CommandText.h"
#include "app/FunctionKeys.h"
#include "base/Text.h"
#include "fuzz/FuzzInput.h"

namespace quill::fuzz {
namespace {

// Stand-ins are built from a byte the inputs are cleaned of, so they match nothing typed.
constexpr char kMark = '\x01';

std::string Clean(std::string text) {
  for (char& c : text)
    if (c == kMark) c = '_';
  return text;
}

std::string StandIn(int n) { return std::string(1, kMark) + std::to_string(n) + std::string(1, kMark); }

struct TNames {
  std::vector<std::string> selected;
  std::string drive, folder, name, base, ext;
};

struct TRun {
  int collectCalls = 0;
  std::vector<std::string> shown;
};

// The editor's answer is the same for both runs: cancel, or wrap the text in fixed pieces (which
// commutes with swapping stand-ins for names).
struct TEditor {
  bool present = true;
  bool confirm = false;
  std::string before, after;
};

TMacroContext Context(const TNames& names, const TEditor& editor, TRun& run) {
  TMacroContext context;
  context.collected = [&names, &run] {
    ++run.collectCalls;
    return names.selected;
  };
  context.drive = names.drive;
  context.folder = names.folder;
  context.focusedName = names.name;
  context.focusedBase = names.base;
  context.focusedExt = names.ext;
  if (editor.present)
    context.editParameters = [&editor, &run](std::string& text) {
      run.shown.push_back(text);
      if (editor.confirm) text = editor.before + text + editor.after;
      return editor.confirm;
    };
  return context;
}

std::string SwapBack(std::string text, const std::vector<std::string>& values) {
  std::string result;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != kMark) {
      result += text[i];
      continue;
    }
    const size_t end = text.find(kMark, i + 1);
    Require(end != std::string::npos, "stand-ins come whole");
    const size_t n = std::stoul(text.substr(i + 1, end - i - 1));
    Require(n < values.size(), "a stand-in that was handed in");
    result += values[n];
    i = end;
  }
  return result;
}

bool IsPieceOf(std::string_view part, std::string_view whole) { return whole.find(part) != std::string_view::npos; }

void CheckEntry(const std::string& entry) {
  Require(IsPieceOf(FunctionKeyLabel(entry), entry), "a label is a piece of its entry", entry);
  const TProgramCall call = SplitProgram(entry);
  Require(IsPieceOf(call.program, entry), "the program is a piece of the text", entry);
  Require(EndsWith(entry, call.parameters), "the parameters end the text", entry);
  Require(call.parameters.empty() || (call.parameters[0] != ' ' && call.parameters[0] != '\t'),
          "parameters start without blanks", entry);
  const TFunctionAction action = ParseFunctionEntry(entry);
  const std::string rest = TrimLeft(DropDisplayName(entry));
  Require((action.kind == fkInternal) == StartsWith(rest, "#"), "a # entry is internal", entry);
  if (action.kind == fkInternal)
    Require(action.command == InternalCommandByName(InternalCommandName(action.command)), "command names round trip");
  if (action.kind == fkProgram)
    Require(!action.call.program.empty() && EndsWith(entry, action.call.parameters), "a program call from the entry",
            entry);
}

void CheckExpansion(const std::string& text, const TNames& names, const TEditor& editor) {
  TRun real, stand;
  const std::string expanded = ExpandMacros(text, Context(names, editor, real));

  std::vector<std::string> values;
  auto standIn = [&values](const std::string& value) {
    values.push_back(value);
    return StandIn(static_cast<int>(values.size()) - 1);
  };
  TNames opaque;
  for (const std::string& name : names.selected) opaque.selected.push_back(standIn(name));
  opaque.drive = standIn(names.drive);
  opaque.folder = standIn(names.folder);
  opaque.name = standIn(names.name);
  opaque.base = standIn(names.base);
  opaque.ext = standIn(names.ext);
  const std::string shape = ExpandMacros(text, Context(opaque, editor, stand));

  Require(expanded == Trim(SwapBack(shape, values)), "names are inserted once and never expanded", text);
  const bool asks = text.find("!..!") != std::string::npos;
  Require(real.collectCalls == (asks ? 1 : 0), "entries are collected once, only for !..!", text);
  Require(real.shown.size() <= 1 && real.shown.size() == stand.shown.size(), "the editor opens at most once", text);
  if (!real.shown.empty()) Require(real.shown[0] == SwapBack(stand.shown[0], values), "the editor sees the expanded text");
  const bool edits = text.find("%p") != std::string::npos || text.find("%P") != std::string::npos;
  if (!edits) Require(real.shown.empty(), "no editor without %p", text);
  Require(expanded == Trim(expanded), "the result is trimmed", expanded);
}

void CheckCommandBox(const std::string& text, const TNames& names, const TEditor& editor) {
  TRun run, again;
  const TBoxCommand command = ParseCommandBox(text, Context(names, editor, run));
  const TProgramCall typed = SplitProgram(text);
  const std::string parameters =
      typed.program.empty() ? std::string() : ExpandMacros(typed.parameters, Context(names, editor, again));
  Require(run.collectCalls <= 1 && run.shown.size() <= 1, "one collection and one edit at most", text);
  const std::string word = LowerAscii(typed.program);
  switch (command.kind) {
    case bkNothing:
      Require(typed.program.empty() || word == "cd" || word == "format", "nothing only for an empty box, cd or format",
              text);
      break;
    case bkDrive:
      Require(command.argument.size() == 2 && command.argument[1] == ':' && parameters.empty(), "a drive", text);
      break;
    case bkFolder:
      Require(!command.argument.empty() && IsPieceOf(command.argument, parameters + "..\\"), "a folder", text);
      break;
    case bkMakeFolder:
      Require(!command.argument.empty() && IsPieceOf(command.argument, parameters), "a folder name", text);
      break;
    case bkMakeFolderMissing:
      Require(parameters.empty() || parameters == "\"\"", "md without a name", text);
      break;
    case bkFormat:
      Require(command.argument.size() == 1 && command.argument[0] >= 'A' && command.argument[0] <= 'Z', "a letter",
              text);
      break;
    case bkCopy:
      Require(command.call.program.empty() && command.call.parameters == "/k copy " + parameters, "copy", text);
      break;
    case bkExit:
      Require(word == "exit", "exit", text);
      break;
    case bkProgram:
      Require(command.call.program == typed.program && command.call.parameters == parameters, "a program", text);
      break;
  }
}

void Check(TFuzzInput& input) {
  const std::string text = Clean(input.File());
  FuzzedDataProvider& ops = input.Ops();
  auto name = [&ops] { return Clean(ops.ConsumeRandomLengthString(40)); };
  TNames names;
  const int selected = ops.ConsumeIntegralInRange(0, 5);
  for (int i = 0; i < selected; ++i) names.selected.push_back(name());
  names.drive = name();
  names.folder = name();
  names.name = name();
  names.base = name();
  names.ext = name();
  TEditor editor;
  editor.present = ops.ConsumeIntegralInRange(0, 7) != 0;
  editor.confirm = ops.ConsumeBool();
  editor.before = name();
  editor.after = name();

  CheckEntry(text);
  CheckExpansion(text, names, editor);
  CheckExpansion(DropDisplayName(text), names, editor);
  CheckCommandBox(text, names, editor);
}

}  // namespace
}  // namespace quill::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quill::fuzz::TFuzzInput input(data, size);
  quill::fuzz::Check(input);
  return 0;
}
