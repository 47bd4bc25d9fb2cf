#include "fileview/FileViewLayout.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "base/Text.h"

namespace quill {

namespace {

constexpr uint64_t kMegabyte = 1ull << 20;
constexpr uint64_t kGigabyte = 1ull << 30;
constexpr int kColumnGap = 6;  // between the icon area, the name column and the cell edge
constexpr int kCheckColumn = 10;

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// `value` rounded once to `significant` digits (to tens and beyond when the integer part is
// longer), then printed with exactly `decimals` decimals.
std::string RoundedText(double value, int significant, int decimals) {
  int integerDigits = 1;
  for (double limit = 10; value >= limit; limit *= 10) ++integerDigits;
  const int roundAt = std::min(decimals, significant - integerDigits);
  double rounded;
  if (roundAt >= 0) {
    const double scale = std::pow(10.0, roundAt);
    rounded = std::round(value * scale) / scale;
  } else {
    const double unit = std::pow(10.0, -roundAt);
    rounded = std::round(value / unit) * unit;
  }
  return Format("%.*f", decimals, rounded);
}

TSizeText ScaledSizeText(uint64_t size, int significant, int decimals) {
  if (size < kGigabyte)
    return {RoundedText(static_cast<double>(size) / kMegabyte, significant, decimals), "M"};
  return {RoundedText(static_cast<double>(size) / kGigabyte, significant, decimals), "G"};
}

}  // namespace

std::string FitCharCase(std::string_view text, TCharCase charCase, const ICaseMap& caseMap) {
  switch (charCase) {
    case ccUpper: return caseMap.Upper(text);
    case ccLower: return caseMap.Lower(text);
    case ccCapital: {
      std::string result = caseMap.Lower(text);
      if (result.empty()) return result;
      size_t first = 1;
      while (first < result.size() && IsContinuationByte(result[first])) ++first;
      return caseMap.Upper(std::string_view(result).substr(0, first)) + result.substr(first);
    }
    default: return std::string(text);
  }
}

TCharCase FolderCharCase(TCharCase charCase) {
  return (charCase == ccNormal || charCase == ccCapital) ? charCase : ccUpper;
}

std::string DisplayName(const TFile& file, const TFileViewSettings& settings, const ICaseMap& caseMap) {
  switch (file.Kind()) {
    case kKindFolder: return FitCharCase(file.Name(), FolderCharCase(settings.CharCase), caseMap);
    case kKindDrive: {
      const char letter = file.Name().empty() ? ' ' : file.Name()[0];
      return FitCharCase(Format("[-%c-] %s", letter, file.Ext().c_str()), settings.CharCase, caseMap);
    }
    default:
      return FitCharCase(settings.AttachExt ? file.FullName() : file.Name(), settings.CharCase, caseMap);
  }
}

std::string DisplayExt(const TFile& file, const TFileViewSettings& settings, const ICaseMap& caseMap) {
  if (!file.IsFile() || settings.AttachExt) return {};
  return FitCharCase(file.Ext(), settings.CharCase, caseMap);
}

std::string IconCaption(const TFile& file) {
  if (!file.IsDrive()) return file.FullName();
  return Format("%s (%c:)", file.Ext().c_str(), file.Name().empty() ? ' ' : file.Name()[0]);
}

namespace {

// The code point at text[i], moving i past it; a malformed byte counts as one character.
char32_t DecodeAt(std::string_view text, size_t& i) {
  const unsigned char c = static_cast<unsigned char>(text[i++]);
  const int more = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
  if (more == 0) return c;
  char32_t value = c & (0x3F >> more);
  for (int k = 0; k < more && i < text.size() && IsContinuationByte(text[i]); ++k)
    value = (value << 6) | (static_cast<unsigned char>(text[i++]) & 0x3F);
  return value;
}

constexpr char32_t kZeroWidthJoiner = 0x200D;

// Code points that belong to the character before them: the usual combining marks, joiners,
// variation selectors, emoji modifiers and tags.
bool ExtendsPrevious(char32_t c) {
  struct TRange {
    char32_t first, last;
  };
  static constexpr TRange kExtend[] = {
      {0x0300, 0x036F}, {0x0483, 0x0489}, {0x0591, 0x05BD}, {0x05BF, 0x05BF}, {0x05C1, 0x05C2},
      {0x05C4, 0x05C5}, {0x05C7, 0x05C7}, {0x0610, 0x061A}, {0x064B, 0x065F}, {0x0670, 0x0670},
      {0x0E31, 0x0E31}, {0x0E34, 0x0E3A}, {0x0E47, 0x0E4E}, {0x1160, 0x11FF}, {0x1AB0, 0x1AFF},
      {0x1DC0, 0x1DFF}, {0x200C, 0x200D}, {0x20D0, 0x20FF}, {0x302A, 0x302F}, {0x3099, 0x309A},
      {0xFE00, 0xFE0F}, {0xFE20, 0xFE2F}, {0x1F3FB, 0x1F3FF}, {0xE0020, 0xE007F}, {0xE0100, 0xE01EF},
  };
  for (const TRange& r : kExtend)
    if (c >= r.first && c <= r.last) return true;
  return false;
}

bool IsRegionalIndicator(char32_t c) { return c >= 0x1F1E6 && c <= 0x1F1FF; }

}  // namespace

std::vector<size_t> CharacterStarts(std::string_view text) {
  std::vector<size_t> starts;
  char32_t previous = 0;
  int regionalRun = 0;  // regional indicators in a row so far; flags are pairs of them
  for (size_t i = 0; i < text.size();) {
    const size_t start = i;
    const char32_t c = DecodeAt(text, i);
    const bool joins = !starts.empty() && (ExtendsPrevious(c) || previous == kZeroWidthJoiner ||
                                           (IsRegionalIndicator(c) && regionalRun % 2 == 1));
    if (!joins) starts.push_back(start);
    regionalRun = IsRegionalIndicator(c) ? regionalRun + 1 : 0;
    previous = c;
  }
  return starts;
}

std::string GroupThousands(uint64_t value) {
  const std::string digits = std::to_string(value);
  std::string result;
  result.reserve(digits.size() + digits.size() / 3);
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) result += ',';
    result += digits[i];
  }
  return result;
}

TSizeText NarrowSizeText(uint64_t size) {
  if (size < 1000000) return {std::to_string(size), ""};
  return ScaledSizeText(size, 3, 1);
}

TSizeText WideSizeText(uint64_t size) {
  if (size < 100000000) return {GroupThousands(size), ""};
  return ScaledSizeText(size, 5, 2);
}

void TFileViewLayout::SetMeasure(const ITextMeasure& measure) {
  measure_ = &measure;
  widths_.clear();
}

int TFileViewLayout::CachedWidth(std::string_view text) {
  auto found = widths_.find(std::string(text));
  if (found != widths_.end()) return found->second;
  const int width = measure_->TextWidth(text);
  widths_.emplace(std::string(text), width);
  return width;
}

// A pane that visits folder after folder must not keep every name it ever showed.
void TFileViewLayout::LimitCache(int count) {
  const size_t limit = std::max<size_t>(65536, 4 * static_cast<size_t>(std::max(count, 0)));
  if (widths_.size() > limit) widths_.clear();
}

TCutText TFileViewLayout::CutToWidth(std::string_view text, int width) {
  if (CachedWidth(text) <= width) return {std::string(text), false};
  // Keeping k characters shows the first k - 1 and "~".
  const std::vector<size_t> starts = CharacterStarts(text);
  if (starts.empty()) return {"~", true};
  auto shown = [&](size_t kept) { return std::string(text.substr(0, starts[kept - 1])) + "~"; };
  size_t low = 1, high = starts.size();  // the answer lies in [low, high]
  while (low < high) {
    const size_t mid = (low + high + 1) / 2;
    if (measure_->TextWidth(shown(mid)) <= width) low = mid;
    else high = mid - 1;
  }
  return {shown(low), true};
}

TCaptionLines TFileViewLayout::WrapCaption(std::string_view text, int width, int maxLines) const {
  TCaptionLines result;
  maxLines = std::max(1, maxLines);
  const std::vector<size_t> starts = CharacterStarts(text);
  const size_t count = starts.size();
  auto offset = [&](size_t character) { return character < count ? starts[character] : text.size(); };
  // Characters [first, end) as a line: spaces at its end are not shown.
  auto line = [&](size_t first, size_t end) {
    size_t to = offset(end);
    while (to > offset(first) && text[to - 1] == ' ') --to;
    return std::string(text.substr(offset(first), to - offset(first)));
  };
  // The most characters from `first` on that fit with `suffix` after them (at least `first`):
  // a prefix never gets narrower by growing, so a binary search finds it.
  auto fitting = [&](size_t first, std::string_view suffix) {
    size_t low = first, high = count;
    while (low < high) {
      const size_t mid = (low + high + 1) / 2;
      if (measure_->TextWidth(line(first, mid) + std::string(suffix)) <= width) low = mid;
      else high = mid - 1;
    }
    return low;
  };
  size_t first = 0;  // the next line's first character
  while (first < count && static_cast<int>(result.Lines.size()) < maxLines) {
    const size_t fits = fitting(first, {});
    if (fits == count) {
      result.Lines.push_back(line(first, count));
      first = count;
      break;
    }
    if (static_cast<int>(result.Lines.size()) == maxLines - 1) {
      // More than fits: as much as fits before "...", whole characters only.
      result.Lines.push_back(line(first, fitting(first, "...")) + "...");
      result.Cut = true;
      first = count;
      break;
    }
    // Up to the last space that fits; failing that, the characters that fit (at least one, so
    // the caption always moves on).
    size_t next = fits;
    while (next > first && text[offset(next) - 1] != ' ') --next;
    if (next == first) next = std::max(fits, first + 1);
    result.Lines.push_back(line(first, next));
    // Spaces at a break belong to neither line.
    while (next < count && text[starts[next]] == ' ') ++next;
    first = next;
  }
  if (first < count) result.Cut = true;
  for (const std::string& shown : result.Lines) {
    const int w = measure_->TextWidth(shown);
    result.Width = std::max(result.Width, w);
    if (w > width) result.Cut = true;
  }
  return result;
}

void TFileViewLayout::CalculateParams(const TFiles& files, const TFileViewSettings& settings, int clientWidth,
                                      int clientHeight) {
  if (settings.CharCase != cachedCase_) {
    widths_.clear();
    cachedCase_ = settings.CharCase;
  }
  LimitCache(files.Count());
  params_ = TLayoutParams();
  params_.Style = settings.ViewStyle;
  params_.ViewTitle = settings.ViewTitle;
  const int top = settings.ViewTitle ? kTitleHeight + 1 : 0;
  params_.ItemArea = {0, top, std::max(0, clientWidth), std::max(top, clientHeight)};
  MeasureFixedWidths(settings);
  if (settings.ViewStyle == vsIcon) CalculateIcon(settings);
  else CalculateList(files, settings);
}

void TFileViewLayout::MeasureFixedWidths(const TFileViewSettings& settings) {
  TLayoutParams& p = params_;
  p.DigitWidth = CachedWidth("0");
  p.NarrowSizeWidth = CachedWidth("000,000");
  p.WideSizeWidth = CachedWidth("00,000,000");
  p.DateWidth = CachedWidth("0000-00-00");
  p.TimeWidth = CachedWidth("00:00");
  p.AttrWidth = CachedWidth("ARHS");
  p.IconArea = 20 * (settings.ViewIcon ? 1 : 0) + 8;
  p.TextHeight = measure_->TextHeight();
  p.ItemHeight = p.TextHeight + 4;
  if (settings.ViewIcon) p.ItemHeight = std::max(p.ItemHeight, 18);
  p.TextOffset = (p.ItemHeight - p.TextHeight) / 2;
}

void TFileViewLayout::CalculateIcon(const TFileViewSettings& settings) {
  TLayoutParams& p = params_;
  p.CellHeight = settings.IconVSpacing + 32;
  const int cellWidth = settings.IconHSpacing + 32;
  p.Columns = std::max(1, cellWidth > 0 ? p.ItemArea.Width() / cellWidth : 1);
  p.CellWidth = p.ItemArea.Width() / p.Columns;
  p.RowsPerPage = std::max(1, p.CellHeight > 0 ? p.ItemArea.Height() / p.CellHeight : 1);
}

void TFileViewLayout::CalculateList(const TFiles& files, const TFileViewSettings& settings) {
  TLayoutParams& p = params_;
  const int areaWidth = p.ItemArea.Width();
  p.CellHeight = p.ItemHeight;
  p.RowsPerPage = std::max(1, p.ItemArea.Height() / p.ItemHeight);
  const int room =
      (settings.AutoColumn ? areaWidth : areaWidth / std::max(1, settings.Column)) - p.IconArea - kColumnGap;

  int driveWidth = 0;
  for (int i = 0; i < files.Count(); ++i) {
    const TFile& file = *files.Items(i);
    if (file.IsDrive()) driveWidth = std::max(driveWidth, CachedWidth(DisplayName(file, settings, *caseMap_)));
  }
  p.DriveTextWidth = std::clamp(driveWidth, 0, std::max(0, room));
  p.NameColumnWidth = SetFileNameWidth(room, files, settings);
  ChooseColumns(files, settings);
  p.CellWidth = areaWidth / p.Columns;
  ChooseDetails();
}

int TFileViewLayout::SetFileNameWidth(int room, const TFiles& files, const TFileViewSettings& settings) {
  TLayoutParams& p = params_;
  const int d = p.DigitWidth;
  const int a = room - d;
  // Integer arithmetic truncates 0.7a and 0.3a exactly; a window too small for a column
  // gives zero widths rather than negative ones.
  const int nameCap = std::max(0, a * 7 / 10);
  const int extCap = std::max(0, a * 3 / 10);
  const int r = std::max(0, room);

  if (settings.LongName) {
    int widestName = 0, widestExt = 0;
    for (int i = 0; i < files.Count(); ++i) {
      const TFile& file = *files.Items(i);
      if (file.IsDrive()) continue;
      widestName = std::max(widestName, CachedWidth(DisplayName(file, settings, *caseMap_)));
      if (!settings.AttachExt && file.IsFile() && !file.Ext().empty())
        widestExt = std::max(widestExt, CachedWidth(DisplayExt(file, settings, *caseMap_)));
    }
    if (!settings.AttachExt) {
      p.NameWidth = std::min(std::max(widestName, CachedWidth("WWWWAAAA")), nameCap);
      p.ExtWidth = std::min(widestExt, extCap);
      return p.NameWidth + d + p.ExtWidth;
    }
    p.NameWidth = std::min(std::max(std::min(widestName, r), CachedWidth("WWWWAAAA.WWW")), r);
    p.ExtWidth = 0;
    return p.NameWidth;
  }
  if (!settings.AttachExt) {
    p.NameWidth = std::min(CachedWidth("WWWWAAAA"), nameCap);
    p.ExtWidth = std::min(CachedWidth("WWW"), extCap);
    return p.NameWidth + d + p.ExtWidth;
  }
  // The name is kept within the column too, so that a cut name ends in "~" where it is seen.
  p.NameWidth = std::min(CachedWidth("WWWWAAAA.WWW"), r);
  p.ExtWidth = 0;
  return p.NameWidth;
}

void TFileViewLayout::ChooseColumns(const TFiles& files, const TFileViewSettings& settings) {
  TLayoutParams& p = params_;
  int columns = settings.Column;
  if (settings.AutoColumn) {
    const int fit = std::max(1, p.ItemArea.Width() / (p.NameColumnWidth + p.IconArea + kColumnGap));
    const int needed = (files.Count() + p.RowsPerPage - 1) / p.RowsPerPage;
    const int half = (needed + 1) / 2;
    columns = needed <= fit ? needed : (half < fit ? half : fit);
  }
  p.Columns = std::max(1, columns);
}

void TFileViewLayout::ChooseDetails() {
  TLayoutParams& p = params_;
  const int d = p.DigitWidth;
  const int s = p.CellWidth - p.IconArea - p.NameColumnWidth - kColumnGap;
  const int narrow = p.NarrowSizeWidth, wide = p.WideSizeWidth, date = p.DateWidth, time = p.TimeWidth;
  p.SizeMode = s >= d + narrow ? kSizeNarrow : kSizeNone;
  p.ShowDate = s >= 2 * d + narrow + date;
  p.ShowTime = s >= 3 * d + narrow + date + time;
  const int base = 4 * d + narrow + date + time;
  p.ShowDescription = s >= base + 10 * d;
  p.ShowAttributes = !p.ShowDescription && s >= base + p.AttrWidth;
  // The wide size column only where it takes room the next column would not have used anyway.
  if ((s >= 2 * d + wide + date && s < 3 * d + narrow + date + time) || (s >= d + wide && s < 2 * d + narrow + date))
    p.SizeMode = kSizeWide;
}

void TFileViewLayout::CellOrigin(int index, int firstVisible, int& x, int& y) const {
  const TLayoutParams& p = params_;
  const int position = index - firstVisible;
  int column, row;
  if (p.Style == vsIcon) {
    column = position % p.Columns;
    row = position / p.Columns;
  } else {
    column = position / p.RowsPerPage;
    row = position % p.RowsPerPage;
  }
  x = p.ItemArea.Left + column * p.CellWidth;
  y = p.ItemArea.Top + row * p.CellHeight;
}

TLayoutRect TFileViewLayout::ItemRect(int index, int firstVisible) const {
  int x = 0, y = 0;
  CellOrigin(index, firstVisible, x, y);
  const int height = params_.Style == vsIcon ? params_.CellHeight : params_.ItemHeight - 2;
  return {x, y, x + params_.CellWidth, y + height};
}

int TFileViewLayout::ItemAt(int x, int y, int firstVisible, int count) const {
  const TLayoutParams& p = params_;
  if (firstVisible < 0 || x < p.ItemArea.Left || y < p.ItemArea.Top || p.CellWidth <= 0 || p.CellHeight <= 0)
    return -1;
  // Rows are counted from the item area's top, the line CellOrigin draws from, so that every
  // pixel of a cell maps back to its own entry.
  const int row = (y - p.ItemArea.Top) / p.CellHeight;
  const int column = (x - p.ItemArea.Left) / p.CellWidth;
  // The margins right of the last column and below the last row belong to no cell; without
  // this a point there would name an entry of the next column or row.
  if (row >= p.RowsPerPage || column >= p.Columns) return -1;
  const int position = p.Style == vsIcon ? column + row * p.Columns : row + column * p.RowsPerPage;
  const int index = firstVisible + position;
  if (position >= p.PageSize() || index >= count) return -1;
  return index;
}

int TFileViewLayout::SelectAreaAt(int x, int y, int firstVisible, int count) const {
  const int index = ItemAt(x, y, firstVisible, count);
  if (index < 0) return -1;
  int cellX = 0, cellY = 0;
  CellOrigin(index, firstVisible, cellX, cellY);
  return x - cellX < kCheckColumn ? index : -1;
}

}  // namespace quill
