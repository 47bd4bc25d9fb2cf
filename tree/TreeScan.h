// Reads a folder subtree from disk into cache lines (TreeCache.h form, directory order, every
// folder expanded). Folder links and junctions are listed but not followed, paths longer than
// kMaxTreePath or deeper than kMaxTreeLevel are left out; all are counted for the scan's report.
// Portable.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "base/FileSystem.h"
#include "tree/TreeCache.h"
#include "tree/TreeItems.h"

namespace quill {

// Junctions and symbolic links carry this attribute.
constexpr uint32_t kFaReparsePoint = 0x400;

struct TTreeScanStats {
  int folders = 0;     // lines added below the first
  int tooLong = 0;     // folders left out: path longer than kMaxTreePath
  int tooDeep = 0;     // folders left out: level above kMaxTreeLevel
  int links = 0;       // reparse points: listed among `folders`, never entered
  int unreadable = 0;  // folders left out: could not be entered
  bool cancelled = false;
};

// What the user is told about folders a scan could not record ("" when none): too long a path
// or too deep a level, which the cache file cannot hold.
std::string LeftOutText(const TTreeScanStats& stats);

class TTreeScanner {
public:
  explicit TTreeScanner(IFileSystem& fs) : fs_(fs) {}

  // Called for each folder entered, with its name and the number entered so far; returning
  // false cancels the scan.
  std::function<bool(const std::string& name, int count)> OnScan;
  // Called every few thousand entries while one folder is listed: a folder of 100,000 files
  // takes long enough that the host's windows must be kept alive meanwhile.
  std::function<void()> OnBusy;

  // Clears `lines` and fills them with `path`'s folder (level from its depth; the drive for a
  // root) and every folder below it. False when `path` cannot be entered (lines left
  // untouched) or when cancelled (lines then hold the part read so far, still well formed).
  // The current directory is not used.
  bool ScanDirectory(const std::string& path, std::vector<std::string>& lines);
  // ScanDirectory then LoadFromStrings into `items`.
  bool ScanTree(const std::string& path, TTreeItems& items);

  const TTreeScanStats& Stats() const { return stats_; }

private:
  bool ListFolders(const std::string& folder, std::vector<TFindData>& folders);
  bool ScanDir(const std::string& folder, const std::vector<TFindData>& entries, int level,
               std::vector<std::string>& lines);

  IFileSystem& fs_;
  TTreeScanStats stats_;
};

}  // namespace quill
