#include "tree/TreeScan.h"

#include "base/Path.h"
#include "fileview/FileUtils.h"
#include "tree/TreeCache.h"

namespace quill {

bool TTreeScanner::ScanDirectory(const std::string& path, std::vector<std::string>& lines) {
  stats_ = {};
  const std::string saved = fs_.CurrentDir();
  if (!fs_.SetCurrentDir(path)) return false;
  const int depth = FolderDepth(path);
  lines.clear();
  lines.push_back(TreeLine(true, depth, depth == 0 ? DrivePart(path) : LastComponent(path)));
  const bool complete = ScanDir(depth == 0 ? DriveRoot(DrivePart(path)) : StripBackslash(path), depth + 1, lines);
  fs_.SetCurrentDir(saved);
  return complete;
}

bool TTreeScanner::ScanDir(const std::string& folder, int level, std::vector<std::string>& lines) {
  std::vector<TFindData> entries;
  fs_.Enumerate(JoinPath(folder, "*.*"), [&](const TFindData& found) {
    if ((found.attributes & faDirectory) && found.name != "." && found.name != "..") entries.push_back(found);
  });
  for (const TFindData& entry : entries) {
    const std::string full = JoinPath(folder, entry.name);
    // A junction can lead back to its own ancestors; its target is scanned where it lives.
    if (entry.attributes & kFaReparsePoint) {
      ++stats_.links;
      continue;
    }
    if (full.size() > kMaxTreePath) {
      ++stats_.tooLong;
      continue;
    }
    if (level > kMaxTreeLevel) {
      ++stats_.tooDeep;
      continue;
    }
    if (!fs_.SetCurrentDir(full)) {
      ++stats_.unreadable;
      continue;
    }
    ++stats_.folders;
    if (OnScan && !OnScan(entry.name, stats_.folders)) {
      stats_.cancelled = true;
      return false;
    }
    lines.push_back(TreeLine(true, level, entry.name));
    if (!ScanDir(full, level + 1, lines)) return false;
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
