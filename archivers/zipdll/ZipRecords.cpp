#include "archivers/zipdll/ZipRecords.h"

#include <algorithm>

namespace zipdll {

namespace {

void Put16(std::string& out, uint32_t value) {
  out.push_back(static_cast<char>(value & 0xFF));
  out.push_back(static_cast<char>((value >> 8) & 0xFF));
}
void Put32(std::string& out, uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}
void Put64(std::string& out, uint64_t value) {
  Put32(out, static_cast<uint32_t>(value));
  Put32(out, static_cast<uint32_t>(value >> 32));
}
uint32_t Get16(const std::string& s, size_t at) {
  return static_cast<uint8_t>(s[at]) | (static_cast<uint8_t>(s[at + 1]) << 8);
}

}  // namespace

uint16_t VersionNeeded(const Entry& entry, bool zip64) {
  if (zip64) return 45;
  if (entry.method == zipformat::kMethodDeflated || entry.Encrypted() || entry.IsFolder()) return 20;
  return 10;
}

std::string LocalHeader(const Entry& entry, bool zip64) {
  std::string extra;
  if (zip64) {
    Put16(extra, zipformat::kZip64ExtraId);
    Put16(extra, 16);
    Put64(extra, entry.unpackedSize);
    Put64(extra, entry.packedSize);
  }
  extra += entry.extra;
  std::string out;
  Put32(out, zipformat::kLocalSignature);
  Put16(out, std::max(entry.versionNeeded, VersionNeeded(entry, zip64)));
  Put16(out, entry.flags | (entry.utf8 ? zipformat::kFlagUtf8 : 0));
  Put16(out, entry.method);
  Put16(out, entry.dosTime);
  Put16(out, entry.dosDate);
  Put32(out, entry.crc);
  Put32(out, zip64 ? 0xFFFFFFFFu : static_cast<uint32_t>(entry.packedSize));
  Put32(out, zip64 ? 0xFFFFFFFFu : static_cast<uint32_t>(entry.unpackedSize));
  Put16(out, static_cast<uint32_t>(entry.name.size()));
  Put16(out, static_cast<uint32_t>(extra.size()));
  out += entry.name;
  out += extra;
  return out;
}

std::string DirectoryAndEnd(const std::vector<Entry>& entries, uint64_t start, std::string_view comment) {
  std::string out;
  for (const auto& entry : entries) out += zipformat::EncodeCentralHeader(entry);
  out += zipformat::EncodeEndRecords(entries.size(), out.size(), start, start + out.size(), comment);
  return out;
}

std::string WithoutZip64(const std::string& extra) {
  std::string kept;
  for (size_t at = 0; at + 4 <= extra.size();) {
    const size_t length = Get16(extra, at + 2);
    if (at + 4 + length > extra.size()) break;  // a scrap too short for a field is dropped
    if (Get16(extra, at) != zipformat::kZip64ExtraId) kept.append(extra, at, 4 + length);
    at += 4 + length;
  }
  return kept;
}

std::string UnicodePathField(const std::string& utf8Name) {
  std::string out;
  Put16(out, kUnicodePathId);
  Put16(out, static_cast<uint32_t>(5 + utf8Name.size()));
  out.push_back('\x01');
  Put32(out, zipformat::Crc32(utf8Name.data(), utf8Name.size()));
  out += utf8Name;
  return out;
}

}  // namespace zipdll
