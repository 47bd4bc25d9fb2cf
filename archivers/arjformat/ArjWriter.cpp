#include "ArjWriter.h"

#include <algorithm>

#include "ArjEncode.h"

namespace arjformat {
namespace {

constexpr size_t kEndMarkerSize = 4;
// Below this much room for data a volume is closed rather than given a sliver of a file.
constexpr uint64_t kMinPiece = 64;

class VectorOutput final : public IByteOutput {
 public:
  explicit VectorOutput(std::vector<uint8_t>& bytes) : bytes_(bytes) {}
  bool Write(const uint8_t* data, size_t count) override {
    bytes_.insert(bytes_.end(), data, data + count);
    return true;
  }

 private:
  std::vector<uint8_t>& bytes_;
};

std::string ArchiveSeparators(std::string name) {
  std::replace(name.begin(), name.end(), '\\', '/');
  return name;
}

size_t BaseNamePos(const std::string& name) {
  const size_t slash = name.find_last_of('/');
  return slash == std::string::npos ? 0 : slash + 1;
}

}  // namespace

bool PackMethod1(zipformat::IByteSource& data, uint64_t offset, uint64_t size,
                 std::vector<uint8_t>& packed, uint32_t& crc) {
  packed.clear();
  crc = 0;
  VectorOutput out(packed);
  Method1Encoder encoder(out);
  std::vector<uint8_t> buffer(1 << 16);
  while (size > 0) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(size, buffer.size()));
    const size_t got = data.ReadAt(offset, buffer.data(), want);
    if (got != want) return false;
    crc = Crc32(buffer.data(), got, crc);
    encoder.Write(buffer.data(), got);
    offset += got;
    size -= got;
  }
  return encoder.Finish();
}

ArjWriter::ArjWriter(IVolumeOutput& output, std::string archiveName, uint64_t volumeSize,
                     int method, uint32_t dosNow)
    : output_(output),
      archiveName_(std::move(archiveName)),
      volumeSize_(volumeSize),
      method_(method),
      dosNow_(dosNow) {}

// The main header of the open volume; `more` sets the flag saying another volume follows.
static std::vector<uint8_t> MainHeader(const std::string& name, uint32_t dosNow, bool more) {
  ArjHeader main;
  main.archiverVersion = kArchiverVersion;
  main.minVersion = kMinVersion;
  main.hostOs = kHostWin32;
  main.flags = static_cast<uint8_t>(kFlagPathSym | (more ? kFlagVolume : 0));
  main.method = 2;  // the security version, in the main header
  main.fileType = kTypeMain;
  main.dosTime = dosNow;
  main.compressedSize = dosNow;  // the modification time, in the main header
  main.name = name;
  return EncodeHeader(main);
}

bool ArjWriter::Open() {
  if (open_) return true;
  if (failed_ || !output_.StartVolume(volume_)) return !(failed_ = true);
  open_ = true;
  used_ = 0;
  piecesInVolume_ = 0;
  const std::string name = VolumeName(archiveName_, volume_);
  const size_t slash = name.find_last_of("/\\");
  return Put(MainHeader(slash == std::string::npos ? name : name.substr(slash + 1), dosNow_, false));
}

bool ArjWriter::NextVolume() {
  const std::string name = VolumeName(archiveName_, volume_);
  const size_t slash = name.find_last_of("/\\");
  const auto main =
      MainHeader(slash == std::string::npos ? name : name.substr(slash + 1), dosNow_, true);
  const auto end = EncodeEndMarker();
  if (!output_.Rewrite(0, main.data(), main.size()) || !output_.Write(end.data(), end.size()) ||
      !output_.FinishVolume())
    return !(failed_ = true);
  open_ = false;
  ++volume_;
  return Open();
}

bool ArjWriter::Put(const std::vector<uint8_t>& bytes) {
  if (bytes.empty()) return !failed_;
  if (failed_ || !output_.Write(bytes.data(), bytes.size())) return !(failed_ = true);
  used_ += bytes.size();
  return true;
}

uint64_t ArjWriter::Room() const {
  if (volumeSize_ == 0) return UINT64_MAX;
  const uint64_t taken = used_ + kEndMarkerSize;
  return taken >= volumeSize_ ? 0 : volumeSize_ - taken;
}

ArjHeader ArjWriter::BaseHeader(const NewEntry& entry) const {
  ArjHeader h;
  h.archiverVersion = kArchiverVersion;
  h.minVersion = kMinVersion;
  h.hostOs = kHostWin32;
  h.flags = kFlagPathSym;
  h.dosTime = entry.dosTime;
  h.accessMode = entry.attributes;
  h.name = ArchiveSeparators(entry.name).substr(0, kMaxNameLength);
  h.entryNamePos = static_cast<uint16_t>(BaseNamePos(h.name));
  return h;
}

bool ArjWriter::AddFolder(const NewEntry& entry) {
  if (!Open()) return false;
  ArjHeader h = BaseHeader(entry);
  h.fileType = kTypeDirectory;
  h.method = 0;
  h.accessMode = static_cast<uint16_t>(entry.attributes | kAttrDirectory);
  const auto bytes = EncodeHeader(h);
  if (volumeSize_ != 0 && bytes.size() > Room() && piecesInVolume_ > 0 && !NextVolume()) return false;
  ++piecesInVolume_;
  return Put(bytes);
}

bool ArjWriter::AddFile(const NewEntry& entry, zipformat::IByteSource& data) {
  if (!Open()) return false;
  ArjHeader h = BaseHeader(entry);
  h.fileType = kTypeBinary;
  return AddData(h, data);
}

bool ArjWriter::AddData(ArjHeader h, zipformat::IByteSource& data) {
  const uint64_t total = data.Size();
  if (total > UINT32_MAX) return !(failed_ = true);
  uint64_t offset = 0;
  do {
    ArjHeader piece = h;
    // Only a continuation says where it starts: ARJ skips a first piece flagged so, since it
    // expects to append to a file already extracted.
    if (offset > 0) piece.flags |= kFlagExtFile;
    piece.extFilePos = static_cast<uint32_t>(offset);
    const uint64_t headerSize = EncodeHeader(piece).size();
    uint64_t room = Room();
    if (room < headerSize + kMinPiece && piecesInVolume_ > 0) {
      if (!NextVolume()) return false;
      room = Room();
    }
    room = room > headerSize ? room - headerSize : 0;
    if (volumeSize_ != 0 && room == 0) return !(failed_ = true);  // a volume too small for a header
    const uint64_t remaining = total - offset;
    // Without volumes the whole rest is one piece. With volumes, a piece is sized to fill the
    // room: the first guess comes from the ratio seen so far, then grows or shrinks by what
    // packing gave, keeping the longest piece that fitted.
    uint64_t length = remaining;
    if (volumeSize_ != 0) {
      const double guess = ratio_ > 0 ? static_cast<double>(room) / ratio_ * 1.02 : static_cast<double>(room) * 3;
      length = std::min<uint64_t>(remaining, std::max<uint64_t>(1, static_cast<uint64_t>(guess)));
    }
    std::vector<uint8_t> packed, candidate;
    uint32_t crc = 0, candidateCrc = 0;
    uint64_t fitted = 0;  // length of `packed`, 0 = none fitted yet
    bool stored = method_ == 0;
    for (int attempt = 0; !stored && attempt < 6; ++attempt) {
      if (!PackMethod1(data, offset, length, candidate, candidateCrc)) return !(failed_ = true);
      if (candidate.size() >= length) {
        if (fitted == 0) stored = true;  // incompressible here: stored is best
        break;
      }
      const double scale = static_cast<double>(room) * 0.97 / static_cast<double>(candidate.size());
      if (candidate.size() <= room) {
        packed.swap(candidate);
        crc = candidateCrc;
        fitted = length;
        if (length == remaining || packed.size() >= room / 10 * 9) break;
        length = std::min<uint64_t>(remaining, static_cast<uint64_t>(static_cast<double>(length) * scale) + 1);
      } else {
        const uint64_t smaller = static_cast<uint64_t>(static_cast<double>(length) * scale);
        if (smaller <= fitted || smaller == 0) break;
        length = smaller;
      }
    }
    if (!stored && fitted == 0) stored = true;
    if (stored) {
      length = std::min(remaining, room);
      packed.clear();
    } else {
      length = fitted;
      ratio_ = static_cast<double>(packed.size()) / static_cast<double>(length);
    }
    piece.method = stored ? 0 : 1;
    piece.originalSize = static_cast<uint32_t>(length);
    piece.compressedSize = static_cast<uint32_t>(stored ? length : packed.size());
    if (offset + length < total) piece.flags |= kFlagVolume;
    if (stored) {
      // The stored piece's CRC is taken as it is copied.
      if (!WritePiece(piece, packed, &data, offset)) return false;
    } else {
      piece.fileCrc = crc;
      if (!WritePiece(piece, packed, nullptr, 0)) return false;
    }
    offset += length;
    // A piece flagged as continued must be followed by the next volume.
    if (offset < total && !NextVolume()) return false;
  } while (offset < total);
  return true;
}

bool ArjWriter::WritePiece(ArjHeader header, const std::vector<uint8_t>& packed,
                           zipformat::IByteSource* storedFrom, uint64_t storedOffset) {
  std::vector<uint8_t> stored;
  if (storedFrom) {
    stored.resize(header.originalSize);
    if (!stored.empty() &&
        storedFrom->ReadAt(storedOffset, stored.data(), stored.size()) != stored.size())
      return !(failed_ = true);
    header.fileCrc = Crc32(stored.data(), stored.size());
  }
  if (!Put(EncodeHeader(header))) return false;
  ++piecesInVolume_;
  return Put(storedFrom ? stored : packed);
}

bool ArjWriter::CopyEntry(ArjArchive& from, const ArjEntry& entry) {
  if (!Open()) return false;
  if (entry.IsFolder()) {
    ArjHeader h = entry.header;
    const auto bytes = EncodeHeader(h);
    if (volumeSize_ != 0 && bytes.size() > Room() && piecesInVolume_ > 0 && !NextVolume()) return false;
    ++piecesInVolume_;
    return Put(bytes);
  }
  const ArjHeader& first = entry.parts.front().header;
  ArjHeader h = first;
  h.flags = static_cast<uint8_t>(h.flags & ~(kFlagVolume | kFlagExtFile));
  h.extFilePos = 0;
  if (volumeSize_ == 0 && entry.parts.size() == 1 && h.method <= 4) {
    const auto header = EncodeHeader(h);
    if (!Put(header)) return false;
    ++piecesInVolume_;
    std::vector<uint8_t> packed;
    VectorOutput out(packed);
    if (!from.CopyPacked(entry.parts.front(), out)) return !(failed_ = true);
    return Put(packed);
  }
  // Split or written into volumes: unpack it and pack it again in pieces that fit.
  std::vector<uint8_t> bytes;
  VectorOutput out(bytes);
  if (from.Extract(entry, out) != ArjArchive::Result::Ok) return !(failed_ = true);
  const std::string view(bytes.begin(), bytes.end());
  zipformat::MemorySource source(view);
  return AddData(h, source);
}

bool ArjWriter::Finish() {
  if (!Open()) return false;
  if (!Put(EncodeEndMarker())) return false;
  if (!output_.FinishVolume()) return !(failed_ = true);
  open_ = false;
  ++volume_;
  return !failed_;
}

}  // namespace arjformat
