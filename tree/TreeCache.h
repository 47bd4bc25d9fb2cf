// The tree cache: one text line per folder in pre-order, "%d%2d%s" (expanded flag, level right-
// aligned in two characters, name; the root's name is the drive), CR LF. Written in the ANSI code
// page when every name fits, otherwise as UTF-8 with a BOM; both read back to the same tree.
// Also the cache's file name and the edits that keep a cache in step with folder operations
// made outside the tree window. Portable.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/CodePage.h"
#include "base/Collator.h"
#include "base/FileSystem.h"
#include "tree/TreeItems.h"

namespace quill {

// The line form reads two characters of level: a level of 100 would be read back as 10 with the
// rest glued to the name. Deeper folders are left out of the file (with their subtrees) rather
// than written in a form an older reader would misread.
constexpr int kMaxTreeLevel = 99;

// "%d%2d%s": "1 0C:", "0 2Common Files", "110Deep".
std::string TreeLine(bool expanded, int level, std::string_view name);

// The cache file of a drive ("C:", "C:\x", "\\srv\share"): "treeinfo.xcd" in the drive's root
// when `inRoot`; otherwise the volume serial's text ("1A2B3C4D", empty when unreadable) + ".xcd"
// in `folder`, or in `programFolder` when `folder` is empty.
std::string TreeCacheFileName(std::string_view drive, std::string_view folder, bool inRoot,
                              std::string_view serialText, std::string_view programFolder);

// Whether a cache may be written at `path`: not on removable (2) or CD-ROM (5) drives.
bool TreeCacheWritable(IFileSystem& fs, std::string_view path);

// Loads the cache of `drive` into `items`. When the loaded root names another drive (the
// volume now has another letter) the root takes `drive`'s name and the file is saved again.
// Returns false when the load gave no root: a missing, empty or damaged file, after which the
// caller rescans the drive.
bool LoadTreeCache(TTreeItems& items, IFileSystem& fs, const ICodePage& codePage, const std::string& path,
                   std::string_view drive);

// The edits applied to cache files when folders are copied, moved, renamed, deleted or made
// from the file pane. Each runs only when its cache file(s) exist, loads a private list, applies
// the change (paths matched by FindItem, paths not found skipped) and saves. Nothing is reported.
class TTreeCacheEditor {
public:
  TTreeCacheEditor(IFileSystem& fs, const ICodePage& codePage, const ICollator& collator = TAsciiCollator::Instance())
      : fs_(fs), codePage_(codePage), collator_(collator) {}

  // Each path's item goes, with its subtree.
  void DeleteFolders(const std::string& cacheFile, const std::vector<std::string>& paths);
  // Each entry is "old full path=new name"; the item keeps its place among its siblings.
  void RenameFolders(const std::string& cacheFile, const std::vector<std::string>& pairs);
  // The found paths' subtrees are copied under destFolder (a name already present there is not
  // copied again); with `move` the sources go. Same file (case ignored): loaded and saved once.
  void CopyFolders(const std::string& sourceCache, const std::string& destCache, const std::vector<std::string>& paths,
                   const std::string& destFolder, bool move);
  // A folder made in the pane: `name` is added under `parentFolder` when that is in the cache.
  void AddFolder(const std::string& cacheFile, const std::string& parentFolder, const std::string& name);

private:
  bool Load(TTreeItems& items, const std::string& cacheFile);
  void Save(const TTreeItems& items, const std::string& cacheFile);

  IFileSystem& fs_;
  const ICodePage& codePage_;
  const ICollator& collator_;
};

}  // namespace quill
