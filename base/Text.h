// UTF-8 text helpers shared by every layer. Portable: no system headers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quill {

// Case folding of ASCII letters only; used where the text is ASCII by nature
// (INI section and key names, drive letters, masks).
char UpperAscii(char c);
char LowerAscii(char c);
std::string UpperAscii(std::string_view text);
std::string LowerAscii(std::string_view text);
bool SameTextAscii(std::string_view a, std::string_view b);

// Blanks are spaces and tabs.
std::string_view TrimView(std::string_view text);
std::string Trim(std::string_view text);
std::string TrimLeft(std::string_view text);
std::string TrimRight(std::string_view text);

// Splits at every separator; empty items are kept ("a,,b" gives three items, "" gives one).
std::vector<std::string> Split(std::string_view text, char separator);

bool StartsWith(std::string_view text, std::string_view prefix);
bool EndsWith(std::string_view text, std::string_view suffix);

bool IsAscii(std::string_view text);

// Strict UTF-8 validation (no overlongs, no surrogates, nothing above U+10FFFF).
bool IsValidUtf8(std::string_view text);

// Code points of well-formed UTF-8. CodePointPrefix gives the first `count` code points (all of
// them when there are fewer); DropLastCodePoint removes one from the end.
size_t CodePointCount(std::string_view text);
std::string_view CodePointPrefix(std::string_view text, size_t count);
void DropLastCodePoint(std::string& text);
// Appends a scalar value as UTF-8; surrogates and values beyond U+10FFFF append nothing.
void AppendUtf8(std::string& text, char32_t ch);

// A file mask against one name: "*", "?" (one character), "[a-z]" and "[!a-z]" sets; ASCII
// letters compare without case; "*.*" matches every name, with or without a dot.
bool MatchesMask(std::string_view mask, std::string_view name);

// Decimal integer with optional sign and surrounding blanks. False on anything else or overflow.
bool ParseInt(std::string_view text, int64_t& value);
// ParseInt that falls back to a default; the settings readers use it.
int64_t ToIntDef(std::string_view text, int64_t fallback);

// printf into a std::string.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace quill
