// The text-file rules over any bytes: decoding always gives valid UTF-8, keeps valid UTF-8 as it
// is, splits lines at CR LF, LF and lone CR alone; and whatever was read comes back unchanged
// through the writing rule, as one text and as lines (which is how every list file and the
// settings are saved).
#include "base/TextFile.h"
#include "fuzz/FuzzInput.h"

namespace quill::fuzz {
namespace {

const std::string kBom = "\xEF\xBB\xBF";

// The lines SplitLines should give, worked out another way: line ends made LF, then cut there.
std::vector<std::string> ExpectedLines(std::string_view text) {
  std::string unified;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      unified += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      unified += text[i];
    }
  }
  std::vector<std::string> lines;
  if (unified.empty()) return lines;
  if (unified.back() == '\n') unified.pop_back();
  for (std::string& line : Split(unified, '\n')) lines.push_back(std::move(line));
  return lines;
}

void Check(std::string_view bytes) {
  const TLatin1CodePage codePage;
  const std::string text = DecodeText(bytes, codePage);
  Require(IsValidUtf8(text), "decoded text is valid UTF-8", text);
  const bool bom = StartsWith(bytes, kBom);
  if (!bom && IsValidUtf8(bytes)) Require(text == bytes, "valid UTF-8 is read as it is", text);
  if (bom && IsValidUtf8(bytes.substr(3))) Require(text == bytes.substr(3), "a BOM file loses only its BOM", text);

  const std::string written = EncodeText(text, codePage);
  Require(DecodeText(written, codePage) == text, "text comes back through the writing rule", written);
  std::string ansi;
  if (!codePage.FromUtf8(text, ansi)) Require(StartsWith(written, kBom), "text outside the code page is written as UTF-8 with a BOM");

  const std::vector<std::string> lines = DecodeLines(bytes, codePage);
  Require(lines == ExpectedLines(text), "lines are cut at CR LF, LF and lone CR");
  const std::string file = EncodeLines(lines, codePage);
  Require(DecodeLines(file, codePage) == lines, "lines come back through the writing rule", file);
  const std::string body = StartsWith(file, kBom) ? file.substr(3) : file;
  size_t ends = 0;
  for (size_t at = body.find("\r\n"); at != std::string::npos; at = body.find("\r\n", at + 2)) ++ends;
  Require(ends == lines.size() && (lines.empty() || EndsWith(body, "\r\n")), "every written line ends with CR LF", file);
}

}  // namespace
}  // namespace quill::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quill::fuzz::Check(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
