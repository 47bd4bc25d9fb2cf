// The colour set (quill.col): named basic colours for the pane and the folder tree, and a table of
// name colours by file extension. Portable: the bytes come through IFileStore, the encoding rule
// through ICodePage.
//
// File layout, as written by WriteColorSet:
//   [Basic]
//   BACK=0            one KEY=value line per basic colour, the pane's and the tree's
//   ...
//                     (empty line)
//   [Ext]
//   EXE=65280         one EXT=value line per extension (no dot), sorted without regard to case
//
// Values are colours 0x00BBGGRR (red in the low byte), decimal or "$"-prefixed hexadecimal.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/CodePage.h"
#include "base/FileStore.h"

namespace quill {

using TColor = uint32_t;  // 0x00BBGGRR

// Indexes of the pane's basic colours.
constexpr int kColorBack = 0;
constexpr int kColorLine = 1;
constexpr int kColorFolder = 2;
constexpr int kColorDrive = 3;
constexpr int kColorReadOnly = 4;
constexpr int kColorHidden = 5;
constexpr int kColorNormal = 6;
constexpr int kColorDescript = 7;
constexpr int kColorMb = 8;
constexpr int kColorTitle = 9;
constexpr int kBasicColorCount = 10;

struct TColorKey {
  const char* key;
  TColor fallback;  // used when the key is missing or its value is not a colour
};

// The pane's basic keys in index order.
inline constexpr TColorKey kBasicColorKeys[kBasicColorCount] = {
    {"BACK", 0x000000},     {"LINE", 0xFF8080},   {"FOLDER", 0x4040FF}, {"DRIVE", 0xFF8080},
    {"READONLY", 0x00FFFF}, {"HIDDEN", 0x0000FF}, {"NORMAL", 0xC0C0C0}, {"DESCRIPT", 0xFFFFFF},
    {"MB", 0x0000FF},       {"TITLE", 0xFFFFFF},
};

// The folder tree's keys, kept in the same [Basic] section.
constexpr int kTreeColorBack = 0;
constexpr int kTreeColorLine = 1;
constexpr int kTreeColorNormal = 2;
constexpr int kTreeColorFocus = 3;
constexpr int kTreeColorOpen = 4;
constexpr int kTreeColorHint = 5;
constexpr int kTreeColorCount = 6;

inline constexpr TColorKey kTreeColorKeys[kTreeColorCount] = {
    {"TBACK", 4095}, {"TLINE", 3822}, {"TNORMAL", 0}, {"TFOCUS", 0}, {"TOPEN", 3840}, {"THINT", 3549},
};

// A colour value as the file holds it: a 32-bit integer, decimal (a sign allowed, within the
// range of a signed 32-bit integer) or "$" followed by at most 32 bits of hexadecimal digits,
// blanks around it allowed. Negative and large values are kept as their 32 bits; the pane draws
// the low 24 (0x00BBGGRR). False for anything else, leaving `color` untouched.
bool ParseColor(std::string_view text, TColor& color);

// The colour of text on the focus bar: `preferred` when it reads clearly against `bar` (a
// contrast ratio of 4.5 or more by relative luminance), else black or white, whichever stands
// out more. Only the low 24 bits of either colour count.
TColor ContrastingTextColor(TColor preferred, TColor bar);

class TColorList {
public:
  // Every basic colour at its default and no extension colours: the pane's starting state.
  TColorList(IFileStore& store, const ICodePage& codePage);
  TColorList(IFileStore& store, const ICodePage& codePage, const std::string& path);

  // Replaces everything with the file's contents. A missing or unreadable file gives the defaults
  // and an empty extension table; returns whether the file was read.
  bool LoadFromFile(const std::string& path);

  // The basic colour at index 0..9; 0 for any other index.
  TColor Colors(int index) const;

  // The colour of names with this extension (no dot, any case). Only the [Ext] section counts, so
  // an extension spelled like a basic key ("MB") still gets its own line's colour. No line, or a
  // line whose value is not a colour, gives Colors(kColorNormal).
  TColor ExtColor(std::string_view ext) const;

  // The value of the file's first line with this name (any case, any section: a file without
  // the "[Basic]" header still gives its basic colours); `fallback` when there is no such line or
  // its value is not a number. Lets the folder tree read its keys from the same load.
  TColor BasicColor(std::string_view key, TColor fallback) const;
  // One of the tree's keys ("TBACK", ...), falling back to that key's default; 0 for a key that is
  // neither in the file nor one of the tree's.
  TColor TreeColor(std::string_view key) const;

private:
  // Hashing and equality that ignore ASCII case, so look-ups take the caller's text as it is and
  // allocate nothing: the pane asks once per visible name on every paint.
  struct TFoldedHash {
    using is_transparent = void;
    size_t operator()(std::string_view text) const;
  };
  struct TFoldedEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
  };
  // No value for a name whose first line does not hold a number.
  using TColorMap = std::unordered_map<std::string, std::optional<TColor>, TFoldedHash, TFoldedEqual>;

  void SetDefaults();

  IFileStore& store_;
  const ICodePage& codePage_;
  TColor colors_[kBasicColorCount];
  // Upper-cased names to colours, the first line of a name winning: every line of the file, and
  // the lines of the [Ext] section.
  TColorMap namedColors_;
  TColorMap extColors_;
};

// What the preferences dialog edits: the basic lines as they stand in the file, and the extension
// table grouped by colour, one row "value=EXT1;EXT2;..." per colour.
struct TColorSetForm {
  std::vector<std::string> basicLines;
  std::vector<std::string> extRows;
};

// The non-empty lines of the [Basic] section become the basic lines; each [Ext] line joins the
// row of its colour (rows in first-seen order, the value written in decimal so "$FF00" and
// "65280" share a row). As on load, the first line of an extension wins; extension lines whose
// value is not a colour have no colour and are dropped. A missing file gives an empty form;
// `found` (when given) tells which it was.
TColorSetForm ReadColorSetForm(IFileStore& store, const ICodePage& codePage, const std::string& path,
                               bool* found = nullptr);

// The file's lines for a form: "[Basic]", the basic lines, an empty line, "[Ext]", then one
// "EXT=value" line per extension of every row (parts split at ";", blanks trimmed, empty parts
// skipped), sorted without regard to case. An extension named twice keeps its first row's colour;
// rows whose value is not a colour are left out.
std::vector<std::string> ColorSetLines(const TColorSetForm& form);

// ColorSetLines encoded by the text-file rule (CR LF) and written through the store. Returns 0 or
// the store's Win32 error code.
uint32_t WriteColorSet(IFileStore& store, const ICodePage& codePage, const std::string& path,
                       const TColorSetForm& form);

}  // namespace quill
