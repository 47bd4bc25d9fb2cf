#include "ArjHeaders.h"

#include <algorithm>
#include <array>

namespace arjformat {
namespace {

std::array<uint32_t, 256> MakeCrcTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[i] = c;
  }
  return table;
}

const std::array<uint32_t, 256>& CrcTable() {
  static const std::array<uint32_t, 256> table = MakeCrcTable();
  return table;
}

uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Get32(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
void Put16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// Reads exactly `count` bytes or reports failure (a short read means the file ends first).
bool ReadExact(zipformat::IByteSource& source, uint64_t offset, void* buffer, size_t count) {
  if (offset > source.Size() || source.Size() - offset < count) return false;
  return source.ReadAt(offset, buffer, count) == count;
}

}  // namespace

uint32_t Crc32(const void* data, size_t size, uint32_t crc) {
  const auto& table = CrcTable();
  const auto* p = static_cast<const uint8_t*>(data);
  crc = ~crc;
  for (size_t i = 0; i < size; ++i) crc = table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

HeaderStatus ReadHeader(zipformat::IByteSource& source, uint64_t offset, ArjHeader& header,
                        uint64_t& dataOffset) {
  uint8_t prefix[4];
  if (!ReadExact(source, offset, prefix, 4)) return HeaderStatus::Bad;
  if (prefix[0] != kId0 || prefix[1] != kId1) return HeaderStatus::Bad;
  const size_t size = Get16(prefix + 2);
  if (size == 0) return HeaderStatus::End;
  if (size > kMaxBasicHeaderSize) return HeaderStatus::Bad;
  std::vector<uint8_t> basic(size + 4);
  if (!ReadExact(source, offset + 4, basic.data(), basic.size())) return HeaderStatus::Bad;
  if (Crc32(basic.data(), size) != Get32(basic.data() + size)) return HeaderStatus::Bad;
  const uint8_t* b = basic.data();
  const size_t first = b[0];
  if (first < kMinFirstHeaderSize || first > size) return HeaderStatus::Bad;

  ArjHeader h;
  h.firstHeaderSize = b[0];
  h.archiverVersion = b[1];
  h.minVersion = b[2];
  h.hostOs = b[3];
  h.flags = b[4];
  h.method = b[5];
  h.fileType = b[6];
  h.dosTime = Get32(b + 8);
  h.compressedSize = Get32(b + 12);
  h.originalSize = Get32(b + 16);
  h.fileCrc = Get32(b + 20);
  h.entryNamePos = Get16(b + 24);
  h.accessMode = Get16(b + 26);
  h.firstChapter = b[28];
  h.lastChapter = b[29];
  h.hostData = Get16(b + 28);
  if ((h.flags & kFlagExtFile) && first >= 34) h.extFilePos = Get32(b + 30);

  // The name and comment are NUL-terminated, but a damaged header may lack the NULs: the basic
  // header's end bounds both.
  const uint8_t* end = b + size;
  const uint8_t* name = b + first;
  const uint8_t* nameEnd = std::find(name, end, 0);
  h.name.assign(reinterpret_cast<const char*>(name),
                std::min<size_t>(static_cast<size_t>(nameEnd - name), kMaxNameLength));
  if (nameEnd < end) {
    const uint8_t* comment = nameEnd + 1;
    const uint8_t* commentEnd = std::find(comment, end, 0);
    h.comment.assign(reinterpret_cast<const char*>(comment), static_cast<size_t>(commentEnd - comment));
  }

  uint64_t pos = offset + 4 + size + 4;
  for (;;) {
    uint8_t ext[2];
    if (!ReadExact(source, pos, ext, 2)) return HeaderStatus::Bad;
    const uint16_t extSize = Get16(ext);
    pos += 2;
    if (extSize == 0) break;
    pos += static_cast<uint64_t>(extSize) + 4;
    if (pos > source.Size()) return HeaderStatus::Bad;
  }
  header = std::move(h);
  dataOffset = pos;
  return HeaderStatus::Ok;
}

std::optional<uint64_t> FindMainHeader(zipformat::IByteSource& source, uint64_t limit) {
  const uint64_t size = source.Size();
  if (size < 2) return std::nullopt;
  const uint64_t stop = std::min(size - 2, limit);
  // One read covers every candidate and the longest header that can start at the last of them.
  const uint64_t span = std::min<uint64_t>(size, stop + 4 + kMaxBasicHeaderSize + 4);
  std::vector<uint8_t> bytes(static_cast<size_t>(span));
  const size_t got = source.ReadAt(0, bytes.data(), bytes.size());
  bytes.resize(got);
  for (uint64_t i = 0; i < stop && i + 4 <= bytes.size(); ++i) {
    if (bytes[i] != kId0 || bytes[i + 1] != kId1) continue;
    const size_t headerSize = Get16(&bytes[i + 2]);
    if (headerSize > kMaxBasicHeaderSize) continue;
    if (i + 4 + headerSize + 4 > bytes.size()) continue;
    if (Crc32(&bytes[i + 4], headerSize) == Get32(&bytes[i + 4 + headerSize])) return i;
  }
  return std::nullopt;
}

std::vector<uint8_t> EncodeHeader(const ArjHeader& header) {
  const bool ext = (header.flags & kFlagExtFile) != 0;
  std::vector<uint8_t> basic;
  basic.push_back(ext ? 34 : 30);
  basic.push_back(header.archiverVersion);
  basic.push_back(header.minVersion);
  basic.push_back(header.hostOs);
  basic.push_back(header.flags);
  basic.push_back(header.method);
  basic.push_back(header.fileType);
  basic.push_back(0);
  Put32(basic, header.dosTime);
  Put32(basic, header.compressedSize);
  Put32(basic, header.originalSize);
  Put32(basic, header.fileCrc);
  Put16(basic, header.entryNamePos);
  Put16(basic, header.accessMode);
  basic.push_back(header.firstChapter);
  basic.push_back(header.lastChapter);
  if (ext) Put32(basic, header.extFilePos);
  const std::string name = header.name.substr(0, kMaxNameLength);
  basic.insert(basic.end(), name.begin(), name.end());
  basic.push_back(0);
  const size_t room = kMaxBasicHeaderSize - basic.size() - 1;
  const std::string comment = header.comment.substr(0, room);
  basic.insert(basic.end(), comment.begin(), comment.end());
  basic.push_back(0);

  const uint32_t crc = Crc32(basic.data(), basic.size());
  const size_t size = basic.size();
  basic.insert(basic.begin(), {kId0, kId1, static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8)});
  Put32(basic, crc);
  Put16(basic, 0);
  return basic;
}

std::string NativeName(const ArjHeader& header) {
  std::string name = header.name;
  if (header.flags & kFlagPathSym) std::replace(name.begin(), name.end(), '/', '\\');
  return name;
}

}  // namespace arjformat
