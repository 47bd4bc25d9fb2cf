#include "app/CommandText.h"

#include "base/Text.h"

namespace quill {
namespace {

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

std::string WithoutEnclosingQuotes(const std::string& text) {
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"' &&
      text.find('"', 1) == text.size() - 1)
    return text.substr(1, text.size() - 2);
  return text;
}

TBoxCommand Command(TBoxKind kind, std::string argument = {}) {
  TBoxCommand command;
  command.kind = kind;
  command.argument = std::move(argument);
  return command;
}

TBoxCommand FormatCommand(const std::string& parameters) {
  const std::string_view drive = StartsWith(parameters, "\"") ? std::string_view(parameters).substr(1) : parameters;
  if (drive.empty() || !IsAsciiLetter(drive.front())) return {};
  TBoxCommand command = Command(bkFormat, std::string(1, UpperAscii(drive.front())));
  command.quick = parameters.find("/q") != std::string::npos || parameters.find("/Q") != std::string::npos;
  return command;
}

}  // namespace

TBoxCommand ParseCommandBox(std::string_view text, const TMacroContext& context) {
  const TProgramCall typed = SplitProgram(text);
  if (typed.program.empty()) return {};
  const std::string word = LowerAscii(typed.program);
  const std::string parameters = ExpandMacros(typed.parameters, context);

  if (word.size() == 2 && IsAsciiLetter(word[0]) && word[1] == ':' && parameters.empty())
    return Command(bkDrive, typed.program);
  // `cd ""` names no folder and `md ""` no new one, as if nothing had been typed after them.
  const std::string target = WithoutEnclosingQuotes(parameters);
  if (word == "cd") return target.empty() ? TBoxCommand() : Command(bkFolder, target);
  if (word == "cd..") return Command(bkFolder, "..");
  if (word == "cd\\") return Command(bkFolder, "\\");
  if (word == "md" || word == "mkdir") return target.empty() ? Command(bkMakeFolderMissing) : Command(bkMakeFolder, target);
  if (word == "format") return FormatCommand(parameters);
  if (word == "exit") return Command(bkExit);
  TBoxCommand command;
  if (word == "copy") {
    command.kind = bkCopy;
    command.call.parameters = "/k copy " + parameters;
  } else {
    command.kind = bkProgram;
    command.call = {typed.program, parameters};
  }
  return command;
}

void AddCommandHistory(std::vector<std::string>& list, const std::string& text) {
  if (TrimView(text).empty()) return;
  while (list.size() >= kCommandHistoryLimit) list.erase(list.begin());
  list.push_back(text);
}

}  // namespace quill
