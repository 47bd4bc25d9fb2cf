// The system's ANSI code page and the user's locale, behind the portable interfaces.
#pragma once

#include "base/CaseMap.h"
#include "base/CodePage.h"
#include "base/Collator.h"

namespace quill {

class TAnsiCodePage : public ICodePage {
public:
  std::string ToUtf8(std::string_view ansi) const override;
  bool FromUtf8(std::string_view utf8, std::string& ansi) const override;
  static const TAnsiCodePage& Instance();
};

// Sorting by the user's locale, case ignored (LCMapStringW sort keys, which order texts the
// way CompareStringW does); name equality by the file system's rule (ordinal, case ignored).
class TWin32Collator : public ICollator {
public:
  void AppendSortKey(std::string_view text, std::string& key) const override;
  int Compare(std::string_view a, std::string_view b) const override;
  bool SameName(std::string_view a, std::string_view b) const override;
  std::string FoldName(std::string_view name) const override;
  static const TWin32Collator& Instance();
};

// Casing by the system's Unicode tables (LCMapStringW), the same simple one-to-one mapping the
// file system uses to compare names, so every script is cased and no name changes length.
class TWin32CaseMap : public ICaseMap {
public:
  std::string Upper(std::string_view utf8) const override;
  std::string Lower(std::string_view utf8) const override;
  static const TWin32CaseMap& Instance();
};

}  // namespace quill
