// The records of a ZIP file as this library writes them, over the shared format code: the local
// header with a layout fixed before the sizes are known, and the central directory with its end.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "archivers/zipformat/ZipFormat.h"

namespace zipdll {

using Entry = zipformat::CentralEntry;

// Host 0 (MS-DOS, FAT attributes), format version 2.0.
constexpr uint16_t kMadeByDos20 = 0x0014;
constexpr uint64_t kMax32 = 0xFFFFFFFFull;
constexpr uint16_t kUnicodePathId = 0x7075;

// Version needed to extract: 1.0 stored, 2.0 deflate, folders and encryption, 4.5 with ZIP64.
uint16_t VersionNeeded(const Entry& entry, bool zip64);

// The local header, with the entry's extra fields. With `zip64` both sizes go into a ZIP64 extra
// field whatever their values, so the header written before the data keeps its length when it is
// written again with the real sizes.
std::string LocalHeader(const Entry& entry, bool zip64);

// The central headers of `entries` and the end records, for a directory that starts at `start`.
std::string DirectoryAndEnd(const std::vector<Entry>& entries, uint64_t start, std::string_view comment = {});

// An extra area without its ZIP64 field, whose values the reader has already taken: the writer
// makes a new one where the entry's new place needs it.
std::string WithoutZip64(const std::string& extra);

// The extra field that repeats a name in UTF-8 (version 1, with the CRC-32 of the stored name).
// Info-ZIP's unzip reads names from an MS-DOS host as OEM text even with flag bit 11, but takes
// this field when present.
std::string UnicodePathField(const std::string& utf8Name);

}  // namespace zipdll
