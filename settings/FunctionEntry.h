// The function-key editor's fields and the entry text they stand for: filling the fields from an
// entry of section `Function` and building the entry back when the user confirms. Portable; the
// dialog (EditFuncDialog) only moves these fields in and out of its controls.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace quill {

// The captions of the function drop-down; position = internal command index (app/FunctionKeys.h).
inline constexpr std::array<const char*, 16> kFunctionCaptions = {
    "Copy",      "Move",        "Delete",         "Rename",  "New Folder", "Select All",
    "Text View", "Attrib/Time", "Archive (Copy)", "Extract", "Desktop",    "My Documents",
    "Find Next", "TextEdit",    "Archive (Move)", "Refresh"};

struct TFunctionFields {
  bool link = true;  // which page is shown: a program link, or one of Quill's own functions
  // The link page.
  std::string linkName;
  std::string command;
  std::string parameters;
  // The function page; -1 when no function is selected.
  std::string quillName;
  int function = -1;
  bool operator==(const TFunctionFields&) const = default;
};

// An internal command is an entry starting with "#" or with "#" right after its first "]";
// anything else (a one-character entry included) is a link. The display name is the key's status
// bar label; a link's command part is split into program and parameters (parameters trimmed); an
// unknown command name selects no function.
TFunctionFields FieldsFromEntry(std::string_view entry);

// The entry the fields stand for: "[name]" when the page's name is not empty, then the quoted
// program and, when there are parameters, a blank and the parameters; or "#" and the command
// name. With no function selected the command is "none", which runs nothing.
std::string EntryFromFields(const TFunctionFields& fields);

// The dialog's geometry for each page: the link page has three rows and the legend, the function
// page only two rows.
struct TEditFuncLayout {
  int dialogHeight;
  int buttonsTop;
  int groupHeight;
  int pageHeight;
};
inline constexpr TEditFuncLayout kLinkLayout{300, 247, 200, 180};
inline constexpr TEditFuncLayout kFunctionLayout{205, 150, 105, 85};

}  // namespace quill
