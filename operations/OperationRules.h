// The path and text rules of the copy, move and delete engine that need no system: where a
// source goes, what the progress dialog shows, when two paths share a volume and when a folder
// would be copied into itself. Portable; the Win32 engine (FileOperations) feeds them real paths.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/Collator.h"

namespace quill {

// Per-item results of the engine: 0 done, -1 skipped by the user, anything positive a Win32
// error code. The engine makes some codes itself:
constexpr int32_t kResultDone = 0;
constexpr int32_t kResultSkipped = -1;
constexpr int32_t kResultNoMemory = 8;        // ERROR_NOT_ENOUGH_MEMORY: no copy buffer
constexpr int32_t kResultIntoItself = 12;     // ERROR_INVALID_ACCESS: a folder into itself
constexpr int32_t kResultFileExists = 80;     // ERROR_FILE_EXISTS: creating a file
constexpr int32_t kResultDiskFull = 112;      // ERROR_DISK_FULL
constexpr int32_t kResultAlreadyExists = 183; // ERROR_ALREADY_EXISTS: a folder or a rename
constexpr int32_t kResultLinkNotCopied = 681;  // ERROR_STOPPED_ON_SYMLINK: a folder link not followed
constexpr int32_t kResultCancelled = 1223;    // ERROR_CANCELLED

// The results that make the engine ask what to do with an existing target.
inline bool IsConflict(int32_t result) { return result == kResultFileExists || result == kResultAlreadyExists; }

// The name a source keeps in its destination folder: the part after the last "\" or ":" (one
// trailing "\" of a folder ignored), joined to the destination.
std::string TargetPathFor(std::string_view destination, std::string_view source);

// True when `path` is `folder` itself or lies anywhere below it. Whole components are compared,
// each by the file system's name rule, so "C:\database\x" is not inside "C:\data". "/" counts as
// a separator, doubled separators and "." are ignored and ".." goes up one level. Both paths are
// expected absolute; a relative pair is compared as it stands.
bool IsSameOrInside(std::string_view folder, std::string_view path, const ICollator& names);

// Two paths on one volume: the drive letters (or share roots) are equal, ASCII case ignored. A
// path without a drive part is taken to lie on the current folder's volume.
bool SameVolume(std::string_view source, std::string_view destination, std::string_view currentFolder);

// The progress dialog's "From" name: the last component of the folder holding the first source;
// when that folder is a root, its drive ("C:") or share; when the source names no folder, the
// current folder's last component, or its drive when it is a root.
std::string ProgressSourceName(std::string_view firstSource, std::string_view currentFolder);

// The progress dialog's "To" name: the destination's last component, its drive ("C:") or share
// root when it is a root.
std::string ProgressTargetName(std::string_view destination);

// The file line of the copy dialog: "name (1,234,567 bytes) ", every digit of the 64-bit size.
std::string CopyFileLine(std::string_view name, uint64_t size);

// A name beside `target` in its folder for a copy that replaces it only once it is complete:
// "~quill" followed by `serial` in eight hexadecimal digits and ".tmp".
std::string TemporarySibling(std::string_view target, uint32_t serial);

}  // namespace quill
