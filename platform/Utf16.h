// The Win32 boundary: text is UTF-8 inside the program and UTF-16 for the W functions.
#pragma once

#include <string>
#include <string_view>

namespace quill {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);
// Paths of 260 characters and more need the "\\?\" form for the file functions.
std::wstring LongPath(std::string_view utf8Path);

}  // namespace quill
