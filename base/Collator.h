// Name comparison behind an interface: the Win32 implementation uses the user's locale and the
// file system's case rules; the portable one folds ASCII letters only.
#pragma once

#include <string>
#include <string_view>

namespace quill {

class ICollator {
public:
  virtual ~ICollator() = default;
  // Appends a key whose unsigned byte order is the case-insensitive, locale-aware order of the
  // texts. Sorting compares keys instead of calling the locale per comparison.
  virtual void AppendSortKey(std::string_view text, std::string& key) const = 0;
  // Case-insensitive, locale-aware order: negative, zero or positive.
  virtual int Compare(std::string_view a, std::string_view b) const = 0;
  // Equality of names as the file system sees it (case ignored).
  virtual bool SameName(std::string_view a, std::string_view b) const = 0;
  // A form of the name under which SameName names are byte-equal (for hashing).
  virtual std::string FoldName(std::string_view name) const = 0;
};

class TAsciiCollator : public ICollator {
public:
  void AppendSortKey(std::string_view text, std::string& key) const override;
  int Compare(std::string_view a, std::string_view b) const override;
  bool SameName(std::string_view a, std::string_view b) const override;
  std::string FoldName(std::string_view name) const override;
  static const TAsciiCollator& Instance();
};

}  // namespace quill
