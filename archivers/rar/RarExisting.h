// An existing RAR 5 archive as an update sees it: its entries, where each one's bytes lie (file
// header, data and the service headers that belong to it), and whether it can be updated at all.
// Portable: the bytes come through IArchiveBytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace rarexe {

class IArchiveBytes {
 public:
  virtual ~IArchiveBytes() = default;
  virtual uint64_t Size() = 0;
  // Exactly `size` bytes at `offset`, or false.
  virtual bool ReadAt(uint64_t offset, uint8_t* data, size_t size) = 0;
};

struct ExistingEntry {
  std::string name;  // as stored: UTF-8 with "/"
  bool folder = false;
  uint64_t modified = 0;      // FILETIME, 0 when the header has none
  bool wholeSeconds = false;  // the time was stored in Unix seconds
  uint64_t offset = 0;        // first byte of the file header
  uint64_t length = 0;        // through its data and its own service headers
};

enum class ExistingState {
  Ok,
  NotRar,        // no RAR signature at the start
  Rar4,          // the older format: not updated
  Damaged,       // a header's CRC or size is wrong, or the archive ends inside one
  Solid,         // entries depend on each other: none can be copied alone
  Volume,        // one volume of a set
  Locked,        // the archive asks not to be changed
  EncryptedHeaders,
};

struct ExistingArchive {
  ExistingState state = ExistingState::Ok;
  std::vector<ExistingEntry> entries;
  // Archive-level service headers kept as they are (the archive comment); the quick-open and
  // recovery records describe the old layout and are dropped.
  std::vector<ExistingEntry> kept;
};

ExistingArchive ReadExisting(IArchiveBytes& bytes);

}  // namespace rarexe
