#include "platform/Win32Text.h"

#include <windows.h>

#include "base/Text.h"
#include "platform/Utf16.h"

namespace quill {

namespace {
// A small reused conversion buffer: sort keys are made for every name of a folder.
thread_local std::wstring tWide;

const std::wstring& WidenReused(std::string_view utf8) {
  int n = utf8.empty() ? 0 : MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  tWide.resize(n);
  if (n) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), tWide.data(), n);
  return tWide;
}
}  // namespace

std::string TAnsiCodePage::ToUtf8(std::string_view ansi) const {
  if (ansi.empty()) return {};
  int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
  std::wstring wide(n, L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), n);
  return Narrow(wide);
}

bool TAnsiCodePage::FromUtf8(std::string_view utf8, std::string& ansi) const {
  ansi.clear();
  if (utf8.empty()) return true;
  if (!IsValidUtf8(utf8)) return false;
  const std::wstring wide = Widen(utf8);
  BOOL usedDefault = FALSE;
  int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                              nullptr, &usedDefault);
  if (n <= 0 || usedDefault) return false;
  ansi.resize(n);
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), ansi.data(), n,
                      nullptr, &usedDefault);
  if (usedDefault) return false;
  // Round trip check: some code pages map several characters to one byte without reporting it.
  return ToUtf8(ansi) == utf8;
}

const TAnsiCodePage& TAnsiCodePage::Instance() {
  static const TAnsiCodePage instance;
  return instance;
}

void TWin32Collator::AppendSortKey(std::string_view text, std::string& key) const {
  const std::wstring& wide = WidenReused(text);
  if (wide.empty()) return;
  const DWORD flags = LCMAP_SORTKEY | NORM_IGNORECASE;
  int n = LCMapStringW(LOCALE_USER_DEFAULT, flags, wide.data(), static_cast<int>(wide.size()), nullptr, 0);
  if (n <= 0) {
    key.append(text);
    return;
  }
  const size_t start = key.size();
  key.resize(start + n);
  n = LCMapStringW(LOCALE_USER_DEFAULT, flags, wide.data(), static_cast<int>(wide.size()),
                   reinterpret_cast<LPWSTR>(key.data() + start), n);
  // The key ends with a NUL byte that would make a prefix sort after longer texts' bytes.
  key.resize(start + (n > 0 ? n - 1 : 0));
}

int TWin32Collator::Compare(std::string_view a, std::string_view b) const {
  const std::wstring wa = Widen(a), wb = Widen(b);
  int r = CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, wa.data(), static_cast<int>(wa.size()), wb.data(),
                         static_cast<int>(wb.size()));
  return r - CSTR_EQUAL;
}

bool TWin32Collator::SameName(std::string_view a, std::string_view b) const {
  if (a.size() == b.size() && a == b) return true;
  const std::wstring wa = Widen(a), wb = Widen(b);
  return CompareStringOrdinal(wa.data(), static_cast<int>(wa.size()), wb.data(), static_cast<int>(wb.size()), TRUE) ==
         CSTR_EQUAL;
}

std::string TWin32Collator::FoldName(std::string_view name) const {
  std::wstring wide = Widen(name);
  if (!wide.empty()) CharUpperBuffW(wide.data(), static_cast<DWORD>(wide.size()));
  return Narrow(wide);
}

namespace {
std::string MapCase(std::string_view utf8, DWORD flag) {
  if (IsAscii(utf8)) return flag == LCMAP_UPPERCASE ? UpperAscii(utf8) : LowerAscii(utf8);
  std::wstring wide = Widen(utf8);
  const int n = static_cast<int>(wide.size());
  std::wstring mapped(n, L'\0');
  // Simple case mapping is one UTF-16 unit for one, so the result has the text's length.
  if (LCMapStringW(LOCALE_USER_DEFAULT, flag, wide.data(), n, mapped.data(), n) != n) return std::string(utf8);
  return Narrow(mapped);
}
}  // namespace

std::string TWin32CaseMap::Upper(std::string_view utf8) const { return MapCase(utf8, LCMAP_UPPERCASE); }

std::string TWin32CaseMap::Lower(std::string_view utf8) const { return MapCase(utf8, LCMAP_LOWERCASE); }

const TWin32CaseMap& TWin32CaseMap::Instance() {
  static const TWin32CaseMap instance;
  return instance;
}

const TWin32Collator& TWin32Collator::Instance() {
  static const TWin32Collator instance;
  return instance;
}

}  // namespace quill
