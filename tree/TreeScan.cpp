#include "tree/TreeScan.h"

#include "base/Path.h"
#include "fileview/FileUtils.h"
#include "tree/TreeCache.h"

namespace quill {

std::string LeftOutText(const TTreeScanStats& stats) {
  auto count = [](int n) { return std::to_string(n) + (n == 1 ? " folder is" : " folders are"); };
  std::string text;
  if (stats.tooLong > 0)
    text += count(stats.tooLong) + " left out of the tree: the path is longer than " + std::to_string(kMaxTreePath) +
            " characters.";
  if (stats.tooDeep > 0) {
    if (!text.empty()) text += "\n";
    text += count(stats.tooDeep) + " left out of the tree: nested deeper than " + std::to_string(kMaxTreeLevel) +
            " levels.";
  }
  return text;
}

bool TTreeScanner::ListFolders(const std::string& folder, std::vector<TFindData>& folders) {
  folders.clear();
  size_t seen = 0;
  return fs_.Enumerate(JoinPath(folder, "*.*"), [&](const TFindData& found) {
    if ((++seen & 4095) == 0 && OnBusy) OnBusy();
    if ((found.attributes & faDirectory) && found.name != "." && found.name != "..") folders.push_back(found);
  });
}

bool TTreeScanner::ScanDirectory(const std::string& path, std::vector<std::string>& lines) {
  stats_ = {};
  const int depth = FolderDepth(path);
  const std::string folder = depth == 0 ? DriveRoot(DrivePart(path)) : StripBackslash(path);
  std::vector<TFindData> folders;
  if (!ListFolders(folder, folders)) return false;
  lines.clear();
  lines.push_back(TreeLine(true, depth, depth == 0 ? DrivePart(path) : LastComponent(path)));
  return ScanDir(folder, folders, depth + 1, lines);
}

// `entries` are `folder`'s subfolders, already listed: a folder counts as entered only when its
// listing succeeded, so each folder is read exactly once and the current directory is never
// touched (changing it for every folder cost a third of the scan).
bool TTreeScanner::ScanDir(const std::string& folder, const std::vector<TFindData>& entries, int level,
                           std::vector<std::string>& lines) {
  std::vector<TFindData> children;
  for (const TFindData& entry : entries) {
    const std::string full = JoinPath(folder, entry.name);
    if (full.size() > kMaxTreePath) {
      ++stats_.tooLong;
      continue;
    }
    if (level > kMaxTreeLevel) {
      ++stats_.tooDeep;
      continue;
    }
    // A junction can lead back to its own ancestors, so it is listed (the user can still go
    // there: Desktop and Documents are links on some systems) but never entered.
    if (entry.attributes & kFaReparsePoint) {
      ++stats_.links;
      ++stats_.folders;
      lines.push_back(TreeLine(true, level, entry.name));
      continue;
    }
    if (!ListFolders(full, children)) {
      ++stats_.unreadable;
      continue;
    }
    ++stats_.folders;
    if (OnScan && !OnScan(entry.name, stats_.folders)) {
      stats_.cancelled = true;
      return false;
    }
    lines.push_back(TreeLine(true, level, entry.name));
    if (!ScanDir(full, children, level + 1, lines)) return false;
  }
  return true;
}

bool TTreeScanner::ScanTree(const std::string& path, TTreeItems& items) {
  std::vector<std::string> lines;
  const bool complete = ScanDirectory(path, lines);
  if (lines.empty()) return false;
  return items.LoadFromStrings(lines) && complete;
}

}  // namespace quill
