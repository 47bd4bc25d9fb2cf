#include "ArjArchive.h"

#include <algorithm>

namespace arjformat {
namespace {

// Reads a part's packed bytes from its volume.
class SourceInput final : public IByteInput {
 public:
  SourceInput(zipformat::IByteSource& source, uint64_t offset) : source_(source), offset_(offset) {}
  size_t Read(uint8_t* buffer, size_t count) override {
    const size_t got = source_.ReadAt(offset_, buffer, count);
    offset_ += got;
    return got;
  }

 private:
  zipformat::IByteSource& source_;
  uint64_t offset_;
};

// Passes bytes on while keeping their CRC-32.
class CrcOutput final : public IByteOutput {
 public:
  explicit CrcOutput(IByteOutput& next) : next_(next) {}
  bool Write(const uint8_t* data, size_t count) override {
    crc_ = Crc32(data, count, crc_);
    if (!next_.Write(data, count)) {
      failed_ = true;
      return false;
    }
    return true;
  }
  uint32_t Crc() const { return crc_; }
  bool Failed() const { return failed_; }

 private:
  IByteOutput& next_;
  uint32_t crc_ = 0;
  bool failed_ = false;
};

}  // namespace

std::string VolumeName(const std::string& first, size_t index) {
  if (index == 0) return first;
  const size_t slash = first.find_last_of("/\\");
  const size_t dot = first.rfind('.');
  std::string base = first;
  bool upper = false;
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
    base = first.substr(0, dot);
    upper = dot + 1 < first.size() && first[dot + 1] >= 'A' && first[dot + 1] <= 'Z';
  }
  const size_t number = index <= 99 ? index : index % 100;
  std::string ext = (upper ? ".A" : ".a");
  if (index > 100) ext += std::to_string(index / 100 - 1);
  ext += static_cast<char>('0' + number / 10);
  ext += static_cast<char>('0' + number % 10);
  return base + ext;
}

bool ArjArchive::Open(const std::string& path, VolumeOpener opener) {
  volumes_.clear();
  paths_.clear();
  entries_.clear();
  damaged_ = false;
  for (size_t index = 0;; ++index) {
    const std::string name = VolumeName(path, index);
    auto source = opener(name);
    if (!source) {
      if (index == 0) return false;
      damaged_ = true;
      break;
    }
    volumes_.push_back(std::move(source));
    paths_.push_back(name);
    const bool more = ReadVolume(index);
    if (index == 0 && volumes_.empty()) return false;
    if (!more) break;
  }
  for (auto& entry : entries_) {
    if (entry.parts.back().header.flags & kFlagVolume) entry.complete = false;
  }
  return !volumes_.empty();
}

// Reads one volume's headers; true when the main header says another volume follows.
bool ArjArchive::ReadVolume(size_t index) {
  auto& source = *volumes_[index];
  const auto mainOffset = FindMainHeader(source);
  ArjHeader main;
  uint64_t offset = 0;
  if (!mainOffset || ReadHeader(source, *mainOffset, main, offset) != HeaderStatus::Ok) {
    if (index == 0) volumes_.clear();
    damaged_ = true;
    return false;
  }
  if (index == 0) main_ = main;
  for (;;) {
    ArjHeader header;
    uint64_t dataOffset = 0;
    const HeaderStatus status = ReadHeader(source, offset, header, dataOffset);
    if (status == HeaderStatus::End) break;
    if (status == HeaderStatus::Bad) {
      damaged_ = true;
      return false;
    }
    EntryPart part{index, dataOffset, header};
    // A continuation joins the previous volume's last entry when that one was left open.
    ArjEntry* open = nullptr;
    if ((header.flags & kFlagExtFile) && header.extFilePos != 0 && !entries_.empty()) {
      ArjEntry& last = entries_.back();
      const ArjHeader& lastPart = last.parts.back().header;
      if ((lastPart.flags & kFlagVolume) && last.parts.back().volume + 1 == index &&
          lastPart.name == header.name)
        open = &last;
    }
    if (open) {
      open->header.originalSize += header.originalSize;
      open->header.compressedSize += header.compressedSize;
      open->parts.push_back(std::move(part));
    } else {
      ArjEntry entry;
      entry.header = header;
      entry.parts.push_back(std::move(part));
      entries_.push_back(std::move(entry));
    }
    offset = dataOffset + header.compressedSize;
    if (offset > source.Size()) {
      damaged_ = true;
      return false;
    }
  }
  return (main.flags & kFlagVolume) != 0;
}

ArjArchive::Result ArjArchive::Extract(const ArjEntry& entry, IByteOutput& output) {
  if (entry.IsFolder()) return Result::Ok;
  for (const auto& part : entry.parts) {
    auto& source = *volumes_[part.volume];
    if (part.dataOffset + part.header.compressedSize > source.Size()) return Result::ReadFailed;
    SourceInput input(source, part.dataOffset);
    CrcOutput crc(output);
    const DecodeStatus status = Decode(part.header.method, input, part.header.compressedSize,
                                       part.header.originalSize, crc);
    if (crc.Failed()) return Result::WriteFailed;
    if (status != DecodeStatus::Ok) return Result::BadData;
    if (crc.Crc() != part.header.fileCrc) return Result::CrcError;
  }
  return entry.complete ? Result::Ok : Result::ReadFailed;
}

bool ArjArchive::CopyPacked(const EntryPart& part, IByteOutput& output) {
  auto& source = *volumes_[part.volume];
  std::vector<uint8_t> buffer(1 << 16);
  uint64_t offset = part.dataOffset, left = part.header.compressedSize;
  while (left > 0) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(left, buffer.size()));
    const size_t got = source.ReadAt(offset, buffer.data(), want);
    if (got == 0 || !output.Write(buffer.data(), got)) return false;
    offset += got;
    left -= got;
  }
  return true;
}

}  // namespace arjformat
