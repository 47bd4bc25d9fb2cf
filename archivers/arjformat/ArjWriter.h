// Writing an ARJ archive: the main header, one local header per entry with its packed data
// (method 1, or stored when packing would not make it smaller), folder entries, the end marker,
// and volumes of a given size with files split across them the way ARJ splits them (each piece
// packed on its own, with its own CRC and its offset in the file). Portable: the volumes are
// written and the files read through interfaces.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ArjArchive.h"
#include "ArjHeaders.h"

namespace arjformat {

// The files of the archive being written. Rewrite changes bytes already written to the open
// volume (its main header, once it is known that another volume follows).
class IVolumeOutput {
 public:
  virtual ~IVolumeOutput() = default;
  virtual bool StartVolume(size_t index) = 0;
  virtual bool Write(const uint8_t* data, size_t size) = 0;
  virtual bool Rewrite(uint64_t offset, const uint8_t* data, size_t size) = 0;
  virtual bool FinishVolume() = 0;
};

struct NewEntry {
  std::string name;      // in-archive path, "\" or "/" between components
  uint32_t dosTime = 0;  // date in the high word
  uint16_t attributes = 0;
};

constexpr uint8_t kArchiverVersion = 11;
constexpr uint8_t kMinVersion = 1;
constexpr uint8_t kHostWin32 = 11;  // as ARJ32 writes it on Windows

class ArjWriter {
 public:
  // `volumeSize` 0: one file. `method` 0 stores, anything else packs with method 1.
  ArjWriter(IVolumeOutput& output, std::string archiveName, uint64_t volumeSize, int method,
            uint32_t dosNow);

  bool AddFile(const NewEntry& entry, zipformat::IByteSource& data);
  bool AddFolder(const NewEntry& entry);
  // An entry of an existing archive, its packed bytes copied unchanged when it is in one piece
  // and fits; otherwise unpacked and packed again.
  bool CopyEntry(ArjArchive& from, const ArjEntry& entry);
  // Writes the end marker and closes the last volume.
  bool Finish();

  size_t VolumesWritten() const { return volume_ + (open_ ? 1 : 0); }

 private:
  bool Open();
  bool NextVolume();
  bool Put(const std::vector<uint8_t>& bytes);
  bool WritePiece(ArjHeader header, const std::vector<uint8_t>& packed,
                  zipformat::IByteSource* storedFrom, uint64_t storedOffset);
  uint64_t Room() const;
  ArjHeader BaseHeader(const NewEntry& entry) const;
  bool AddData(ArjHeader header, zipformat::IByteSource& data);

  IVolumeOutput& output_;
  std::string archiveName_;
  uint64_t volumeSize_;
  int method_;
  uint32_t dosNow_;
  size_t volume_ = 0;
  bool open_ = false;
  bool failed_ = false;
  uint64_t used_ = 0;  // bytes in the open volume
  size_t piecesInVolume_ = 0;
  double ratio_ = 0;  // packed / original of the last packed piece
};

// Packs [offset, offset + size) of `data` with method 1 into `packed`; false on a read failure.
bool PackMethod1(zipformat::IByteSource& data, uint64_t offset, uint64_t size,
                 std::vector<uint8_t>& packed, uint32_t& crc);

}  // namespace arjformat
