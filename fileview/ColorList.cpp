#include "fileview/ColorList.h"

#include <algorithm>
#include <cmath>
#include <climits>
#include <unordered_set>
#include <utility>

#include "base/Text.h"
#include "base/TextFile.h"

namespace quill {
namespace {

constexpr TColor kMaxColor = 0xFFFFFF;

enum class TSection { kNone, kBasic, kExt, kOther };

// A "[name]" line. The bracket test runs on the trimmed line so that an extension line such as
// "[A]=5" is never mistaken for a header.
bool SectionHeader(std::string_view line, std::string_view& name) {
  line = TrimView(line);
  if (line.size() < 2 || line.front() != '[' || line.back() != ']') return false;
  name = TrimView(line.substr(1, line.size() - 2));
  return true;
}

TSection SectionOf(std::string_view name) {
  if (SameTextAscii(name, "Basic")) return TSection::kBasic;
  if (SameTextAscii(name, "Ext")) return TSection::kExt;
  return TSection::kOther;
}

// name=value at the first "=", both trimmed; false for lines without one or with an empty name.
bool SplitNameValue(std::string_view line, std::string_view& name, std::string_view& value) {
  size_t eq = line.find('=');
  if (eq == std::string_view::npos) return false;
  name = TrimView(line.substr(0, eq));
  value = TrimView(line.substr(eq + 1));
  return !name.empty();
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Case-insensitive ASCII order, bytes compared unsigned so non-ASCII names sort after ASCII ones.
bool LessNoCase(const std::string& a, const std::string& b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char ca = static_cast<unsigned char>(UpperAscii(a[i]));
    unsigned char cb = static_cast<unsigned char>(UpperAscii(b[i]));
    if (ca != cb) return ca < cb;
  }
  return a.size() < b.size();
}

}  // namespace

bool ParseColor(std::string_view text, TColor& color) {
  text = TrimView(text);
  if (text.empty()) return false;
  if (text.front() == '$') {
    std::string_view digits = text.substr(1);
    if (digits.empty()) return false;
    uint64_t value = 0;
    for (char c : digits) {
      int digit = HexDigit(c);
      if (digit < 0) return false;
      value = value * 16 + static_cast<uint64_t>(digit);
      // Checked per digit so that long runs cannot overflow; leading zeros stay harmless.
      if (value > 0xFFFFFFFFu) return false;
    }
    color = static_cast<TColor>(value);
    return true;
  }
  int64_t value = 0;
  if (!ParseInt(text, value) || value < INT32_MIN || value > INT32_MAX) return false;
  color = static_cast<TColor>(static_cast<int32_t>(value));
  return true;
}

namespace {
// WCAG's relative luminance of a 0x00BBGGRR colour.
double Luminance(TColor color) {
  auto channel = [](unsigned value) {
    const double c = value / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * channel(color & 0xFF) + 0.7152 * channel((color >> 8) & 0xFF) +
         0.0722 * channel((color >> 16) & 0xFF);
}

double ContrastRatio(TColor a, TColor b) {
  const double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}
}  // namespace

TColor ContrastingTextColor(TColor preferred, TColor bar) {
  preferred &= kMaxColor;
  bar &= kMaxColor;
  if (ContrastRatio(preferred, bar) >= 4.5) return preferred;
  return ContrastRatio(0x000000, bar) >= ContrastRatio(0xFFFFFF, bar) ? 0x000000 : 0xFFFFFF;
}

size_t TColorList::TFoldedHash::operator()(std::string_view text) const {
  // FNV-1a over the upper-cased bytes: extensions are short, so this beats folding into a string.
  uint32_t hash = 2166136261u;
  for (char c : text) {
    hash ^= static_cast<unsigned char>(UpperAscii(c));
    hash *= 16777619u;
  }
  return hash;
}

bool TColorList::TFoldedEqual::operator()(std::string_view a, std::string_view b) const {
  return SameTextAscii(a, b);
}

TColorList::TColorList(IFileStore& store, const ICodePage& codePage) : store_(store), codePage_(codePage) {
  SetDefaults();
}

TColorList::TColorList(IFileStore& store, const ICodePage& codePage, const std::string& path)
    : TColorList(store, codePage) {
  LoadFromFile(path);
}

void TColorList::SetDefaults() {
  for (int i = 0; i < kBasicColorCount; ++i) colors_[i] = kBasicColorKeys[i].fallback;
  namedColors_.clear();
  extColors_.clear();
}

bool TColorList::LoadFromFile(const std::string& path) {
  SetDefaults();
  std::string bytes;
  if (!store_.ReadAll(path, bytes)) return false;

  TSection section = TSection::kNone;
  for (const std::string& line : DecodeLines(bytes, codePage_)) {
    std::string_view header;
    if (SectionHeader(line, header)) {
      section = SectionOf(header);
      continue;
    }
    std::string_view name, value;
    if (!SplitNameValue(line, name, value)) continue;
    std::optional<TColor> color;
    TColor parsed = 0;
    if (ParseColor(value, parsed)) color = parsed;
    // The first line of a name wins even when its value is no number: a later line cannot
    // override the default (or NORMAL) that the first one stands for.
    if (namedColors_.find(name) == namedColors_.end()) namedColors_.emplace(UpperAscii(name), color);
    if (section == TSection::kExt && extColors_.find(name) == extColors_.end())
      extColors_.emplace(UpperAscii(name), color);
  }
  for (int i = 0; i < kBasicColorCount; ++i)
    colors_[i] = BasicColor(kBasicColorKeys[i].key, kBasicColorKeys[i].fallback);
  return true;
}

TColor TColorList::Colors(int index) const {
  if (index < 0 || index >= kBasicColorCount) return 0;
  return colors_[index];
}

TColor TColorList::ExtColor(std::string_view ext) const {
  if (!ext.empty()) {
    auto it = extColors_.find(ext);
    if (it != extColors_.end() && it->second) return *it->second;
  }
  return colors_[kColorNormal];
}

TColor TColorList::BasicColor(std::string_view key, TColor fallback) const {
  auto it = namedColors_.find(key);
  return it == namedColors_.end() || !it->second ? fallback : *it->second;
}

TColor TColorList::TreeColor(std::string_view key) const {
  for (const TColorKey& k : kTreeColorKeys)
    if (SameTextAscii(key, k.key)) return BasicColor(key, k.fallback);
  return BasicColor(key, 0);
}

TColorSetForm ReadColorSetForm(IFileStore& store, const ICodePage& codePage, const std::string& path,
                               bool* found) {
  TColorSetForm form;
  std::string bytes;
  bool read = store.ReadAll(path, bytes);
  if (found) *found = read;
  if (!read) return form;

  std::vector<std::pair<TColor, std::string>> rows;  // colour and its extensions, first-seen order
  std::unordered_set<std::string> seen;  // upper-cased names: the first line of a name wins, as on load
  // The pane takes a name's first line in any section, so what it shows survives the save: lines
  // outside [Ext] become basic lines, and one whose name an earlier line gave is left out.
  std::unordered_set<std::string> named;
  TSection section = TSection::kNone;
  for (const std::string& line : DecodeLines(bytes, codePage)) {
    std::string_view header;
    if (SectionHeader(line, header)) {
      section = SectionOf(header);
      continue;
    }
    std::string_view name, value;
    const bool isNamed = SplitNameValue(line, name, value);
    const bool first = isNamed && named.insert(UpperAscii(name)).second;
    if (section != TSection::kExt) {
      if (isNamed ? first : (section == TSection::kBasic && !TrimView(line).empty())) form.basicLines.push_back(line);
      continue;
    }
    TColor color = 0;
    // A ";" inside a name would come back as two extensions after the split on save.
    if (!isNamed || name.find(';') != std::string_view::npos) continue;
    if (!seen.insert(UpperAscii(name)).second || !ParseColor(value, color)) continue;
    auto row = std::find_if(rows.begin(), rows.end(), [color](const auto& r) { return r.first == color; });
    if (row == rows.end()) {
      rows.emplace_back(color, std::string(name));
    } else {
      row->second += ';';
      row->second += name;
    }
  }
  form.extRows.reserve(rows.size());
  for (const auto& [color, exts] : rows) form.extRows.push_back(std::to_string(static_cast<int32_t>(color)) + "=" + exts);
  return form;
}

std::vector<std::string> ColorSetLines(const TColorSetForm& form) {
  std::vector<std::pair<std::string, TColor>> exts;
  std::unordered_set<std::string> seen;
  for (const std::string& row : form.extRows) {
    size_t eq = row.find('=');
    if (eq == std::string::npos) continue;
    std::string_view value = std::string_view(row).substr(0, eq);
    std::string_view list = std::string_view(row).substr(eq + 1);
    TColor color = 0;
    if (!ParseColor(value, color)) continue;
    for (const std::string& part : Split(list, ';')) {
      std::string ext = Trim(part);
      // A "=" would make the written line read back under another name.
      if (ext.empty() || ext.find('=') != std::string::npos) continue;
      if (!seen.insert(UpperAscii(ext)).second) continue;
      exts.emplace_back(std::move(ext), color);
    }
  }
  std::stable_sort(exts.begin(), exts.end(),
                   [](const auto& a, const auto& b) { return LessNoCase(a.first, b.first); });

  std::vector<std::string> lines;
  lines.reserve(form.basicLines.size() + exts.size() + 3);
  lines.push_back("[Basic]");
  for (const std::string& line : form.basicLines)
    if (!TrimView(line).empty()) lines.push_back(line);
  lines.push_back("");
  lines.push_back("[Ext]");
  // Built by hand rather than with "%s=%d": a name read from a damaged file may hold a NUL byte.
  for (const auto& [ext, color] : exts) lines.push_back(ext + "=" + std::to_string(static_cast<int>(color)));
  return lines;
}

uint32_t WriteColorSet(IFileStore& store, const ICodePage& codePage, const std::string& path,
                       const TColorSetForm& form) {
  return store.WriteAll(path, EncodeLines(ColorSetLines(form), codePage));
}

}  // namespace quill
