// Small file-name, attribute, archive-kind, checksum and volume-text rules shared by the whole
// program. Portable: the Win32 side (ShellUtils) feeds them the system's facts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quill {

// The text from the last "." of the name part on, dot included; empty when the name has none.
// A dot in a folder name ("C:\my.dir\readme") is not an extension.
std::string FileExtPart(std::string_view path);

// 0 for paths shorter than 4 characters; otherwise the number of "\" after removing one trailing
// "\", less 3 for a path starting with "\" (so "\\server\share\a" is one level deep).
int FolderDepth(std::string_view path);

struct TCommandParts {
  std::string program;
  std::string parameters;
};

constexpr size_t kMaxCommandParameters = 255;

// Splits a command line into program and parameters. A leading double quote encloses the
// program; otherwise it ends at the first blank. The parameters are the rest after the closing
// quote or that blank, leading blanks removed, at most 255 bytes, never ending inside a UTF-8
// sequence.
TCommandParts SplitCommand(std::string_view line);

// Four characters from "____": A (archive), H (hidden), R (read-only), S (system).
std::string AttrText(uint32_t attributes);

constexpr int kArchiveZip = 0;
constexpr int kArchiveRar = 1;
constexpr int kArchiveArj = 2;
constexpr int kArchiveAce = 3;
constexpr int kArchiveNone = 4;

// The archive format named by a three-character extension: ZIP, RAR, ARJ, ACE, or a volume
// extension of R, A or C followed by two digits (R00, A01, C02). kArchiveNone otherwise.
int ArchiveKind(std::string_view fileName);

// One table step per byte of the reflected CRC-32 (0xEDB88320). The caller starts with
// 0xFFFFFFFF and inverts the final value.
uint32_t Crc32Update(uint32_t crc, const void* bytes, size_t length);

// A point of local calendar time.
struct TCalendarTime {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
  bool operator==(const TCalendarTime&) const = default;
};

constexpr int kTimeTextDate = 0;      // "2024-03-09"
constexpr int kTimeTextClock = 1;     // "07:05"
constexpr int kTimeTextDateTime = 2;  // "2024-03-09 07:05"

std::string FileTimeText(const TCalendarTime& time, int mode);

// Eight upper-case hexadecimal digits, high word first.
std::string VolumeSerialText(uint32_t serial);

// The label shown for a drive: "Floppy" for removable drives, else the volume label of a ready
// drive; without one, "Local" for fixed disks, "CDROM" for CD-ROM drives and empty for the rest.
std::string DriveLabelOf(uint32_t driveType, bool ready, std::string_view label);

// The tree cache file of a drive: "treeinfo.xcd" in the drive's root when `inRoot`, otherwise
// the serial text + ".xcd" in `folder`, or in `programFolder` when no folder is given.
std::string TreeCacheFileOf(std::string_view drive, std::string_view folder, bool inRoot, std::string_view serialText,
                            std::string_view programFolder);

}  // namespace quill
