// The ZIP format as Quill, UNZDLL.DLL and ZIPDLL.DLL all read and write it: the central
// directory (with ZIP64), local headers, CRC-32, the traditional PKWARE encryption, DOS times,
// the safety check for entry names before they touch the disk, and the wildcard matcher for
// file specifications. Portable: it reaches bytes only through IByteSource.
//
// How the pieces fit:
//   - Listing: ReadDirectory(source) -> Directory. `error` is 0 or a message id (ErrorId); the
//     entries read before a failure stay in `entries`. When `computedCentralStart` differs from
//     `storedCentralStart` (data in front of the archive, e.g. a self-extractor stub), the
//     computed one is right: every stored offset is shifted by Directory::Shift().
//   - Extracting one entry: ReadLocalHeader(source, entry, directory.Shift(), header) checks the
//     local header against the central one and gives `dataOffset`, where the packed bytes start
//     (the 12-byte encryption header first when the entry is encrypted). The central entry's
//     sizes and CRC are the ones to trust (the local ones may be zero, flag bit 3).
//   - Encrypted entries: TraditionalKeys keys(password); keys.Decrypt(buffer, 12); the last byte
//     must equal CheckByte(entry) (else the password is wrong); keep decrypting the data in order.
//   - Writing: EncodeLocalHeader / EncodeCentralHeader / EncodeEndRecords produce the records
//     (ZIP64 extra fields and end records only where a value does not fit 32/16 bits).
//   - Names: SafeRelativePath(entry.name) before creating any file; MatchSpec(spec, path) for the
//     file specifications of the command records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zipformat {

// Random access to the archive's bytes. ReadAt returns the number of bytes read: fewer than
// `count` at the end of the data or on a read failure, 0 past the end.
class IByteSource {
 public:
  virtual ~IByteSource() = default;
  virtual uint64_t Size() const = 0;
  virtual size_t ReadAt(uint64_t offset, void* buffer, size_t count) = 0;
};

// A source over bytes in memory (not copied: they must outlive the source).
class MemorySource final : public IByteSource {
 public:
  MemorySource(const void* data, size_t size) : data_(static_cast<const uint8_t*>(data)), size_(size) {}
  explicit MemorySource(std::string_view bytes) : MemorySource(bytes.data(), bytes.size()) {}
  uint64_t Size() const override { return size_; }
  size_t ReadAt(uint64_t offset, void* buffer, size_t count) override;

 private:
  const uint8_t* data_;
  size_t size_;
};

// Opens a file for reading, others denied write access (on Windows). `path` is a byte string in
// the system code page. On failure returns nullptr and sets `error` to kErrNoFile (the file does
// not exist) or kErrCannotOpen.
std::unique_ptr<IByteSource> OpenFileSource(const std::string& path, int& error);

// Record signatures.
constexpr uint32_t kLocalSignature = 0x04034B50;
constexpr uint32_t kCentralSignature = 0x02014B50;
constexpr uint32_t kEndSignature = 0x06054B50;
constexpr uint32_t kZip64EndSignature = 0x06064B50;
constexpr uint32_t kZip64LocatorSignature = 0x07064B50;
constexpr uint32_t kDescriptorSignature = 0x08074B50;

constexpr size_t kLocalHeaderSize = 30;
constexpr size_t kCentralHeaderSize = 46;
constexpr size_t kEndRecordSize = 22;
constexpr size_t kZip64EndSize = 56;
constexpr size_t kZip64LocatorSize = 20;
constexpr size_t kMaxComment = 65535;

// General-purpose flag bits.
constexpr uint16_t kFlagEncrypted = 0x0001;
constexpr uint16_t kFlagDescriptor = 0x0008;  // CRC and sizes follow the data; zero in the local header
constexpr uint16_t kFlagStrongEncryption = 0x0040;
constexpr uint16_t kFlagUtf8 = 0x0800;

constexpr uint16_t kMethodStored = 0;
constexpr uint16_t kMethodDeflated = 8;

constexpr uint16_t kZip64ExtraId = 0x0001;

// The message ids of the string table that reading can end in (0 = no error).
enum ErrorId : int {
  kOk = 0,
  kErrSeekArchive = 10201,       // the central directory start lies outside the file; a short extra field
  kErrNoFile = 11001,            // the file does not exist
  kErrCannotOpen = 11002,        // the file could not be opened
  kErrSeek = 11008,              // seeking to the end record failed
  kErrEndRead = 11011,           // the end record could not be read
  kErrLocalRead = 11012,         // a local header is cut short
  kErrCentralRead = 11013,       // a central header is cut short
  kErrLocalSignature = 11014,    // a local header's signature is wrong
  kErrCentralSignature = 11015,  // a central header's signature is wrong
  kErrLocalName = 11016,         // a local name is cut short
  kErrCentralName = 11017,       // a central name is cut short (or runs past the directory)
  kErrLocalExtra = 11018,        // a local extra field is cut short
  kErrLocalMismatch = 11026,     // a local header disagrees with the central one
  kErrNotZip = 11036,            // no end record
};

// One central directory record, every field, sizes and offsets widened from the ZIP64 extra field.
struct CentralEntry {
  std::string name;          // the raw name bytes, "/" separators, UTF-8 when `utf8`
  bool utf8 = false;         // flag bit 11
  uint16_t versionMadeBy = 0;
  uint16_t versionNeeded = 0;
  uint16_t flags = 0;
  uint16_t method = 0;
  uint16_t dosTime = 0;
  uint16_t dosDate = 0;
  uint32_t crc = 0;
  uint64_t packedSize = 0;
  uint64_t unpackedSize = 0;
  uint64_t localHeaderOffset = 0;  // as stored (add Directory::Shift() to find it in the source)
  uint32_t diskStart = 0;
  uint16_t internalAttributes = 0;
  uint32_t externalAttributes = 0;
  std::string extra;         // the extra field as stored
  std::string comment;       // the file comment
  uint64_t headerOffset = 0; // where this central header lies in the source

  bool Encrypted() const { return (flags & kFlagEncrypted) != 0; }
  // A folder: DOS attribute 0x10 in the low byte, or a name ending in "/" or "\".
  bool IsFolder() const;
};

struct Directory {
  std::vector<CentralEntry> entries;  // in directory order; those read before a failure
  int error = kOk;                    // an ErrorId
  uint64_t endRecordPosition = 0;     // the 22-byte end record
  uint64_t fileSize = 0;              // end record + 22 + comment: bytes after the comment are ignored
  uint64_t declaredCount = 0;         // total entries as the end record (or ZIP64 end record) says
  uint64_t centralSize = 0;           // as stored
  uint64_t storedCentralStart = 0;    // as stored
  uint64_t computedCentralStart = 0;  // where the directory really starts, from its end and size
  std::string comment;                // the archive comment
  bool zip64 = false;                 // the ZIP64 end record and locator were used

  // The computed start differs from the stored one: worth a warning, the listing goes on.
  bool StartMismatch() const { return computedCentralStart != storedCentralStart; }
  // What to add to every stored offset (negative when the directory moved towards the start).
  int64_t Shift() const { return static_cast<int64_t>(computedCentralStart - storedCentralStart); }
};

// Finds the end record (scanning back over at most 65,535 + 22 bytes) and reads the directory.
Directory ReadDirectory(IByteSource& source);

struct LocalHeader {
  uint16_t versionNeeded = 0;
  uint16_t flags = 0;
  uint16_t method = 0;
  uint16_t dosTime = 0;
  uint16_t dosDate = 0;
  uint32_t crc = 0;
  uint64_t packedSize = 0;    // widened from the ZIP64 extra field when present
  uint64_t unpackedSize = 0;
  std::string name;
  std::string extra;
  uint64_t headerOffset = 0;  // in the source
  uint64_t dataOffset = 0;    // in the source: the first packed byte (encryption header included)
};

// Reads the local header of `entry` at its stored offset + `shift`. Returns an ErrorId:
// kErrLocalRead, kErrLocalSignature, kErrLocalName, kErrLocalExtra, or kErrLocalMismatch when the
// name, method or encryption flag differ from the central entry, or the packed data would run
// past the end of the source.
int ReadLocalHeader(IByteSource& source, const CentralEntry& entry, int64_t shift, LocalHeader& out);

// Record writers (little-endian). A size or offset of 0xFFFFFFFF or more goes into a ZIP64 extra
// field (the local header then carries both sizes); `extra` is appended after it.
std::string EncodeLocalHeader(const CentralEntry& entry);
std::string EncodeCentralHeader(const CentralEntry& entry);
// The end record, preceded by the ZIP64 end record and locator when `count` exceeds 65,534 or the
// size or start exceed 32 bits. `position` is where these records will start in the file.
std::string EncodeEndRecords(uint64_t count, uint64_t centralSize, uint64_t centralStart, uint64_t position,
                             std::string_view comment);

// CRC-32 (reflected, 0xEDB88320). Crc32Update continues a running register without the inversions
// (start at 0xFFFFFFFF, invert at the end), the same convention as fileview's Crc32Update; Crc32 is
// the whole computation over one buffer.
uint32_t Crc32Update(uint32_t crc, const void* bytes, size_t length);
inline uint32_t Crc32(const void* bytes, size_t length) { return ~Crc32Update(0xFFFFFFFFu, bytes, length); }
// One table step, as the encryption's key schedule uses it.
uint32_t Crc32Step(uint32_t crc, uint8_t byte);

// The traditional PKWARE encryption. Construct with the password (its bytes as typed, in the
// system code page), then decrypt or encrypt every byte in order, the 12-byte header first.
class TraditionalKeys {
 public:
  explicit TraditionalKeys(std::string_view password);
  uint8_t DecryptByte(uint8_t cipher);
  uint8_t EncryptByte(uint8_t plain);
  void Decrypt(uint8_t* bytes, size_t count);
  void Encrypt(uint8_t* bytes, size_t count);
  uint32_t k0, k1, k2;

 private:
  void Update(uint8_t plain);
  uint8_t Stream() const;
};
constexpr size_t kEncryptionHeaderSize = 12;
// The expected last byte of the decrypted encryption header: the high byte of the DOS time when the
// entry has a data descriptor (flag bit 3), else the high byte of the CRC.
uint8_t CheckByte(uint16_t flags, uint32_t crc, uint16_t dosTime);

// DOS date and time <-> calendar fields (no time zone). Date: day 1-31, month 1-12, year - 1980;
// time: seconds / 2, minutes, hours.
struct Calendar {
  int year = 1980, month = 1, day = 1, hour = 0, minute = 0, second = 0;
  bool operator==(const Calendar&) const = default;
};
Calendar FromDos(uint16_t dosDate, uint16_t dosTime);
// Years before 1980 give 1980-01-01 00:00:00, after 2107 the last representable moment; odd
// seconds round down.
void ToDos(const Calendar& when, uint16_t& dosDate, uint16_t& dosTime);
// 100-nanosecond intervals since 1601-01-01 (the Windows file time), and back. An invalid DOS date
// (month 0, day 0) is taken as the nearest valid one.
uint64_t ToFileTime(const Calendar& when);
Calendar FromFileTime(uint64_t fileTime);
inline uint64_t DosToFileTime(uint16_t dosDate, uint16_t dosTime) { return ToFileTime(FromDos(dosDate, dosTime)); }

// An entry name as a relative path safe to create under a destination folder: "/" becomes "\",
// empty and "." components are dropped, a trailing separator goes. Returns false (and leaves
// `path` empty) for a ".." component, a drive letter or any ":", a leading "\" or "/", a device
// name (CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9, with or without an extension, any case), a
// component ending in a blank or a dot, characters invalid in Windows names (< > " | ? * and
// control characters), or nothing left.
bool SafeRelativePath(std::string_view name, std::string& path);

// A file specification against an in-archive path, ASCII case-insensitive, "/" and "\" alike:
// "*" matches any run of characters (separators included, so "folder\*.*" takes the whole
// folder), "?" one character, and a trailing ".*" also matches names without a dot ("*.*" is
// everything). A spec without wildcards matches the path itself and everything below it.
bool MatchSpec(std::string_view spec, std::string_view path);

}  // namespace zipformat
