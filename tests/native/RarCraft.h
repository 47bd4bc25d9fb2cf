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

}  // namespace rarcraft
