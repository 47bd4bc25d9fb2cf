#include "archivers/unace/UnaceSession.h"

#include <algorithm>
#include <vector>

namespace unace {

using namespace aceformat;
using namespace unaceapi;

struct Session::Volume {
  explicit Volume(std::unique_ptr<zipformat::IByteSource> s) : source(std::move(s)), reader(*source) {}
  std::unique_ptr<zipformat::IByteSource> source;
  AceReader reader;
};

Session::Session(IUnaceHost& host, unsigned openMode) : host_(host), mode_(openMode) {}
Session::~Session() = default;

namespace {

int FromStatus(AceStatus status) {
  switch (status) {
    case AceStatus::Ok:
      return kAceOk;
    case AceStatus::End:
      return kAceEndArchive;
    case AceStatus::NotAce:
      return kAceNotAce;
    case AceStatus::BadCrc:
      return kAceBadCrc;
    case AceStatus::Truncated:
      return kAceReadFailed;
  }
  return kAceReadFailed;
}

std::string Backslashes(std::string name) {
  std::replace(name.begin(), name.end(), '/', '\\');
  return name;
}

}  // namespace

bool TargetPath(const std::string& destPath, const std::string& entryName, std::string& target) {
  std::string relative;
  if (!zipformat::SafeRelativePath(entryName, relative)) return false;
  if (destPath.empty()) {
    target = relative;
    return true;
  }
  target = destPath;
  // "C:\" keeps its separator; any other trailing ones go, and one is put back.
  while (target.size() > 1 && (target.back() == '\\' || target.back() == '/') &&
         !(target.size() == 3 && target[1] == ':'))
    target.pop_back();
  if (target.back() != '\\' && target.back() != '/') target += '\\';
  target += relative;
  return true;
}

int Session::Open(const std::string& archiveName) {
  std::unique_ptr<zipformat::IByteSource> source = host_.OpenVolume(archiveName);
  if (!source) return kAceOpenFailed;
  auto volume = std::make_unique<Volume>(std::move(source));
  const AceStatus status = volume->reader.Open();
  if (status != AceStatus::Ok) return FromStatus(status);
  volume_ = std::move(volume);
  volumeName_ = archiveName;
  main_ = volume_->reader.Main();
  volumeNumber_ = main_.volume;
  return kAceOk;
}

int Session::NextVolume(bool needed) {
  std::string name = NextVolumeName(volumeName_);
  // A caller that keeps answering "go on" without a new name would be asked forever.
  for (int asks = 0;; ++asks) {
    std::unique_ptr<Volume> next;
    if (auto source = host_.OpenVolume(name)) {
      next = std::make_unique<Volume>(std::move(source));
      // Only the next volume of this set will do.
      if (next->reader.Open() != AceStatus::Ok || next->reader.Main().volume != ((volumeNumber_ + 1) & 0xFF))
        next.reset();
    }
    if (!next) {
      // A set ends after a whole entry: nothing marks its last volume, so a missing one after
      // an entry that did not continue is the end.
      if (!needed || mode_ != kAceOpenExtract) return kAceEndArchive;
      if (asks >= 100 || !host_.VolumeMissing(name)) return kAceMissingVolume;
      continue;
    }
    if (!host_.VolumeOpened(name)) return needed && mode_ == kAceOpenExtract ? kAceUserBreak : kAceEndArchive;
    volume_ = std::move(next);
    volumeName_ = name;
    volumeNumber_ = volume_->reader.Main().volume;
    lastContinues_ = false;
    return kAceOk;
  }
}

int Session::ReadHeader(FileEntry& entry) {
  if (!volume_) return kAceReadFailed;
  haveEntry_ = false;
  for (;;) {
    FileEntry e;
    const AceStatus status = volume_->reader.Next(e);
    if (status == AceStatus::End) {
      if (!main_.MultiVolume()) return kAceEndArchive;
      const int next = NextVolume(lastContinues_);
      if (next == kAceUserBreak) return kAceEndArchive;  // asked not to go on between entries
      if (next != kAceOk) return next;
      continue;
    }
    if (status != AceStatus::Ok) return FromStatus(status);
    lastContinues_ = e.ContinuedIn();
    if (e.ContinuedFrom()) continue;  // the rest of an entry that began in an earlier volume
    entry_ = e;
    entryName_ = Backslashes(host_.NameToUtf8(e.name, main_.host));
    haveEntry_ = true;
    processed_ = false;
    entry = std::move(e);
    return kAceOk;
  }
}

int Session::Unpack(const FileEntry& first, IOutputFile* file) {
  std::vector<uint8_t> buffer(64 * 1024);
  uint32_t crc = 0xFFFFFFFFu;
  uint64_t total = 0;
  FileEntry part = first;
  for (;;) {
    uint64_t at = part.dataOffset, left = part.packedSize;
    while (left > 0) {
      const size_t want = static_cast<size_t>(std::min<uint64_t>(left, buffer.size()));
      const size_t got = volume_->source->ReadAt(at, buffer.data(), want);
      if (got != want) return kAceReadFailed;
      at += got;
      left -= got;
      total += got;
      if (total > first.size) return kAceBadCrc;
      crc = AceCrc32Update(crc, buffer.data(), got);
      if (file) {
        const int written = file->Write(buffer.data(), got);
        if (written != kAceOk) return written;
      }
      if (!host_.Data(buffer.data(), got)) return kAceUserBreak;
    }
    if (!part.ContinuedIn()) break;
    const int next = NextVolume(true);
    if (next == kAceEndArchive) return kAceMissingVolume;
    if (next != kAceOk) return next;
    FileEntry continued;
    const AceStatus status = volume_->reader.Next(continued);
    if (status == AceStatus::End) return kAceReadFailed;
    if (status != AceStatus::Ok) return FromStatus(status);
    lastContinues_ = continued.ContinuedIn();
    if (!continued.ContinuedFrom() || continued.name != first.name) return kAceBadCrc;
    part = continued;
  }
  // Every part carries the whole entry's CRC; the last one's is the one that saw it all written.
  if (total != first.size || crc != part.crc) return kAceBadCrc;
  return kAceOk;
}

int Session::Process(int operation, const std::string& destPath) {
  if (!volume_) return kAceReadFailed;
  if (!haveEntry_ || processed_) return kAceOk;
  processed_ = true;
  // A skip needs nothing: the walk steps over the parts in later volumes by their flags.
  if (mode_ != kAceOpenExtract || (operation != kAceTest && operation != kAceExtract)) return kAceOk;
  const FileEntry e = entry_;
  const Stamp stamp{e.dosTime, e.attributes};
  std::string target;
  if (operation == kAceExtract && !TargetPath(destPath, entryName_, target)) return kAceWriteFailed;
  if (e.Folder()) {
    if (operation == kAceExtract) {
      if (!host_.MakeFolders(target)) return kAceWriteFailed;
      host_.StampFolder(target, stamp);
    }
    return kAceOk;
  }
  // ACE's own compression and its encryption are not unpacked here: no garbage, a clear refusal.
  if (e.Encrypted() || e.method != kMethodStore) return kAceUnknownFormat;

  std::unique_ptr<IOutputFile> file;
  if (operation == kAceExtract) {
    const size_t slash = target.find_last_of('\\');
    if (slash != std::string::npos && slash > 0 && !host_.MakeFolders(target.substr(0, slash)))
      return kAceWriteFailed;
    file = host_.CreateOutput(target, stamp);
    if (!file) return kAceWriteFailed;
  }
  const int result = Unpack(e, file.get());
  if (result != kAceOk) return result;  // the file goes uncommitted, and with it its bytes
  if (file && !file->Commit()) return kAceWriteFailed;
  return kAceOk;
}

}  // namespace unace
