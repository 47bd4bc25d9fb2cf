// Reading RAR archives: RAR 5 and RAR 1.5-4 block formats, self-extractor stubs, volumes, and
// the packed bytes of each entry as one stream. Portable: bytes come through
// zipformat::IByteSource, other volumes through IVolumeProvider.
//
// How the pieces fit:
//   - RarReader reader(source, "name.rar", &volumes); reader.Open() finds the signature (within the
//     first MB, so self-extractors open), reads the main header and the archive comment.
//   - reader.Next(entry) walks the file entries in archive order, service headers skipped. At the
//     end of a volume whose end block says another follows, it asks `volumes` for the next one
//     and goes on there (no provider: the walk ends with VolumeStopped).
//   - reader.OpenPacked() gives the packed bytes of the entry Next returned last. When the entry
//     continues in later volumes, the stream switches volumes itself; afterwards CurrentPart()
//     is the last part read (its header carries the CRC of the whole file) and the walk goes on
//     after it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "RarCrypto.h"
#include "RarUnpack.h"
#include "ZipFormat.h"

namespace rarformat {

enum class RarFormat { Rar4, Rar5 };

enum class RarStatus {
  Ok,
  End,            // no more entries
  NotRar,         // no signature
  Damaged,        // a header's CRC or fields are wrong
  Truncated,      // a header or the data it announces runs past the end
  NeedPassword,   // the headers are encrypted and no key was given (or the system's cipher failed)
  BadPassword,    // the password does not open the encrypted headers
  ReadError,      // the source failed
  VolumeStopped,  // the next volume was needed and could not be had, or the provider said stop
};

// Host systems as each format stores them.
constexpr unsigned kRar5HostWindows = 0, kRar5HostUnix = 1;
constexpr unsigned kRar4HostDos = 0, kRar4HostOs2 = 1, kRar4HostWin32 = 2, kRar4HostUnix = 3,
                   kRar4HostMac = 4, kRar4HostBeos = 5;

struct Rar5Encryption {
  unsigned version = 0;       // 0 = AES-256
  unsigned kdfCount = 0;      // log2 of the PBKDF2 iterations
  std::array<uint8_t, 16> salt{};
  std::array<uint8_t, 16> iv{};
  bool hasCheck = false;
  std::array<uint8_t, 12> check{};
  bool useMac = false;        // checksums are tweaked with the key (flag 0x02)
};

struct RarEntry {
  std::string name;           // UTF-8, "/" separators
  std::string oemName;        // RAR 4: the name bytes as stored before any Unicode form ("\" kept)
  bool hasUnicodeName = false;  // RAR 4: the 0x200 form (or a UTF-8 name) gave `name`
  bool nameFromOem = false;     // RAR 4: `name` is `oemName` through the OEM decoder
  bool directory = false;
  uint64_t packedSize = 0;    // in this volume
  uint64_t unpackedSize = 0;
  bool unknownSize = false;
  uint32_t attributes = 0;
  unsigned hostOs = 0;        // as stored (see the constants above)
  bool windowsAttributes = false;  // `attributes` are FILE_ATTRIBUTE_*, else a Unix mode
  uint64_t fileTime = 0;      // FILETIME; 0 when none
  bool fileTimeUtc = false;   // RAR 5 times are UTC, RAR 4's DOS time is local
  uint16_t dosDate = 0, dosTime = 0;
  bool hasCrc = false;
  uint32_t crc = 0;
  bool hasBlake2 = false;
  std::array<uint8_t, 32> blake2{};
  unsigned unpackVersion = 0;  // RAR 4: 15, 20, 26, 29, 36; RAR 5: 50 (70 for the later variant)
  unsigned method = 0x30;      // 0x30 store, 0x31-0x35 fastest..best
  uint64_t dictionarySize = 0;
  bool solid = false;          // continues the previous entry's decoder state
  bool splitBefore = false;
  bool splitAfter = false;
  bool encrypted = false;
  Rar5Encryption rar5Crypt;    // RAR 5 encrypted entries
  bool hasSalt = false;        // RAR 4
  std::array<uint8_t, 8> salt{};
  unsigned redirectType = 0;    // RAR 5: 1 Unix link, 2 Windows link, 3 junction, 4 hard link, 5 copy
  std::string redirectTarget;  // as stored (UTF-8)
  uint32_t rawFlags = 0;       // RAR 4 HEAD_FLAGS; RAR 5 file flags
  unsigned volume = 0;         // index of the volume holding this header, from the opened one
  uint64_t headerOffset = 0;   // in that volume
  uint64_t dataOffset = 0;     // in that volume

  bool Stored() const { return method == 0x30; }
};

struct RarArchiveInfo {
  RarFormat format = RarFormat::Rar5;
  uint64_t signatureOffset = 0;  // bytes in front (a self-extractor stub)
  bool volume = false;
  bool firstVolume = true;       // RAR 5: no volume number; RAR 4: flag 0x100 (or not a volume)
  unsigned volumeNumber = 0;     // 0 for the first
  bool newNaming = true;         // name.partN.rar, else name.rar, .r00, .r01 ...
  bool solid = false;
  bool locked = false;
  bool recoveryRecord = false;
  bool encryptedHeaders = false;
  Rar5Encryption headerCrypt;    // RAR 5 encrypted headers: KDF count, salt, check (no IV here)
  bool hasComment = false;
  bool commentRead = false;      // the comment was stored and is in `comment`
  std::string comment;
};

// Where the other volumes come from.
class IVolumeProvider {
 public:
  virtual ~IVolumeProvider() = default;
  // nullptr when the volume cannot be opened.
  virtual std::unique_ptr<zipformat::IByteSource> Open(const std::string& name) = 0;
  // The next volume `name` could not be opened: true to try again with `name`, which the
  // callee may have changed; false to stop.
  virtual bool AskMissing(std::string& name) = 0;
  // Volume `name` was opened: false to stop.
  virtual bool Opened(const std::string& name) = 0;
};

// The name of the volume after `name`: "x.part09.rar" -> "x.part10.rar" (digits keep their
// width, a carry adds one), old naming "x.rar" -> "x.r00" -> ... "x.r99" -> "x.s00".
std::string NextVolumeName(const std::string& name, bool newNaming);

// The OEM code page bytes of RAR 4 names without a Unicode form, to UTF-8. The default reads
// them as code page 437.
using OemDecoder = std::function<std::string(std::string_view)>;
std::string Cp437ToUtf8(std::string_view bytes);

// The RAR 4 Unicode name form (flag 0x200): `encoded` are the bytes after the OEM name's 0 byte.
std::u16string DecodeRar4UnicodeName(std::string_view oemName, std::string_view encoded);
std::string Utf16ToUtf8(std::u16string_view text);

class RarReader {
 public:
  RarReader(std::unique_ptr<zipformat::IByteSource> source, std::string name,
            IVolumeProvider* volumes = nullptr, OemDecoder oem = {});
  ~RarReader();
  RarReader(const RarReader&) = delete;
  RarReader& operator=(const RarReader&) = delete;

  RarStatus Open();
  // After Open said NeedPassword (RAR 5 encrypted headers): derives the key from `password`
  // (UTF-8), checks it against the archive's check value, and reads the main header and the
  // comment. BadPassword when it does not fit. Later volumes are opened with the same password.
  RarStatus Unlock(ICryptoProvider& crypto, std::string_view password);
  const RarArchiveInfo& Info() const { return info_; }
  RarStatus Next(RarEntry& entry);
  // The packed bytes of the entry Next gave last (nullptr before the first). Read the stream
  // before calling Next again.
  std::unique_ptr<IPackedInput> OpenPacked();
  // After a stream ended short: why (VolumeStopped, Truncated, ReadError, Damaged).
  RarStatus StreamError() const { return streamError_; }
  const RarEntry& CurrentPart() const { return current_; }
  const std::string& VolumeName() const { return volumeName_; }
  unsigned VolumeIndex() const { return volumeIndex_; }

 private:
  friend class PackedStream;
  struct Header;
  RarStatus ReadHeader(uint64_t at, Header& header);
  RarStatus ReadHeader5(uint64_t at, Header& header);
  RarStatus FetchEncrypted5(uint64_t at, Header& header, size_t& sizeFieldLength);
  RarStatus DeriveHeaderKey();
  RarStatus ReadEncryptedMain();
  RarStatus ReadHeader4(uint64_t at, Header& header);
  RarStatus OpenVolume(bool first);
  RarStatus NextVolume();
  RarStatus FindContinuation();  // in the next volume, the part that continues `current_`
  void ReadComment();

  std::unique_ptr<zipformat::IByteSource> source_;
  std::string volumeName_;
  IVolumeProvider* volumes_;
  OemDecoder oem_;
  RarArchiveInfo info_;
  uint64_t position_ = 0;   // the next header in the current volume
  unsigned volumeIndex_ = 0;
  bool haveEntry_ = false;
  RarEntry current_;
  RarStatus streamError_ = RarStatus::Ok;
  ICryptoProvider* crypto_ = nullptr;
  std::string password_;
  std::array<uint8_t, 32> headerKey_{};
  std::array<uint8_t, 16> headerSalt_{};
  bool headerKeySet_ = false;
};

}  // namespace rarformat
