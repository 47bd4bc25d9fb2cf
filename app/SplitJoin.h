// Split File and Join Files without any window: the volume set's names, volume 1's header, the
// ".crc" list file, the split writer and the join reader. Portable: files are reached through
// IFileStreams, progress through ICopyProgress, so the whole format is tested natively.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/CodePage.h"
#include "base/FileStream.h"
#include "operations/Progress.h"

namespace quill {

// Data is moved in blocks of this size, the same as the copy engine's.
constexpr uint32_t kSplitBlock = 65535;
// How much of volume 1 is looked at for a header.
constexpr size_t kJoinHeaderScan = 254;

// The size choices of the split dialog, smallest first.
constexpr std::array<const char*, 7> kSplitSizes = {"1440 KB", "2880 KB", "5 MB", "10 MB", "20 MB", "50 MB", "100 MB"};

// The index into kSplitSizes preselected for a source of `size` bytes.
int PreselectedSplitSize(uint64_t size);

// "N.001": `baseName` with the volume number as a three-digit (or longer) extension.
std::string VolumeName(std::string_view baseName, uint64_t number);

// Volume 1's header: the source's name with extension, three blanks, its size, "/". `name` is
// already in the bytes it is stored as.
std::string SplitHeader(std::string_view name, uint64_t size);

// What the list file records of one volume.
struct TSplitVolume {
  std::string name;  // without folder
  uint64_t dataBytes = 0;
  uint32_t crc = 0;  // final value, over every byte of the volume, header included
};

// The ".crc" list file's lines (without line ends): the banner, the total, the volumes' data
// sizes, then their CRC-32s.
std::vector<std::string> SplitListLines(uint64_t totalSize, const std::vector<TSplitVolume>& volumes);

// Cuts `source` into volumes of `volumeSize` data bytes in `folder`, then writes the list file.
// Nothing happens (0) when the size is 0 or not smaller than the source. Returns 0, 1223 when
// cancelled, or the Win32 error that stopped it; volumes written before a failure stay.
class TSplitter {
public:
  TSplitter(IFileStreams& files, const ICodePage& codePage, ICopyProgress* progress)
      : files_(files), codePage_(codePage), progress_(progress) {}

  // `caption` is the progress window's ("Split File").
  uint32_t Run(const std::string& source, const std::string& folder, uint64_t volumeSize, const std::string& caption);
  // The volumes finished so far, in order.
  const std::vector<TSplitVolume>& Volumes() const { return volumes_; }
  // True once Run decided there is something to split (the progress window was shown).
  bool Started() const { return started_; }

private:
  uint32_t WriteVolume(IFileReader& source, const std::string& path, const std::string& header, uint64_t limit,
                       TSplitVolume& volume, std::vector<char>& buffer);

  IFileStreams& files_;
  const ICodePage& codePage_;
  ICopyProgress* progress_;
  std::vector<TSplitVolume> volumes_;
  bool started_ = false;
};

// ---- joining ----

struct TJoinVolume {
  std::string name;  // without folder
  uint64_t size = 0;
};

// The volumes of base name `baseName` in `folder`: N.001, N.002, ... up to the first missing one.
std::vector<TJoinVolume> CountVolumes(IFileStreams& files, const std::string& folder, std::string_view baseName);
uint64_t VolumesTotal(const std::vector<TJoinVolume>& volumes);

// What a ".crc" list tells the join. A list that is not text (NUL bytes, or not a list of lines
// at all) tells nothing.
struct TCrcList {
  bool usable = false;
  std::string fileName;  // the "filename=" value, as written (not yet checked for safety)
  // Lower-cased volume name to its CRC-32, from the "NAME XXXXXXXX" lines.
  std::unordered_map<std::string, uint32_t> crcs;
  const uint32_t* CrcOf(std::string_view volumeName) const;
};
// A list larger than this is not a list of ours and is not read.
constexpr uint64_t kMaxCrcListBytes = 16u << 20;
TCrcList ParseCrcList(std::string_view bytes, const ICodePage& codePage);

// Volume 1's header, when the bytes at its start hold one.
struct TJoinHeader {
  bool present = false;
  std::string name;        // the recorded source name, as written (not yet checked for safety)
  uint64_t dataStart = 0;  // where the data starts in volume 1
};
TJoinHeader DetectHeader(std::string_view start, const ICodePage& codePage);

// A name from the set's own files made safe to offer in the save dialog: only its last path
// component, and `fallback` when that is empty, "." or "..", or holds a character no file name
// may hold. The join then writes nowhere but where the user saved.
std::string SafeOutputName(std::string_view recorded, std::string_view fallback);

// The output name the save dialog proposes for base name N: the header's name, else the list's
// "filename", else N, each made safe.
std::string JoinOutputName(std::string_view baseName, const TCrcList& list, const TJoinHeader& header);

// Puts the volumes back together into `output`. The data goes to a temporary file beside the
// output, which replaces the output only once everything was joined, so a failed or cancelled
// join leaves neither a partial file nor a damaged old one. When `list` has a CRC for a volume,
// the volume's bytes (header included) must match it. Returns 0, 1223 when cancelled, the Win32
// error, or kJoinCrcMismatch with BadVolume() naming the volume.
constexpr uint32_t kJoinCrcMismatch = 23;  // ERROR_CRC
class TJoiner {
public:
  TJoiner(IFileStreams& files, ICopyProgress* progress) : files_(files), progress_(progress) {}

  uint32_t Run(const std::string& folder, const std::vector<TJoinVolume>& volumes, uint64_t dataStart,
               const TCrcList& list, const std::string& output, const std::string& caption);
  const std::string& BadVolume() const { return badVolume_; }
  // The temporary file's name while the join runs (empty before).
  const std::string& TemporaryName() const { return temporary_; }

private:
  uint32_t JoinVolume(IFileWriter& out, const std::string& folder, const TJoinVolume& volume, uint64_t skip,
                      const uint32_t* expectedCrc, std::vector<char>& buffer);

  IFileStreams& files_;
  ICopyProgress* progress_;
  std::string badVolume_;
  std::string temporary_;
};

}  // namespace quill
