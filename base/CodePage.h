// The system's ANSI code page, behind an interface so that file encoding rules stay portable.
#pragma once

#include <string>
#include <string_view>

namespace quill {

class ICodePage {
public:
  virtual ~ICodePage() = default;
  // Bytes in the ANSI code page to UTF-8. Never fails: undefined bytes become U+FFFD.
  virtual std::string ToUtf8(std::string_view ansi) const = 0;
  // UTF-8 to the ANSI code page. False when a character has no exact form there
  // (best-fit substitutes count as not fitting).
  virtual bool FromUtf8(std::string_view utf8, std::string& ansi) const = 0;
};

// ISO-8859-1: every byte is the code point of the same value. Exact, portable; the native
// tests and the fallback use it.
class TLatin1CodePage : public ICodePage {
public:
  std::string ToUtf8(std::string_view ansi) const override;
  bool FromUtf8(std::string_view utf8, std::string& ansi) const override;
};

}  // namespace quill
