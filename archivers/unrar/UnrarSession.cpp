#include "archivers/unrar/UnrarSession.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "archivers/rarformat/Blake2sp.h"
#include "archivers/rarformat/Unpack29.h"
#include "archivers/rarformat/Unpack5.h"
#include "archivers/zipformat/ZipFormat.h"

namespace unrar {

using namespace rarformat;

namespace {

constexpr uint32_t kAttrReadOnly = 0x01, kAttrDirectory = 0x10, kAttrArchive = 0x20;

// Packed bytes decrypted with AES-256-CBC as they are read. The packed size of an encrypted
// entry is a whole number of blocks; a stream that ends inside a block ends there.
class DecryptingInput final : public IPackedInput {
 public:
  DecryptingInput(IPackedInput& in, std::unique_ptr<IBlockCipher> cipher) : in_(in), cipher_(std::move(cipher)) {}
  size_t Read(uint8_t* buffer, size_t count) override {
    size_t given = 0;
    while (given < count) {
      if (at_ == ready_) {
        if (!Fill()) break;
      }
      size_t take = std::min(count - given, ready_ - at_);
      std::memcpy(buffer + given, block_.data() + at_, take);
      at_ += take;
      given += take;
    }
    return given;
  }
  bool Failed() const { return failed_; }

 private:
  bool Fill() {
    size_t got = 0;
    while (got < block_.size()) {
      size_t n = in_.Read(block_.data() + got, block_.size() - got);
      if (n == 0) break;
      got += n;
    }
    got -= got % 16;
    if (got == 0) return false;
    if (!cipher_->Process(block_.data(), got)) {
      failed_ = true;
      return false;
    }
    at_ = 0;
    ready_ = got;
    return true;
  }
  IPackedInput& in_;
  std::unique_ptr<IBlockCipher> cipher_;
  std::vector<uint8_t> block_ = std::vector<uint8_t>(64 * 1024);
  size_t at_ = 0, ready_ = 0;
  bool failed_ = false;
};

}  // namespace

// Where unpacked bytes go: the checksums, the caller's data callback, the file being written.
class Sink final : public IUnpackedOutput {
 public:
  Sink(IUnrarHost* host, IOutputFile* file, bool blake2) : host_(host), file_(file), blake2_(blake2) {}
  bool Write(const uint8_t* data, size_t count) override {
    crc_ = zipformat::Crc32Update(crc_, data, count);
    if (blake2_) hash_.Update(data, count);
    size_ += count;
    if (file_ && !file_->Write(data, count)) {
      writeFailed_ = true;
      return false;
    }
    if (host_ && !host_->Data(data, count)) {
      aborted_ = true;
      return false;
    }
    return true;
  }
  uint32_t Crc() const { return ~crc_; }
  std::array<uint8_t, 32> Blake2() { return hash_.Final(); }
  uint64_t Size() const { return size_; }
  bool writeFailed_ = false;
  bool aborted_ = false;

 private:
  IUnrarHost* host_;
  IOutputFile* file_;
  bool blake2_;
  uint32_t crc_ = 0xFFFFFFFF;
  Blake2sp hash_;
  uint64_t size_ = 0;
};

namespace {

int FromStatus(RarStatus status) {
  switch (status) {
    case RarStatus::Ok:
      return kSuccess;
    case RarStatus::End:
      return kEndArchive;
    case RarStatus::NotRar:
      return kBadArchive;
    case RarStatus::NeedPassword:
      return kMissingPassword;
    case RarStatus::BadPassword:
      return kBadPassword;
    case RarStatus::ReadError:
      return kERead;
    case RarStatus::VolumeStopped:
      return kEOpen;
    case RarStatus::Damaged:
    case RarStatus::Truncated:
      return kBadData;
  }
  return kUnknown;
}

}  // namespace

// ---- header fields --------------------------------------------------------------------------

unsigned HeaderFlags(const RarArchiveInfo& info, const RarEntry& e) {
  if (info.format == RarFormat::Rar4) {
    unsigned flags = e.rawFlags & 0xFF;
    return e.directory ? (flags | kFlagsOldDirectory) : flags;
  }
  unsigned flags = (e.splitBefore ? kFlagSplitBefore : 0) | (e.splitAfter ? kFlagSplitAfter : 0) |
                   (e.encrypted ? kFlagEncrypted : 0) | (e.solid ? kFlagSolid : 0);
  return e.directory ? (flags | kFlagsOldDirectory) : flags;
}

unsigned HostOs(const RarEntry& e) { return e.windowsAttributes ? 2 : 3; }

uint32_t WindowsAttributes(const RarEntry& e) {
  if (e.windowsAttributes) return e.directory ? (e.attributes | kAttrDirectory) : e.attributes;
  // Unix mode: the owner's write bit decides read-only.
  uint32_t attributes = e.directory ? kAttrDirectory : kAttrArchive;
  if ((e.attributes & 0200) == 0) attributes |= kAttrReadOnly;
  return attributes;
}

std::string BackslashName(const RarEntry& e) {
  std::string name = e.name;
  std::replace(name.begin(), name.end(), '/', '\\');
  return name;
}

bool TargetPath(const std::string& destPath, const std::string& destName, const std::string& entryName,
                std::string& target) {
  if (!destName.empty()) {
    target = destName;
    return true;
  }
  std::string relative;
  if (!zipformat::SafeRelativePath(entryName, relative)) return false;
  if (destPath.empty()) {
    target = relative;
    return true;
  }
  target = destPath;
  while (target.size() > 1 && (target.back() == '\\' || target.back() == '/') &&
         !(target.size() == 3 && target[1] == ':'))
    target.pop_back();
  if (target.back() != '\\' && target.back() != '/') target += '\\';
  target += relative;
  return true;
}

// ---- the walk -------------------------------------------------------------------------------

class Session::Volumes final : public IVolumeProvider {
 public:
  explicit Volumes(IUnrarHost& host) : host_(host) {}
  std::unique_ptr<zipformat::IByteSource> Open(const std::string& name) override { return host_.OpenVolume(name); }
  bool AskMissing(std::string& name) override { return host_.VolumeMissing(name); }
  bool Opened(const std::string& name) override { return host_.VolumeOpened(name); }

 private:
  IUnrarHost& host_;
};

Session::Session(IUnrarHost& host, int openMode, OemDecoder oem) : host_(host), mode_(openMode), oem_(std::move(oem)) {}
Session::~Session() = default;

int Session::Open(const std::string& archiveName) {
  std::unique_ptr<zipformat::IByteSource> source = host_.OpenVolume(archiveName);
  if (!source) return kEOpen;
  volumes_ = std::make_unique<Volumes>(host_);
  reader_ = std::make_unique<RarReader>(std::move(source), archiveName, volumes_.get(), oem_);
  RarStatus status = reader_->Open();
  if (status == RarStatus::NeedPassword) {
    // Encrypted headers: the password is needed before any entry can be read.
    if (reader_->Info().format != RarFormat::Rar5) return kUnknownFormat;
    if (!havePassword_) {
      std::string answer;
      if (!host_.NeedPassword(answer)) return kMissingPassword;
      SetPassword(answer);
    }
    ICryptoProvider* crypto = host_.Crypto();
    if (!crypto) return kUnknownFormat;
    status = reader_->Unlock(*crypto, password_);
    if (status == RarStatus::NeedPassword) return kUnknownFormat;
  }
  return FromStatus(status);
}

const RarArchiveInfo& Session::Info() const { return reader_->Info(); }
const std::string& Session::VolumeName() const { return reader_->VolumeName(); }

int Session::ReadHeader(RarEntry& entry) {
  if (!reader_) return kBadArchive;
  for (;;) {
    RarStatus status = reader_->Next(entry);
    if (status != RarStatus::Ok) {
      haveEntry_ = false;
      return FromStatus(status);
    }
    // Continuations of a file started in an earlier volume are parts of that file, not entries.
    if (entry.splitBefore && mode_ != kOpenListIncSplit) continue;
    entry_ = entry;
    haveEntry_ = true;
    processed_ = false;
    return kSuccess;
  }
}

int Session::Keys(const RarEntry& entry, Rar5Keys& keys) {
  if (!havePassword_) {
    std::string answer;
    if (!host_.NeedPassword(answer)) return kMissingPassword;
    SetPassword(answer);
  }
  ICryptoProvider* crypto = host_.Crypto();
  if (!crypto || entry.rar5Crypt.version != 0) return kUnknownFormat;
  // RAR gives all entries of one run the same salt: the costly derivation is done once.
  const bool same = keysValid_ && keysPassword_ == password_ && keysSalt_ == entry.rar5Crypt.salt &&
                    keysKdf_ == entry.rar5Crypt.kdfCount;
  if (same) {
    keys = keys_;
  } else {
    if (!DeriveRar5Keys(*crypto, password_, entry.rar5Crypt.salt.data(), entry.rar5Crypt.kdfCount, keys))
      return entry.rar5Crypt.kdfCount > 24 ? kUnknownFormat : kNoMemory;
    keys_ = keys;
    keysPassword_ = password_;
    keysSalt_ = entry.rar5Crypt.salt;
    keysKdf_ = entry.rar5Crypt.kdfCount;
    keysValid_ = true;
  }
  if (entry.rar5Crypt.hasCheck && !std::equal(keys.check.begin(), keys.check.end(), entry.rar5Crypt.check.begin()))
    return kBadPassword;
  return kSuccess;
}

int Session::Decode(const RarEntry& entry, Sink& out, bool verify) {
  Sink* sink = &out;
  Rar5Keys keys;
  bool encrypted = entry.encrypted;
  if (encrypted) {
    if (Info().format == RarFormat::Rar4) return kUnknownFormat;  // RAR 3 AES-128: not supported
    int result = Keys(entry, keys);
    if (result != kSuccess) return result;
  }
  std::unique_ptr<IPackedInput> packed = reader_->OpenPacked();
  std::unique_ptr<DecryptingInput> decrypting;
  IPackedInput* input = packed.get();
  if (encrypted) {
    auto cipher = host_.Crypto()->NewAes256Cbc(keys.key.data(), entry.rar5Crypt.iv.data(), false);
    if (!cipher) return kUnknownFormat;
    decrypting = std::make_unique<DecryptingInput>(*packed, std::move(cipher));
    input = decrypting.get();
  }

  const uint64_t size = entry.unknownSize ? UINT64_MAX : entry.unpackedSize;
  UnpackResult result = UnpackResult::Ok;
  if (entry.Stored()) {
    std::vector<uint8_t> buffer(64 * 1024);
    uint64_t left = size;
    while (left > 0) {
      size_t got = input->Read(buffer.data(), size_t(std::min<uint64_t>(buffer.size(), left)));
      if (got == 0) break;
      left -= got;
      if (!out.Write(buffer.data(), got)) {
        result = UnpackResult::Aborted;
        break;
      }
    }
    if (result == UnpackResult::Ok && left > 0 && !entry.unknownSize) result = UnpackResult::BadData;
  } else if (entry.unpackVersion == 50) {
    if (!unpack5_) unpack5_ = std::make_unique<TUnpack5>();
    result = unpack5_->Unpack(*input, out, size, entry.dictionarySize, entry.solid);
  } else if (entry.unpackVersion == 29 || entry.unpackVersion == 36) {
    if (!unpack29_) unpack29_ = std::make_unique<TUnpack29>();
    result = unpack29_->Unpack(*input, out, size, entry.dictionarySize, entry.solid);
  } else {
    return kUnknownFormat;
  }
  // Whatever the decoder says, a volume that could not be had or a read that failed is the cause.
  RarStatus stream = reader_->StreamError();
  if (result != UnpackResult::Ok && result != UnpackResult::Aborted && stream == RarStatus::VolumeStopped)
    return kEOpen;
  if (result != UnpackResult::Ok && result != UnpackResult::Aborted && stream == RarStatus::ReadError)
    return kERead;
  if (decrypting && decrypting->Failed()) return kUnknownFormat;
  switch (result) {
    case UnpackResult::Ok:
      break;
    case UnpackResult::Aborted:
      return sink && sink->writeFailed_ ? kEWrite : kUnknown;
    case UnpackResult::BadData:
      return kBadData;
    case UnpackResult::UnknownMethod:
      return kUnknownFormat;
    case UnpackResult::OutOfMemory:
      return kNoMemory;
  }
  if (stream == RarStatus::VolumeStopped) return kEOpen;
  if (!verify) return kSuccess;

  // The last part's header carries the whole file's checksum.
  const RarEntry& last = reader_->CurrentPart();
  ICryptoProvider* crypto = host_.Crypto();
  if (last.hasBlake2) {
    std::array<uint8_t, 32> digest = sink->Blake2();
    if (encrypted && last.rar5Crypt.useMac) {
      uint8_t mac[32];
      if (!crypto->HmacSha256(keys.hashKey.data(), 32, digest.data(), 32, mac)) return kUnknown;
      std::memcpy(digest.data(), mac, 32);
    }
    if (digest != last.blake2) return kBadData;
  } else if (last.hasCrc) {
    uint32_t crc = sink->Crc();
    if (encrypted && last.rar5Crypt.useMac) crc = Rar5CrcAsMac(*crypto, keys, crc);
    if (crc != last.crc) return kBadData;
  }
  return kSuccess;
}

int Session::Process(int operation, const std::string& destPath, const std::string& destName) {
  if (!reader_) return kBadArchive;
  if (!haveEntry_ || processed_) return kSuccess;
  processed_ = true;
  const RarEntry entry = entry_;
  if (mode_ != kOpenExtract) return kSuccess;  // listing: every operation is a skip

  const bool compressedSolid = Info().solid && !entry.directory && !entry.Stored();
  if (operation != kTest && operation != kExtract) {
    // A solid stream's later entries need this one decoded.
    if (!compressedSolid || solidBroken_) return kSuccess;
    Sink discard(nullptr, nullptr, false);
    int result = Decode(entry, discard, false);
    if (result != kSuccess) solidBroken_ = true;
    return result == kMissingPassword || result == kBadPassword ? result : kSuccess;
  }

  Stamp stamp{entry.fileTime, entry.fileTimeUtc, WindowsAttributes(entry)};
  std::string target;
  if (operation == kExtract && !TargetPath(destPath, destName, entry.name, target)) return kECreate;
  if (entry.directory) {
    if (operation == kExtract) {
      if (!host_.MakeFolders(target)) return kECreate;
      host_.StampFolder(target, stamp);
    }
    return kSuccess;
  }
  if (entry.redirectType == 4 || entry.redirectType == 5) {
    // A hard link or a file copy holds no data: it is the earlier entry it names, as extracted.
    if (operation != kExtract) return kSuccess;
    std::string from;
    if (!TargetPath(destPath, "", entry.redirectTarget, from)) return kEReference;
    return host_.CopyExtracted(from, target, stamp) ? kSuccess : kEReference;
  }
  if (entry.splitBefore) return kBadData;  // a part without its beginning

  std::unique_ptr<IOutputFile> file;
  if (operation == kExtract) {
    size_t slash = target.find_last_of("\\/");
    if (slash != std::string::npos && slash > 0 && !host_.MakeFolders(target.substr(0, slash))) return kECreate;
    file = host_.CreateOutput(target, stamp);
    if (!file) return kECreate;
  }
  Sink sink(&host_, file.get(), reader_->CurrentPart().hasBlake2 || entry.hasBlake2);
  int result = Decode(entry, sink, true);
  if (result != kSuccess) {
    if (compressedSolid) solidBroken_ = true;
    return result;  // the file goes with its object, uncommitted
  }
  if (file && !file->Commit()) return kECreate;
  return kSuccess;
}

}  // namespace unrar
