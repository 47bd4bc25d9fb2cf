// What the Preferences dialog edits, apart from its windows: every setting it owns as one value
// structure, read from the settings file with the dialog's own defaults and written back key by
// key, and the colour set's rows with the rules of its Add, Edit, Delete and recolour buttons.
// Portable: the settings come through TIniFile, the colour set through IFileStore, and every
// question through IQuestions, so the rules are tested without a window.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "base/CodePage.h"
#include "base/FileStore.h"
#include "base/IniFile.h"
#include "fileview/ColorList.h"
#include "messages/Questions.h"

namespace quill {

// The font form of FFont and TFont: "\"name\",size,bold".
std::string FontText(const TFontChoice& font);
// Comma-separated name (quotes dropped), size and a bold flag that counts when it is a non-zero
// number. A missing or unusable name or size keeps that part of `fallback`.
TFontChoice ParseFontText(std::string_view text, const TFontChoice& fallback);
// The font button's hint: "name (size)".
std::string FontHint(const TFontChoice& font);

// The Focus Frame list shows None, Line, Dot; the settings keep the pane's TFocusStyle value,
// which runs the other way (Dot 0, Line 1, None 2).
int FocusItemOfValue(int value);  // an unknown value selects Line
int FocusValueOfItem(int item);

constexpr int kProgramCount = 5;  // ARJ, RAR, ACE, View, Edit, by the "..." buttons' tags
inline constexpr const char* kProgramKeys[kProgramCount] = {"ARJ", "RAR", "ACE", "View", "Edit"};
inline constexpr const char* kProgramDefaults[kProgramCount] = {"ARJ.exe", "RAR.exe", "ACE.exe", "notepad.exe",
                                                                "notepad.exe"};
constexpr int kFunctionRows = 18;  // F2-F8, then ^F1-^F11

// The controls' state. Numbers are what the controls show (item indexes, radio tags), not
// necessarily what the file holds: focusItem and shortNames are converted on the way.
struct TPreferences {
  // View
  TFontChoice fileFont{"MS Sans Serif", 9, false};
  TFontChoice treeFont{"MS Sans Serif", 9, false};
  int charCase = 0;   // 0 Normal, 1 Upper, 2 Lower, 3 Capital
  int viewStyle = 0;  // 0 List, 1 Large Icon
  bool viewIcon = true;
  int focusItem = 1;  // 0 None, 1 Line, 2 Dot
  int column = 0;     // 0 Auto, 1-6 columns
  int sort = 0;       // by Name, Ext, Size, Time, None
  bool attachExt = false;
  bool folderInfo = true;
  bool shortNames = false;  // "Show 8.3 old filename format": LongName inverted
  bool showHidden = false;
  bool columnLine = true;
  bool fileType = true;
  bool pathCaption = true;
  // Option
  bool extArcPrg = false;
  bool autoRefresh = true;
  bool remRead = true;
  bool noTreeA = false;
  bool selDir = false;
  bool sound = false;
  bool saveLastDir = true;
  bool startDir = false;
  std::string start = "C:\\";
  // Misc.
  bool explorerMenu = false;
  bool treeRoot = false;
  std::string treePath;
  int shortcut = 1;  // the checked button's tag: 1 Ctrl+X extracts, 0 Ctrl+E extracts
  int delBtn = 2;    // 0 Delete, 1 Yes, 2 No
  int escKey = 2;    // 0 Command Line, 1 Exit, 2 Minimize, 3 Deselect All
  // Program and Function Key
  std::array<std::string, kProgramCount> programs{kProgramDefaults[0], kProgramDefaults[1], kProgramDefaults[2],
                                                  kProgramDefaults[3], kProgramDefaults[4]};
  std::array<std::string, kFunctionRows> functions;
};

// Missing keys, and numbers outside what a control can show, give the defaults above.
TPreferences ReadPreferences(const TIniFile& ini);
// Every key the dialog owns; nothing else in the file is touched.
void WritePreferences(TIniFile& ini, const TPreferences& prefs);

// ---- function keys ----
// The key name of a row ("F2" ... "^F11") is FunctionKeyName (app/FunctionKeys.h).
struct TFunctionRowText {
  std::string name;     // between a leading "[" and its "]"; empty otherwise
  std::string command;  // after the "]", or the whole entry
};
TFunctionRowText FunctionRowText(std::string_view entry);
// Edit: `edit` changes a copy of the row's entry and says whether it was confirmed.
bool EditFunctionRow(TPreferences& prefs, int row, const std::function<bool(std::string&)>& edit);
// Delete: asks first; Yes empties the entry.
bool DeleteFunctionRow(TPreferences& prefs, int row, IQuestions& questions);

// ---- colour set ----
// The basic keys of the colour tab's rows (empty for the headings and the blank row).
constexpr int kBasicColorRows = 19;
struct TBasicColorRow {
  const char* caption;
  const char* key;  // nullptr for a heading or the blank row
};
extern const TBasicColorRow kBasicColorRowTable[kBasicColorRows];

TColorSetForm LoadColorSet(IFileStore& store, const ICodePage& codePage, const std::string& path);
uint32_t SaveColorSet(IFileStore& store, const ICodePage& codePage, const std::string& path,
                      const TColorSetForm& form);

// A basic line's colour: 0 when the key has no line or its value is not a colour.
TColor BasicColorOf(const TColorSetForm& form, std::string_view key);
// Replaces the key's line (any case), or adds one: "KEY=value" in decimal.
void SetBasicColor(TColorSetForm& form, std::string_view key, TColor color);

// A row "value=EXT1;EXT2": false when the value is not a colour.
bool ParseExtRow(std::string_view row, TColor& color, std::string& extensions);
std::string ExtRow(TColor color, std::string_view extensions);
// The row holding this colour, or -1.
int FindExtRow(const TColorSetForm& form, TColor color);

// The colour tab's buttons. Each returns whether the form changed.
// Add: the extensions asked for (upper case), then a colour starting at NORMAL; a colour another
// row has already is refused with a message and the colour is asked again.
bool AddExtensions(TColorSetForm& form, IQuestions& questions);
// Edit: the row's extensions asked for again; an empty answer removes the row.
bool EditExtensions(TColorSetForm& form, int row, IQuestions& questions);
// Delete: asks first.
bool DeleteExtensions(TColorSetForm& form, int row, IQuestions& questions);
// A double-click: a new colour for the row's extensions, with no duplicate check (rows of one
// colour merge when the set is saved and read again).
bool RecolorExtensions(TColorSetForm& form, int row, IQuestions& questions);
// A double-click on a basic row: a new colour for its key.
bool PickBasicColor(TColorSetForm& form, std::string_view key, IQuestions& questions);

}  // namespace quill
