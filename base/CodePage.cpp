#include "base/CodePage.h"

#include "base/Text.h"

namespace quill {

namespace {
void AppendUtf8(uint32_t cp, std::string& out) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}
}  // namespace

std::string TLatin1CodePage::ToUtf8(std::string_view ansi) const {
  std::string out;
  out.reserve(ansi.size());
  for (char c : ansi) AppendUtf8(static_cast<unsigned char>(c), out);
  return out;
}

bool TLatin1CodePage::FromUtf8(std::string_view utf8, std::string& ansi) const {
  ansi.clear();
  if (!IsValidUtf8(utf8)) return false;
  for (size_t i = 0; i < utf8.size();) {
    const unsigned char c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      ansi += static_cast<char>(c);
      ++i;
    } else if (c == 0xC2 || c == 0xC3) {
      ansi += static_cast<char>(((c & 0x1F) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3F));
      i += 2;
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace quill
