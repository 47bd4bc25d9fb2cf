#include "base/Collator.h"

#include "base/Text.h"

namespace quill {

void TAsciiCollator::AppendSortKey(std::string_view text, std::string& key) const {
  for (char c : text) key += LowerAscii(c);
}

int TAsciiCollator::Compare(std::string_view a, std::string_view b) const {
  size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(LowerAscii(a[i]));
    unsigned char y = static_cast<unsigned char>(LowerAscii(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool TAsciiCollator::SameName(std::string_view a, std::string_view b) const { return SameTextAscii(a, b); }

std::string TAsciiCollator::FoldName(std::string_view name) const { return UpperAscii(name); }

const TAsciiCollator& TAsciiCollator::Instance() {
  static const TAsciiCollator instance;
  return instance;
}

}  // namespace quill
