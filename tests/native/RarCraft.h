// Small RAR 5 store archives built in tests, for the cases no real archive shows: damaged and
// lying headers, hostile names, comments, hashes. Every header carries a correct CRC unless a
// test breaks it on purpose.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "archivers/zipformat/ZipFormat.h"

namespace rarcraft {

inline std::string Vint(uint64_t value) {
  std::string out;
  do {
    uint8_t byte = value & 0x7F;
    value >>= 7;
    if (value) byte |= 0x80;
    out += char(byte);
  } while (value);
  return out;
}

inline std::string Le32(uint32_t value) {
  std::string out;
  for (int i = 0; i < 4; ++i) out += char(value >> (8 * i));
  return out;
}

// A header: CRC, size, then `body` (type, flags and the rest, extra area included).
inline std::string Header(const std::string& body) {
  std::string sized = Vint(body.size()) + body;
  return Le32(zipformat::Crc32(sized.data(), sized.size())) + sized;
}

inline const std::string kSignature("Rar!\x1A\x07\x01\x00", 8);

inline std::string MainHeader(uint64_t archiveFlags = 0, uint64_t volumeNumber = 0) {
  std::string body = Vint(1) + Vint(0) + Vint(archiveFlags);
  if (archiveFlags & 0x02) body += Vint(volumeNumber);
  return Header(body);
}

inline std::string EndHeader(bool moreVolumes = false) { return Header(Vint(5) + Vint(0) + Vint(moreVolumes ? 1 : 0)); }

struct File {
  std::string name;
  std::string data;            // stored as is
  bool directory = false;
  uint64_t hostOs = 0;         // Windows
  uint32_t attributes = 0x20;
  uint32_t unixTime = 1600000000;
  bool splitBefore = false, splitAfter = false;
  uint64_t headerType = 2;     // 3 for a service header
  std::string extra;           // extra records, already encoded
  int64_t crcOverride = -1;
  int64_t unpackedOverride = -1;
  int64_t dataSizeOverride = -1;
  uint64_t compression = 0;    // stored
};

inline std::string Record(uint64_t type, const std::string& data) {
  std::string body = Vint(type) + data;
  return Vint(body.size()) + body;
}

inline std::string FileHeader(const File& f) {
  uint64_t flags = 0x02 | (f.extra.empty() ? 0 : 0x01) | (f.splitBefore ? 0x08 : 0) | (f.splitAfter ? 0x10 : 0);
  uint64_t dataSize = f.dataSizeOverride >= 0 ? uint64_t(f.dataSizeOverride) : f.data.size();
  std::string body = Vint(f.headerType) + Vint(flags);
  if (!f.extra.empty()) body += Vint(f.extra.size());
  body += Vint(dataSize);
  body += Vint((f.directory ? 0x01 : 0) | 0x02 | 0x04);
  body += Vint(f.unpackedOverride >= 0 ? uint64_t(f.unpackedOverride) : f.data.size());
  body += Vint(f.attributes);
  body += Le32(f.unixTime);
  body += Le32(f.crcOverride >= 0 ? uint32_t(f.crcOverride) : zipformat::Crc32(f.data.data(), f.data.size()));
  body += Vint(f.compression);
  body += Vint(f.hostOs);
  body += Vint(f.name.size()) + f.name;
  body += f.extra;
  return Header(body) + f.data;
}

inline std::string Archive(const std::vector<File>& files, const std::string& before = "") {
  std::string out = kSignature + MainHeader() + before;
  for (const File& f : files) out += FileHeader(f);
  return out + EndHeader();
}

// RAR 1.5-4 blocks: CRC16 (the low half of the CRC-32 from the type on), type, flags, size.
inline std::string Le16(uint16_t value) { return std::string{char(value), char(value >> 8)}; }

inline std::string Block4(uint8_t type, uint16_t flags, const std::string& rest) {
  std::string body = std::string(1, char(type)) + Le16(flags) + Le16(uint16_t(7 + rest.size())) + rest;
  return Le16(uint16_t(zipformat::Crc32(body.data(), body.size()))) + body;
}

inline const std::string kMarker4("Rar!\x1A\x07\x00", 7);

inline std::string MainHeader4(uint16_t flags) { return Block4(0x73, flags, std::string(6, '\0')); }

inline std::string EndBlock4(bool moreVolumes) { return Block4(0x7B, moreVolumes ? 0x01 : 0x00, ""); }

struct File4 {
  std::string name;
  std::string data;          // this part's stored bytes
  uint32_t unpackedSize = 0;
  uint32_t crc = 0;          // of the whole file (last part) or of this part's bytes
  uint16_t flags = 0;        // 0x01 split before, 0x02 split after
};

inline std::string FileHeader4(const File4& f) {
  std::string rest = Le32(uint32_t(f.data.size())) + Le32(f.unpackedSize) + char(2) + Le32(f.crc) +
                     Le32(0x3EDA76B7) + char(20) + char(0x30) + Le16(uint16_t(f.name.size())) + Le32(0x20) + f.name;
  return Block4(0x74, uint16_t(0x8000 | f.flags), rest) + f.data;
}

}  // namespace rarcraft
