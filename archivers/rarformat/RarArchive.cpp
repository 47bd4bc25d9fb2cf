#include "RarArchive.h"

#include "Unpack29.h"
#include "Unpack5.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace rarformat {

namespace {

constexpr uint8_t kSignature5[8] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x01, 0x00};
constexpr uint8_t kSignature4[7] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};
constexpr uint64_t kSfxSearch = 1 << 20;
// RAR 5 caps the header size field at 3 vint bytes; a header above that is damage.
constexpr uint64_t kMaxHeader5 = 2 * 1024 * 1024;
constexpr uint64_t kMaxComment = 256 * 1024;
constexpr uint64_t kUnixEpochAsFileTime = 116444736000000000ull;

// Little-endian fields and RAR 5 vints over one header's bytes; any read past the end clears ok.
class Cursor {
 public:
  Cursor(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool ok = true;
  size_t Pos() const { return pos_; }
  size_t Left() const { return ok ? size_ - pos_ : 0; }
  void Seek(size_t at) {
    if (at > size_) ok = false;
    else pos_ = at;
  }
  uint64_t Vint() {
    uint64_t value = 0;
    for (unsigned i = 0; i < 10; ++i) {
      if (pos_ >= size_) break;
      uint8_t byte = data_[pos_++];
      uint64_t bits = byte & 0x7F;
      // The tenth byte holds bit 63 only.
      if (i == 9 && bits > 1) break;
      value |= bits << (7 * i);
      if ((byte & 0x80) == 0) return value;
    }
    ok = false;
    return 0;
  }
  uint64_t Le(unsigned bytes) {
    if (!ok || size_ - pos_ < bytes) {
      ok = false;
      return 0;
    }
    uint64_t value = 0;
    for (unsigned i = 0; i < bytes; ++i) value |= uint64_t(data_[pos_ + i]) << (8 * i);
    pos_ += bytes;
    return value;
  }
  uint8_t Byte() { return uint8_t(Le(1)); }
  bool Bytes(void* out, size_t count) {
    if (!ok || size_ - pos_ < count) {
      ok = false;
      return false;
    }
    std::memcpy(out, data_ + pos_, count);
    pos_ += count;
    return true;
  }
  std::string_view Text(size_t count) {
    if (!ok || size_ - pos_ < count) {
      ok = false;
      return {};
    }
    std::string_view text(reinterpret_cast<const char*>(data_ + pos_), count);
    pos_ += count;
    return text;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

bool ReadExact(zipformat::IByteSource& source, uint64_t at, void* buffer, size_t count) {
  return source.ReadAt(at, buffer, count) == count;
}

void SetDosFromFileTime(RarEntry& entry) {
  if (entry.fileTime == 0) return;
  zipformat::ToDos(zipformat::FromFileTime(entry.fileTime), entry.dosDate, entry.dosTime);
}

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += char(cp);
  } else if (cp < 0x800) {
    out += char(0xC0 | (cp >> 6));
    out += char(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += char(0xE0 | (cp >> 12));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  } else {
    out += char(0xF0 | (cp >> 18));
    out += char(0x80 | ((cp >> 12) & 0x3F));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  }
}

bool ValidUtf8(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    uint8_t c = uint8_t(text[i]);
    size_t extra = c < 0x80 ? 0 : (c >= 0xC2 && c < 0xE0) ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c >= 0xF0 && c < 0xF5) ? 3 : 9;
    if (extra == 9 || extra > text.size() - i - 1) return false;
    for (size_t k = 1; k <= extra; ++k)
      if ((uint8_t(text[i + k]) & 0xC0) != 0x80) return false;
    i += extra + 1;
  }
  return true;
}

std::string Slashes(std::string name) {
  std::replace(name.begin(), name.end(), '\\', '/');
  return name;
}

// A packed comment: its own decoder, never the entries' (it is not part of a solid stream).
bool UnpackComment(const RarEntry& e, const std::string& packed, std::string& text) {
  class Input final : public IPackedInput {
   public:
    explicit Input(const std::string& bytes) : bytes_(bytes) {}
    size_t Read(uint8_t* buffer, size_t count) override {
      size_t n = std::min(count, bytes_.size() - at_);
      std::memcpy(buffer, bytes_.data() + at_, n);
      at_ += n;
      return n;
    }

   private:
    const std::string& bytes_;
    size_t at_ = 0;
  } input(packed);
  class Output final : public IUnpackedOutput {
   public:
    explicit Output(std::string& text) : text_(text) {}
    bool Write(const uint8_t* data, size_t count) override {
      text_.append(reinterpret_cast<const char*>(data), count);
      return true;
    }

   private:
    std::string& text_;
  } output(text);
  const uint64_t dictionary = std::min<uint64_t>(e.dictionarySize, 4 * 1024 * 1024);
  if (e.unpackVersion == 50) return TUnpack5().Unpack(input, output, e.unpackedSize, dictionary, false) == UnpackResult::Ok;
  if (e.unpackVersion == 29 || e.unpackVersion == 36)
    return TUnpack29().Unpack(input, output, e.unpackedSize, dictionary, false) == UnpackResult::Ok;
  return false;
}

}  // namespace

// ---- names ----------------------------------------------------------------------------------

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t cp = text[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp < 0xE000) {
      cp = 0xFFFD;
    }
    AppendUtf8(out, cp);
  }
  return out;
}

std::string Cp437ToUtf8(std::string_view bytes) {
  static const char16_t kHigh[128] = {
      0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE,
      0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6,
      0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA,
      0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502,
      0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, 0x2514,
      0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550,
      0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C,
      0x2588, 0x2584, 0x258C, 0x2590, 0x2580, 0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
      0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320,
      0x2321, 0x00F7, 0x2248, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0};
  std::string out;
  for (char c : bytes) {
    uint8_t b = uint8_t(c);
    AppendUtf8(out, b < 0x80 ? b : kHigh[b - 0x80]);
  }
  return out;
}

// The 0x200 form: a high byte, then runs steered by two-bit codes taken four to a flag byte,
// highest bits first: 0 a low byte, 1 a low byte under the high byte, 2 a whole UTF-16 unit,
// 3 a run copied from the OEM name (optionally shifted by a correction and put under the high byte).
std::u16string DecodeRar4UnicodeName(std::string_view oemName, std::string_view encoded) {
  std::u16string out;
  size_t pos = 0;
  auto byte = [&](bool& ok) -> uint8_t {
    if (pos >= encoded.size()) {
      ok = false;
      return 0;
    }
    return uint8_t(encoded[pos++]);
  };
  bool ok = true;
  uint8_t high = byte(ok);
  unsigned flags = 0, flagBits = 0;
  const size_t limit = 0x10000;
  while (ok && pos < encoded.size() && out.size() < limit) {
    if (flagBits == 0) {
      flags = byte(ok);
      flagBits = 8;
      if (!ok) break;
    }
    flagBits -= 2;
    switch ((flags >> flagBits) & 3) {
      case 0: {
        uint8_t low = byte(ok);
        if (ok) out += char16_t(low);
        break;
      }
      case 1: {
        uint8_t low = byte(ok);
        if (ok) out += char16_t(low | (high << 8));
        break;
      }
      case 2: {
        uint8_t low = byte(ok);
        uint8_t hi = byte(ok);
        if (ok) out += char16_t(low | (hi << 8));
        break;
      }
      case 3: {
        uint8_t length = byte(ok);
        if (!ok) break;
        if (length & 0x80) {
          uint8_t correction = byte(ok);
          if (!ok) break;
          for (unsigned n = (length & 0x7F) + 2; n > 0 && out.size() < oemName.size(); --n)
            out += char16_t(((uint8_t(oemName[out.size()]) + correction) & 0xFF) | (high << 8));
        } else {
          for (unsigned n = length + 2; n > 0 && out.size() < oemName.size(); --n)
            out += char16_t(uint8_t(oemName[out.size()]));
        }
        break;
      }
    }
  }
  return out;
}

std::string NextVolumeName(const std::string& name, bool newNaming) {
  std::string next = name;
  size_t dot = next.find_last_of('.');
  size_t slash = next.find_last_of("/\\");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) dot = next.size();
  if (newNaming) {
    // The last run of digits before the extension is the part number.
    size_t end = dot;
    while (end > 0 && !(next[end - 1] >= '0' && next[end - 1] <= '9')) {
      if (slash != std::string::npos && end - 1 <= slash) return NextVolumeName(name, false);
      --end;
    }
    if (end == 0) return NextVolumeName(name, false);
    size_t i = end;
    while (i > 0) {
      char& c = next[i - 1];
      if (c < '0' || c > '9') break;
      if (c != '9') {
        ++c;
        return next;
      }
      c = '0';
      --i;
    }
    return next.substr(0, i) + "1" + next.substr(i);
  }
  // Old naming: .rar -> .r00 ... .r99 -> .s00; the letter's case follows the extension's.
  if (dot + 1 >= next.size()) return next + ".r00";
  std::string ext = next.substr(dot + 1);
  if (ext.size() == 3 && (ext[1] < '0' || ext[1] > '9' || ext[2] < '0' || ext[2] > '9')) {
    bool upper = ext[0] >= 'A' && ext[0] <= 'Z';
    return next.substr(0, dot + 1) + (upper ? "R00" : "r00");
  }
  size_t i = next.size();
  while (i > dot + 1) {
    char& c = next[i - 1];
    if (c >= '0' && c <= '9') {
      if (c != '9') {
        ++c;
        return next;
      }
      c = '0';
      --i;
      continue;
    }
    ++c;  // r99 -> s00
    return next;
  }
  return next;
}

// ---- headers --------------------------------------------------------------------------------

struct RarReader::Header {
  unsigned type = 0;
  uint64_t offset = 0;
  uint64_t size = 0;      // the header's own bytes
  uint64_t dataSize = 0;  // the data area after it
  bool isFile = false;
  bool isService = false;
  bool isEnd = false;
  bool moreVolumes = false;
  bool isEncryption = false;
  uint32_t flags = 0;
  RarEntry entry;
  std::vector<uint8_t> bytes;
};

RarReader::RarReader(std::unique_ptr<zipformat::IByteSource> source, std::string name, IVolumeProvider* volumes,
                     OemDecoder oem)
    : source_(std::move(source)), volumeName_(std::move(name)), volumes_(volumes), oem_(std::move(oem)) {
  if (!oem_) oem_ = Cp437ToUtf8;
}

RarReader::~RarReader() = default;

RarStatus RarReader::ReadHeader(uint64_t at, Header& header) {
  header = Header{};
  header.offset = at;
  return info_.format == RarFormat::Rar5 ? ReadHeader5(at, header) : ReadHeader4(at, header);
}

RarStatus RarReader::FetchEncrypted5(uint64_t at, Header& h, size_t& sizeFieldLength) {
  // A 16-byte IV, then the header padded to whole AES blocks.
  const uint64_t size = source_->Size();
  if (size - at < 32) return RarStatus::Truncated;
  uint8_t iv[16], first[16];
  if (!ReadExact(*source_, at, iv, 16) || !ReadExact(*source_, at + 16, first, 16)) return RarStatus::ReadError;
  auto cipher = crypto_->NewAes256Cbc(headerKey_.data(), iv, false);
  if (!cipher || !cipher->Process(first, 16)) return RarStatus::NeedPassword;
  Cursor sizeField(first + 4, 12);
  uint64_t headerSize = sizeField.Vint();
  if (!sizeField.ok || sizeField.Pos() > 3 || headerSize == 0 || headerSize > kMaxHeader5) return RarStatus::Damaged;
  sizeFieldLength = sizeField.Pos();
  uint64_t total = 4 + sizeFieldLength + headerSize;
  uint64_t padded = (total + 15) / 16 * 16;
  if (padded > size - at - 16) return RarStatus::Truncated;
  h.bytes.resize(size_t(padded));
  std::memcpy(h.bytes.data(), first, 16);
  if (padded > 16) {
    if (!ReadExact(*source_, at + 32, h.bytes.data() + 16, size_t(padded - 16))) return RarStatus::ReadError;
    if (!cipher->Process(h.bytes.data() + 16, size_t(padded - 16))) return RarStatus::NeedPassword;
  }
  h.bytes.resize(size_t(total));
  h.size = 16 + padded;
  return RarStatus::Ok;
}

RarStatus RarReader::ReadHeader5(uint64_t at, Header& h) {
  const uint64_t size = source_->Size();
  if (at >= size) return RarStatus::Truncated;
  size_t sizeFieldLength = 0;
  if (headerKeySet_) {
    RarStatus fetched = FetchEncrypted5(at, h, sizeFieldLength);
    if (fetched != RarStatus::Ok) return fetched;
  } else {
    uint8_t start[7] = {};
    size_t got = source_->ReadAt(at, start, sizeof start);
    if (got < 5) return RarStatus::Truncated;
    Cursor sizeField(start + 4, got - 4);
    uint64_t headerSize = sizeField.Vint();
    if (!sizeField.ok || sizeField.Pos() > 3) return RarStatus::Damaged;
    if (headerSize == 0 || headerSize > kMaxHeader5) return RarStatus::Damaged;
    sizeFieldLength = sizeField.Pos();
    uint64_t total = 4 + sizeFieldLength + headerSize;
    if (total > size - at) return RarStatus::Truncated;
    h.bytes.resize(size_t(total));
    if (!ReadExact(*source_, at, h.bytes.data(), h.bytes.size())) return RarStatus::ReadError;
    h.size = total;
  }
  uint32_t storedCrc = uint32_t(h.bytes[0]) | uint32_t(h.bytes[1]) << 8 | uint32_t(h.bytes[2]) << 16 |
                       uint32_t(h.bytes[3]) << 24;
  if (zipformat::Crc32(h.bytes.data() + 4, h.bytes.size() - 4) != storedCrc)
    return headerKeySet_ ? RarStatus::BadPassword : RarStatus::Damaged;
  const uint64_t total = h.size;

  Cursor c(h.bytes.data(), h.bytes.size());
  c.Seek(4 + sizeFieldLength);
  h.type = unsigned(c.Vint());
  uint64_t flags = c.Vint();
  h.flags = uint32_t(flags);
  uint64_t extraSize = (flags & 0x01) ? c.Vint() : 0;
  h.dataSize = (flags & 0x02) ? c.Vint() : 0;
  if (!c.ok || extraSize > c.Left()) return RarStatus::Damaged;
  const size_t extraStart = h.bytes.size() - size_t(extraSize);
  if (h.dataSize > size - at - total && h.type != 2 && h.type != 3) return RarStatus::Truncated;

  switch (h.type) {
    case 1: {  // main
      uint64_t archiveFlags = c.Vint();
      info_.volume = archiveFlags & 0x01;
      info_.solid = archiveFlags & 0x04;
      info_.recoveryRecord = archiveFlags & 0x08;
      info_.locked = archiveFlags & 0x10;
      if (archiveFlags & 0x02) info_.volumeNumber = unsigned(c.Vint());
      info_.firstVolume = !(archiveFlags & 0x02) || info_.volumeNumber == 0;
      if (!c.ok) return RarStatus::Damaged;
      return RarStatus::Ok;
    }
    case 4: {  // archive encryption: every later header is encrypted
      h.isEncryption = true;
      info_.encryptedHeaders = true;
      Rar5Encryption& crypt = info_.headerCrypt;
      crypt.version = unsigned(c.Vint());
      uint64_t cryptFlags = c.Vint();
      crypt.hasCheck = cryptFlags & 0x01;
      crypt.kdfCount = c.Byte();
      c.Bytes(crypt.salt.data(), 16);
      if (crypt.hasCheck) c.Bytes(crypt.check.data(), 12);
      return c.ok ? RarStatus::Ok : RarStatus::Damaged;
    }
    case 5: {
      h.isEnd = true;
      h.moreVolumes = c.Vint() & 0x01;
      return c.ok ? RarStatus::Ok : RarStatus::Damaged;
    }
    case 2:
    case 3:
      break;
    default:
      return RarStatus::Ok;
  }

  h.isFile = h.type == 2;
  h.isService = h.type == 3;
  RarEntry& e = h.entry;
  e.headerOffset = at;
  e.dataOffset = at + total;
  e.packedSize = h.dataSize;
  e.volume = volumeIndex_;
  e.splitBefore = flags & 0x08;
  e.splitAfter = flags & 0x10;
  uint64_t fileFlags = c.Vint();
  e.rawFlags = uint32_t(fileFlags);
  e.directory = fileFlags & 0x01;
  e.unpackedSize = c.Vint();
  e.unknownSize = fileFlags & 0x08;
  e.attributes = uint32_t(c.Vint());
  if (fileFlags & 0x02) {
    uint32_t unixTime = uint32_t(c.Le(4));
    e.fileTime = kUnixEpochAsFileTime + uint64_t(unixTime) * 10000000ull;
    e.fileTimeUtc = true;
  }
  if (fileFlags & 0x04) {
    e.hasCrc = true;
    e.crc = uint32_t(c.Le(4));
  }
  uint64_t compression = c.Vint();
  unsigned algorithm = unsigned(compression & 0x3F);
  e.unpackVersion = algorithm == 0 ? 50 : algorithm == 1 ? 70 : 50 + algorithm * 10;
  e.solid = compression & 0x40;
  e.method = 0x30 + unsigned((compression >> 7) & 7);
  unsigned dictShift = unsigned((compression >> 10) & (algorithm == 0 ? 15 : 31));
  e.dictionarySize = uint64_t(128 * 1024) << dictShift;
  e.hostOs = unsigned(c.Vint());
  e.windowsAttributes = e.hostOs == kRar5HostWindows;
  uint64_t nameLength = c.Vint();
  if (!c.ok || nameLength > c.Left()) return RarStatus::Damaged;
  e.name = std::string(c.Text(size_t(nameLength)));
  if (!ValidUtf8(e.name)) e.name = Cp437ToUtf8(e.name);
  e.hasUnicodeName = true;
  if (!c.ok || c.Pos() > extraStart) return RarStatus::Damaged;

  Cursor x(h.bytes.data() + extraStart, size_t(extraSize));
  while (x.Left() > 0) {
    uint64_t recordSize = x.Vint();
    if (!x.ok || recordSize == 0 || recordSize > x.Left()) return RarStatus::Damaged;
    size_t recordEnd = x.Pos() + size_t(recordSize);
    Cursor r(h.bytes.data() + extraStart + x.Pos(), size_t(recordSize));
    uint64_t type = r.Vint();
    if (type == 1) {
      e.encrypted = true;
      e.rar5Crypt.version = unsigned(r.Vint());
      uint64_t cryptFlags = r.Vint();
      e.rar5Crypt.hasCheck = cryptFlags & 0x01;
      e.rar5Crypt.useMac = cryptFlags & 0x02;
      e.rar5Crypt.kdfCount = r.Byte();
      r.Bytes(e.rar5Crypt.salt.data(), 16);
      r.Bytes(e.rar5Crypt.iv.data(), 16);
      if (e.rar5Crypt.hasCheck) r.Bytes(e.rar5Crypt.check.data(), 12);
      if (!r.ok) return RarStatus::Damaged;
    } else if (type == 2) {
      if (r.Vint() == 0 && r.Bytes(e.blake2.data(), 32)) e.hasBlake2 = true;
    } else if (type == 5) {
      e.redirectType = unsigned(r.Vint());
      r.Vint();
      uint64_t length = r.Vint();
      if (r.ok && length <= r.Left()) e.redirectTarget = std::string(r.Text(size_t(length)));
    } else if (type == 3) {
      uint64_t timeFlags = r.Vint();
      if (timeFlags & 0x02) {
        uint64_t value = (timeFlags & 0x01) ? kUnixEpochAsFileTime + r.Le(4) * 10000000ull : r.Le(8);
        if (r.ok) {
          e.fileTime = value;
          e.fileTimeUtc = true;
        }
      }
    }
    x.Seek(recordEnd);
  }
  SetDosFromFileTime(e);
  if (e.directory) e.method = 0x30;
  // Data announced past the end of the file: the entry is listed, its stream will end short.
  return RarStatus::Ok;
}

RarStatus RarReader::ReadHeader4(uint64_t at, Header& h) {
  const uint64_t size = source_->Size();
  if (at >= size) return RarStatus::Truncated;
  uint8_t start[7];
  if (size - at < 7) return RarStatus::Truncated;
  if (!ReadExact(*source_, at, start, 7)) return RarStatus::ReadError;
  h.type = start[2];
  h.flags = uint32_t(start[3]) | uint32_t(start[4]) << 8;
  uint32_t headSize = uint32_t(start[5]) | uint32_t(start[6]) << 8;
  if (headSize < 7) return RarStatus::Damaged;
  if (headSize > size - at) return RarStatus::Truncated;
  h.bytes.resize(headSize);
  if (!ReadExact(*source_, at, h.bytes.data(), headSize)) return RarStatus::ReadError;
  h.size = headSize;
  Cursor c(h.bytes.data(), h.bytes.size());
  c.Seek(7);
  bool hasAdd = (h.flags & 0x8000) || h.type == 0x74 || h.type == 0x7A;
  if (hasAdd) {
    h.dataSize = c.Le(4);
    if (!c.ok) return RarStatus::Damaged;
  }
  uint16_t storedCrc = uint16_t(start[0] | start[1] << 8);
  uint16_t crc = uint16_t(zipformat::Crc32(h.bytes.data() + 2, headSize - 2));
  if (crc != storedCrc && h.type != 0x72) {
    // Old archives with a comment check only the fixed part of their archive header.
    bool oldMain = h.type == 0x73 && headSize > 13 &&
                   uint16_t(zipformat::Crc32(h.bytes.data() + 2, 11)) == storedCrc;
    if (!oldMain) return RarStatus::Damaged;
  }

  switch (h.type) {
    case 0x73: {
      info_.volume = h.flags & 0x01;
      info_.hasComment = info_.hasComment || (h.flags & 0x02);
      info_.locked = h.flags & 0x04;
      info_.solid = h.flags & 0x08;
      info_.newNaming = h.flags & 0x10;
      info_.recoveryRecord = h.flags & 0x40;
      info_.encryptedHeaders = h.flags & 0x80;
      info_.firstVolume = !info_.volume || (h.flags & 0x100);
      return RarStatus::Ok;
    }
    case 0x7B:
      h.isEnd = true;
      h.moreVolumes = h.flags & 0x01;
      return RarStatus::Ok;
    case 0x74:
    case 0x7A:
      break;
    default:
      if (hasAdd && h.dataSize > size - at - headSize) return RarStatus::Truncated;
      return RarStatus::Ok;
  }

  h.isFile = h.type == 0x74;
  h.isService = h.type == 0x7A;
  RarEntry& e = h.entry;
  e.rawFlags = h.flags;
  e.headerOffset = at;
  e.dataOffset = at + headSize;
  e.volume = volumeIndex_;
  uint64_t packLow = h.dataSize;
  uint64_t unpLow = c.Le(4);
  e.hostOs = c.Byte();
  e.crc = uint32_t(c.Le(4));
  e.hasCrc = true;
  uint32_t ftime = uint32_t(c.Le(4));
  e.unpackVersion = c.Byte();
  e.method = c.Byte();
  uint16_t nameSize = uint16_t(c.Le(2));
  e.attributes = uint32_t(c.Le(4));
  uint64_t packHigh = 0, unpHigh = 0;
  if (h.flags & 0x100) {
    packHigh = c.Le(4);
    unpHigh = c.Le(4);
  }
  if (!c.ok) return RarStatus::Damaged;
  e.packedSize = packLow | packHigh << 32;
  e.unpackedSize = unpLow | unpHigh << 32;
  e.unknownSize = (h.flags & 0x100) && unpLow == 0xFFFFFFFFu && (unpHigh == 0xFFFFFFFFu || unpHigh == 0x7FFFFFFFu);
  h.dataSize = e.packedSize;
  std::string_view rawName = c.Text(nameSize);
  if (!c.ok) return RarStatus::Damaged;
  if (h.flags & 0x400) {
    e.hasSalt = c.Bytes(e.salt.data(), 8);
    if (!c.ok) return RarStatus::Damaged;
  }
  e.splitBefore = h.flags & 0x01;
  e.splitAfter = h.flags & 0x02;
  e.encrypted = h.flags & 0x04;
  e.solid = h.flags & 0x10;
  e.directory = (h.flags & 0xE0) == 0xE0;
  e.dictionarySize = e.directory ? 0 : uint64_t(64 * 1024) << ((h.flags >> 5) & 7);
  e.windowsAttributes = e.hostOs == kRar4HostDos || e.hostOs == kRar4HostOs2 || e.hostOs == kRar4HostWin32;
  if (e.directory) e.method = 0x30;
  e.dosDate = uint16_t(ftime >> 16);
  e.dosTime = uint16_t(ftime);
  e.fileTime = zipformat::DosToFileTime(e.dosDate, e.dosTime);

  size_t zero = rawName.find('\0');
  if ((h.flags & 0x200) != 0) {
    if (zero == std::string_view::npos) {
      // No OEM part: the whole name is UTF-8.
      e.oemName = std::string(rawName);
      e.name = ValidUtf8(rawName) ? std::string(rawName) : oem_(rawName);
    } else {
      e.oemName = std::string(rawName.substr(0, zero));
      e.name = Utf16ToUtf8(DecodeRar4UnicodeName(e.oemName, rawName.substr(zero + 1)));
      if (e.name.empty()) e.name = oem_(e.oemName);
    }
    e.hasUnicodeName = true;
  } else {
    e.oemName = std::string(rawName.substr(0, zero));
    // Unix hosts store names in their locale's charset, which today is UTF-8.
    bool unixUtf8 = e.hostOs == kRar4HostUnix && ValidUtf8(e.oemName);
    e.name = unixUtf8 ? e.oemName : oem_(e.oemName);
    e.nameFromOem = !unixUtf8;
  }
  e.name = Slashes(e.name);
  return RarStatus::Ok;
}

// ---- the walk -------------------------------------------------------------------------------

RarStatus RarReader::OpenVolume(bool first) {
  const uint64_t size = source_->Size();
  size_t window = size_t(std::min<uint64_t>(size, kSfxSearch + 8));
  std::vector<uint8_t> head(window);
  size_t got = source_->ReadAt(0, head.data(), window);
  head.resize(got);
  RarStatus firstFailure = RarStatus::NotRar;
  for (size_t at = 0; at + 7 <= head.size(); ++at) {
    if (head[at] != 0x52) continue;
    bool is5 = at + 8 <= head.size() && std::memcmp(head.data() + at, kSignature5, 8) == 0;
    bool is4 = !is5 && std::memcmp(head.data() + at, kSignature4, 7) == 0;
    if (!is5 && !is4) continue;
    RarFormat format = is5 ? RarFormat::Rar5 : RarFormat::Rar4;
    if (!first && format != info_.format) continue;
    RarArchiveInfo saved = info_;
    info_.format = format;
    info_.signatureOffset = at;
    Header main;
    uint64_t mainAt = at + (is5 ? 8 : 7);
    RarStatus status = ReadHeader(mainAt, main);
    if (is5 && status == RarStatus::Ok && main.isEncryption) {
      // Encrypted headers: the main header itself comes encrypted after this one.
      position_ = mainAt + main.size;
      if (first || !crypto_) return RarStatus::Ok;
      headerKeySet_ = false;
      RarStatus unlocked = DeriveHeaderKey();
      return unlocked == RarStatus::Ok ? ReadEncryptedMain() : unlocked;
    }
    bool isMain = status == RarStatus::Ok && main.type == (is5 ? 1u : 0x73u);
    if (!isMain) {
      if (firstFailure == RarStatus::NotRar) firstFailure = status == RarStatus::Ok ? RarStatus::Damaged : status;
      // In a stub a stray signature is expected; at the start of the file it is the archive.
      if (at == 0) return firstFailure;
      info_ = saved;
      continue;
    }
    position_ = mainAt + main.size + main.dataSize;
    return RarStatus::Ok;
  }
  return firstFailure;
}

RarStatus RarReader::Open() {
  RarStatus status = OpenVolume(true);
  if (status != RarStatus::Ok) return status;
  if (info_.encryptedHeaders) return RarStatus::NeedPassword;
  ReadComment();
  return RarStatus::Ok;
}

RarStatus RarReader::DeriveHeaderKey() {
  const Rar5Encryption& crypt = info_.headerCrypt;
  if (headerKeySet_ && headerSalt_ == crypt.salt) return RarStatus::Ok;
  Rar5Keys keys;
  if (crypt.version != 0 || !DeriveRar5Keys(*crypto_, password_, crypt.salt.data(), crypt.kdfCount, keys))
    return RarStatus::NeedPassword;
  if (crypt.hasCheck && !std::equal(keys.check.begin(), keys.check.end(), crypt.check.begin()))
    return RarStatus::BadPassword;
  headerKey_ = keys.key;
  headerSalt_ = crypt.salt;
  headerKeySet_ = true;
  return RarStatus::Ok;
}

RarStatus RarReader::ReadEncryptedMain() {
  Header main;
  RarStatus status = ReadHeader(position_, main);
  if (status != RarStatus::Ok) return status;
  if (main.type != 1) return RarStatus::Damaged;
  position_ = main.offset + main.size + main.dataSize;
  return RarStatus::Ok;
}

RarStatus RarReader::Unlock(ICryptoProvider& crypto, std::string_view password) {
  if (!info_.encryptedHeaders || info_.format != RarFormat::Rar5) return RarStatus::Ok;
  crypto_ = &crypto;
  password_ = std::string(password);
  headerKeySet_ = false;
  RarStatus status = DeriveHeaderKey();
  if (status == RarStatus::Ok) status = ReadEncryptedMain();
  if (status != RarStatus::Ok) {
    headerKeySet_ = false;
    return status;
  }
  ReadComment();
  return RarStatus::Ok;
}

void RarReader::ReadComment() {
  uint64_t at = position_;
  for (int blocks = 0; blocks < 16; ++blocks) {
    Header h;
    if (ReadHeader(at, h) != RarStatus::Ok || h.isFile || h.isEnd || h.isEncryption) return;
    at = h.offset + h.size + h.dataSize;
    if (info_.format == RarFormat::Rar4 && h.type == 0x75) {
      // The comment block of RAR 2.x: size, version, method, CRC16, then the text.
      info_.hasComment = true;
      Cursor c(h.bytes.data(), h.bytes.size());
      c.Seek(7);
      uint16_t unpSize = uint16_t(c.Le(2));
      c.Byte();
      uint8_t method = c.Byte();
      c.Le(2);
      if (c.ok && method == 0x30 && c.Left() >= unpSize) {
        info_.comment = std::string(c.Text(unpSize));
        info_.commentRead = true;
      }
      return;
    }
    if (h.isService && h.entry.name == "CMT") {
      info_.hasComment = true;
      const RarEntry& e = h.entry;
      if (e.encrypted || e.packedSize > kMaxComment || e.unpackedSize > kMaxComment || e.splitAfter) return;
      std::string packed(size_t(e.packedSize), '\0');
      if (!ReadExact(*source_, e.dataOffset, packed.data(), packed.size())) return;
      std::string text;
      if (e.Stored()) {
        if (e.unpackedSize > e.packedSize) return;
        text = packed.substr(0, size_t(e.unpackedSize));
      } else if (!UnpackComment(e, packed, text)) {
        return;
      }
      if (e.hasCrc && zipformat::Crc32(text.data(), text.size()) != e.crc) return;
      info_.comment = std::move(text);
      info_.commentRead = true;
      return;
    }
  }
}

RarStatus RarReader::NextVolume() {
  if (!volumes_) return RarStatus::VolumeStopped;
  std::string name = NextVolumeName(volumeName_, info_.newNaming);
  if (name == volumeName_) return RarStatus::VolumeStopped;
  std::unique_ptr<zipformat::IByteSource> next;
  for (;;) {
    next = volumes_->Open(name);
    if (next) break;
    if (!volumes_->AskMissing(name)) return RarStatus::VolumeStopped;
  }
  if (!volumes_->Opened(name)) return RarStatus::VolumeStopped;
  source_ = std::move(next);
  volumeName_ = name;
  ++volumeIndex_;
  RarArchiveInfo keep = info_;
  RarStatus status = OpenVolume(false);
  // The set's properties stay those of the opened volume; only the numbering moves on.
  unsigned number = info_.volumeNumber;
  info_ = keep;
  info_.volumeNumber = number;
  if (status == RarStatus::NotRar) return RarStatus::Damaged;
  return status;
}

RarStatus RarReader::Next(RarEntry& entry) {
  for (;;) {
    // RAR 5 always ends in an end header; RAR 1.5-4 archives may simply stop after an entry.
    if (position_ == source_->Size() && info_.format == RarFormat::Rar4) return RarStatus::End;
    if (position_ >= source_->Size()) return RarStatus::Truncated;
    Header h;
    RarStatus status = ReadHeader(position_, h);
    if (status != RarStatus::Ok) return status;
    if (h.isEncryption) return RarStatus::NeedPassword;
    position_ = h.offset + h.size + h.dataSize;
    if (h.isEnd) {
      if (!h.moreVolumes) return RarStatus::End;
      if (!volumes_) return RarStatus::End;
      status = NextVolume();
      if (status != RarStatus::Ok) return status;
      continue;
    }
    if (!h.isFile) continue;
    current_ = h.entry;
    haveEntry_ = true;
    entry = current_;
    return RarStatus::Ok;
  }
}

RarStatus RarReader::FindContinuation() {
  const std::string name = current_.name;
  RarStatus status = NextVolume();
  if (status != RarStatus::Ok) return status;
  for (;;) {
    Header h;
    status = ReadHeader(position_, h);
    if (status != RarStatus::Ok) return status;
    if (h.isEncryption) return RarStatus::NeedPassword;
    position_ = h.offset + h.size + h.dataSize;
    if (h.isEnd) return RarStatus::Damaged;
    if (!h.isFile) continue;
    if (!h.entry.splitBefore || h.entry.name != name) return RarStatus::Damaged;
    current_ = h.entry;
    return RarStatus::Ok;
  }
}

class PackedStream final : public IPackedInput {
 public:
  explicit PackedStream(RarReader& reader)
      : reader_(reader), position_(reader.current_.dataOffset), left_(reader.current_.packedSize) {}

  size_t Read(uint8_t* buffer, size_t count) override {
    size_t total = 0;
    while (total < count && !failed_) {
      if (left_ == 0) {
        if (!reader_.current_.splitAfter) break;
        RarStatus status = reader_.FindContinuation();
        if (status != RarStatus::Ok) {
          Fail(status);
          break;
        }
        position_ = reader_.current_.dataOffset;
        left_ = reader_.current_.packedSize;
        continue;
      }
      size_t want = size_t(std::min<uint64_t>(left_, count - total));
      size_t got = reader_.source_->ReadAt(position_, buffer + total, want);
      total += got;
      position_ += got;
      left_ -= got;
      if (got < want) Fail(position_ >= reader_.source_->Size() ? RarStatus::Truncated : RarStatus::ReadError);
    }
    return total;
  }

 private:
  void Fail(RarStatus status) {
    failed_ = true;
    reader_.streamError_ = status;
  }
  RarReader& reader_;
  uint64_t position_;
  uint64_t left_;
  bool failed_ = false;
};

std::unique_ptr<IPackedInput> RarReader::OpenPacked() {
  if (!haveEntry_) return nullptr;
  streamError_ = RarStatus::Ok;
  return std::make_unique<PackedStream>(*this);
}

}  // namespace rarformat
