#include "operations/BatchRename.h"

#include "base/Text.h"

namespace quill {
namespace {

constexpr int64_t kCountLimit = 2147483647;  // the spin edits' upper bound
constexpr size_t kMaxNameUnits = 255;

// Byte offset of code point `index` (0-based) in well-formed UTF-8; the size at or past the end.
size_t ByteOffset(std::string_view text, size_t index) {
  size_t offset = 0;
  for (; offset < text.size() && index > 0; --index) {
    ++offset;
    while (offset < text.size() && (static_cast<unsigned char>(text[offset]) & 0xC0) == 0x80) ++offset;
  }
  return offset;
}

size_t Utf16Units(std::string_view text) {
  size_t units = 0;
  for (const unsigned char c : text) {
    if ((c & 0xC0) != 0x80) ++units;
    if (c >= 0xF0) ++units;
  }
  return units;
}

// A count written by the user: digits only, blanks around ignored; nothing for anything else,
// a sign included, or a value beyond what fits.
std::optional<int64_t> Number(std::string_view text) {
  text = TrimView(text);
  if (text.empty() || text[0] == '+' || text[0] == '-') return std::nullopt;
  int64_t value = 0;
  if (!ParseInt(text, value)) return std::nullopt;
  return value;
}

std::optional<int64_t> CountSetting(std::string_view text) {
  const std::optional<int64_t> value = Number(text);
  if (!value || *value < 1 || *value > kCountLimit) return std::nullopt;
  return value;
}

}  // namespace

TNameParts SplitAtLastDot(std::string_view name) {
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return {std::string(name), {}};
  return {std::string(name.substr(0, dot)), std::string(name.substr(dot + 1))};
}

std::optional<std::string> CutPart(std::string_view part, std::string_view rule) {
  const int64_t length = static_cast<int64_t>(CodePointCount(part));
  int64_t first = 0, last = 0;
  if (const size_t tilde = rule.find('~'); tilde != std::string_view::npos) {
    const std::string_view a = TrimView(rule.substr(0, tilde)), b = TrimView(rule.substr(tilde + 1));
    const std::optional<int64_t> from = a.empty() ? std::optional<int64_t>(1) : Number(a);
    const std::optional<int64_t> to = b.empty() ? std::optional<int64_t>(length) : Number(b);
    if (!from || !to) return std::nullopt;
    first = *from;
    last = *to;
  } else if (const size_t dash = rule.find('-'); dash != std::string_view::npos) {
    if (!TrimView(rule.substr(dash + 1)).empty()) return std::nullopt;
    const std::optional<int64_t> count = Number(rule.substr(0, dash));  // "-3" has no number before
    // More than the part holds would leave a name without its base: refused like "9~" is.
    if (!count || *count > length) return std::nullopt;
    if (*count == 0) return std::string(part);
    first = length - *count + 1;
    last = length;
  } else {
    return std::nullopt;
  }
  // Counting starts at 1: a zero start names no character.
  if (first < 1 || last < first || length < first || length < last) return std::nullopt;
  const size_t begin = ByteOffset(part, static_cast<size_t>(first - 1));
  const size_t end = ByteOffset(part, static_cast<size_t>(last));
  return std::string(part.substr(0, begin)) + std::string(part.substr(end));
}

std::string ReplaceEvery(std::string_view text, std::string_view find, std::string_view replacement) {
  if (find.empty()) return std::string(text);
  std::string result;
  result.reserve(text.size());
  size_t from = 0;
  for (size_t at = text.find(find); at != std::string_view::npos; at = text.find(find, from)) {
    result.append(text.substr(from, at - from));
    result.append(replacement);
    from = at + find.size();
  }
  result.append(text.substr(from));
  return result;
}

std::optional<size_t> ComputeNewNames(const TBatchRule& rule, const std::vector<std::string>& oldNames,
                                      std::vector<std::string>& newNames, size_t startIndex) {
  if (newNames.size() < oldNames.size()) newNames.resize(oldNames.size());
  int64_t counter = 0, step = 0;
  if (rule.action == baCount) {
    const std::optional<int64_t> start = CountSetting(rule.start), by = CountSetting(rule.step);
    if (!start || !by || rule.digits < 1 || rule.digits > 10) return startIndex;
    counter = *start;
    step = *by;
  }
  for (size_t i = startIndex; i < oldNames.size(); ++i) {
    TNameParts parts = SplitAtLastDot(oldNames[i]);
    if (rule.action == baChangeExt) {
      newNames[i] = parts.base + "." + rule.text;
      continue;
    }
    std::string& part = rule.changeExt ? parts.ext : parts.base;
    switch (rule.action) {
      case baHead: part = rule.text + part; break;
      case baTail: part += rule.text; break;
      case baCount: {
        // 64 bits: ten thousand steps of the largest step still fit, so the numbers stay right.
        const std::string number = Format("%0*lld", rule.digits, static_cast<long long>(counter));
        part = rule.countTail ? part + number : number + part;
        counter += step;
        break;
      }
      case baCut: {
        std::optional<std::string> cut = CutPart(part, rule.text);
        if (!cut) return i;
        part = std::move(*cut);
        break;
      }
      case baReplace: part = ReplaceEvery(part, rule.find, rule.replace); break;
      case baChangeExt: break;
    }
    newNames[i] = parts.base + "." + parts.ext;
  }
  return std::nullopt;
}

uint32_t CheckNewName(std::string& name) {
  while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
  if (name.empty()) return kErrorInvalidName;
  for (const unsigned char c : name)
    if (c < 0x20 || std::string_view("\\/:*?\"<>|").find(static_cast<char>(c)) != std::string_view::npos)
      return kErrorInvalidName;
  if (Utf16Units(name) > kMaxNameUnits) return kErrorNameTooLong;
  return 0;
}

std::string RenameDialogName(std::string_view typed, std::string_view oldName, bool changeExtension) {
  if (changeExtension) return std::string(typed);
  const size_t dot = oldName.rfind('.');
  return std::string(typed) + std::string(dot == std::string_view::npos ? std::string_view() : oldName.substr(dot));
}

}  // namespace quill
