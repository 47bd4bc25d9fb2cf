// The rules of Advanced Rename and the checks every new name passes before it reaches the disk.
// Portable: the dialogs and the main window's loops feed them text and apply what they return.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quill {

// The actions in the order of the dialog's combo box.
enum TBatchAction : int { baHead = 0, baTail, baCount, baCut, baChangeExt, baReplace };

struct TBatchRule {
  TBatchAction action = baHead;
  std::string text;          // Head, Tail and Change Extension: the text; Cut: "a~b" or "n-"
  bool changeExt = false;    // the extension is the part changed, not the base
  // Count: the spin edits' texts as typed (1 ... 2147483647), the digits (1 ... 10) and whether
  // the number goes after the part.
  std::string start = "1";
  std::string step = "1";
  int digits = 1;
  bool countTail = false;
  std::string find;          // Replace
  std::string replace;
};

// Name and extension split at the last "."; without one, all of it is the name.
struct TNameParts {
  std::string base;
  std::string ext;
};
TNameParts SplitAtLastDot(std::string_view name);

// Cut on one part: "a~b" removes characters a to b (1-based, inclusive; a defaults to 1, b to the
// last), "n-" the last n. Characters are code points, so a cut never splits one. Nothing for a
// rule that does not parse or does not fit the part.
std::optional<std::string> CutPart(std::string_view part, std::string_view rule);

// Every occurrence of `find`, left to right, replaced; replaced text is not searched again. An
// empty `find` changes nothing.
std::string ReplaceEvery(std::string_view text, std::string_view find, std::string_view replacement);

// Fills newNames[i] for i from `startIndex` on (newNames is resized to oldNames' size when it is
// shorter). Returns the index of the entry whose rule failed ("Invalid Format": later entries keep
// what they had), or nothing when every name was computed.
std::optional<size_t> ComputeNewNames(const TBatchRule& rule, const std::vector<std::string>& oldNames,
                                      std::vector<std::string>& newNames, size_t startIndex);

// The name a typed or computed new name becomes on disk: trailing dots and blanks dropped, as the
// file system drops them. 0 and the name, or the Win32 error to report: 123 (ERROR_INVALID_NAME)
// for an empty name, a control character or one of \ / : * ? " < > |; 206
// (ERROR_FILENAME_EXCED_RANGE) for more than 255 UTF-16 units.
constexpr uint32_t kErrorInvalidName = 123;
constexpr uint32_t kErrorNameTooLong = 206;
uint32_t CheckNewName(std::string& name);

// The Rename dialog's OK: the text as typed when the extension is changed too, else the text
// followed by the old name's extension (from its last "." on; nothing without one).
std::string RenameDialogName(std::string_view typed, std::string_view oldName, bool changeExtension);

}  // namespace quill
