// A case map for the native tests: ASCII, the Latin-1 letters, Greek and the basic Cyrillic
// alphabet, each by a one-to-one table as the system's simple case mapping has them. Enough to
// show that the pane's case fitting reaches beyond ASCII without the system's tables.
#pragma once

#include <string>
#include <string_view>

#include "base/CaseMap.h"
#include "base/Text.h"

namespace quill::test {

class TTableCaseMap : public ICaseMap {
public:
  std::string Upper(std::string_view utf8) const override { return Map(utf8, true); }
  std::string Lower(std::string_view utf8) const override { return Map(utf8, false); }

  static char32_t UpperOf(char32_t c) {
    if (c >= U'a' && c <= U'z') return c - 32;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 32;  // à..þ, not ÷
    if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return c - 32;  // α..ω, not final ς
    if (c >= 0x430 && c <= 0x44F) return c - 32;  // а..я
    return c;
  }
  static char32_t LowerOf(char32_t c) {
    if (c >= U'A' && c <= U'Z') return c + 32;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
    if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 32;
    if (c >= 0x410 && c <= 0x42F) return c + 32;
    return c;
  }

private:
  static std::string Map(std::string_view utf8, bool upper) {
    std::string result;
    for (size_t i = 0; i < utf8.size();) {
      const unsigned char lead = static_cast<unsigned char>(utf8[i]);
      const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
      const std::string_view one = utf8.substr(i, length);
      i += length;
      char32_t c = lead < 0x80 ? lead : lead < 0xE0 ? lead & 0x1F : lead < 0xF0 ? lead & 0x0F : lead & 0x07;
      for (size_t k = 1; k < one.size(); ++k) c = (c << 6) | (static_cast<unsigned char>(one[k]) & 0x3F);
      const char32_t mapped = upper ? UpperOf(c) : LowerOf(c);
      if (mapped == c) result.append(one);
      else AppendUtf8(result, mapped);
    }
    return result;
  }
};

}  // namespace quill::test
