#include "archivers/zipdll/ZipRecords.h"

#include <algorithm>

namespace zipdll {

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

namespace {

uint32_t Clamp32(uint64_t value) { return value >= kMax32 ? 0xFFFFFFFFu : static_cast<uint32_t>(value); }

uint32_t Get16(const unsigned char* p) { return p[0] | (p[1] << 8); }
uint32_t Get32(const unsigned char* p) { return Get16(p) | (Get16(p + 2) << 16); }
uint64_t Get64(const unsigned char* p) { return Get32(p) | (static_cast<uint64_t>(Get32(p + 4)) << 32); }

void PutExtraField(std::string& out, uint16_t id, const std::string& data) {
  Put16(out, id);
  Put16(out, static_cast<uint32_t>(data.size()));
  out += data;
}

// Splits the ZIP64 field off an extra area: the values it carries replace the fields that hold
// all ones, and the other fields are kept for the entry as they are.
bool TakeZip64(const std::string& extra, EntryRecord& entry, bool offsetIsAllOnes) {
  std::string kept;
  size_t at = 0;
  while (at + 4 <= extra.size()) {
    const auto* p = reinterpret_cast<const unsigned char*>(extra.data() + at);
    const uint32_t id = Get16(p), length = Get16(p + 2);
    if (at + 4 + length > extra.size()) break;
    if (id == kZip64ExtraId) {
      const unsigned char* value = p + 4;
      const unsigned char* end = value + length;
      auto take = [&](uint64_t& field) {
        if (field != kMax32) return true;
        if (value + 8 > end) return false;
        field = Get64(value);
        value += 8;
        return true;
      };
      if (!take(entry.size) || !take(entry.compressedSize)) return false;
      if (offsetIsAllOnes && !take(entry.localOffset)) return false;
    } else {
      kept.append(extra, at, 4 + length);
    }
    at += 4 + length;
  }
  // A trailing scrap too short for a field header is dropped rather than copied on.
  entry.extra = kept;
  return true;
}

}  // namespace

std::string UnicodePathField(const std::string& utf8Name, uint32_t nameCrc) {
  std::string data(1, '\x01');
  Put32(data, nameCrc);
  data += utf8Name;
  std::string out;
  PutExtraField(out, kUnicodePathId, data);
  return out;
}

uint16_t VersionNeeded(const EntryRecord& entry, bool zip64) {
  if (zip64) return 45;
  const bool folder = !entry.name.empty() && entry.name.back() == '/';
  if (entry.method == kMethodDeflate || (entry.flags & kFlagEncrypted) || folder) return 20;
  return 10;
}

std::string LocalHeader(const EntryRecord& entry, bool zip64) {
  std::string extra;
  if (zip64) {
    std::string sizes;
    Put64(sizes, entry.size);
    Put64(sizes, entry.compressedSize);
    PutExtraField(extra, kZip64ExtraId, sizes);
  }
  extra += entry.extra;
  std::string out;
  Put32(out, kLocalSignature);
  Put16(out, std::max(entry.versionNeeded, VersionNeeded(entry, zip64)));
  Put16(out, entry.flags);
  Put16(out, entry.method);
  Put16(out, entry.dosTime);
  Put16(out, entry.dosDate);
  Put32(out, entry.crc);
  Put32(out, zip64 ? 0xFFFFFFFFu : Clamp32(entry.compressedSize));
  Put32(out, zip64 ? 0xFFFFFFFFu : Clamp32(entry.size));
  Put16(out, static_cast<uint32_t>(entry.name.size()));
  Put16(out, static_cast<uint32_t>(extra.size()));
  out += entry.name;
  out += extra;
  return out;
}

std::string CentralHeader(const EntryRecord& entry) {
  std::string large;
  if (entry.size >= kMax32) Put64(large, entry.size);
  if (entry.compressedSize >= kMax32) Put64(large, entry.compressedSize);
  if (entry.localOffset >= kMax32) Put64(large, entry.localOffset);
  std::string extra;
  if (!large.empty()) PutExtraField(extra, kZip64ExtraId, large);
  extra += entry.extra;

  std::string out;
  Put32(out, kCentralSignature);
  Put16(out, entry.madeBy);
  Put16(out, std::max(entry.versionNeeded, VersionNeeded(entry, !large.empty())));
  Put16(out, entry.flags);
  Put16(out, entry.method);
  Put16(out, entry.dosTime);
  Put16(out, entry.dosDate);
  Put32(out, entry.crc);
  Put32(out, Clamp32(entry.compressedSize));
  Put32(out, Clamp32(entry.size));
  Put16(out, static_cast<uint32_t>(entry.name.size()));
  Put16(out, static_cast<uint32_t>(extra.size()));
  Put16(out, static_cast<uint32_t>(entry.comment.size()));
  Put16(out, 0);  // disk number start
  Put16(out, entry.internalAttributes);
  Put32(out, entry.externalAttributes);
  Put32(out, Clamp32(entry.localOffset));
  out += entry.name;
  out += extra;
  out += entry.comment;
  return out;
}

std::string EndRecords(uint64_t entries, uint64_t directorySize, uint64_t directoryOffset) {
  const bool zip64 = entries >= kMax16 || directorySize >= kMax32 || directoryOffset >= kMax32;
  std::string out;
  if (zip64) {
    const uint64_t recordOffset = directoryOffset + directorySize;
    Put32(out, kZip64EndSignature);
    Put64(out, 44);  // the record's size after this field, no extensible data
    Put16(out, 45);  // made by: MS-DOS host, 4.5
    Put16(out, 45);
    Put32(out, 0);
    Put32(out, 0);
    Put64(out, entries);
    Put64(out, entries);
    Put64(out, directorySize);
    Put64(out, directoryOffset);
    Put32(out, kZip64LocatorSignature);
    Put32(out, 0);
    Put64(out, recordOffset);
    Put32(out, 1);
  }
  const uint32_t count = entries >= kMax16 ? 0xFFFF : static_cast<uint32_t>(entries);
  Put32(out, kEndSignature);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, count);
  Put16(out, count);
  Put32(out, Clamp32(directorySize));
  Put32(out, Clamp32(directoryOffset));
  Put16(out, 0);  // no archive comment
  return out;
}

std::optional<Directory> ReadDirectory(const ReadAt& read, uint64_t fileSize, DirectoryError* error) {
  auto fail = [&](DirectoryError why) -> std::optional<Directory> {
    if (error) *error = why;
    return std::nullopt;
  };
  if (error) *error = DirectoryError::kNone;
  if (fileSize < 22) return fail(DirectoryError::kNoEndRecord);

  // The end record is the last signature whose comment reaches no further than the file.
  const uint64_t tail = std::min<uint64_t>(fileSize, 65535 + 22);
  std::vector<unsigned char> buffer(static_cast<size_t>(tail));
  if (!read(fileSize - tail, buffer.data(), buffer.size())) return fail(DirectoryError::kDamaged);
  std::optional<size_t> found;
  for (size_t at = buffer.size() - 22 + 1; at-- > 0;) {
    if (Get32(&buffer[at]) == kEndSignature && at + 22 + Get16(&buffer[at + 20]) <= buffer.size()) {
      found = at;
      break;
    }
  }
  if (!found) return fail(DirectoryError::kNoEndRecord);
  const unsigned char* end = &buffer[*found];
  const uint64_t endOffset = fileSize - tail + *found;
  uint64_t count = Get16(end + 10);
  uint64_t directorySize = Get32(end + 12);
  uint64_t recordedStart = Get32(end + 16);
  uint64_t directoryEnd = endOffset;

  unsigned char locator[20];
  if (endOffset >= 20 && read(endOffset - 20, locator, sizeof locator) && Get32(locator) == kZip64LocatorSignature) {
    unsigned char record[56];
    const uint64_t recordOffset = Get64(locator + 8);
    // The record normally sits right before the locator; its recorded offset is trusted only
    // when the archive has nothing in front of it.
    const uint64_t expected = endOffset - 20 >= 56 ? endOffset - 20 - 56 : recordOffset;
    uint64_t at = expected;
    if (!read(at, record, sizeof record) || Get32(record) != kZip64EndSignature) {
      at = recordOffset;
      if (!read(at, record, sizeof record) || Get32(record) != kZip64EndSignature) return fail(DirectoryError::kDamaged);
    }
    count = Get64(record + 32);
    directorySize = Get64(record + 40);
    recordedStart = Get64(record + 48);
    directoryEnd = at;
  }
  if (directorySize > directoryEnd) return fail(DirectoryError::kDamaged);

  Directory directory;
  directory.directoryStart = directoryEnd - directorySize;
  const uint64_t shift = directory.directoryStart - recordedStart;
  std::vector<unsigned char> bytes(static_cast<size_t>(directorySize));
  if (!bytes.empty() && !read(directory.directoryStart, bytes.data(), bytes.size())) return fail(DirectoryError::kDamaged);

  size_t at = 0;
  for (uint64_t i = 0; i < count; ++i) {
    if (at + 46 > bytes.size() || Get32(&bytes[at]) != kCentralSignature) return fail(DirectoryError::kDamaged);
    const unsigned char* p = &bytes[at];
    const size_t nameLength = Get16(p + 28), extraLength = Get16(p + 30), commentLength = Get16(p + 32);
    if (at + 46 + nameLength + extraLength + commentLength > bytes.size()) return fail(DirectoryError::kDamaged);
    EntryRecord entry;
    entry.madeBy = Get16(p + 4);
    entry.versionNeeded = Get16(p + 6);
    entry.flags = Get16(p + 8);
    entry.method = Get16(p + 10);
    entry.dosTime = Get16(p + 12);
    entry.dosDate = Get16(p + 14);
    entry.crc = Get32(p + 16);
    entry.compressedSize = Get32(p + 20);
    entry.size = Get32(p + 24);
    entry.internalAttributes = Get16(p + 36);
    entry.externalAttributes = Get32(p + 38);
    entry.localOffset = Get32(p + 42);
    const char* text = reinterpret_cast<const char*>(p + 46);
    entry.name.assign(text, nameLength);
    entry.comment.assign(text + nameLength + extraLength, commentLength);
    if (!TakeZip64(std::string(text + nameLength, extraLength), entry, entry.localOffset == kMax32))
      return fail(DirectoryError::kDamaged);
    entry.localOffset += shift;
    if (entry.localOffset >= directory.directoryStart) return fail(DirectoryError::kDamaged);
    directory.entries.push_back(std::move(entry));
    at += 46 + nameLength + extraLength + commentLength;
  }
  return directory;
}

}  // namespace zipdll
