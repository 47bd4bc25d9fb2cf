#include "settings/PreferencesModel.h"

#include <algorithm>

#include "app/FunctionKeys.h"
#include "base/Text.h"

namespace quill {

namespace {
constexpr const char* kOption = "Option";
constexpr const char* kProgram = "Program";
constexpr const char* kFunction = "Function";
constexpr const char* kDefaultFont = "\"MS Sans Serif\",9,0";
constexpr const char* kAskDelete = "Are you sure to delete?";

// A number the control can show, else the default: a damaged or hand-edited file must not leave
// a radio group with nothing checked or a list with no item chosen.
int ReadChoice(const TIniFile& ini, const char* key, int count, int fallback) {
  const int value = ini.ReadInteger(kOption, key, fallback);
  return value >= 0 && value < count ? value : fallback;
}

bool ValidRow(int row, size_t count) { return row >= 0 && static_cast<size_t>(row) < count; }
}  // namespace

std::string FontText(const TFontChoice& font) {
  return Format("\"%s\",%d,%d", font.name.c_str(), font.points, font.bold ? 1 : 0);
}

TFontChoice ParseFontText(std::string_view text, const TFontChoice& fallback) {
  TFontChoice font = fallback;
  const std::vector<std::string> parts = Split(text, ',');
  if (!parts.empty()) {
    std::string name = Trim(parts[0]);
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"') name = name.substr(1, name.size() - 2);
    else std::erase(name, '"');
    if (!name.empty()) font.name = name;
  }
  int64_t number = 0;
  // Sizes outside what the font dialog offers are still a size; only nonsense falls back.
  if (parts.size() > 1 && ParseInt(parts[1], number) && number > 0 && number < 1000) font.points = static_cast<int>(number);
  font.bold = parts.size() > 2 && ParseInt(parts[2], number) && number != 0;
  return font;
}

std::string FontHint(const TFontChoice& font) { return Format("%s (%d)", font.name.c_str(), font.points); }

int FocusItemOfValue(int value) { return value >= 0 && value <= 2 ? 2 - value : 1; }
int FocusValueOfItem(int item) { return item >= 0 && item <= 2 ? 2 - item : 1; }

TPreferences ReadPreferences(const TIniFile& ini) {
  TPreferences p;
  const TFontChoice defaultFont = p.fileFont;
  p.fileFont = ParseFontText(ini.ReadString(kOption, "FFont", kDefaultFont), defaultFont);
  p.treeFont = ParseFontText(ini.ReadString(kOption, "TFont", kDefaultFont), defaultFont);
  p.charCase = ReadChoice(ini, "CharCase", 4, 0);
  p.viewStyle = ReadChoice(ini, "Views", 2, 0);
  p.viewIcon = ini.ReadBool(kOption, "Icon", true);
  p.focusItem = FocusItemOfValue(ini.ReadInteger(kOption, "Focus", 1));
  if (ini.ReadBool(kOption, "AutoCol", true)) p.column = 0;
  else p.column = std::clamp(ini.ReadInteger(kOption, "Col", 2), 1, 6);
  p.sort = ReadChoice(ini, "Sort", 5, 0);
  p.attachExt = ini.ReadBool(kOption, "AttachExt", false);
  p.folderInfo = ini.ReadBool(kOption, "FolderInfo", true);
  p.shortNames = !ini.ReadBool(kOption, "LongName", true);
  p.showHidden = ini.ReadBool(kOption, "Hidden", false);
  p.columnLine = ini.ReadBool(kOption, "ColLine", true);
  p.fileType = ini.ReadBool(kOption, "FileType", true);
  p.pathCaption = ini.ReadBool(kOption, "PathCaption", true);

  p.extArcPrg = ini.ReadBool(kOption, "ExtArcPrg", false);
  p.autoRefresh = ini.ReadBool(kOption, "AutoRefresh", true);
  p.remRead = ini.ReadBool(kOption, "RemRead", true);
  p.noTreeA = ini.ReadBool(kOption, "NoTreeA", false);
  p.selDir = ini.ReadBool(kOption, "SelDir", false);
  p.sound = ini.ReadBool(kOption, "Sound", false);
  p.saveLastDir = ini.ReadBool(kOption, "SaveLastDir", true);
  p.startDir = ini.ReadBool(kOption, "StartDir", false);
  p.start = ini.ReadString(kOption, "Start", "C:\\");

  p.explorerMenu = ini.ReadBool(kOption, "ExplorerMenu", false);
  p.treeRoot = ini.ReadBool(kOption, "TreeRoot", false);
  p.treePath = ini.ReadString(kOption, "TreePath", "");
  p.shortcut = ini.ReadBool(kOption, "CtrlX", true) ? 1 : 0;
  p.delBtn = ReadChoice(ini, "DelBtn", 3, 2);
  p.escKey = ReadChoice(ini, "ESC", 4, 2);

  for (int i = 0; i < kProgramCount; ++i) p.programs[i] = ini.ReadString(kProgram, kProgramKeys[i], kProgramDefaults[i]);
  for (int i = 0; i < kFunctionRows; ++i) p.functions[i] = ini.ReadString(kFunction, FunctionKeyName(i), "");
  return p;
}

void WritePreferences(TIniFile& ini, const TPreferences& p) {
  ini.WriteString(kOption, "FFont", FontText(p.fileFont));
  ini.WriteString(kOption, "TFont", FontText(p.treeFont));
  ini.WriteInteger(kOption, "CharCase", p.charCase);
  ini.WriteInteger(kOption, "Views", p.viewStyle);
  ini.WriteBool(kOption, "Icon", p.viewIcon);
  ini.WriteInteger(kOption, "Focus", FocusValueOfItem(p.focusItem));
  ini.WriteBool(kOption, "AutoCol", p.column == 0);
  ini.WriteInteger(kOption, "Col", p.column);
  ini.WriteInteger(kOption, "Sort", p.sort);
  ini.WriteBool(kOption, "AttachExt", p.attachExt);
  ini.WriteBool(kOption, "FolderInfo", p.folderInfo);
  ini.WriteBool(kOption, "LongName", !p.shortNames);
  ini.WriteBool(kOption, "Hidden", p.showHidden);
  ini.WriteBool(kOption, "ColLine", p.columnLine);
  ini.WriteBool(kOption, "FileType", p.fileType);
  ini.WriteBool(kOption, "PathCaption", p.pathCaption);

  ini.WriteBool(kOption, "ExtArcPrg", p.extArcPrg);
  ini.WriteBool(kOption, "AutoRefresh", p.autoRefresh);
  ini.WriteBool(kOption, "RemRead", p.remRead);
  ini.WriteBool(kOption, "NoTreeA", p.noTreeA);
  ini.WriteBool(kOption, "SelDir", p.selDir);
  ini.WriteBool(kOption, "Sound", p.sound);
  ini.WriteBool(kOption, "SaveLastDir", p.saveLastDir);
  ini.WriteBool(kOption, "StartDir", p.startDir);
  ini.WriteString(kOption, "Start", p.start);

  ini.WriteBool(kOption, "ExplorerMenu", p.explorerMenu);
  ini.WriteBool(kOption, "TreeRoot", p.treeRoot);
  ini.WriteString(kOption, "TreePath", p.treePath);
  ini.WriteBool(kOption, "CtrlX", p.shortcut != 0);
  ini.WriteInteger(kOption, "DelBtn", p.delBtn);
  ini.WriteInteger(kOption, "ESC", p.escKey);

  for (int i = 0; i < kProgramCount; ++i) ini.WriteString(kProgram, kProgramKeys[i], p.programs[i]);
  for (int i = 0; i < kFunctionRows; ++i) ini.WriteString(kFunction, FunctionKeyName(i), p.functions[i]);
}

// ---- function keys ----

TFunctionRowText FunctionRowText(std::string_view entry) {
  TFunctionRowText text;
  if (StartsWith(entry, "[")) {
    const size_t close = entry.find(']');
    text.name = std::string(entry.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
  }
  text.command = DropDisplayName(entry);
  return text;
}

bool EditFunctionRow(TPreferences& prefs, int row, const std::function<bool(std::string&)>& edit) {
  if (!ValidRow(row, prefs.functions.size()) || !edit) return false;
  std::string entry = prefs.functions[row];
  if (!edit(entry)) return false;
  prefs.functions[row] = entry;
  return true;
}

bool DeleteFunctionRow(TPreferences& prefs, int row, IQuestions& questions) {
  if (!ValidRow(row, prefs.functions.size())) return false;
  if (questions.Message(kAskDelete, "Confirm", mbYesNo, miQuestion) != mrYes) return false;
  prefs.functions[row].clear();
  return true;
}

// ---- colour set ----

const TBasicColorRow kBasicColorRowTable[kBasicColorRows] = {
    {"[File Window]", nullptr},
    {"Background", "BACK"},
    {"Column Line", "LINE"},
    {"Normal", "NORMAL"},
    {"Folder", "FOLDER"},
    {"Drive", "DRIVE"},
    {"Readonly(Size)", "READONLY"},
    {"Hidden(Size)", "HIDDEN"},
    {"Description", "DESCRIPT"},
    {"MB(Size Mark)", "MB"},
    {"Folder Name Title", "TITLE"},
    {"", nullptr},
    {"[Tree Window]", nullptr},
    {"Backgound", "TBACK"},
    {"Normal", "TNORMAL"},
    {"Open Folder", "TOPEN"},
    {"Selected Folder", "TFOCUS"},
    {"Line", "TLINE"},
    {"Hint Text", "THINT"},
};

TColorSetForm LoadColorSet(IFileStore& store, const ICodePage& codePage, const std::string& path) {
  return ReadColorSetForm(store, codePage, path);
}

uint32_t SaveColorSet(IFileStore& store, const ICodePage& codePage, const std::string& path,
                      const TColorSetForm& form) {
  return WriteColorSet(store, codePage, path, form);
}

namespace {
// The basic line of this key, or nullptr.
const std::string* BasicLine(const TColorSetForm& form, std::string_view key, size_t* index = nullptr) {
  const std::string wanted = UpperAscii(key);
  for (size_t i = 0; i < form.basicLines.size(); ++i) {
    const std::string& line = form.basicLines[i];
    const size_t eq = line.find('=');
    if (eq == std::string::npos || UpperAscii(Trim(std::string_view(line).substr(0, eq))) != wanted) continue;
    if (index) *index = i;
    return &line;
  }
  return nullptr;
}

std::string AskExtensions(IQuestions& questions, const char* caption, const char* prompt, std::string text) {
  if (questions.AskText(caption, prompt, text, false, 1) != mrOk) return {};
  return UpperAscii(Trim(text));
}
}  // namespace

TColor BasicColorOf(const TColorSetForm& form, std::string_view key) {
  const std::string* line = BasicLine(form, key);
  TColor color = 0;
  if (line && ParseColor(std::string_view(*line).substr(line->find('=') + 1), color)) return color;
  return 0;
}

void SetBasicColor(TColorSetForm& form, std::string_view key, TColor color) {
  const std::string line = std::string(key) + "=" + std::to_string(static_cast<int32_t>(color));
  size_t index = 0;
  if (BasicLine(form, key, &index)) form.basicLines[index] = line;
  else form.basicLines.push_back(line);
}

bool ParseExtRow(std::string_view row, TColor& color, std::string& extensions) {
  const size_t eq = row.find('=');
  if (eq == std::string_view::npos || !ParseColor(row.substr(0, eq), color)) return false;
  extensions = std::string(row.substr(eq + 1));
  return true;
}

std::string ExtRow(TColor color, std::string_view extensions) {
  return std::to_string(static_cast<int32_t>(color)) + "=" + std::string(extensions);
}

int FindExtRow(const TColorSetForm& form, TColor color) {
  for (size_t i = 0; i < form.extRows.size(); ++i) {
    TColor rowColor = 0;
    std::string exts;
    if (ParseExtRow(form.extRows[i], rowColor, exts) && rowColor == color) return static_cast<int>(i);
  }
  return -1;
}

bool AddExtensions(TColorSetForm& form, IQuestions& questions) {
  const std::string exts = AskExtensions(questions, "Add Extension",
                                         "Put the name of extensions you want to add divide by semicolone(;)", "");
  if (exts.empty()) return false;
  TColor color = BasicColorOf(form, "NORMAL");
  for (;;) {
    if (!questions.PickColor(color)) return false;
    if (FindExtRow(form, color) < 0) break;
    questions.Message("Color you selected is already exists in the list", "Error", mbOk, miStop);
  }
  form.extRows.push_back(ExtRow(color, exts));
  return true;
}

bool EditExtensions(TColorSetForm& form, int row, IQuestions& questions) {
  if (!ValidRow(row, form.extRows.size())) return false;
  TColor color = 0;
  std::string exts;
  if (!ParseExtRow(form.extRows[row], color, exts)) return false;
  std::string text = exts;
  if (questions.AskText("Extension", "Extension", text, false, 1) != mrOk) return false;
  text = UpperAscii(Trim(text));
  if (text.empty()) form.extRows.erase(form.extRows.begin() + row);
  else form.extRows[row] = ExtRow(color, text);
  return true;
}

bool DeleteExtensions(TColorSetForm& form, int row, IQuestions& questions) {
  if (!ValidRow(row, form.extRows.size())) return false;
  if (questions.Message(kAskDelete, "Confirm", mbYesNo, miWarning) != mrYes) return false;
  form.extRows.erase(form.extRows.begin() + row);
  return true;
}

bool RecolorExtensions(TColorSetForm& form, int row, IQuestions& questions) {
  if (!ValidRow(row, form.extRows.size())) return false;
  TColor color = 0;
  std::string exts;
  if (!ParseExtRow(form.extRows[row], color, exts) || !questions.PickColor(color)) return false;
  form.extRows[row] = ExtRow(color, exts);
  return true;
}

bool PickBasicColor(TColorSetForm& form, std::string_view key, IQuestions& questions) {
  TColor color = BasicColorOf(form, key);
  if (!questions.PickColor(color)) return false;
  SetBasicColor(form, key, color);
  return true;
}

}  // namespace quill
