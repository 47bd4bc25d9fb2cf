#include "archivers/aceformat/AceFormat.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace aceformat {

namespace {

uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t Get32(const uint8_t* p) { return Get16(p) | static_cast<uint32_t>(Get16(p + 2)) << 16; }
uint64_t Get64(const uint8_t* p) { return Get32(p) | static_cast<uint64_t>(Get32(p + 4)) << 32; }

void Put8(std::string& out, uint32_t v) { out.push_back(static_cast<char>(v & 0xFF)); }
void Put16(std::string& out, uint32_t v) {
  Put8(out, v);
  Put8(out, v >> 8);
}
void Put32(std::string& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
void Put64(std::string& out, uint64_t v) {
  Put32(out, static_cast<uint32_t>(v));
  Put32(out, static_cast<uint32_t>(v >> 32));
}

const std::array<uint32_t, 256>& Table() {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  return table;
}

constexpr size_t kMainHeaderBody = 26;  // TYPE through the reserved bytes
constexpr size_t kFileFixed32 = 31, kFileFixed64 = 39;

// `a + b <= limit` without overflow.
bool Fits(uint64_t a, uint64_t b, uint64_t limit) { return a <= limit && b <= limit - a; }

// The header at `offset`: its body (TYPE on) after the CRC16 and SIZE fields.
AceStatus ReadHeaderBody(zipformat::IByteSource& source, uint64_t offset, std::string& body) {
  const uint64_t size = source.Size();
  uint8_t head[4];
  if (!Fits(offset, 4, size) || source.ReadAt(offset, head, 4) != 4) return AceStatus::Truncated;
  const uint16_t length = Get16(head + 2);
  if (!Fits(offset + 4, length, size)) return AceStatus::Truncated;
  body.resize(length);
  if (length && source.ReadAt(offset + 4, body.data(), length) != length) return AceStatus::Truncated;
  if (AceCrc16(body.data(), body.size()) != Get16(head)) return AceStatus::BadCrc;
  if (length < 3) return AceStatus::BadCrc;  // not even a type and flags: no real header checks out so
  return AceStatus::Ok;
}

bool ParseMain(const std::string& body, uint64_t offset, MainHeader& main) {
  const auto* p = reinterpret_cast<const uint8_t*>(body.data());
  if (body.size() < kMainHeaderBody || p[0] != kTypeMain || std::memcmp(p + 3, kMagic, 7) != 0) return false;
  main.offset = offset;
  main.end = offset + 4 + body.size();
  main.flags = Get16(p + 1);
  main.versionExtract = p[10];
  main.versionCreate = p[11];
  main.host = p[12];
  main.volume = p[13];
  main.created = Get32(p + 14);
  return true;
}

}  // namespace

uint32_t AceCrc32Update(uint32_t crc, const void* bytes, size_t length) {
  const auto& table = Table();
  const auto* p = static_cast<const uint8_t*>(bytes);
  for (size_t i = 0; i < length; ++i) crc = table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
  return crc;
}

AceStatus ReadMainHeader(zipformat::IByteSource& source, MainHeader& main) {
  const uint64_t size = source.Size();
  const size_t window = static_cast<size_t>(std::min<uint64_t>(size, kSearchLimit + kMagicOffset + 7));
  std::string bytes(window, '\0');
  if (window && source.ReadAt(0, bytes.data(), window) != window) return AceStatus::Truncated;
  AceStatus outcome = AceStatus::NotAce;
  std::string body;
  for (size_t at = bytes.find(kMagic, kMagicOffset); at != std::string::npos; at = bytes.find(kMagic, at + 1)) {
    const uint64_t start = at - kMagicOffset;
    AceStatus status = ReadHeaderBody(source, start, body);
    if (status == AceStatus::Ok && ParseMain(body, start, main)) return AceStatus::Ok;
    // The magic inside damaged bytes says more than no magic at all; a damaged header says more
    // than one cut short.
    if (status == AceStatus::Ok) status = AceStatus::BadCrc;
    if (outcome == AceStatus::NotAce || status == AceStatus::BadCrc) outcome = status;
  }
  return outcome;
}

AceStatus AceReader::Open() {
  AceStatus status = ReadMainHeader(source_, main_);
  if (status != AceStatus::Ok) return status;
  next_ = main_.end;
  open_ = true;
  return AceStatus::Ok;
}

AceStatus AceReader::Next(FileEntry& entry) {
  if (!open_) return AceStatus::NotAce;
  const uint64_t size = source_.Size();
  std::string body;
  for (;;) {
    if (next_ >= size) return AceStatus::End;
    AceStatus status = ReadHeaderBody(source_, next_, body);
    if (status != AceStatus::Ok) return status;
    const auto* p = reinterpret_cast<const uint8_t*>(body.data());
    const uint8_t type = p[0];
    const uint16_t flags = Get16(p + 1);
    const bool wide = flags & kFileSize64;
    const uint64_t dataOffset = next_ + 4 + body.size();
    if (type != kTypeFile && type != kTypeFile64) {
      // Recovery records and whatever else may come: the header, then ADDSIZE bytes when it has them.
      uint64_t extra = 0;
      if (flags & kFileAddSize) {
        if (body.size() < (wide ? 11u : 7u)) return AceStatus::Truncated;
        extra = wide ? Get64(p + 3) : Get32(p + 3);
      }
      if (!Fits(dataOffset, extra, size)) return AceStatus::Truncated;
      next_ = dataOffset + extra;
      continue;
    }
    const size_t fixed = wide ? kFileFixed64 : kFileFixed32;
    if (body.size() < fixed) return AceStatus::Truncated;
    const uint8_t* q = p + 3;
    FileEntry e;
    e.headerOffset = next_;
    e.dataOffset = dataOffset;
    e.type = type;
    e.flags = flags;
    if (wide) {
      e.packedSize = Get64(q);
      e.size = Get64(q + 8);
      q += 16;
    } else {
      e.packedSize = Get32(q);
      e.size = Get32(q + 4);
      q += 8;
    }
    e.dosTime = Get32(q);
    e.attributes = Get32(q + 4);
    e.crc = Get32(q + 8);
    e.method = q[12];
    e.quality = q[13];
    e.parameters = Get16(q + 14);
    const uint16_t nameLength = Get16(q + 18);
    if (body.size() - fixed < nameLength) return AceStatus::Truncated;
    e.name.assign(body, fixed, nameLength);
    if (!Fits(dataOffset, e.packedSize, size)) return AceStatus::Truncated;
    next_ = dataOffset + e.packedSize;
    entry = std::move(e);
    return AceStatus::Ok;
  }
}

std::string VolumeName(const std::string& first, unsigned index) {
  if (index == 0) return first;
  const size_t slash = first.find_last_of("\\/");
  const size_t dot = first.rfind('.');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  const std::string stem = hasExtension ? first.substr(0, dot) : first;
  const bool upper = hasExtension && dot + 1 < first.size() && first[dot + 1] >= 'A' && first[dot + 1] <= 'Z';
  std::string number = std::to_string(index - 1);
  if (number.size() < 2) number.insert(0, 1, '0');
  return stem + (upper ? ".C" : ".c") + number;
}

std::string NextVolumeName(const std::string& current) {
  const size_t slash = current.find_last_of("\\/");
  const size_t dot = current.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return current + ".c00";
  const std::string extension = current.substr(dot + 1);
  const bool numbered = extension.size() >= 3 && (extension[0] == 'c' || extension[0] == 'C') &&
                        extension.size() <= 6 &&
                        std::all_of(extension.begin() + 1, extension.end(), [](char c) { return c >= '0' && c <= '9'; });
  if (!numbered) return VolumeName(current, 1);
  const unsigned index = static_cast<unsigned>(std::stoul(extension.substr(1)));
  std::string number = std::to_string(index + 1);
  if (number.size() < 2) number.insert(0, 1, '0');
  return current.substr(0, dot + 1) + extension[0] + number;
}

// ---- writing --------------------------------------------------------------------------------

uint32_t DosTime(unsigned year, unsigned month, unsigned day, unsigned hour, unsigned minute, unsigned second) {
  const uint32_t date = ((year - 1980) & 0x7F) << 9 | (month & 15) << 5 | (day & 31);
  const uint32_t time = (hour & 31) << 11 | (minute & 63) << 5 | ((second / 2) & 31);
  return date << 16 | time;
}

namespace {

std::string Frame(const std::string& body) {
  std::string out;
  Put16(out, AceCrc16(body.data(), body.size()));
  Put16(out, static_cast<uint32_t>(body.size()));
  return out + body;
}

}  // namespace

std::string EncodeMainHeader(const MainHeader& main) {
  std::string body;
  Put8(body, kTypeMain);
  Put16(body, main.flags);
  body.append(kMagic, 7);
  Put8(body, main.versionExtract);
  Put8(body, main.versionCreate);
  Put8(body, main.host);
  Put8(body, main.volume);
  Put32(body, main.created);
  body.append(8, '\0');
  return Frame(body);
}

std::string EncodeFileHeader(const FileEntry& e) {
  const bool wide = e.flags & kFileSize64;
  std::string body;
  Put8(body, e.type);
  Put16(body, e.flags);
  if (wide) {
    Put64(body, e.packedSize);
    Put64(body, e.size);
  } else {
    Put32(body, static_cast<uint32_t>(e.packedSize));
    Put32(body, static_cast<uint32_t>(e.size));
  }
  Put32(body, e.dosTime);
  Put32(body, e.attributes);
  Put32(body, e.crc);
  Put8(body, e.method);
  Put8(body, e.quality);
  Put16(body, e.parameters);
  Put16(body, 0);
  Put16(body, static_cast<uint32_t>(e.name.size()));
  body += e.name;
  return Frame(body);
}

AceWriter::AceWriter(IVolumeSink& sink, WriterOptions options) : sink_(sink), options_(std::move(options)) {}

bool AceWriter::Fail(WriteError error) {
  if (error_ == WriteError::None) error_ = error;
  return false;
}

bool AceWriter::Put(const void* data, size_t size) {
  if (!sink_.Write(static_cast<const uint8_t*>(data), size)) return Fail(WriteError::Output);
  used_ += size;
  return true;
}

bool AceWriter::StartVolume() {
  if (!sink_.StartVolume(volume_)) return Fail(WriteError::Output);
  used_ = 0;
  MainHeader main;
  main.flags = kMainAce20 | (options_.volumeSize ? kMainMultiVolume : 0);
  main.versionExtract = 20;
  main.versionCreate = 20;
  main.host = options_.host;
  main.volume = static_cast<uint8_t>(volume_);
  main.created = options_.created;
  const std::string header = EncodeMainHeader(main);
  return Put(header.data(), header.size());
}

bool AceWriter::Begin() {
  if (started_) return true;
  started_ = true;
  buffer_.resize(64 * 1024);
  return StartVolume();
}

bool AceWriter::WriteParts(FileEntry fields, IEntryData* data, bool computeCrc) {
  fields.flags &= static_cast<uint16_t>(~(kFileContinuedFrom | kFileContinuedIn | kFileComment));
  fields.flags |= kFileAddSize;
  const uint64_t total = fields.packedSize;
  if (total > 0xFFFFFFFFu || fields.size > 0xFFFFFFFFu) {
    fields.flags |= kFileSize64;
    fields.type = kTypeFile64;
  }
  const size_t headerSize = 4 + (fields.flags & kFileSize64 ? kFileFixed64 : kFileFixed32) + fields.name.size();
  if (headerSize - 4 > 0xFFFF) return Fail(WriteError::NameTooLong);

  std::vector<Part> parts;
  uint64_t remaining = total;
  uint32_t crc = 0xFFFFFFFFu;
  bool first = true;
  for (;;) {
    uint64_t chunk = remaining;
    if (options_.volumeSize) {
      const uint64_t need = headerSize + (remaining > 0 ? 1 : 0);
      if (used_ + need > options_.volumeSize) {
        const bool fresh = used_ == 4 + kMainHeaderBody;
        if (fresh) return Fail(WriteError::VolumeTooSmall);
        if (!sink_.FinishVolume()) return Fail(WriteError::Output);
        ++volume_;
        if (volume_ > 255) return Fail(WriteError::VolumeTooSmall);  // the volume number is one byte
        if (!StartVolume()) return false;
        if (used_ + need > options_.volumeSize) return Fail(WriteError::VolumeTooSmall);
      }
      chunk = std::min<uint64_t>(remaining, options_.volumeSize - used_ - headerSize);
    }
    fields.flags &= static_cast<uint16_t>(~(kFileContinuedFrom | kFileContinuedIn));
    if (!first) fields.flags |= kFileContinuedFrom;
    if (chunk < remaining) fields.flags |= kFileContinuedIn;
    fields.packedSize = chunk;
    Part part{volume_, used_, EncodeFileHeader(fields)};
    if (!Put(part.header.data(), part.header.size())) return false;
    parts.push_back(std::move(part));
    uint64_t left = chunk;
    while (left > 0) {
      if (options_.cancelled && options_.cancelled()) return Fail(WriteError::Cancelled);
      size_t got = 0;
      const size_t want = static_cast<size_t>(std::min<uint64_t>(left, buffer_.size()));
      if (!data || !data->Read(buffer_.data(), want, got)) return Fail(WriteError::Read);
      if (got == 0) return Fail(computeCrc ? WriteError::SizeChanged : WriteError::Read);
      got = std::min(got, want);
      if (computeCrc) crc = AceCrc32Update(crc, buffer_.data(), got);
      if (!Put(buffer_.data(), got)) return false;
      left -= got;
    }
    remaining -= chunk;
    first = false;
    if (remaining == 0) break;
  }
  if (!computeCrc) return true;
  if (data && total > 0) {
    size_t got = 0;
    uint8_t probe;
    if (!data->Read(&probe, 1, got)) return Fail(WriteError::Read);
    if (got != 0) return Fail(WriteError::SizeChanged);
  }
  for (Part& part : parts) {
    // The CRC field sits at the same place in every part's header: only it and the CRC16 change.
    FileEntry patched = fields;
    const auto* p = reinterpret_cast<const uint8_t*>(part.header.data());
    patched.flags = Get16(p + 5);
    patched.packedSize = patched.flags & kFileSize64 ? Get64(p + 7) : Get32(p + 7);
    patched.crc = crc;
    part.header = EncodeFileHeader(patched);
    if (!sink_.Rewrite(part.volume, part.offset, reinterpret_cast<const uint8_t*>(part.header.data()),
                       part.header.size()))
      return Fail(WriteError::Output);
  }
  return true;
}

bool AceWriter::Add(const WriteEntry& entry, IEntryData* data) {
  if (!Begin()) return false;
  FileEntry fields;
  fields.type = kTypeFile;
  fields.flags = kFileAddSize;
  fields.size = entry.folder ? 0 : entry.size;
  fields.packedSize = fields.size;
  fields.dosTime = entry.dosTime;
  fields.attributes = entry.folder ? (entry.attributes | kAttrDirectory) : (entry.attributes & ~kAttrDirectory);
  fields.method = kMethodStore;
  fields.name = entry.name;
  return WriteParts(std::move(fields), fields.size ? data : nullptr, true);
}

bool AceWriter::Copy(const std::string& rawHeader, const FileEntry& entry, IEntryData& packed) {
  if (!Begin()) return false;
  if (options_.volumeSize == 0 || used_ + rawHeader.size() + entry.packedSize <= options_.volumeSize) {
    if (!Put(rawHeader.data(), rawHeader.size())) return false;
    uint64_t left = entry.packedSize;
    while (left > 0) {
      if (options_.cancelled && options_.cancelled()) return Fail(WriteError::Cancelled);
      size_t got = 0;
      const size_t want = static_cast<size_t>(std::min<uint64_t>(left, buffer_.size()));
      if (!packed.Read(buffer_.data(), want, got) || got == 0) return Fail(WriteError::Read);
      got = std::min(got, want);
      if (!Put(buffer_.data(), got)) return false;
      left -= got;
    }
    return true;
  }
  return WriteParts(entry, &packed, false);
}

bool AceWriter::End() {
  if (error_ != WriteError::None) return false;
  if (!Begin()) return false;
  if (!sink_.FinishVolume()) return Fail(WriteError::Output);
  return true;
}

}  // namespace aceformat
