#include "base/Text.h"

#include <cstdarg>
#include <cstdio>
#include <limits>

namespace quill {

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string UpperAscii(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = UpperAscii(c);
  return result;
}

std::string LowerAscii(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = LowerAscii(c);
  return result;
}

bool SameTextAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
  return true;
}

namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
}  // namespace

std::string_view TrimView(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string Trim(std::string_view text) { return std::string(TrimView(text)); }

std::string TrimLeft(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  return std::string(text);
}

std::string TrimRight(std::string_view text) {
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return std::string(text);
}

std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> items;
  size_t start = 0;
  for (;;) {
    size_t pos = text.find(separator, start);
    if (pos == std::string_view::npos) {
      items.emplace_back(text.substr(start));
      return items;
    }
    items.emplace_back(text.substr(start, pos - start));
    start = pos + 1;
  }
}

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

bool EndsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

bool IsAscii(std::string_view text) {
  for (const char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

bool IsValidUtf8(std::string_view text) {
  size_t i = 0;
  const size_t n = text.size();
  while (i < n) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    int extra;
    uint32_t cp;
    if (c >= 0xC2 && c <= 0xDF) {
      extra = 1;
      cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      extra = 2;
      cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      extra = 3;
      cp = c & 0x07;
    } else {
      return false;
    }
    if (n - i <= static_cast<size_t>(extra)) return false;
    for (int k = 1; k <= extra; ++k) {
      const unsigned char cc = static_cast<unsigned char>(text[i + k]);
      if ((cc & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (cc & 0x3F);
    }
    if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF))) return false;
    if (cp >= 0xD800 && cp <= 0xDFFF) return false;
    i += extra + 1;
  }
  return true;
}

bool ParseInt(std::string_view text, int64_t& value) {
  text = TrimView(text);
  if (text.empty()) return false;
  bool negative = false;
  if (text[0] == '+' || text[0] == '-') {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return false;
  uint64_t magnitude = 0;
  const uint64_t limit = negative ? uint64_t(std::numeric_limits<int64_t>::max()) + 1
                                  : uint64_t(std::numeric_limits<int64_t>::max());
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    const uint64_t digit = static_cast<uint64_t>(c - '0');
    if (magnitude > (limit - digit) / 10) return false;
    magnitude = magnitude * 10 + digit;
  }
  value = negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
  return true;
}

int64_t ToIntDef(std::string_view text, int64_t fallback) {
  int64_t value;
  return ParseInt(text, value) ? value : fallback;
}

std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  const int n = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string result;
  if (n > 0) {
    result.resize(static_cast<size_t>(n) + 1);
    std::vsnprintf(result.data(), result.size(), format, args);
    result.resize(static_cast<size_t>(n));
  }
  va_end(args);
  return result;
}

namespace {
bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The code point starting at text[i]; i moves past it. Malformed bytes count as one each.
char32_t NextCodePoint(std::string_view text, size_t& i) {
  const unsigned char c = static_cast<unsigned char>(text[i++]);
  if (c < 0x80) return c;
  int more = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
  char32_t value = more == 3 ? c & 0x07 : more == 2 ? c & 0x0F : c & 0x1F;
  if (more == 0) return c;
  while (more-- > 0 && i < text.size() && IsContinuation(text[i]))
    value = (value << 6) | (static_cast<unsigned char>(text[i++]) & 0x3F);
  return value;
}

char32_t FoldAscii(char32_t c) { return c >= 'a' && c <= 'z' ? c - 32 : c; }

// Matches one "[...]" set starting after the "["; `end` receives the position after "]".
// A set without its closing bracket is taken literally by the caller.
bool SetMatches(std::string_view mask, size_t start, char32_t ch, size_t& end, bool& wellFormed) {
  size_t i = start;
  bool negate = false;
  if (i < mask.size() && mask[i] == '!') {
    negate = true;
    ++i;
  }
  bool found = false;
  bool first = true;
  while (i < mask.size() && (mask[i] != ']' || first)) {
    first = false;
    const char32_t lo = FoldAscii(NextCodePoint(mask, i));
    char32_t hi = lo;
    if (i + 1 < mask.size() && mask[i] == '-' && mask[i + 1] != ']') {
      ++i;
      hi = FoldAscii(NextCodePoint(mask, i));
    }
    if (ch >= lo && ch <= hi) found = true;
  }
  wellFormed = i < mask.size();
  end = i + 1;
  return found != negate;
}

bool MatchFrom(std::string_view mask, size_t m, std::string_view name, size_t n) {
  while (m < mask.size()) {
    if (mask[m] == '*') {
      while (m < mask.size() && mask[m] == '*') ++m;
      if (m == mask.size()) return true;
      for (size_t k = n; k <= name.size(); ++k) {
        if (k > n && k < name.size() && IsContinuation(name[k])) continue;
        if (MatchFrom(mask, m, name, k)) return true;
      }
      return false;
    }
    if (n >= name.size()) return false;
    const char32_t ch = FoldAscii(NextCodePoint(name, n));
    if (mask[m] == '?') {
      ++m;
      continue;
    }
    if (mask[m] == '[') {
      size_t end = 0;
      bool wellFormed = false;
      const bool hit = SetMatches(mask, m + 1, ch, end, wellFormed);
      if (wellFormed) {
        if (!hit) return false;
        m = end;
        continue;
      }
    }
    if (FoldAscii(NextCodePoint(mask, m)) != ch) return false;
  }
  return n == name.size();
}
}  // namespace

size_t CodePointCount(std::string_view text) {
  size_t count = 0;
  for (size_t i = 0; i < text.size();) {
    NextCodePoint(text, i);
    ++count;
  }
  return count;
}

std::string_view CodePointPrefix(std::string_view text, size_t count) {
  size_t i = 0;
  while (count-- > 0 && i < text.size()) NextCodePoint(text, i);
  return text.substr(0, i);
}

void DropLastCodePoint(std::string& text) {
  if (text.empty()) return;
  size_t i = text.size() - 1;
  while (i > 0 && IsContinuation(text[i]) && text.size() - i < 4) --i;
  text.erase(i);
}

void AppendUtf8(std::string& text, char32_t ch) {
  if (ch < 0x80) {
    text += static_cast<char>(ch);
  } else if (ch < 0x800) {
    text += static_cast<char>(0xC0 | (ch >> 6));
    text += static_cast<char>(0x80 | (ch & 0x3F));
  } else if (ch < 0x10000) {
    if (ch >= 0xD800 && ch <= 0xDFFF) return;
    text += static_cast<char>(0xE0 | (ch >> 12));
    text += static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (ch & 0x3F));
  } else if (ch <= 0x10FFFF) {
    text += static_cast<char>(0xF0 | (ch >> 18));
    text += static_cast<char>(0x80 | ((ch >> 12) & 0x3F));
    text += static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (ch & 0x3F));
  }
}

bool MatchesMask(std::string_view mask, std::string_view name) {
  // "*.*" is every name to Windows, with or without a dot.
  if (mask == "*.*") return true;
  return MatchFrom(mask, 0, name, 0);
}

}  // namespace quill
