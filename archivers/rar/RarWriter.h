// The RAR 5 writer of rar.exe: headers, volumes and encryption over an output interface, with no
// system calls, so the layout is tested natively and judged by another reader. Data is always
// stored (method 0).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "archivers/rarformat/RarCrypto.h"

namespace rarexe {

uint32_t Crc32(uint32_t crc, const uint8_t* data, size_t size);  // start and end with 0
void PutVint(std::vector<uint8_t>& out, uint64_t value);

inline constexpr uint8_t kRar5Signature[8] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x01, 0x00};

// Where the archive goes, one volume after another (a single archive is volume 0 alone).
class IVolumeOutput {
 public:
  virtual ~IVolumeOutput() = default;
  virtual bool StartVolume(unsigned index) = 0;
  virtual bool Write(const uint8_t* data, size_t size) = 0;
  // Writes again over bytes of the current volume already written (a header whose CRCs are known
  // only after its data).
  virtual bool Rewrite(uint64_t offset, const uint8_t* data, size_t size) = 0;
  virtual bool FinishVolume() = 0;
};

// One file's bytes, in order. Read gives up to `count` bytes; 0 at the end; false on a failure.
class IEntryData {
 public:
  virtual ~IEntryData() = default;
  virtual bool Read(uint8_t* buffer, size_t count, size_t& got) = 0;
};

struct NewEntry {
  std::string name;  // UTF-8, "/" between folders
  bool folder = false;
  uint32_t attributes = 0;  // Windows FILE_ATTRIBUTE_* bits
  uint64_t size = 0;
  uint64_t modified = 0;  // FILETIME: 100 ns units since 1601
};

struct WriterOptions {
  uint64_t volumeSize = 0;  // bytes per volume; 0 writes one archive without volume flags
  // With a password, file data is AES-256 encrypted (headers stay readable): a salt and an IV
  // of its own per file from `random`, the password check and checksums turned into MACs.
  std::string password;  // UTF-8
  rarformat::ICryptoProvider* crypto = nullptr;
  std::function<bool(uint8_t*, size_t)> random;
  unsigned kdfCount = 15;
  std::function<bool()> cancelled;  // polled between blocks
};

enum class WriteError { None, Output, Read, SizeChanged, Crypto, VolumeTooSmall, Cancelled };

class TRar5Writer {
 public:
  TRar5Writer(IVolumeOutput& output, WriterOptions options);
  ~TRar5Writer();

  bool Begin();
  // `data` is read for files with a size (nullptr for folders and empty files).
  bool Add(const NewEntry& entry, IEntryData* data);
  // Headers and data of an existing unsplit archive's entry, byte for byte (`bytes` reads them).
  bool Copy(IEntryData& bytes, uint64_t size);
  bool End();

  WriteError Error() const { return error_; }
  unsigned Volumes() const { return volume_ + 1; }

 private:
  struct Encryption;
  bool Fail(WriteError error);
  bool StartVolume();
  bool NextVolume();
  uint64_t Room() const;
  bool Emit(const std::vector<uint8_t>& bytes);
  std::vector<uint8_t> FileHeader(const NewEntry& entry, bool splitBefore, bool splitAfter, uint64_t dataSize,
                                  uint32_t crc, const Encryption* encryption) const;
  uint32_t StoredCrc(uint32_t crc, const Encryption* encryption);

  IVolumeOutput& output_;
  WriterOptions options_;
  unsigned volume_ = 0;
  uint64_t position_ = 0;  // within the current volume
  bool fresh_ = true;      // nothing but the volume's own headers in it yet
  WriteError error_ = WriteError::None;
  std::vector<uint8_t> buffer_;
};

}  // namespace rarexe
