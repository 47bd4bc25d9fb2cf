// Reading an ARJ archive: the entries of each volume file and their packed data, with a file split
// across volumes (.arj, .a01, .a02 ...) gathered into one entry of several parts. Portable: the
// volumes are opened through a callback.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ArjDecode.h"
#include "ArjHeaders.h"

namespace arjformat {

// One stored piece of an entry: where its packed data lies, and its own header (sizes and CRC
// are those of this piece).
struct EntryPart {
  size_t volume = 0;
  uint64_t dataOffset = 0;
  ArjHeader header;
};

struct ArjEntry {
  ArjHeader header;  // the first part's header, originalSize / compressedSize summed over parts
  std::vector<EntryPart> parts;
  bool complete = true;  // false: a later part is missing (the set ends early)
  bool IsFolder() const { return header.fileType == kTypeDirectory; }
};

using VolumeOpener = std::function<std::unique_ptr<zipformat::IByteSource>(const std::string& path)>;

// The name of volume `index` of the set whose first volume is `first`: index 0 is `first`
// itself, then the extension becomes .a01, .a02 ... (the case of the first volume's extension).
std::string VolumeName(const std::string& first, size_t index);

class ArjArchive {
 public:
  // Opens `path` and, while the main header says another volume follows, the next volumes.
  // False when the first volume cannot be opened or has no main header.
  bool Open(const std::string& path, VolumeOpener opener);

  const std::vector<ArjEntry>& Entries() const { return entries_; }
  const ArjHeader& MainHeader() const { return main_; }
  // True when a header could not be read (entries before it stay) or a volume is missing.
  bool Damaged() const { return damaged_; }
  size_t VolumeCount() const { return volumes_.size(); }
  const std::string& VolumePath(size_t index) const { return paths_[index]; }

  enum class Result { Ok, CrcError, BadData, WriteFailed, ReadFailed };
  // Unpacks every part of `entry` in order into `output`, checking each part's CRC-32.
  Result Extract(const ArjEntry& entry, IByteOutput& output);
  // The packed bytes of one part, unchanged (for copying an entry into a new archive).
  bool CopyPacked(const EntryPart& part, IByteOutput& output);

 private:
  bool ReadVolume(size_t index);

  std::vector<std::unique_ptr<zipformat::IByteSource>> volumes_;
  std::vector<std::string> paths_;
  std::vector<ArjEntry> entries_;
  ArjHeader main_;
  bool damaged_ = false;
};

}  // namespace arjformat
