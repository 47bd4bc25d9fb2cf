#include "settings/FunctionEntry.h"

#include "app/FunctionKeys.h"
#include "base/Text.h"

namespace quill {

namespace {

// What follows the display name, as the function keys read it when they run: blanks after "]"
// do not turn "[Notes] #textedit" into a program named "#textedit".
std::string Command(std::string_view entry) { return TrimLeft(DropDisplayName(entry)); }

bool IsInternal(std::string_view entry) { return entry.size() > 1 && Command(entry).starts_with('#'); }

}  // namespace

TFunctionFields FieldsFromEntry(std::string_view entry) {
  TFunctionFields fields;
  if (IsInternal(entry)) {
    fields.link = false;
    fields.quillName = FunctionKeyLabel(entry);
    const TInternalCommand command = InternalCommandByName(Command(entry));
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
