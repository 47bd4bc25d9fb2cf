// rar.exe's command line and what an update does with the entries already in the archive:
// portable, so both are tested natively.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "archivers/rar/RarExisting.h"
#include "archivers/rar/RarWriter.h"

namespace rarexe {

enum class Mode { Add, Move, Freshen, Update };

struct Command {
  Mode mode = Mode::Add;
  bool recurse = false;
  bool yes = false;
  uint64_t volumeSize = 0;  // bytes; -vN gives N * 1000
  std::string password;     // as given (UTF-8)
  int level = 3;            // accepted and reported; data is always stored
  std::string archive;
  std::vector<std::string> listFiles;  // @name
  std::vector<std::string> items;      // names given directly
};

// `args` are the words after the program's name (UTF-8). False with `error` set when the line
// is not a command rar.exe takes.
bool ParseCommand(const std::vector<std::string>& args, Command& command, std::string& error);

// The items of a list file: one a line, blank lines skipped, line ends of either kind.
std::vector<std::string> ListFileItems(const std::string& text);

// The name of volume `index` (0-based) of `count` for an archive named `archive` ("x.rar" gives
// "x.part1.rar", or "x.part01.rar" when there are ten or more).
std::string VolumeName(const std::string& archive, unsigned index, unsigned count);

// One step of writing the new archive: an existing entry copied, or a new item stored.
struct PlanStep {
  bool copy = false;
  size_t index = 0;  // into the existing entries, or into the new items
};

// Names equal as the file system sees them give the same key (on Windows: case folded).
using NameKey = std::function<std::string(const std::string&)>;

// a and m store every item (replacing entries of the same name where they stand); u stores new
// items and items newer than their entry; f only items newer than their entry.
std::vector<PlanStep> PlanUpdate(Mode mode, const std::vector<ExistingEntry>& existing,
                                 const std::vector<NewEntry>& items, const NameKey& key);

}  // namespace rarexe
