#include "platform/StringTable.h"

#include <windows.h>

#include "platform/Utf16.h"

namespace quill {

std::string LoadText(unsigned id) {
  // With a zero buffer length LoadStringW hands back a pointer into the mapped resource
  // instead of copying, so texts of any length come out whole. That text is not
  // NUL-terminated; the returned length bounds it.
  const wchar_t* text = nullptr;
  int length = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
  if (length <= 0 || text == nullptr) return {};
  return Narrow(std::wstring_view(text, static_cast<size_t>(length)));
}

}  // namespace quill
