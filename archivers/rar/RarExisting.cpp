#include "archivers/rar/RarExisting.h"

#include <cstring>

#include "archivers/rar/RarWriter.h"

namespace rarexe {

namespace {

// Reads vints and fixed fields from one header's bytes; any overrun sets `bad`.
struct TFields {
  const uint8_t* data;
  size_t size;
  size_t at = 0;
  bool bad = false;

  uint64_t Vint() {
    uint64_t value = 0;
    for (int shift = 0; shift < 70; shift += 7) {
      if (at >= size) break;
      const uint8_t byte = data[at++];
      value |= static_cast<uint64_t>(byte & 0x7F) << shift;
      if (!(byte & 0x80)) return value;
    }
    bad = true;
    return 0;
  }
  uint64_t Fixed(int bytes) {
    if (size - at < static_cast<size_t>(bytes) || at > size) {
      bad = true;
      return 0;
    }
    uint64_t value = 0;
    for (int i = 0; i < bytes; ++i) value |= static_cast<uint64_t>(data[at + i]) << (8 * i);
    at += bytes;
    return value;
  }
  std::string Text(uint64_t length) {
    if (length > size - at) {
      bad = true;
      return {};
    }
    std::string text(reinterpret_cast<const char*>(data + at), static_cast<size_t>(length));
    at += static_cast<size_t>(length);
    return text;
  }
};

struct THeader {
  uint64_t offset = 0, length = 0;  // the header itself and its data area
  uint64_t type = 0, flags = 0;
  std::vector<uint8_t> body;  // from the type on
  size_t extraAt = 0;          // where the extra area starts in `body`
  uint64_t extraSize = 0;
  size_t fieldsAt = 0;         // where the type's own fields start
};

bool ReadHeader(IArchiveBytes& bytes, uint64_t offset, uint64_t total, THeader& header) {
  uint8_t start[7];
  if (total - offset < 6) return false;
  const size_t peek = static_cast<size_t>(std::min<uint64_t>(sizeof start, total - offset));
  if (!bytes.ReadAt(offset, start, peek)) return false;
  TFields sizeField{start + 4, peek - 4};
  const uint64_t size = sizeField.Vint();
  if (sizeField.bad || sizeField.at > 3 || size == 0 || size > 2 * 1024 * 1024) return false;
  const uint64_t headerLength = 4 + sizeField.at + size;
  if (headerLength > total - offset) return false;
  std::vector<uint8_t> raw(static_cast<size_t>(headerLength));
  if (!bytes.ReadAt(offset, raw.data(), raw.size())) return false;
  const uint32_t stored = raw[0] | raw[1] << 8 | raw[2] << 16 | static_cast<uint32_t>(raw[3]) << 24;
  if (Crc32(0, raw.data() + 4, raw.size() - 4) != stored) return false;
  header.offset = offset;
  header.body.assign(raw.begin() + 4 + static_cast<long>(sizeField.at), raw.end());
  TFields f{header.body.data(), header.body.size()};
  header.type = f.Vint();
  header.flags = f.Vint();
  header.extraSize = (header.flags & 0x01) ? f.Vint() : 0;
  const uint64_t dataSize = (header.flags & 0x02) ? f.Vint() : 0;
  if (f.bad || header.extraSize > header.body.size() - f.at) return false;
  header.fieldsAt = f.at;
  header.extraAt = header.body.size() - static_cast<size_t>(header.extraSize);
  if (dataSize > total - offset - headerLength) return false;
  header.length = headerLength + dataSize;
  return true;
}

// The name, folder flag and modification time of a file or service header.
bool FileFields(const THeader& header, ExistingEntry& entry, uint64_t& compression) {
  TFields f{header.body.data(), header.extraAt, header.fieldsAt};
  const uint64_t fileFlags = f.Vint();
  f.Vint();  // unpacked size
  f.Vint();  // attributes
  if (fileFlags & 0x02) {
    entry.modified = f.Fixed(4) * 10000000ull + 116444736000000000ull;
    entry.wholeSeconds = true;
  }
  if (fileFlags & 0x04) f.Fixed(4);
  compression = f.Vint();
  f.Vint();  // host
  entry.name = f.Text(f.Vint());
  entry.folder = fileFlags & 0x01;
  if (f.bad) return false;
  // A time record overrides the plain field.
  TFields extra{header.body.data(), header.body.size(), header.extraAt};
  while (extra.at < extra.size && !extra.bad) {
    const uint64_t recordSize = extra.Vint();
    const size_t end = extra.at + static_cast<size_t>(recordSize);
    if (extra.bad || recordSize > extra.size - extra.at) return false;
    TFields record{header.body.data(), end, extra.at};
    if (record.Vint() == 3) {
      const uint64_t timeFlags = record.Vint();
      if (timeFlags & 0x02) {
        if (timeFlags & 0x01) {
          entry.modified = record.Fixed(4) * 10000000ull + 116444736000000000ull;
          entry.wholeSeconds = true;
        } else {
          entry.modified = record.Fixed(8);
          entry.wholeSeconds = false;
        }
      }
      if (record.bad) return false;
    }
    extra.at = end;
  }
  return true;
}

}  // namespace

ExistingArchive ReadExisting(IArchiveBytes& bytes) {
  ExistingArchive archive;
  const uint64_t total = bytes.Size();
  uint8_t signature[8] = {};
  if (total < 7 || !bytes.ReadAt(0, signature, std::min<uint64_t>(8, total))) {
    archive.state = ExistingState::NotRar;
    return archive;
  }
  if (std::memcmp(signature, kRar5Signature, 6) != 0) {
    archive.state = ExistingState::NotRar;
    return archive;
  }
  if (signature[6] == 0x00) {
    archive.state = ExistingState::Rar4;
    return archive;
  }
  if (total < 8 || std::memcmp(signature, kRar5Signature, 8) != 0) {
    archive.state = ExistingState::NotRar;
    return archive;
  }
  uint64_t offset = 8;
  bool ended = false;
  ExistingEntry* owner = nullptr;  // the file the next service headers belong to
  while (!ended) {
    THeader header;
    if (offset >= total || !ReadHeader(bytes, offset, total, header)) {
      archive.state = ExistingState::Damaged;
      return archive;
    }
    switch (header.type) {
      case 1: {
        TFields f{header.body.data(), header.extraAt, header.fieldsAt};
        const uint64_t flags = f.Vint();
        if (f.bad) archive.state = ExistingState::Damaged;
        else if (flags & 0x01) archive.state = ExistingState::Volume;
        else if (flags & 0x04) archive.state = ExistingState::Solid;
        else if (flags & 0x10) archive.state = ExistingState::Locked;
        if (archive.state != ExistingState::Ok) return archive;
        break;
      }
      case 2: {
        ExistingEntry entry;
        uint64_t compression = 0;
        if (!FileFields(header, entry, compression)) {
          archive.state = ExistingState::Damaged;
          return archive;
        }
        if (compression & 0x40) {
          archive.state = ExistingState::Solid;
          return archive;
        }
        if (header.flags & 0x18) {
          archive.state = ExistingState::Volume;
          return archive;
        }
        entry.offset = header.offset;
        entry.length = header.length;
        archive.entries.push_back(entry);
        owner = &archive.entries.back();
        break;
      }
      case 3: {
        ExistingEntry service;
        uint64_t compression = 0;
        if (!FileFields(header, service, compression)) {
          archive.state = ExistingState::Damaged;
          return archive;
        }
        service.offset = header.offset;
        service.length = header.length;
        if (service.name == "QO" || service.name == "RR") break;
        if (owner && owner->offset + owner->length == header.offset) owner->length += header.length;
        else archive.kept.push_back(service);
        break;
      }
      case 4:
        archive.state = ExistingState::EncryptedHeaders;
        return archive;
      case 5:
        ended = true;
        break;
      default:
        // Unknown headers are dropped; one that must not be skipped makes the archive ours no more.
        if (!(header.flags & 0x04)) {
          archive.state = ExistingState::Damaged;
          return archive;
        }
        break;
    }
    if (header.type != 2 && header.type != 3) owner = nullptr;
    offset = header.offset + header.length;
  }
  return archive;
}

}  // namespace rarexe
