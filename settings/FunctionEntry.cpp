#include "settings/FunctionEntry.h"

#include "app/FunctionKeys.h"
#include "base/Text.h"

namespace quill {

namespace {

bool IsInternal(std::string_view entry) {
  if (entry.size() <= 1) return false;
  if (entry.front() == '#') return true;
  const size_t close = entry.find(']');
  return close != std::string_view::npos && close + 1 < entry.size() && entry[close + 1] == '#';
}

}  // namespace

TFunctionFields FieldsFromEntry(std::string_view entry) {
  TFunctionFields fields;
  if (IsInternal(entry)) {
    fields.link = false;
    fields.quillName = FunctionKeyLabel(entry);
    const TInternalCommand command = InternalCommandByName(DropDisplayName(entry));
    fields.function = command == icNone ? -1 : static_cast<int>(command);
    return fields;
  }
  fields.linkName = FunctionKeyLabel(entry);
  const TProgramCall call = SplitProgram(DropDisplayName(entry));
  fields.command = call.program;
  fields.parameters = Trim(call.parameters);
  return fields;
}

std::string EntryFromFields(const TFunctionFields& fields) {
  const std::string& name = fields.link ? fields.linkName : fields.quillName;
  std::string entry = name.empty() ? std::string() : "[" + name + "]";
  if (!fields.link) {
    const TInternalCommand command =
        fields.function >= 0 && fields.function < icNone ? static_cast<TInternalCommand>(fields.function) : icNone;
    return entry + "#" + std::string(InternalCommandName(command));
  }
  entry += "\"" + fields.command + "\"";
  if (!fields.parameters.empty()) entry += " " + fields.parameters;
  return entry;
}

}  // namespace quill
