// What one UnRAR.dll archive handle does, without the system: the walk in the published modes,
// the header fields as the DLL's records carry them, the destination path rules, decoding with
// the right decoder (one per handle, so a solid stream continues), decryption, checksums, and
// the callbacks' protocol. The DLL's exports and the file system live in UnrarDll.cpp behind
// IUnrarHost; native tests drive the same session with an in-memory host.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "archivers/rarformat/RarArchive.h"
#include "archivers/rarformat/RarCrypto.h"

namespace rarformat {
class TUnpack5;
class TUnpack29;
}  // namespace rarformat

namespace unrar {

class Sink;

// The published error codes.
enum : int {
  kSuccess = 0,
  kEndArchive = 10,
  kNoMemory = 11,
  kBadData = 12,
  kBadArchive = 13,
  kUnknownFormat = 14,
  kEOpen = 15,
  kECreate = 16,
  kEClose = 17,
  kERead = 18,
  kEWrite = 19,
  kSmallBuf = 20,
  kUnknown = 21,
  kMissingPassword = 22,
  kEReference = 23,
  kBadPassword = 24,
};
enum : int { kOpenList = 0, kOpenExtract = 1, kOpenListIncSplit = 2 };
enum : int { kSkip = 0, kTest = 1, kExtract = 2 };

// The header flags: RAR 4 entries give their own low flag byte as old DLLs did (0xE0 marks a
// folder there), RAR 5 entries the current bits with 0xE0 added for folders so both kinds of
// caller see one.
constexpr unsigned kFlagSplitBefore = 0x01, kFlagSplitAfter = 0x02, kFlagEncrypted = 0x04, kFlagSolid = 0x10,
                   kFlagDirectory = 0x20, kFlagsOldDirectory = 0xE0;

unsigned HeaderFlags(const rarformat::RarArchiveInfo& info, const rarformat::RarEntry& entry);
// 2 for Windows-style hosts (DOS, OS/2, Windows), 3 for the others, as the current DLL.
unsigned HostOs(const rarformat::RarEntry& entry);
// FILE_ATTRIBUTE_* bits: Unix modes become folder / read-only / archive.
uint32_t WindowsAttributes(const rarformat::RarEntry& entry);
// The entry's name with "\" separators, UTF-8.
std::string BackslashName(const rarformat::RarEntry& entry);

// Where an entry goes: `destName` when given (the caller's own choice), else the entry's stored
// path under `destPath` (empty: the current folder). False when the stored path is unsafe:
// "..", a drive or any ":", an absolute path, a device name.
bool TargetPath(const std::string& destPath, const std::string& destName, const std::string& entryName,
                std::string& target);

// One file being written: the bytes go to a temporary name in the target's folder; Commit
// closes it, renames it over the target (only now replacing an existing file) and sets the time
// and attributes; destroying it uncommitted deletes it.
class IOutputFile {
 public:
  virtual ~IOutputFile() = default;
  virtual bool Write(const uint8_t* data, size_t size) = 0;
  virtual bool Commit() = 0;
};

struct Stamp {
  uint64_t fileTime = 0;  // FILETIME, 0 = leave the time alone
  bool utc = true;        // else local time
  uint32_t attributes = 0;
};

class IUnrarHost {
 public:
  virtual ~IUnrarHost() = default;
  virtual std::unique_ptr<zipformat::IByteSource> OpenVolume(const std::string& name) = 0;
  // The volume callback: missing (ask; the callee may change `name`) or opened (notify).
  virtual bool VolumeMissing(std::string& name) = 0;
  virtual bool VolumeOpened(const std::string& name) = 0;
  // The data callback; false aborts.
  virtual bool Data(const uint8_t* data, size_t size) = 0;
  // No password set: ask the caller (UTF-8 answer); false when none came.
  virtual bool NeedPassword(std::string& password) = 0;
  virtual rarformat::ICryptoProvider* Crypto() = 0;  // nullptr: encryption unsupported
  // Creates `path` and its missing parents; true when it is a folder afterwards.
  virtual bool MakeFolders(const std::string& path) = 0;
  virtual void StampFolder(const std::string& path, const Stamp& stamp) = 0;
  virtual std::unique_ptr<IOutputFile> CreateOutput(const std::string& target, const Stamp& stamp) = 0;
  // A hard link or file copy entry: the file extracted before it, copied (false when absent).
  virtual bool CopyExtracted(const std::string& from, const std::string& to, const Stamp& stamp) = 0;
};

class Session {
 public:
  // `oem` reads RAR 4 names stored in the OEM code page (default: code page 437).
  Session(IUnrarHost& host, int openMode, rarformat::OemDecoder oem = {});
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // An ERAR code: kEOpen (no file), kBadArchive (not RAR), kBadData (damaged headers),
  // kMissingPassword / kBadPassword / kUnknownFormat (encrypted headers).
  int Open(const std::string& archiveName);
  const rarformat::RarArchiveInfo& Info() const;
  // 0 with the next entry, kEndArchive, kBadData (damaged header), kEOpen (a volume missing).
  int ReadHeader(rarformat::RarEntry& entry);
  const std::string& VolumeName() const;
  // Acts on the entry ReadHeader gave last: skip, test or extract. `destPath`, `destName` UTF-8.
  int Process(int operation, const std::string& destPath, const std::string& destName);
  void SetPassword(const std::string& utf8) { password_ = utf8; havePassword_ = true; }

 private:
  class Volumes;
  int Decode(const rarformat::RarEntry& entry, Sink& out, bool verify);
  int Keys(const rarformat::RarEntry& entry, rarformat::Rar5Keys& keys);

  IUnrarHost& host_;
  int mode_;
  rarformat::OemDecoder oem_;
  std::unique_ptr<Volumes> volumes_;
  std::unique_ptr<rarformat::RarReader> reader_;
  rarformat::RarEntry entry_;
  bool haveEntry_ = false;
  bool processed_ = false;
  std::string password_;
  bool havePassword_ = false;
  std::unique_ptr<rarformat::TUnpack5> unpack5_;
  std::unique_ptr<rarformat::TUnpack29> unpack29_;
  bool solidBroken_ = false;
  rarformat::Rar5Keys keys_;
  std::string keysPassword_;
  std::array<uint8_t, 16> keysSalt_{};
  unsigned keysKdf_ = 0;
  bool keysValid_ = false;  // an entry of the solid stream failed: later ones cannot decode
};

}  // namespace unrar
