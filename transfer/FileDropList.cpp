#include "transfer/FileDropList.h"

#include <cstdint>

#include "base/Text.h"

namespace quill {

namespace {

void PutUint32(std::string& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

uint32_t GetUint32(std::string_view bytes, size_t at) {
  uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value |= uint32_t(static_cast<uint8_t>(bytes[at + i])) << (8 * i);
  return value;
}

void PutUnit(std::string& out, uint32_t unit) {
  out.push_back(static_cast<char>(unit & 0xFF));
  out.push_back(static_cast<char>(unit >> 8));
}

// Appends the UTF-16LE form of valid UTF-8 `text`; invalid bytes become U+FFFD.
void AppendUtf16(std::string& out, std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<uint8_t>(text[i]);
    const int length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    char32_t ch = 0xFFFD;
    if (length > 0 && i + length <= text.size() && IsValidUtf8(text.substr(i, length))) {
      ch = length == 1 ? lead : lead & (0x7F >> length);
      for (int k = 1; k < length; ++k) ch = (ch << 6) | (static_cast<uint8_t>(text[i + k]) & 0x3F);
      i += length;
    } else {
      ++i;
    }
    if (ch >= 0x10000) {
      PutUnit(out, 0xD800 + ((ch - 0x10000) >> 10));
      PutUnit(out, 0xDC00 + ((ch - 0x10000) & 0x3FF));
    } else {
      PutUnit(out, ch);
    }
  }
}

}  // namespace

std::string BuildFileDropList(const std::vector<std::string>& paths) {
  std::string block;
  PutUint32(block, kFileDropHeaderSize);
  PutUint32(block, 0);  // drop point x
  PutUint32(block, 0);  // drop point y
  PutUint32(block, 0);  // client coordinates
  PutUint32(block, 1);  // wide names
  for (const std::string& path : paths) {
    if (path.empty()) continue;  // an empty name would end the list early
    AppendUtf16(block, path);
    PutUnit(block, 0);
  }
  PutUnit(block, 0);
  return block;
}

std::vector<std::string> ParseFileDropList(std::string_view block, const ICodePage& codePage) {
  std::vector<std::string> names;
  if (block.size() < kFileDropHeaderSize) return names;
  const uint32_t offset = GetUint32(block, 0);
  const bool wide = GetUint32(block, 16) != 0;
  if (offset > block.size()) return names;
  std::string_view rest = block.substr(offset);
  if (!wide) {
    while (!rest.empty()) {
      const size_t end = rest.find('\0');
      const std::string_view name = rest.substr(0, end);
      if (name.empty()) break;
      names.push_back(codePage.ToUtf8(name));
      if (end == std::string_view::npos) break;
      rest.remove_prefix(end + 1);
    }
    return names;
  }
  std::string name;
  bool open = false;  // a name is being read
  for (size_t i = 0; i + 1 < rest.size(); i += 2) {
    const char32_t unit = static_cast<uint8_t>(rest[i]) | (static_cast<uint8_t>(rest[i + 1]) << 8);
    if (unit == 0) {
      if (!open) return names;
      names.push_back(std::move(name));
      name.clear();
      open = false;
      continue;
    }
    open = true;
    char32_t ch = unit;
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < rest.size()) {
      const char32_t low = static_cast<uint8_t>(rest[i + 2]) | (static_cast<uint8_t>(rest[i + 3]) << 8);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        ch = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      }
    }
    if (ch >= 0xD800 && ch <= 0xDFFF) ch = 0xFFFD;
    AppendUtf8(name, ch);
  }
  if (open) names.push_back(std::move(name));  // a list cut short still names what it holds
  return names;
}

std::string DropEffectBytes(unsigned effect) {
  std::string bytes;
  PutUint32(bytes, effect);
  return bytes;
}

bool PreferredEffectIsMove(std::string_view value) {
  return value.size() >= 4 && (GetUint32(value, 0) & kDropEffectMove) != 0;
}

}  // namespace quill
