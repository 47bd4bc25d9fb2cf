#include "app/FunctionKeys.h"

#include <iterator>

#include "base/Text.h"

namespace quill {
namespace {

constexpr std::string_view kCommandNames[] = {"copy",    "move",   "delete", "rename",   "newfolder", "selectall",
                                              "textview", "attrib", "addcopy", "extract", "desktop",   "mydoc",
                                              "findnext", "textedit", "addmove", "refresh", "none"};
static_assert(std::size(kCommandNames) == icNone + 1);

bool IsBlankChar(char c) { return c == ' ' || c == '\t'; }

}  // namespace

TInternalCommand InternalCommandByName(std::string_view name) {
  name = TrimView(name);
  if (!name.empty() && name.front() == '#') name.remove_prefix(1);
  const std::string lowered = LowerAscii(name);
  for (int i = 0; i < icNone; ++i)
    if (lowered == kCommandNames[i]) return static_cast<TInternalCommand>(i);
  return icNone;
}

std::string_view InternalCommandName(TInternalCommand command) {
  return command >= icCopy && command <= icNone ? kCommandNames[command] : kCommandNames[icNone];
}

std::string FunctionKeyName(int index) {
  if (index < 0 || index >= kFunctionKeyCount) return {};
  return index > 6 ? Format("^F%d", index - 6) : Format("F%d", index + 2);
}

std::string FunctionKeyLabel(std::string_view entry) {
  if (entry.empty()) return {};
  if (entry.front() == '[' && CodePointCount(entry) > 2) {
    const size_t close = entry.find(']');
    return close == std::string_view::npos ? std::string() : std::string(entry.substr(1, close - 1));
  }
  if (entry.front() == '#') return std::string(entry.substr(1));
  const std::string program = SplitProgram(entry).program;
  // The folder goes before the extension: a dot in a folder name is no extension.
  std::string_view name = program;
  const size_t slash = name.find_last_of("\\:");
  if (slash != std::string_view::npos) name.remove_prefix(slash + 1);
  const size_t dot = name.rfind('.');
  if (dot != std::string_view::npos) name = name.substr(0, dot);
  return std::string(name);
}

std::string DropDisplayName(std::string_view entry) {
  if (entry.empty() || entry.front() != '[') return std::string(entry);
  const size_t close = entry.find(']');
  return close == std::string_view::npos ? std::string() : std::string(entry.substr(close + 1));
}

TProgramCall SplitProgram(std::string_view text) {
  size_t start = 0;
  while (start < text.size() && IsBlankChar(text[start])) ++start;
  text.remove_prefix(start);
  TProgramCall call;
  std::string_view rest;
  if (!text.empty() && text.front() == '"') {
    const size_t close = text.find('"', 1);
    if (close == std::string_view::npos) {
      call.program = std::string(text.substr(1));
    } else {
      call.program = std::string(text.substr(1, close - 1));
      rest = text.substr(close + 1);
    }
  } else {
    size_t end = 0;
    while (end < text.size() && !IsBlankChar(text[end])) ++end;
    call.program = std::string(text.substr(0, end));
    rest = text.substr(end);
  }
  call.parameters = TrimLeft(rest);
  return call;
}

TFunctionAction ParseFunctionEntry(std::string_view entry) {
  const std::string rest = TrimLeft(DropDisplayName(entry));
  TFunctionAction action;
  if (rest.empty()) return action;
  if (rest.front() == '#') {
    action.kind = fkInternal;
    action.command = InternalCommandByName(rest);
    return action;
  }
  action.call = SplitProgram(rest);
  if (!action.call.program.empty()) action.kind = fkProgram;
  return action;
}

}  // namespace quill
