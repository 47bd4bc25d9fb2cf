// The pane's layout arithmetic: column widths, size-column modes, the texts of the size column,
// cutting names to their column and the cell geometry of a page. Portable: text is measured
// through ITextMeasure, which the window implements with its font.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/CaseMap.h"
#include "fileview/File.h"

namespace quill {

class ITextMeasure {
public:
  virtual ~ITextMeasure() = default;
  virtual int TextWidth(std::string_view utf8) const = 0;
  virtual int TextHeight() const = 0;
};

enum TViewStyle { vsList = 0, vsIcon = 1 };
enum TCharCase { ccNormal = 0, ccUpper = 1, ccLower = 2, ccCapital = 3 };

// The pane's settings that shape its layout, with the pane's defaults.
struct TFileViewSettings {
  TViewStyle ViewStyle = vsList;
  bool AutoColumn = true;
  int Column = 0;  // fixed column count; 0 while AutoColumn is on
  bool AttachExt = false;
  bool LongName = true;
  TCharCase CharCase = ccUpper;
  bool ViewIcon = true;
  bool ViewTitle = true;
  bool FolderInfo = true;
  bool ViewFileType = true;
  int IconVSpacing = 43;
  int IconHSpacing = 43;
};

struct TLayoutRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool operator==(const TLayoutRect&) const = default;
};

constexpr int kTitleHeight = 24;  // the title strip; the item area starts one pixel below it
constexpr int kSizeNone = 0;
constexpr int kSizeNarrow = 1;
constexpr int kSizeWide = 2;

// Everything CalculateParams derives. Columns and RowsPerPage are never below 1, so the paging
// divisions always have a defined result, even for a window smaller than one cell.
struct TLayoutParams {
  TViewStyle Style = vsList;
  bool ViewTitle = true;
  TLayoutRect ItemArea;
  int DigitWidth = 0;
  int NarrowSizeWidth = 0;
  int WideSizeWidth = 0;
  int DateWidth = 0;
  int TimeWidth = 0;
  int AttrWidth = 0;
  int IconArea = 0;
  int TextHeight = 0;
  int ItemHeight = 0;
  int TextOffset = 0;
  int RowsPerPage = 1;
  int Columns = 1;
  int CellWidth = 0;
  int CellHeight = 0;
  int NameColumnWidth = 0;
  int NameWidth = 0;
  int ExtWidth = 0;
  int DriveTextWidth = 0;
  int SizeMode = kSizeNone;
  bool ShowDate = false;
  bool ShowTime = false;
  bool ShowAttributes = false;
  bool ShowDescription = false;
  int PageSize() const { return RowsPerPage * Columns; }
};

// The text in the pane's letter case, by the case map's rules (every script with the system's):
// ccCapital lower-cases all and then upper-cases the first character.
std::string FitCharCase(std::string_view text, TCharCase charCase, const ICaseMap& caseMap);
// Folder names are upper-cased for every setting but ccNormal and ccCapital.
TCharCase FolderCharCase(TCharCase charCase);
// The name as the list shows it: folders by FolderCharCase, drive entries as "[-C-] label",
// files as the name part (the whole "name.ext" when the extension is attached).
std::string DisplayName(const TFile& file, const TFileViewSettings& settings, const ICaseMap& caseMap);
std::string DisplayExt(const TFile& file, const TFileViewSettings& settings, const ICaseMap& caseMap);
// The caption under an icon: "label (C:)" for every drive entry, the Network entry's "/" too;
// the full name of anything else.
std::string IconCaption(const TFile& file);

// Byte offsets at which the UTF-8 text may be cut: the start of every character as a reader
// sees it. A surrogate pair is one code point in UTF-8, so cutting here never splits one; marks
// that combine with what precedes them (accents, variation selectors, emoji skin tones, the
// joiner of emoji sequences and the character it joins) stay with it, and a flag keeps both of
// its letters. The first offset is 0 for a non-empty text; the text's size is not included.
std::vector<size_t> CharacterStarts(std::string_view text);

// "1,234,567".
std::string GroupThousands(uint64_t value);

// A size-column text: the number and the unit letter drawn after it ("" for bytes).
struct TSizeText {
  std::string Number;
  std::string Unit;
  bool operator==(const TSizeText&) const = default;
};
// Bytes below 1,000,000; then megabytes, then from 1 GiB gigabytes, rounded to three
// significant digits and shown with one decimal.
TSizeText NarrowSizeText(uint64_t size);
// Bytes with separators below 100,000,000; then megabytes, then gigabytes, rounded to five
// significant digits and shown with two decimals.
TSizeText WideSizeText(uint64_t size);

struct TCutText {
  std::string Text;
  bool Cut = false;
};

// An icon caption broken into the lines that fit its box.
struct TCaptionLines {
  std::vector<std::string> Lines;
  int Width = 0;     // of the widest line
  bool Cut = false;  // text was left out (or a line is wider than the box)
};

class TFileViewLayout {
public:
  explicit TFileViewLayout(const ITextMeasure& measure, const ICaseMap& caseMap = TAsciiCaseMap::Instance())
      : measure_(&measure), caseMap_(&caseMap) {}

  // A new font makes every cached width stale.
  void SetMeasure(const ITextMeasure& measure);
  void FontChanged() { widths_.clear(); }

  const TLayoutParams& Params() const { return params_; }
  const ICaseMap& CaseMap() const { return *caseMap_; }

  void CalculateParams(const TFiles& files, const TFileViewSettings& settings, int clientWidth, int clientHeight);
  // Sets NameWidth and ExtWidth for the room r of one column and returns the name column width.
  // Needs DigitWidth already measured.
  int SetFileNameWidth(int room, const TFiles& files, const TFileViewSettings& settings);

  // Width of a displayed text, measured once and then looked up.
  int CachedWidth(std::string_view text);
  size_t CachedWidthCount() const { return widths_.size(); }

  // The text unchanged when it fits, else the longest start of it that fits with its last
  // kept character replaced by "~". Cuts fall only between characters (CharacterStarts).
  TCutText CutToWidth(std::string_view text, int width);
  // The caption word-wrapped into lines of at most `width` pixels, a word wider than that
  // broken between characters; when more than `maxLines` lines would be needed, the last one
  // ends in "..." after as much of the rest as fits.
  TCaptionLines WrapCaption(std::string_view text, int width, int maxLines) const;

  // Top-left corner of entry `index`'s cell on the page starting at `firstVisible`: list style
  // fills column by column, icon style row by row.
  void CellOrigin(int index, int firstVisible, int& x, int& y) const;
  // The cell the name tooltip and partial repaints use; in list style one item height less 2.
  TLayoutRect ItemRect(int index, int firstVisible) const;
  // Entry under a client point, -1 for none (title, right or bottom margin, past the page or
  // past the list).
  int ItemAt(int x, int y, int firstVisible, int count) const;
  // The entry whose check-mark column (the first 10 pixels of the cell) holds the point, or -1.
  int SelectAreaAt(int x, int y, int firstVisible, int count) const;

private:
  void MeasureFixedWidths(const TFileViewSettings& settings);
  void CalculateIcon(const TFileViewSettings& settings);
  void CalculateList(const TFiles& files, const TFileViewSettings& settings);
  void ChooseColumns(const TFiles& files, const TFileViewSettings& settings);
  void ChooseDetails();
  void LimitCache(int count);

  const ITextMeasure* measure_;
  const ICaseMap* caseMap_;
  TLayoutParams params_;
  std::unordered_map<std::string, int> widths_;
  TCharCase cachedCase_ = ccUpper;
};

}  // namespace quill
