// The records of a ZIP file as this library writes them, and the reading back of an existing
// archive's central directory for an update. Portable: bytes in, bytes out.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zipdll {

constexpr uint32_t kLocalSignature = 0x04034B50;
constexpr uint32_t kCentralSignature = 0x02014B50;
constexpr uint32_t kEndSignature = 0x06054B50;
constexpr uint32_t kZip64EndSignature = 0x06064B50;
constexpr uint32_t kZip64LocatorSignature = 0x07064B50;
constexpr uint16_t kZip64ExtraId = 0x0001;
constexpr uint16_t kUnicodePathId = 0x7075;

constexpr uint16_t kFlagEncrypted = 0x0001;
constexpr uint16_t kFlagDescriptor = 0x0008;
constexpr uint16_t kFlagUtf8 = 0x0800;
constexpr uint16_t kMethodStore = 0;
constexpr uint16_t kMethodDeflate = 8;
// Host 0 (MS-DOS, FAT attributes), format version 2.0.
constexpr uint16_t kMadeByDos20 = 0x0014;

// A 32-bit field that holds this value has its real value in the ZIP64 extra field.
constexpr uint64_t kMax32 = 0xFFFFFFFFull;
constexpr uint64_t kMax16 = 0xFFFFull;

struct EntryRecord {
  std::string name;  // as stored: ASCII, or UTF-8 with kFlagUtf8
  uint16_t madeBy = kMadeByDos20;
  uint16_t versionNeeded = 10;
  uint16_t flags = 0;
  uint16_t method = kMethodStore;
  uint16_t dosTime = 0;
  uint16_t dosDate = 0;
  uint32_t crc = 0;
  uint64_t compressedSize = 0;
  uint64_t size = 0;
  uint16_t internalAttributes = 0;
  uint32_t externalAttributes = 0;
  uint64_t localOffset = 0;
  std::string extra;  // the entry's other extra fields, never a ZIP64 one
  std::string comment;
};

// The extra field that repeats a name in UTF-8 (version 1, with the CRC-32 of the stored name).
// Info-ZIP's unzip reads names from an MS-DOS host as OEM text even with flag bit 11, but takes
// this field when present.
std::string UnicodePathField(const std::string& utf8Name, uint32_t nameCrc);

// Version needed to extract: 1.0 stored, 2.0 deflate, folders and encryption, 4.5 with ZIP64.
uint16_t VersionNeeded(const EntryRecord& entry, bool zip64);

// The local header, with the entry's extra fields. With `zip64` both sizes go into a ZIP64 extra field (the header's own fields
// hold all ones), so a header written before the sizes are known keeps its length when patched.
std::string LocalHeader(const EntryRecord& entry, bool zip64);
// The central header; sizes and offset too large for 32 bits go into a ZIP64 extra field.
std::string CentralHeader(const EntryRecord& entry);
// The end of the archive: the ZIP64 end record and locator when the count, the directory's size
// or its offset does not fit the classic record, then the classic record.
std::string EndRecords(uint64_t entries, uint64_t directorySize, uint64_t directoryOffset);

// Random access to an existing archive: fills `size` bytes at `offset`, false on a short read.
using ReadAt = std::function<bool(uint64_t offset, void* buffer, size_t size)>;

struct Directory {
  std::vector<EntryRecord> entries;
  // Where the central directory really starts; the entries' offsets are corrected by the
  // difference to the recorded start (data in front of the archive).
  uint64_t directoryStart = 0;
};

enum class DirectoryError { kNone, kNoEndRecord, kDamaged };

// Reads the central directory of an archive of `fileSize` bytes.
std::optional<Directory> ReadDirectory(const ReadAt& read, uint64_t fileSize, DirectoryError* error = nullptr);

// Little-endian appends, shared with the writer.
void Put16(std::string& out, uint32_t value);
void Put32(std::string& out, uint32_t value);
void Put64(std::string& out, uint64_t value);

}  // namespace zipdll
