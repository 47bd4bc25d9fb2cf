// The Win32 boundary: text is UTF-8 inside the program and UTF-16 for the W functions.
#pragma once

#include <string>
#include <string_view>

namespace quill {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);
// Between UTF-8 and a system code page (CP_ACP, CP_OEMCP): the names and texts of the archive
// libraries' single-byte interfaces. A character the code page lacks becomes its closest form.
std::string CodePageToUtf8(const char* text, unsigned codePage);
std::string Utf8ToCodePage(std::string_view utf8, unsigned codePage);
// Paths of 260 characters and more need the "\\?\" form for the file functions.
std::wstring LongPath(std::string_view utf8Path);
// The "\\?\" form of any local or UNC path, so the system takes every name exactly as written:
// names ending in a dot or a blank keep it, and no length limit applies. A relative path is
// resolved against the current folder; "/" becomes "\", and "." and ".." are resolved as text,
// since the system's own resolution would also strip those trailing dots and blanks. Device
// paths ("\\.\") and paths already in this form are returned as they are.
std::wstring VerbatimPath(std::string_view utf8Path);

}  // namespace quill
