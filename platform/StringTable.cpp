#include "platform/StringTable.h"

#include <windows.h>

namespace quill {

std::string LoadText(unsigned id) {
  // With a zero buffer length LoadStringW hands back a pointer into the mapped resource
  // instead of copying, so texts of any length come out whole. That text is not
  // NUL-terminated; the returned length bounds it.
  const wchar_t* text = nullptr;
  const int length = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
  if (length <= 0 || text == nullptr) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return {};
  std::string utf8(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, length, utf8.data(), size, nullptr, nullptr);
  return utf8;
}

}  // namespace quill
