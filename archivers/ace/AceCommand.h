// ace32.exe's command line, the archive an update starts from, and what an update does with its
// entries: portable, so all of it is tested natively.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "archivers/aceformat/AceFormat.h"

namespace acexe {

enum class Mode { Add, Move, Freshen, Update };

struct Command {
  Mode mode = Mode::Add;
  bool recurse = false;
  bool yes = false;
  uint64_t volumeSize = 0;  // bytes; -vN gives N * 1000
  bool password = false;    // -p was given (refused: no encryption here)
  int level = 3;            // accepted; data is always stored
  std::string archive;
  std::vector<std::string> listFiles;  // @name
  std::vector<std::string> items;      // names given directly
};

// `args` are the words after the program's name. False with `error` set when the line is not a
// command ace32.exe takes.
bool ParseCommand(const std::vector<std::string>& args, Command& command, std::string& error);

// The items of a list file: one a line, blank lines skipped, line ends of either kind.
std::vector<std::string> ListFileItems(const std::string& text);

struct ExistingEntry {
  aceformat::FileEntry header;
  std::string rawHeader;  // its bytes as they are, copied into the new archive
};

enum class ExistingState {
  Ok,
  NotAce,
  Damaged,      // a header's CRC or size is wrong
  MultiVolume,  // one volume of a set: not updated
  Locked,       // the archive asks not to be changed
};

struct ExistingArchive {
  ExistingState state = ExistingState::Ok;
  std::vector<ExistingEntry> entries;  // recovery records left out: they describe the old layout
};

ExistingArchive ReadExisting(zipformat::IByteSource& source);

// A file or folder to store, named as it will be in the archive.
struct NewItem {
  std::string name;  // the archive's code page, "\" separators
  bool folder = false;
  uint32_t dosTime = 0;
};

// One step of writing the new archive: an existing entry copied, or a new item stored.
struct PlanStep {
  bool copy = false;
  size_t index = 0;  // into the existing entries, or into the new items
};

// Names equal as the file system sees them give the same key.
using NameKey = std::function<std::string(const std::string&)>;

// a and m store every item (an entry of the same name is replaced where it stands); u stores
// new items and items newer than their entry; f only items newer than their entry. Times are
// compared as DOS times, the precision entries keep.
std::vector<PlanStep> PlanUpdate(Mode mode, const std::vector<ExistingEntry>& existing,
                                 const std::vector<NewItem>& items, const NameKey& key);

}  // namespace acexe
