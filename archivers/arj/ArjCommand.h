// arj.exe's portable part: the command line, the selection of entries, the names entries get
// under the destination, the extraction loop over a target the program provides, and what an
// update does with the entries already in the archive.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ArjArchive.h"

namespace arjexe {

// Errorlevels, as ARJ documents them.
enum ExitCode {
  kSuccess = 0,
  kWarning = 1,
  kFatal = 2,
  kCrcError = 3,
  kWriteError = 5,
  kCannotOpen = 6,
  kBadParameters = 7,
  kNoMemory = 8,
};

struct Command {
  char letter = 0;          // a m f u (adding), x e (extracting), t l
  bool recurse = false;
  bool yes = false;
  bool volumes = false;     // -v given (with or without a size)
  uint64_t volumeSize = 0;  // bytes
  int method = 1;           // 0 stores, 1-4 accepted (all written as method 1)
  std::string archive;
  std::string destination;             // extraction: the base folder (may be empty)
  std::vector<std::string> listFiles;  // !name
  std::vector<std::string> items;      // names given directly
  bool Adding() const { return letter == 'a' || letter == 'm' || letter == 'f' || letter == 'u'; }
};

// `args` are the words after the program's name. False with `error` set when the line is not
// one arj.exe takes.
bool ParseCommand(const std::vector<std::string>& args, Command& command, std::string& error);

// "-vN": N bytes, "K" multiplies by 1000, and 360/720/1200/1440 name the floppy sizes.
bool ParseVolumeSize(const std::string& text, uint64_t& bytes);

// The lines of a list file: blank lines skipped, blanks around names kept out, "\r\n" or "\n".
std::vector<std::string> ListFileItems(const std::string& text);

// The entry's name with "\" separators ("/" translated when the entry says so).
std::string EntryPath(const arjformat::ArjHeader& header);

// Whether `path` (with "\") is selected by `items`: an item equal to it, a folder above it, or a
// wildcard pattern matching it (ASCII case-insensitive, "/" and "\" alike). No items: all.
bool Selected(const std::string& path, const std::vector<std::string>& items);

// The relative path an entry is written to under the destination: drive letters, leading
// separators, "." and ".." components dropped (nothing leaves the destination); only the last
// component without stored paths. False when nothing usable is left (a device name, invalid
// characters, an empty name).
bool TargetPath(const std::string& entryPath, bool withPaths, std::string& target);

// What an extracted file gets of its entry. A Unix host stores the time as seconds since 1970
// (UTC) and the access mode as a Unix mode; the others a DOS date and time (local) and DOS
// attributes.
struct FileStamp {
  bool unixTime = false;
  uint32_t time = 0;
  uint16_t attributes = 0;  // DOS attributes
};
FileStamp StampOf(const arjformat::ArjHeader& header);

// What extraction writes to: the program's files, or memory in the tests.
class IExtractTarget {
 public:
  virtual ~IExtractTarget() = default;
  // Creates the folder and the folders above it (relative to the destination).
  virtual bool MakeFolder(const std::string& relative) = 0;
  // Creates or overwrites a file; nullptr when it cannot be created.
  virtual arjformat::IByteOutput* BeginFile(const std::string& relative) = 0;
  // Closes the file begun last: kept with its time and attributes, or removed when `keep` is
  // false (a damaged entry leaves nothing behind). False when closing or removing failed.
  virtual bool EndFile(bool keep, const FileStamp& stamp) = 0;
  virtual void Report(const std::string& message) = 0;
};

struct ExtractSummary {
  int exitCode = kSuccess;
  size_t files = 0, folders = 0, failed = 0, skipped = 0;
};

// Extracts (or with `testOnly` checks) the selected entries; the exit code is the worst seen.
ExtractSummary ExtractEntries(arjformat::ArjArchive& archive, bool withPaths,
                              const std::vector<std::string>& items, IExtractTarget& target,
                              bool testOnly = false);

// One step of writing the new archive: an existing entry copied, or a new item added.
struct PlanStep {
  bool copy = false;
  size_t index = 0;  // into the existing entries, or into the new items
};

struct NewItem {
  std::string name;  // in-archive path, "\" separators
  uint32_t dosTime = 0;
};

// a and m add every item, replacing entries of the same name where they stand; u adds new items
// and items newer than their entry; f only items newer than their entry. Names compare ASCII
// case-insensitively with "/" and "\" alike.
std::vector<PlanStep> PlanUpdate(char letter, const std::vector<arjformat::ArjEntry>& existing,
                                 const std::vector<NewItem>& items);

}  // namespace arjexe
