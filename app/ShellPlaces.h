// Small rules of the System and Help menus that need no window: which drives Format leaves
// out, and the addresses the Help links open.
#pragma once

#include <string>

#include "base/FileSystem.h"

namespace quill {

// The drives Format does not offer, as the drive window's hidden letters: network, CD-ROM and
// RAM drives, and "/" for the network row.
std::string FormatHiddenDrives(IFileSystem& fs);

// The Help links are settings of section [Help] in quill.ini.
inline constexpr const char* kHelpSection = "Help";
inline constexpr const char* kHomepageKey = "Homepage";
inline constexpr const char* kMailKey = "Mail";
inline constexpr const char* kDefaultHomepage = "https://quill.example.org/";
inline constexpr const char* kDefaultMail = "quill@example.org";

// What the shell opens for Send Mail: the address as a "mailto:" link; one written as a link
// already stays as it is. Empty for an empty address.
std::string MailLink(const std::string& address);

}  // namespace quill
