// The folder-tree caches follow what the pane does to folders, so the tree window shows them
// without a rescan: copies and moves, deletions, renames and new folders.
#include "app/MainForm.h"
#include "base/Path.h"
#include "fileview/FileUtils.h"
#include "fileview/ShellUtils.h"
#include "platform/Win32FileSystem.h"
#include "platform/Win32Text.h"
#include "tree/TreeCache.h"

namespace quill {

std::string TMainForm::TreeCacheOf(const std::string& path) {
  const std::string drive = DrivePart(path);
  const bool inRoot = ini_.ReadBool("Option", "TreeRoot", false);
  return TreeCacheFileOf(drive, ini_.ReadString("Option", "TreePath", ""), inRoot,
                         inRoot ? std::string() : VolumeSerial(drive), files_.folder);
}

namespace {
TTreeCacheEditor CacheEditor() {
  return TTreeCacheEditor(TWin32FileSystem::Instance(), TAnsiCodePage::Instance(), TWin32Collator::Instance());
}
bool CacheExists(const std::string& path) { return TWin32FileSystem::Instance().FileExists(path); }
}  // namespace

void TMainForm::CacheFoldersCopied(const std::vector<std::string>& folders, const std::string& destination, bool move) {
  if (folders.empty()) return;
  const std::string source = TreeCacheOf(folders.front());
  const std::string target = TreeCacheOf(destination);
  if (!CacheExists(source) || !CacheExists(target)) return;
  CacheEditor().CopyFolders(source, target, folders, StripBackslash(destination), move);
}

void TMainForm::CacheFoldersDeleted(const std::vector<std::string>& folders) {
  if (folders.empty()) return;
  const std::string cache = TreeCacheOf(folders.front());
  if (CacheExists(cache)) CacheEditor().DeleteFolders(cache, folders);
}

void TMainForm::CacheFolderRenamed(const std::string& oldPath, const std::string& newName) {
  const std::string cache = TreeCacheOf(oldPath);
  if (CacheExists(cache)) CacheEditor().RenameFolders(cache, {oldPath + "=" + newName});
}

void TMainForm::CacheFolderCreated(const std::string& path) {
  const std::string cache = TreeCacheOf(path);
  if (CacheExists(cache)) CacheEditor().AddFolder(cache, FileDirPart(path), LastComponent(path));
}

}  // namespace quill
