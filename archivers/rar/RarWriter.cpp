#include "archivers/rar/RarWriter.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace rarexe {

namespace {

constexpr size_t kBlock = 64 * 1024;
// CRC, size, type, flags, end flags: what every volume keeps free for its end header.
constexpr uint64_t kEndHeaderSize = 8;

const std::array<uint32_t, 256>& CrcTable() {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  return table;
}

void PutU32(std::vector<uint8_t>& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void PutU64(std::vector<uint8_t>& out, uint64_t value) {
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// A whole header from its type-specific part: CRC, size, then the body.
std::vector<uint8_t> Frame(const std::vector<uint8_t>& body) {
  std::vector<uint8_t> sized;
  PutVint(sized, body.size());
  sized.insert(sized.end(), body.begin(), body.end());
  std::vector<uint8_t> header;
  PutU32(header, Crc32(0, sized.data(), sized.size()));
  header.insert(header.end(), sized.begin(), sized.end());
  return header;
}

// FILETIME to Unix seconds, clamped to what a uint32 holds.
uint32_t UnixSeconds(uint64_t filetime) {
  constexpr uint64_t kEpoch = 116444736000000000ull;
  if (filetime <= kEpoch) return 0;
  return static_cast<uint32_t>(std::min<uint64_t>((filetime - kEpoch) / 10000000ull, 0xFFFFFFFFull));
}

}  // namespace

uint32_t Crc32(uint32_t crc, const uint8_t* data, size_t size) {
  const auto& table = CrcTable();
  crc = ~crc;
  for (size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

void PutVint(std::vector<uint8_t>& out, uint64_t value) {
  while (value >= 0x80) {
    out.push_back(static_cast<uint8_t>(value | 0x80));
    value >>= 7;
  }
  out.push_back(static_cast<uint8_t>(value));
}

struct TRar5Writer::Encryption {
  rarformat::Rar5Keys keys;
  uint8_t salt[16];
  uint8_t iv[16];
  uint8_t check[12];
};

TRar5Writer::TRar5Writer(IVolumeOutput& output, WriterOptions options)
    : output_(output), options_(std::move(options)) {}

TRar5Writer::~TRar5Writer() = default;

bool TRar5Writer::Fail(WriteError error) {
  if (error_ == WriteError::None) error_ = error;
  return false;
}

bool TRar5Writer::Emit(const std::vector<uint8_t>& bytes) {
  if (!output_.Write(bytes.data(), bytes.size())) return Fail(WriteError::Output);
  position_ += bytes.size();
  return true;
}

bool TRar5Writer::StartVolume() {
  if (!output_.StartVolume(volume_)) return Fail(WriteError::Output);
  position_ = 0;
  fresh_ = true;
  std::vector<uint8_t> signature(std::begin(kRar5Signature), std::end(kRar5Signature));
  if (!Emit(signature)) return false;
  std::vector<uint8_t> main;
  PutVint(main, 1);  // main header
  PutVint(main, 0);  // no extra area, no data
  uint64_t flags = 0;
  if (options_.volumeSize) flags |= 0x01;
  if (volume_ > 0) flags |= 0x02;
  PutVint(main, flags);
  if (volume_ > 0) PutVint(main, volume_);
  return Emit(Frame(main));
}

bool TRar5Writer::Begin() {
  if (!options_.password.empty() && (!options_.crypto || !options_.random)) return Fail(WriteError::Crypto);
  return StartVolume();
}

// What the current volume can still take before its end header.
uint64_t TRar5Writer::Room() const {
  if (!options_.volumeSize) return UINT64_MAX;
  const uint64_t used = position_ + kEndHeaderSize;
  return used >= options_.volumeSize ? 0 : options_.volumeSize - used;
}

bool TRar5Writer::NextVolume() {
  std::vector<uint8_t> end;
  PutVint(end, 5);
  PutVint(end, 0);
  PutVint(end, 1);  // not the last volume
  if (!Emit(Frame(end))) return false;
  if (!output_.FinishVolume()) return Fail(WriteError::Output);
  ++volume_;
  return StartVolume();
}

bool TRar5Writer::End() {
  // After a failure the last entry may be incomplete: no end header makes it look whole.
  if (error_ != WriteError::None) return false;
  std::vector<uint8_t> end;
  PutVint(end, 5);
  PutVint(end, 0);
  PutVint(end, 0);
  if (!Emit(Frame(end))) return false;
  if (!output_.FinishVolume()) return Fail(WriteError::Output);
  return true;
}

uint32_t TRar5Writer::StoredCrc(uint32_t crc, const Encryption* encryption) {
  return encryption ? rarformat::Rar5CrcAsMac(*options_.crypto, encryption->keys, crc) : crc;
}

std::vector<uint8_t> TRar5Writer::FileHeader(const NewEntry& entry, bool splitBefore, bool splitAfter,
                                             uint64_t dataSize, uint32_t crc, const Encryption* encryption) const {
  std::vector<uint8_t> extra;
  if (encryption) {
    std::vector<uint8_t> record;
    PutVint(record, 1);     // encryption
    PutVint(record, 0);     // AES-256
    PutVint(record, 0x03);  // password check present, checksums as MACs
    record.push_back(static_cast<uint8_t>(options_.kdfCount));
    record.insert(record.end(), encryption->salt, encryption->salt + 16);
    record.insert(record.end(), encryption->iv, encryption->iv + 16);
    record.insert(record.end(), encryption->check, encryption->check + 12);
    PutVint(extra, record.size());
    extra.insert(extra.end(), record.begin(), record.end());
  }
  {
    std::vector<uint8_t> record;
    PutVint(record, 3);     // file time
    PutVint(record, 0x02);  // modification time, as a FILETIME
    PutU64(record, entry.modified);
    PutVint(extra, record.size());
    extra.insert(extra.end(), record.begin(), record.end());
  }
  std::vector<uint8_t> body;
  PutVint(body, 2);  // file header
  // Folders too carry a data size (of 0), as RAR writes them and as some readers insist.
  PutVint(body, 0x01 | 0x02 | (splitBefore ? 0x08 : 0) | (splitAfter ? 0x10 : 0));
  PutVint(body, extra.size());
  PutVint(body, dataSize);
  PutVint(body, (entry.folder ? 0x01 : 0x04) | 0x02);  // folder or CRC present; Unix mtime present
  PutVint(body, entry.folder ? 0 : entry.size);
  PutVint(body, entry.attributes);
  PutU32(body, UnixSeconds(entry.modified));
  if (!entry.folder) PutU32(body, crc);
  PutVint(body, 0);  // compression: version 0, stored
  PutVint(body, 0);  // Windows
  PutVint(body, entry.name.size());
  body.insert(body.end(), entry.name.begin(), entry.name.end());
  body.insert(body.end(), extra.begin(), extra.end());
  return Frame(body);
}

bool TRar5Writer::Add(const NewEntry& entry, IEntryData* data) {
  if (error_ != WriteError::None) return false;
  std::unique_ptr<Encryption> encryption;
  std::unique_ptr<rarformat::IBlockCipher> cipher;
  if (!options_.password.empty() && !entry.folder) {
    encryption = std::make_unique<Encryption>();
    if (!options_.random(encryption->salt, 16) || !options_.random(encryption->iv, 16) ||
        !rarformat::DeriveRar5Keys(*options_.crypto, options_.password, encryption->salt, options_.kdfCount,
                                   encryption->keys) ||
        !rarformat::Rar5CheckValue(*options_.crypto, encryption->keys, encryption->check))
      return Fail(WriteError::Crypto);
    cipher = options_.crypto->NewAes256Cbc(encryption->keys.key.data(), encryption->iv, true);
    if (!cipher) return Fail(WriteError::Crypto);
  }
  // An encrypted file takes whole cipher blocks; parts end on block boundaries, so each volume
  // holds whole blocks.
  const uint64_t packedSize = encryption ? (entry.size + 15) / 16 * 16 : entry.size;
  const uint64_t align = encryption ? 16 : 1;
  uint64_t left = packedSize;       // packed bytes still to place
  uint64_t unpackedLeft = entry.size;
  uint32_t wholeCrc = 0;
  bool first = true;
  buffer_.resize(kBlock);
  for (;;) {
    // How much of the rest this volume takes: all of it, or what fits after the header.
    std::vector<uint8_t> header = FileHeader(entry, !first, false, left, 0, encryption.get());
    uint64_t part = left;
    bool splitAfter = false;
    if (header.size() + left > Room()) {
      const uint64_t room = Room();
      uint64_t fits = room > header.size() ? (room - header.size()) / align * align : 0;
      // A folder or an empty file is never split; a part is worth starting only with some data.
      if (entry.folder || left == 0 || fits == 0) {
        if (fresh_) return Fail(WriteError::VolumeTooSmall);
        if (!NextVolume()) return false;
        continue;
      }
      part = fits;
      splitAfter = true;
      header = FileHeader(entry, !first, true, part, 0, encryption.get());
    }
    const uint64_t headerAt = position_;
    if (!Emit(header)) return false;
    fresh_ = false;
    uint32_t partCrc = 0;
    for (uint64_t done = 0; done < part;) {
      if (options_.cancelled && options_.cancelled()) return Fail(WriteError::Cancelled);
      const size_t chunk = static_cast<size_t>(std::min<uint64_t>(kBlock, part - done));
      // Plain bytes of this chunk: everything up to the file's end, then cipher padding.
      const size_t plain = static_cast<size_t>(std::min<uint64_t>(chunk, unpackedLeft));
      for (size_t filled = 0; filled < plain;) {
        size_t got = 0;
        if (!data || !data->Read(buffer_.data() + filled, plain - filled, got)) return Fail(WriteError::Read);
        if (got == 0) return Fail(WriteError::SizeChanged);
        filled += got;
      }
      std::fill(buffer_.begin() + plain, buffer_.begin() + chunk, uint8_t{0});
      wholeCrc = Crc32(wholeCrc, buffer_.data(), plain);
      unpackedLeft -= plain;
      if (cipher && !cipher->Process(buffer_.data(), chunk)) return Fail(WriteError::Crypto);
      partCrc = Crc32(partCrc, buffer_.data(), chunk);
      if (!output_.Write(buffer_.data(), chunk)) return Fail(WriteError::Output);
      position_ += chunk;
      done += chunk;
    }
    left -= part;
    if (left == 0 && data) {
      // A file that grew since it was listed is stored as it was then; the rest is not ours.
      uint8_t probe;
      size_t got = 0;
      if (!data->Read(&probe, 1, got)) return Fail(WriteError::Read);
      if (got != 0) return Fail(WriteError::SizeChanged);
    }
    // A part that goes on in the next volume checks its own packed bytes; the last part checks
    // the whole file.
    const uint32_t crc = StoredCrc(splitAfter ? partCrc : wholeCrc, encryption.get());
    const std::vector<uint8_t> final = FileHeader(entry, !first, splitAfter, part, crc, encryption.get());
    if (!entry.folder && !output_.Rewrite(headerAt, final.data(), final.size())) return Fail(WriteError::Output);
    if (!splitAfter) return true;
    first = false;
    if (!NextVolume()) return false;
  }
}

bool TRar5Writer::Copy(IEntryData& bytes, uint64_t size) {
  if (error_ != WriteError::None) return false;
  if (size > Room()) {
    // Copied entries keep their bytes, so they are never split: they start a volume of their own.
    if (!NextVolume()) return false;
    if (size > Room()) return Fail(WriteError::VolumeTooSmall);
  }
  fresh_ = false;
  buffer_.resize(kBlock);
  for (uint64_t done = 0; done < size;) {
    if (options_.cancelled && options_.cancelled()) return Fail(WriteError::Cancelled);
    const size_t want = static_cast<size_t>(std::min<uint64_t>(kBlock, size - done));
    size_t got = 0;
    if (!bytes.Read(buffer_.data(), want, got)) return Fail(WriteError::Read);
    if (got == 0) return Fail(WriteError::SizeChanged);
    if (!output_.Write(buffer_.data(), got)) return Fail(WriteError::Output);
    position_ += got;
    done += got;
  }
  return true;
}

}  // namespace rarexe
