#include "base/TextFile.h"

#include "base/Text.h"

namespace quill {

namespace {
constexpr std::string_view kBom = "\xEF\xBB\xBF";

// Invalid sequences become U+FFFD; used only for a BOM file whose body is damaged.
std::string RepairUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    size_t len = 1;
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c >= 0xC2 && c <= 0xDF) len = 2;
    else if (c >= 0xE0 && c <= 0xEF) len = 3;
    else if (c >= 0xF0 && c <= 0xF4) len = 4;
    if (c < 0x80 || (len > 1 && i + len <= text.size() && IsValidUtf8(text.substr(i, len)))) {
      out.append(text.substr(i, len));
      i += len;
    } else {
      out += "\xEF\xBF\xBD";
      ++i;
    }
  }
  return out;
}
}  // namespace

std::string DecodeText(std::string_view bytes, const ICodePage& codePage) {
  if (StartsWith(bytes, kBom)) {
    bytes.remove_prefix(kBom.size());
    return IsValidUtf8(bytes) ? std::string(bytes) : RepairUtf8(bytes);
  }
  if (IsValidUtf8(bytes)) return std::string(bytes);
  return codePage.ToUtf8(bytes);
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.emplace_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

std::vector<std::string> DecodeLines(std::string_view bytes, const ICodePage& codePage) {
  return SplitLines(DecodeText(bytes, codePage));
}

std::string EncodeText(std::string_view utf8, const ICodePage& codePage) {
  std::string ansi;
  // ANSI bytes that happen to form valid UTF-8 would be read back as UTF-8 (the reader must
  // guess without a BOM), and ANSI bytes that begin like a BOM would lose it and have the rest
  // read as damaged UTF-8; such text is written with a BOM to come back unchanged.
  if (codePage.FromUtf8(utf8, ansi) && !StartsWith(ansi, kBom) && (IsAscii(ansi) || !IsValidUtf8(ansi))) return ansi;
  return std::string(kBom) + std::string(utf8);
}

std::string EncodeLines(const std::vector<std::string>& lines, const ICodePage& codePage) {
  std::string text;
  for (const std::string& line : lines) {
    text += line;
    text += "\r\n";
  }
  return EncodeText(text, codePage);
}

}  // namespace quill
