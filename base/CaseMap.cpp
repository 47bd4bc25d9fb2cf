#include "base/CaseMap.h"

#include "base/Text.h"

namespace quill {

std::string TAsciiCaseMap::Upper(std::string_view utf8) const { return UpperAscii(utf8); }

std::string TAsciiCaseMap::Lower(std::string_view utf8) const { return LowerAscii(utf8); }

const TAsciiCaseMap& TAsciiCaseMap::Instance() {
  static const TAsciiCaseMap instance;
  return instance;
}

}  // namespace quill
