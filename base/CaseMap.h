// Upper- and lower-casing of names behind an interface: the Win32 implementation uses the
// system's Unicode case tables, so every script is cased; the portable one cases ASCII letters
// only and serves where nothing better is at hand.
#pragma once

#include <string>
#include <string_view>

namespace quill {

class ICaseMap {
public:
  virtual ~ICaseMap() = default;
  // The UTF-8 text with each character mapped to its upper (lower) case form. A character
  // without a one-to-one mapping (German sharp s, emoji) stays as it is, so the text keeps its
  // characters, surrogate pairs included.
  virtual std::string Upper(std::string_view utf8) const = 0;
  virtual std::string Lower(std::string_view utf8) const = 0;
};

class TAsciiCaseMap : public ICaseMap {
public:
  std::string Upper(std::string_view utf8) const override;
  std::string Lower(std::string_view utf8) const override;
  static const TAsciiCaseMap& Instance();
};

}  // namespace quill
