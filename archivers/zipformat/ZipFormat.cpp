#include "archivers/zipformat/ZipFormat.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#ifdef _WIN32
#include <share.h>
#endif

namespace zipformat {

namespace {

uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t Get32(const uint8_t* p) { return Get16(p) | static_cast<uint32_t>(Get16(p + 2)) << 16; }
uint64_t Get64(const uint8_t* p) { return Get32(p) | static_cast<uint64_t>(Get32(p + 4)) << 32; }

void Put16(std::string& out, uint32_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>(v >> 8 & 0xFF));
}
void Put32(std::string& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
void Put64(std::string& out, uint64_t v) {
  Put32(out, static_cast<uint32_t>(v));
  Put32(out, static_cast<uint32_t>(v >> 32));
}

constexpr uint32_t kAllOnes32 = 0xFFFFFFFFu;
constexpr uint16_t kAllOnes16 = 0xFFFF;

bool ReadExact(IByteSource& source, uint64_t offset, void* buffer, size_t count) {
  return source.ReadAt(offset, buffer, count) == count;
}

// Reads `count` bytes that must lie before `limit`.
bool ReadBounded(IByteSource& source, uint64_t offset, uint64_t limit, std::string& out, size_t count) {
  out.clear();
  if (offset > limit || limit - offset < count) return false;
  out.resize(count);
  return count == 0 || ReadExact(source, offset, out.data(), count);
}

// Replaces the all-ones header fields by the ZIP64 extra field's values, in the fixed order.
// Returns false when the field is too short for the values it must carry.
bool ApplyZip64Extra(std::string_view extra, bool wantUnpacked, bool wantPacked, bool wantOffset, bool wantDisk,
                     uint64_t& unpacked, uint64_t& packed, uint64_t* offset, uint32_t* disk) {
  size_t pos = 0;
  while (extra.size() - pos >= 4) {
    const auto* p = reinterpret_cast<const uint8_t*>(extra.data() + pos);
    uint16_t id = Get16(p), size = Get16(p + 2);
    if (size > extra.size() - pos - 4) return true;  // a broken tail: ignore it like any unknown field
    if (id == kZip64ExtraId) {
      const uint8_t* q = p + 4;
      size_t left = size;
      auto take64 = [&](bool want, uint64_t& value) {
        if (!want) return true;
        if (left < 8) return false;
        value = Get64(q);
        q += 8;
        left -= 8;
        return true;
      };
      if (!take64(wantUnpacked, unpacked) || !take64(wantPacked, packed)) return false;
      if (offset && !take64(wantOffset, *offset)) return false;
      if (disk && wantDisk) {
        if (left < 4) return false;
        *disk = Get32(q);
      }
      return true;
    }
    pos += 4 + size;
  }
  return true;
}

// The ZIP64 end record named by the locator just before the end record, or false.
bool ReadZip64End(IByteSource& source, uint64_t endRecordPosition, Directory& dir, uint64_t& zip64EndPosition) {
  if (endRecordPosition < kZip64LocatorSize) return false;
  uint8_t locator[kZip64LocatorSize];
  if (!ReadExact(source, endRecordPosition - kZip64LocatorSize, locator, sizeof locator)) return false;
  if (Get32(locator) != kZip64LocatorSignature) return false;
  uint64_t stored = Get64(locator + 8);
  // The record lies just before the locator unless it has extensible data; trust the stored
  // offset only when it holds the signature, then the fixed place (data in front shifts both).
  uint8_t record[kZip64EndSize];
  uint64_t candidates[2] = {stored, endRecordPosition - kZip64LocatorSize - kZip64EndSize};
  for (uint64_t at : candidates) {
    if (at > endRecordPosition || endRecordPosition - at < kZip64LocatorSize + kZip64EndSize) continue;
    if (!ReadExact(source, at, record, sizeof record) || Get32(record) != kZip64EndSignature) continue;
    dir.declaredCount = Get64(record + 32);
    dir.centralSize = Get64(record + 40);
    dir.storedCentralStart = Get64(record + 48);
    dir.zip64 = true;
    zip64EndPosition = at;
    return true;
  }
  return false;
}

// Serves reads inside one window of the source from memory: the whole directory comes in with
// one read instead of several small ones per entry.
class WindowSource final : public IByteSource {
 public:
  WindowSource(IByteSource& source, uint64_t base, std::string bytes)
      : source_(source), base_(base), bytes_(std::move(bytes)) {}
  uint64_t Size() const override { return source_.Size(); }
  size_t ReadAt(uint64_t offset, void* buffer, size_t count) override {
    if (offset >= base_ && offset - base_ <= bytes_.size() && bytes_.size() - (offset - base_) >= count) {
      if (count) std::memcpy(buffer, bytes_.data() + (offset - base_), count);
      return count;
    }
    return source_.ReadAt(offset, buffer, count);
  }

 private:
  IByteSource& source_;
  uint64_t base_;
  std::string bytes_;
};

constexpr uint64_t kMaxDirectoryInMemory = 256ull << 20;

}  // namespace

size_t MemorySource::ReadAt(uint64_t offset, void* buffer, size_t count) {
  if (offset >= size_) return 0;
  size_t n = static_cast<size_t>(std::min<uint64_t>(count, size_ - offset));
  std::memcpy(buffer, data_ + offset, n);
  return n;
}

namespace {

class FileSource final : public IByteSource {
 public:
  explicit FileSource(std::FILE* file) : file_(file) {
    if (std::fseek(file_, 0, SEEK_END) == 0) {
#ifdef _WIN32
      long long end = _ftelli64(file_);
#else
      long long end = ftello(file_);
#endif
      size_ = end > 0 ? static_cast<uint64_t>(end) : 0;
    }
  }
  ~FileSource() override { std::fclose(file_); }
  uint64_t Size() const override { return size_; }
  size_t ReadAt(uint64_t offset, void* buffer, size_t count) override {
    if (offset >= size_) return 0;
#ifdef _WIN32
    if (_fseeki64(file_, static_cast<long long>(offset), SEEK_SET) != 0) return 0;
#else
    if (fseeko(file_, static_cast<off_t>(offset), SEEK_SET) != 0) return 0;
#endif
    return std::fread(buffer, 1, count, file_);
  }

 private:
  std::FILE* file_;
  uint64_t size_ = 0;
};

}  // namespace

std::unique_ptr<IByteSource> OpenFileSource(const std::string& path, int& error) {
#ifdef _WIN32
  std::FILE* file = _fsopen(path.c_str(), "rb", _SH_DENYWR);
#else
  std::FILE* file = std::fopen(path.c_str(), "rb");
#endif
  if (!file) {
    error = errno == ENOENT ? kErrNoFile : kErrCannotOpen;
    return nullptr;
  }
  error = kOk;
  return std::make_unique<FileSource>(file);
}

bool CentralEntry::IsFolder() const {
  return (externalAttributes & 0x10) != 0 || (!name.empty() && (name.back() == '/' || name.back() == '\\'));
}

Directory ReadDirectory(IByteSource& source) {
  Directory dir;
  const uint64_t size = source.Size();
  uint8_t end[kEndRecordSize];
  bool found = false;
  uint64_t endPosition = 0;

  // Without a comment the end record is the last 22 bytes; otherwise scan back for it.
  if (size >= kEndRecordSize && ReadExact(source, size - kEndRecordSize, end, sizeof end) &&
      Get32(end) == kEndSignature && Get16(end + 20) == 0) {
    found = true;
    endPosition = size - kEndRecordSize;
    dir.fileSize = size;
  }
  if (!found) {
    if (size < kEndRecordSize) {
      dir.error = kErrNotZip;
      return dir;
    }
    size_t tail = static_cast<size_t>(std::min<uint64_t>(size, kMaxComment + kEndRecordSize));
    std::vector<uint8_t> buffer(tail);
    if (source.ReadAt(size - tail, buffer.data(), tail) != tail) {
      dir.error = kErrEndRead;
      return dir;
    }
    for (size_t i = tail - kEndRecordSize + 1; i-- > 0;) {
      if (buffer[i] == 0x50 && buffer[i + 1] == 0x4B && buffer[i + 2] == 5 && buffer[i + 3] == 6) {
        std::memcpy(end, &buffer[i], kEndRecordSize);
        endPosition = size - tail + i;
        // Bytes after the comment are ignored: the size used from here on ends with the comment.
        dir.fileSize = endPosition + kEndRecordSize + Get16(end + 20);
        found = true;
        break;
      }
    }
    if (!found) {
      dir.error = kErrNotZip;
      return dir;
    }
  }

  dir.endRecordPosition = endPosition;
  dir.declaredCount = Get16(end + 10);
  dir.centralSize = Get32(end + 12);
  dir.storedCentralStart = Get32(end + 16);
  uint16_t commentLength = Get16(end + 20);
  uint64_t commentAvailable = size - endPosition - kEndRecordSize;
  dir.comment.resize(static_cast<size_t>(std::min<uint64_t>(commentLength, commentAvailable)));
  if (!dir.comment.empty()) source.ReadAt(endPosition + kEndRecordSize, dir.comment.data(), dir.comment.size());

  // The directory ends where the end records start.
  uint64_t directoryEnd = endPosition;
  uint64_t zip64End = 0;
  if (ReadZip64End(source, endPosition, dir, zip64End)) directoryEnd = zip64End;

  if (dir.centralSize > directoryEnd) {
    dir.error = kErrSeekArchive;
    return dir;
  }
  dir.computedCentralStart = directoryEnd - dir.centralSize;

  uint64_t pos = dir.computedCentralStart;
  std::unique_ptr<WindowSource> window;
  if (dir.centralSize <= kMaxDirectoryInMemory) {
    std::string bytes(static_cast<size_t>(dir.centralSize), '\0');
    if (source.ReadAt(pos, bytes.data(), bytes.size()) == bytes.size())
      window = std::make_unique<WindowSource>(source, pos, std::move(bytes));
  }
  IByteSource& in = window ? static_cast<IByteSource&>(*window) : source;
  uint8_t header[kCentralHeaderSize];
  // A lying count ends at the first record that is not there; reserve no more than could fit.
  dir.entries.reserve(static_cast<size_t>(std::min<uint64_t>(dir.declaredCount, dir.centralSize / kCentralHeaderSize)));
  for (uint64_t n = 0; n < dir.declaredCount; ++n) {
    if (directoryEnd - pos < kCentralHeaderSize || !ReadExact(in, pos, header, sizeof header)) {
      dir.error = kErrCentralRead;
      return dir;
    }
    if (Get32(header) != kCentralSignature) {
      dir.error = kErrCentralSignature;
      return dir;
    }
    CentralEntry e;
    e.headerOffset = pos;
    e.versionMadeBy = Get16(header + 4);
    e.versionNeeded = Get16(header + 6);
    e.flags = Get16(header + 8);
    e.utf8 = (e.flags & kFlagUtf8) != 0;
    e.method = Get16(header + 10);
    e.dosTime = Get16(header + 12);
    e.dosDate = Get16(header + 14);
    e.crc = Get32(header + 16);
    uint32_t packed = Get32(header + 20), unpacked = Get32(header + 24);
    uint16_t nameLength = Get16(header + 28), extraLength = Get16(header + 30), commentLen = Get16(header + 32);
    uint16_t disk = Get16(header + 34);
    e.internalAttributes = Get16(header + 36);
    e.externalAttributes = Get32(header + 38);
    uint32_t offset = Get32(header + 42);
    e.packedSize = packed;
    e.unpackedSize = unpacked;
    e.localHeaderOffset = offset;
    e.diskStart = disk;
    pos += kCentralHeaderSize;
    if (!ReadBounded(in, pos, directoryEnd, e.name, nameLength)) {
      dir.error = kErrCentralName;
      return dir;
    }
    pos += nameLength;
    if (!ReadBounded(in, pos, directoryEnd, e.extra, extraLength)) {
      dir.error = kErrSeekArchive;
      return dir;
    }
    pos += extraLength;
    if (!ReadBounded(in, pos, directoryEnd, e.comment, commentLen)) {
      dir.error = kErrCentralRead;
      return dir;
    }
    pos += commentLen;
    if (!ApplyZip64Extra(e.extra, unpacked == kAllOnes32, packed == kAllOnes32, offset == kAllOnes32,
                         disk == kAllOnes16, e.unpackedSize, e.packedSize, &e.localHeaderOffset, &e.diskStart)) {
      dir.error = kErrSeekArchive;
      return dir;
    }
    dir.entries.push_back(std::move(e));
  }
  return dir;
}

int ReadLocalHeader(IByteSource& source, const CentralEntry& entry, int64_t shift, LocalHeader& out) {
  out = LocalHeader{};
  uint64_t at = entry.localHeaderOffset + static_cast<uint64_t>(shift);
  const uint64_t size = source.Size();
  uint8_t header[kLocalHeaderSize];
  if (at > size || !ReadExact(source, at, header, sizeof header)) return kErrLocalRead;
  if (Get32(header) != kLocalSignature) return kErrLocalSignature;
  out.headerOffset = at;
  out.versionNeeded = Get16(header + 4);
  out.flags = Get16(header + 6);
  out.method = Get16(header + 8);
  out.dosTime = Get16(header + 10);
  out.dosDate = Get16(header + 12);
  out.crc = Get32(header + 14);
  uint32_t packed = Get32(header + 18), unpacked = Get32(header + 22);
  out.packedSize = packed;
  out.unpackedSize = unpacked;
  uint16_t nameLength = Get16(header + 26), extraLength = Get16(header + 28);
  uint64_t pos = at + kLocalHeaderSize;
  if (!ReadBounded(source, pos, size, out.name, nameLength)) return kErrLocalName;
  pos += nameLength;
  if (!ReadBounded(source, pos, size, out.extra, extraLength)) return kErrLocalExtra;
  pos += extraLength;
  if (!ApplyZip64Extra(out.extra, unpacked == kAllOnes32, packed == kAllOnes32, false, false, out.unpackedSize,
                       out.packedSize, nullptr, nullptr))
    return kErrLocalExtra;
  out.dataOffset = pos;
  if (out.name != entry.name || out.method != entry.method ||
      (out.flags & kFlagEncrypted) != (entry.flags & kFlagEncrypted))
    return kErrLocalMismatch;
  if (entry.packedSize > size - pos) return kErrLocalMismatch;
  return kOk;
}

std::string EncodeLocalHeader(const CentralEntry& e) {
  bool zip64 = e.packedSize >= kAllOnes32 || e.unpackedSize >= kAllOnes32;
  std::string extra;
  if (zip64) {
    Put16(extra, kZip64ExtraId);
    Put16(extra, 16);
    Put64(extra, e.unpackedSize);
    Put64(extra, e.packedSize);
  }
  extra += e.extra;
  std::string out;
  Put32(out, kLocalSignature);
  Put16(out, zip64 ? std::max<uint16_t>(e.versionNeeded, 45) : e.versionNeeded);
  Put16(out, e.flags | (e.utf8 ? kFlagUtf8 : 0));
  Put16(out, e.method);
  Put16(out, e.dosTime);
  Put16(out, e.dosDate);
  Put32(out, e.crc);
  Put32(out, zip64 ? kAllOnes32 : static_cast<uint32_t>(e.packedSize));
  Put32(out, zip64 ? kAllOnes32 : static_cast<uint32_t>(e.unpackedSize));
  Put16(out, static_cast<uint32_t>(e.name.size()));
  Put16(out, static_cast<uint32_t>(extra.size()));
  out += e.name;
  out += extra;
  return out;
}

std::string EncodeCentralHeader(const CentralEntry& e) {
  bool bigUnpacked = e.unpackedSize >= kAllOnes32, bigPacked = e.packedSize >= kAllOnes32;
  bool bigOffset = e.localHeaderOffset >= kAllOnes32, bigDisk = e.diskStart >= kAllOnes16;
  std::string z;
  if (bigUnpacked) Put64(z, e.unpackedSize);
  if (bigPacked) Put64(z, e.packedSize);
  if (bigOffset) Put64(z, e.localHeaderOffset);
  if (bigDisk) Put32(z, e.diskStart);
  std::string extra;
  if (!z.empty()) {
    Put16(extra, kZip64ExtraId);
    Put16(extra, static_cast<uint32_t>(z.size()));
    extra += z;
  }
  extra += e.extra;
  std::string out;
  Put32(out, kCentralSignature);
  Put16(out, e.versionMadeBy);
  Put16(out, z.empty() ? e.versionNeeded : std::max<uint16_t>(e.versionNeeded, 45));
  Put16(out, e.flags | (e.utf8 ? kFlagUtf8 : 0));
  Put16(out, e.method);
  Put16(out, e.dosTime);
  Put16(out, e.dosDate);
  Put32(out, e.crc);
  Put32(out, bigPacked ? kAllOnes32 : static_cast<uint32_t>(e.packedSize));
  Put32(out, bigUnpacked ? kAllOnes32 : static_cast<uint32_t>(e.unpackedSize));
  Put16(out, static_cast<uint32_t>(e.name.size()));
  Put16(out, static_cast<uint32_t>(extra.size()));
  Put16(out, static_cast<uint32_t>(e.comment.size()));
  Put16(out, bigDisk ? kAllOnes16 : e.diskStart);
  Put16(out, e.internalAttributes);
  Put32(out, e.externalAttributes);
  Put32(out, bigOffset ? kAllOnes32 : static_cast<uint32_t>(e.localHeaderOffset));
  out += e.name;
  out += extra;
  out += e.comment;
  return out;
}

std::string EncodeEndRecords(uint64_t count, uint64_t centralSize, uint64_t centralStart, uint64_t position,
                             std::string_view comment) {
  bool zip64 = count >= kAllOnes16 || centralSize >= kAllOnes32 || centralStart >= kAllOnes32;
  std::string out;
  if (zip64) {
    Put32(out, kZip64EndSignature);
    Put64(out, kZip64EndSize - 12);
    Put16(out, 45);
    Put16(out, 45);
    Put32(out, 0);
    Put32(out, 0);
    Put64(out, count);
    Put64(out, count);
    Put64(out, centralSize);
    Put64(out, centralStart);
    Put32(out, kZip64LocatorSignature);
    Put32(out, 0);
    Put64(out, position);
    Put32(out, 1);
  }
  uint16_t shortCount = count >= kAllOnes16 ? kAllOnes16 : static_cast<uint16_t>(count);
  Put32(out, kEndSignature);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, shortCount);
  Put16(out, shortCount);
  Put32(out, centralSize >= kAllOnes32 ? kAllOnes32 : static_cast<uint32_t>(centralSize));
  Put32(out, centralStart >= kAllOnes32 ? kAllOnes32 : static_cast<uint32_t>(centralStart));
  size_t commentLength = std::min(comment.size(), kMaxComment);
  Put16(out, static_cast<uint32_t>(commentLength));
  out.append(comment.substr(0, commentLength));
  return out;
}

namespace {

constexpr std::array<uint32_t, 256> MakeCrcTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[i] = c;
  }
  return table;
}
constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

}  // namespace

uint32_t Crc32Step(uint32_t crc, uint8_t byte) { return kCrcTable[(crc ^ byte) & 0xFF] ^ (crc >> 8); }

uint32_t Crc32Update(uint32_t crc, const void* bytes, size_t length) {
  const auto* p = static_cast<const uint8_t*>(bytes);
  for (size_t i = 0; i < length; ++i) crc = kCrcTable[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
  return crc;
}

TraditionalKeys::TraditionalKeys(std::string_view password) : k0(0x12345678u), k1(0x23456789u), k2(0x34567890u) {
  for (char c : password) Update(static_cast<uint8_t>(c));
}

void TraditionalKeys::Update(uint8_t plain) {
  k0 = Crc32Step(k0, plain);
  k1 = (k1 + (k0 & 0xFF)) * 134775813u + 1;
  k2 = Crc32Step(k2, static_cast<uint8_t>(k1 >> 24));
}

uint8_t TraditionalKeys::Stream() const {
  uint32_t t = (k2 | 2) & 0xFFFF;
  return static_cast<uint8_t>((t * (t ^ 1)) >> 8);
}

uint8_t TraditionalKeys::DecryptByte(uint8_t cipher) {
  uint8_t plain = cipher ^ Stream();
  Update(plain);
  return plain;
}

uint8_t TraditionalKeys::EncryptByte(uint8_t plain) {
  uint8_t cipher = plain ^ Stream();
  Update(plain);
  return cipher;
}

void TraditionalKeys::Decrypt(uint8_t* bytes, size_t count) {
  for (size_t i = 0; i < count; ++i) bytes[i] = DecryptByte(bytes[i]);
}

void TraditionalKeys::Encrypt(uint8_t* bytes, size_t count) {
  for (size_t i = 0; i < count; ++i) bytes[i] = EncryptByte(bytes[i]);
}

uint8_t CheckByte(uint16_t flags, uint32_t crc, uint16_t dosTime) {
  return (flags & kFlagDescriptor) ? static_cast<uint8_t>(dosTime >> 8) : static_cast<uint8_t>(crc >> 24);
}

Calendar FromDos(uint16_t dosDate, uint16_t dosTime) {
  Calendar c;
  c.year = 1980 + (dosDate >> 9);
  c.month = dosDate >> 5 & 0x0F;
  c.day = dosDate & 0x1F;
  c.hour = dosTime >> 11;
  c.minute = dosTime >> 5 & 0x3F;
  c.second = (dosTime & 0x1F) * 2;
  return c;
}

void ToDos(const Calendar& when, uint16_t& dosDate, uint16_t& dosTime) {
  if (when.year < 1980) {
    dosDate = (1 << 5) | 1;
    dosTime = 0;
    return;
  }
  if (when.year > 2107) {
    dosDate = static_cast<uint16_t>(127 << 9 | 12 << 5 | 31);
    dosTime = static_cast<uint16_t>(23 << 11 | 59 << 5 | 29);
    return;
  }
  dosDate = static_cast<uint16_t>((when.year - 1980) << 9 | (when.month & 0x0F) << 5 | (when.day & 0x1F));
  dosTime = static_cast<uint16_t>((when.hour & 0x1F) << 11 | (when.minute & 0x3F) << 5 | ((when.second / 2) & 0x1F));
}

namespace {

// Days from 1601-01-01 to the given civil date (proleptic Gregorian).
int64_t DaysFrom1601(int64_t y, int64_t m, int64_t d) {
  // Days from 1970-01-01 (Howard Hinnant's algorithm), then shifted.
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468 + 134774;
}

constexpr uint64_t kTicksPerSecond = 10000000;

}  // namespace

uint64_t ToFileTime(const Calendar& when) {
  int month = std::clamp(when.month, 1, 12), day = std::max(when.day, 1);
  int64_t days = DaysFrom1601(when.year, month, day);
  if (days < 0) return 0;
  uint64_t seconds = static_cast<uint64_t>(days) * 86400 + static_cast<uint64_t>(when.hour) * 3600 +
                     static_cast<uint64_t>(when.minute) * 60 + static_cast<uint64_t>(when.second);
  return seconds * kTicksPerSecond;
}

Calendar FromFileTime(uint64_t fileTime) {
  uint64_t seconds = fileTime / kTicksPerSecond;
  int64_t z = static_cast<int64_t>(seconds / 86400) - 134774 + 719468;  // days since 0000-03-01
  uint64_t rest = seconds % 86400;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  Calendar c;
  c.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  c.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  c.year = static_cast<int>(yoe + era * 400 + (c.month <= 2));
  c.hour = static_cast<int>(rest / 3600);
  c.minute = static_cast<int>(rest / 60 % 60);
  c.second = static_cast<int>(rest % 60);
  return c;
}

namespace {

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsDeviceName(std::string_view component) {
  std::string_view base = component.substr(0, component.find('.'));
  // Trailing blanks before the extension name the device too ("CON .txt").
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  std::string upper;
  for (char c : base) upper.push_back(AsciiUpper(c));
  if (upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL" || upper == "CONIN$" || upper == "CONOUT$")
    return true;
  return upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) && upper[3] >= '1' &&
         upper[3] <= '9';
}

}  // namespace

bool SafeRelativePath(std::string_view name, std::string& path) {
  path.clear();
  if (name.empty() || name[0] == '/' || name[0] == '\\') return false;
  std::string result;
  size_t start = 0;
  while (start <= name.size()) {
    size_t stop = name.find_first_of("/\\", start);
    if (stop == std::string_view::npos) stop = name.size();
    std::string_view component = name.substr(start, stop - start);
    start = stop + 1;
    if (component.empty() || component == ".") continue;
    if (component == "..") return false;
    for (char c : component) {
      auto u = static_cast<unsigned char>(c);
      if (u < 0x20 || c == ':' || c == '<' || c == '>' || c == '"' || c == '|' || c == '?' || c == '*') return false;
    }
    if (component.back() == ' ' || component.back() == '.') return false;
    if (IsDeviceName(component)) return false;
    if (!result.empty()) result.push_back('\\');
    result.append(component);
  }
  if (result.empty()) return false;
  path = std::move(result);
  return true;
}

namespace {

bool SameChar(char a, char b) {
  if (a == '/') a = '\\';
  if (b == '/') b = '\\';
  return AsciiUpper(a) == AsciiUpper(b);
}

// Iterative glob with one backtrack point: linear in practice, never exponential.
bool Glob(std::string_view pattern, std::string_view text) {
  size_t p = 0, t = 0, starP = std::string_view::npos, starT = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starP = ++p;
      starT = t;
    } else if (p < pattern.size() && (pattern[p] == '?' || SameChar(pattern[p], text[t]))) {
      ++p;
      ++t;
    } else if (starP != std::string_view::npos) {
      p = starP;
      t = ++starT;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace

bool MatchSpec(std::string_view spec, std::string_view path) {
  if (spec.find_first_of("*?") == std::string_view::npos) {
    while (!spec.empty() && (spec.back() == '\\' || spec.back() == '/')) spec.remove_suffix(1);
    while (!path.empty() && (path.back() == '\\' || path.back() == '/')) path.remove_suffix(1);
    if (path.size() < spec.size()) return false;
    for (size_t i = 0; i < spec.size(); ++i)
      if (!SameChar(spec[i], path[i])) return false;
    return path.size() == spec.size() || path[spec.size()] == '\\' || path[spec.size()] == '/';
  }
  if (Glob(spec, path)) return true;
  // "name.*" also takes a name without any dot, as "*.*" has always meant everything.
  if (spec.size() >= 2 && spec.substr(spec.size() - 2) == ".*") {
    std::string_view last = path.substr(path.find_last_of("/\\") + 1);
    if (last.find('.') == std::string_view::npos) return Glob(spec.substr(0, spec.size() - 2), path);
  }
  return false;
}

}  // namespace zipformat
