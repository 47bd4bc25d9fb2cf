// The ACE archive format as UnACE.dll, ace32.exe and their tests share it: checksums, the header
// walk over one volume, volume names, and the writer of stored archives. Portable: bytes come
// through zipformat::IByteSource and leave through IVolumeSink.
//
// Layout: every header is CRC16 u16, SIZE u16 (bytes after these four), TYPE u8, FLAGS u16, then
// the type's fields; the CRC16 covers the SIZE bytes from TYPE on. The main header (type 0) comes
// first, possibly after a self-extractor; file headers (1, or 3 with 64-bit sizes) are followed by
// their packed bytes; recovery headers (2, 4, 5) are followed by data nobody here needs.
// An entry split over volumes has one header per part, each with the part's packed size and the
// whole entry's size and CRC; flags 0x2000 (continues in the next volume) and 0x1000 (continued
// from the previous one) link the parts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "archivers/zipformat/ZipFormat.h"

namespace aceformat {

// ACE's CRC-32: the ordinary table and start value, but the register is never inverted at the
// end. The header check is its low 16 bits.
uint32_t AceCrc32Update(uint32_t crc, const void* bytes, size_t length);
inline uint32_t AceCrc32(const void* bytes, size_t length) { return AceCrc32Update(0xFFFFFFFFu, bytes, length); }
inline uint16_t AceCrc16(const void* bytes, size_t length) { return static_cast<uint16_t>(AceCrc32(bytes, length)); }

enum : uint8_t { kTypeMain = 0, kTypeFile = 1, kTypeRecovery = 2, kTypeFile64 = 3, kTypeRecovery64 = 4,
                 kTypeRecovery64b = 5 };

// Main header flags.
constexpr uint16_t kMainComment = 0x0002, kMainAce20 = 0x0100, kMainSfx = 0x0200, kMainMultiVolume = 0x0800,
                   kMainAvString = 0x1000, kMainRecovery = 0x2000, kMainLocked = 0x4000, kMainSolid = 0x8000;
// File header flags.
constexpr uint16_t kFileAddSize = 0x0001, kFileComment = 0x0002, kFileSize64 = 0x0004,
                   kFileContinuedFrom = 0x1000, kFileContinuedIn = 0x2000, kFileEncrypted = 0x4000,
                   kFileSolid = 0x8000;
constexpr uint32_t kAttrDirectory = 0x10;
constexpr uint8_t kHostDos = 0, kHostOs2 = 1, kHostWin32 = 2, kHostWinNt = 5;
constexpr uint8_t kMethodStore = 0;

constexpr char kMagic[] = "**ACE**";
constexpr size_t kMagicOffset = 7;
// How far into a file the main header is looked for (past a self-extractor).
constexpr uint64_t kSearchLimit = 1024 * 1024;

struct MainHeader {
  uint64_t offset = 0;  // the header's first byte (0 unless a self-extractor comes first)
  uint64_t end = 0;     // the first byte after it
  uint16_t flags = 0;
  uint8_t versionExtract = 0, versionCreate = 0, host = 0, volume = 0;
  uint32_t created = 0;  // DOS date << 16 | time
  bool MultiVolume() const { return flags & kMainMultiVolume; }
};

struct FileEntry {
  uint64_t headerOffset = 0;  // the header's CRC16 field
  uint64_t dataOffset = 0;    // the packed bytes
  uint8_t type = kTypeFile;
  uint16_t flags = 0;
  uint64_t packedSize = 0;  // in this part
  uint64_t size = 0;        // the whole entry, unpacked
  uint32_t dosTime = 0;     // DOS date << 16 | time
  uint32_t attributes = 0;
  uint32_t crc = 0;  // ACE CRC-32 of the unpacked entry
  uint8_t method = 0, quality = 0;
  uint16_t parameters = 0;
  std::string name;  // the stored bytes, in the code page of the host that made the archive
  bool Folder() const { return attributes & kAttrDirectory; }
  bool Encrypted() const { return flags & kFileEncrypted; }
  bool ContinuedFrom() const { return flags & kFileContinuedFrom; }
  bool ContinuedIn() const { return flags & kFileContinuedIn; }
  // The dictionary a packed entry needs, in bytes (0 for stored ones).
  uint32_t Dictionary() const { return method == kMethodStore ? 0 : 1u << ((parameters & 15) + 10); }
  uint64_t End() const { return dataOffset + packedSize; }
};

enum class AceStatus {
  Ok,
  End,        // no further header in this volume
  NotAce,     // no main header
  BadCrc,     // a header's CRC16 does not match
  Truncated,  // a header, or the data it announces, runs past the end of the file
};

// Finds and reads the main header: at the start, or where "**ACE**" sits 7 bytes into a header
// with a good CRC within the first kSearchLimit bytes. NotAce when the magic is nowhere, BadCrc
// when it only sits in damaged headers, Truncated when the only candidate runs past the end.
AceStatus ReadMainHeader(zipformat::IByteSource& source, MainHeader& main);

// The headers of one volume, in order.
class AceReader {
 public:
  explicit AceReader(zipformat::IByteSource& source) : source_(source) {}
  AceStatus Open();
  const MainHeader& Main() const { return main_; }
  // The next file header; recovery headers and headers of unknown types are stepped over. After
  // anything but Ok the walk stays where it stopped.
  AceStatus Next(FileEntry& entry);
  // Where the walk stands: the first byte of the next header.
  uint64_t Position() const { return next_; }

 private:
  zipformat::IByteSource& source_;
  MainHeader main_;
  uint64_t next_ = 0;
  bool open_ = false;
};

// The name of volume `index` (0 = the first, named `first`): "x.ace", "x.c00", "x.c01" ... with the
// case of the first volume's extension ("X.ACE", "X.C00"); beyond c99 the number grows a digit.
std::string VolumeName(const std::string& first, unsigned index);

// The volume after `current`: "x.ace" (or any other extension) gives "x.c00", "x.c07" gives
// "x.c08", keeping the case of the extension's first letter.
std::string NextVolumeName(const std::string& current);

// ---- writing --------------------------------------------------------------------------------

// Where the writer's bytes go: volumes one after the other. Rewrite patches bytes written
// earlier, in the current volume or a finished one (the headers of a split entry get its CRC
// once all of it is read).
class IVolumeSink {
 public:
  virtual ~IVolumeSink() = default;
  virtual bool StartVolume(unsigned index) = 0;
  virtual bool Write(const uint8_t* data, size_t size) = 0;
  virtual bool Rewrite(unsigned volume, uint64_t offset, const uint8_t* data, size_t size) = 0;
  virtual bool FinishVolume() = 0;
};

// An entry's bytes, read in order. `got` 0 means the end.
class IEntryData {
 public:
  virtual ~IEntryData() = default;
  virtual bool Read(uint8_t* buffer, size_t count, size_t& got) = 0;
};

struct WriteEntry {
  std::string name;  // bytes in the archive's code page, "\" separators
  bool folder = false;
  uint32_t attributes = 0;  // Windows attributes; folders get 0x10 added
  uint32_t dosTime = 0;
  uint64_t size = 0;  // the bytes IEntryData gives (0 for folders)
};

struct WriterOptions {
  uint64_t volumeSize = 0;  // bytes per volume, 0 = one volume
  uint32_t created = 0;     // the archive's DOS time
  uint8_t host = kHostWin32;
  std::function<bool()> cancelled;
};

enum class WriteError { None, Output, Read, SizeChanged, VolumeTooSmall, Cancelled, NameTooLong };

// Writes an ACE 2.0 archive of stored entries, split into volumes of at most volumeSize bytes:
// every volume starts with a main header (multi-volume flag, its number), an entry that does
// not fit continues in the next volume under a header of its own.
class AceWriter {
 public:
  AceWriter(IVolumeSink& sink, WriterOptions options);
  bool Begin();
  // Stores `entry`, its bytes from `data` (null for folders and empty files).
  bool Add(const WriteEntry& entry, IEntryData* data);
  // An entry of another archive: its header bytes as they were and its packed bytes, copied as
  // they are when they fit the current volume, else re-split with headers rebuilt from `entry`.
  bool Copy(const std::string& rawHeader, const FileEntry& entry, IEntryData& packed);
  bool End();
  WriteError Error() const { return error_; }
  unsigned Volumes() const { return volume_ + 1; }

 private:
  struct Part {
    unsigned volume;
    uint64_t offset;
    std::string header;
  };
  bool StartVolume();
  bool Put(const void* data, size_t size);
  // Writes the parts of one entry: headers from `fields`, `fields.packedSize` bytes from `data`.
  // With `computeCrc` the headers get the CRC of those bytes, and more bytes than announced
  // are an error (the file grew while it was read).
  bool WriteParts(FileEntry fields, IEntryData* data, bool computeCrc);
  bool Fail(WriteError error);

  IVolumeSink& sink_;
  WriterOptions options_;
  unsigned volume_ = 0;
  uint64_t used_ = 0;
  bool started_ = false;
  WriteError error_ = WriteError::None;
  std::vector<uint8_t> buffer_;
};

// Encodes headers (the CRC16 and size filled in).
std::string EncodeMainHeader(const MainHeader& main);
std::string EncodeFileHeader(const FileEntry& entry);
// The DOS time of a calendar date, as headers store it.
uint32_t DosTime(unsigned year, unsigned month, unsigned day, unsigned hour, unsigned minute, unsigned second);

}  // namespace aceformat
