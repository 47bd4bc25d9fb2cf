// Path and name arithmetic on UTF-8 paths with "\" as separator ("/" is accepted where a
// separator is tested). Portable.
#pragma once

#include <string>
#include <string_view>
#include <utility>

namespace quill {

bool IsPathSeparator(char c);

// name empty: the folder; folder empty: the name; folder ending in "\": folder + name;
// else folder + "\" + name.
std::string JoinPath(std::string_view folder, std::string_view name);

// "%c:\" of the first character when it is a letter; otherwise the text with a "\" appended
// when it does not end in one.
std::string DriveRoot(std::string_view text);

// "C:\" (three characters with ":" second), or a share root "\\server\share" (two leading
// separators and exactly three in all).
bool IsRootFolder(std::string_view path);

// The drive part of a path: "C:" for "C:\x", "\\server\share" for a UNC path, else empty.
std::string DrivePart(std::string_view path);

// The path without one trailing "\".
std::string StripBackslash(std::string_view path);

// The text after the last "\" or ":" (the whole path when there is neither).
std::string FileNamePart(std::string_view path);
// The text before the last "\" (empty when there is none).
std::string FileDirPart(std::string_view path);

// Base and extension at the last "."; the extension excludes the dot; no dot: all in the base.
std::pair<std::string, std::string> SplitName(std::string_view fileName);

// The last component of a folder path, ignoring one trailing separator ("C:\Work\Src" -> "Src").
std::string LastComponent(std::string_view path);

// The first component below the root ("C:\Work\Src" -> "Work", "\\srv\share\a\b" -> "a"); empty
// at a root.
std::string FirstComponentBelowRoot(std::string_view path);

}  // namespace quill
