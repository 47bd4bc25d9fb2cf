#include "tree/TreeCache.h"

#include <cstdio>

#include "base/Path.h"
#include "base/TextFile.h"
#include "fileview/FileUtils.h"

namespace quill {

namespace {

const char kInvalidFormat[] = "Invalid Format";

// A whole field as a decimal integer: leading blanks, an optional sign, then digits only.
bool ReadField(std::string_view field, int& value) {
  size_t i = 0;
  while (i < field.size() && field[i] == ' ') ++i;
  bool negative = false;
  if (i < field.size() && (field[i] == '-' || field[i] == '+')) negative = field[i++] == '-';
  if (i == field.size()) return false;
  int result = 0;
  for (; i < field.size(); ++i) {
    if (field[i] < '0' || field[i] > '9') return false;
    result = result * 10 + (field[i] - '0');  // two characters at most: no overflow
  }
  value = negative ? -result : result;
  return true;
}

std::string NotAnInteger(std::string_view field) { return "'" + std::string(field) + "' is not a valid integer value"; }

// A line of three characters or fewer is skipped by the reader, and a line break would split it.
bool Unwritable(std::string_view name) { return name.empty() || name.find_first_of("\r\n") != std::string_view::npos; }

}  // namespace

std::string TreeLine(bool expanded, int level, std::string_view name) {
  char head[16];
  std::snprintf(head, sizeof head, "%d%2d", expanded ? 1 : 0, level);
  std::string line(head);
  line.append(name);  // appended, not formatted: a name is data, whatever bytes it holds
  return line;
}

// ---- reading ---------------------------------------------------------------------------------

bool TTreeItems::LoadFromStrings(const std::vector<std::string>& lines) {
  return LoadFromViews(std::vector<std::string_view>(lines.begin(), lines.end()));
}

bool TTreeItems::LoadFromViews(const std::vector<std::string_view>& lines) {
  BeginUpdate();
  Clear();
  const bool loaded = LoadLines(lines);
  EndUpdate();
  return loaded && Root;
}

namespace {

// The lines of a decoded file as views into it, split as the text-file rule splits them (CR LF,
// LF or a lone CR; a final line end starts no further line), without copying each line.
std::vector<std::string_view> LineViews(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

}  // namespace

void TTreeItems::FailLoad(const std::string& message) {
  if (Root) FreeSubtree(Root);
  Root = Last = nullptr;
  Count = 0;
  loadError_ = message;
  if (OnMessage) OnMessage(message);
}

bool TTreeItems::LoadLines(const std::vector<std::string_view>& lines) {
  loadError_.clear();
  Count = 0;
  Root = Last = nullptr;
  // Lines at the root's level after the first are never linked; they and what nests below them
  // are dropped once the load is over.
  std::vector<TTreeItem*> dropped;
  auto freeDropped = [&] {
    for (TTreeItem* item : dropped) {
      ++Count;  // never counted when it was left unlinked
      FreeSubtree(item);
    }
  };
  TTreeItem* previous = nullptr;
  int previousLevel = 0;
  for (const std::string_view text : lines) {
    if (text.size() <= 3) continue;
    int expanded = 0, level = 0;
    if (!ReadField(text.substr(0, 1), expanded) || !ReadField(text.substr(1, 2), level)) {
      freeDropped();
      FailLoad(NotAnInteger(ReadField(text.substr(0, 1), expanded) ? text.substr(1, 2) : text.substr(0, 1)));
      return false;
    }
    auto* item = new TTreeItem(this);
    item->Expanded = expanded != 0;
    item->Level = level;
    item->Name.assign(text.substr(3));
    if (!previous) {
      item->Level = 0;  // whatever the line says, paths and columns count from a level-0 root
      Root = item;
      Count = 1;
    } else if (level > previousLevel) {
      item = PlaceLoaded(previous, item);
    } else {
      TTreeItem* sibling = previous;
      for (int up = previousLevel - level; up > 0 && sibling; --up) sibling = sibling->Parent;
      if (!sibling) {
        delete item;
        freeDropped();
        FailLoad(kInvalidFormat);
        return false;
      }
      if (sibling->Parent) {
        item = PlaceLoaded(sibling->Parent, item);
      } else {
        dropped.push_back(item);
      }
    }
    previous = item;
    previousLevel = level;
  }
  freeDropped();
  return Root != nullptr;
}

// ---- writing ---------------------------------------------------------------------------------

int TTreeItems::SaveToStrings(std::vector<std::string>& lines) const {
  if (!Root) return 0;
  auto subtreeSize = [](const TTreeItem* item) {
    int n = 1;
    for (const TTreeItem* p = item->FirstChild; p;) {
      ++n;
      if (p->FirstChild) {
        p = p->FirstChild;
        continue;
      }
      while (p != item && !p->NextSibling) p = p->Parent;
      p = p == item ? nullptr : p->NextSibling;
    }
    return n;
  };
  if (Unwritable(Root->Name) || Root->Name.size() + 1 > kMaxTreePath) return subtreeSize(Root);
  lines.push_back(TreeLine(Root->Expanded, Root->Level, Root->Name));
  int left = 0;
  // Path lengths of the ancestors being walked; paths below the root are "C:\a\b".
  std::vector<size_t> lengths{Root->Name.size()};
  const TTreeItem* item = Root->FirstChild;
  while (item) {
    const size_t length = lengths.back() + 1 + item->Name.size();
    if (item->Level <= kMaxTreeLevel && length <= kMaxTreePath && !Unwritable(item->Name)) {
      lines.push_back(TreeLine(item->Expanded, item->Level, item->Name));
      if (item->FirstChild) {
        lengths.push_back(length);
        item = item->FirstChild;
        continue;
      }
    } else {
      left += subtreeSize(item);
    }
    while (item && !item->NextSibling) {
      item = item->Parent;
      if (item == Root) item = nullptr;
      else lengths.pop_back();
    }
    if (item) item = item->NextSibling;
  }
  return left;
}

// ---- files -----------------------------------------------------------------------------------

bool TTreeItems::LoadFromFile(IFileSystem& fs, const ICodePage& codePage, const std::string& path) {
  std::string bytes;
  if (!fs.FileExists(path) || !fs.ReadAll(path, bytes)) return false;
  const std::string text = DecodeText(bytes, codePage);
  return LoadFromViews(LineViews(text));
}

uint32_t TTreeItems::SaveToFile(IFileSystem& fs, const ICodePage& codePage, const std::string& path) const {
  if (!TreeCacheWritable(fs, path)) return 0;
  std::vector<std::string> lines;
  SaveToStrings(lines);
  return fs.WriteAll(path, EncodeLines(lines, codePage));
}

std::string TreeCacheFileName(std::string_view drive, std::string_view folder, bool inRoot,
                              std::string_view serialText, std::string_view programFolder) {
  return TreeCacheFileOf(drive, folder, inRoot, serialText, programFolder);
}

bool TreeCacheWritable(IFileSystem& fs, std::string_view path) {
  const std::string drive = DrivePart(path);
  if (drive.empty()) return true;
  const uint32_t type = fs.DriveType(DriveRoot(drive));
  return type != kDriveRemovable && type != kDriveCdRom;
}

bool LoadTreeCache(TTreeItems& items, IFileSystem& fs, const ICodePage& codePage, const std::string& path,
                   std::string_view drive) {
  if (!items.LoadFromFile(fs, codePage, path) || !items.Root) return false;
  // The serial names the volume, not the letter: a disk now mounted elsewhere keeps its tree.
  if (items.Collator().Compare(items.Root->Name, drive) != 0) {
    items.Root->SetName(drive);
    items.SaveToFile(fs, codePage, path);
  }
  return true;
}

// ---- offline edits ---------------------------------------------------------------------------

bool TTreeCacheEditor::Load(TTreeItems& items, const std::string& cacheFile) {
  // A damaged cache is left for the tree window's rescan rather than overwritten here.
  return fs_.FileExists(cacheFile) && items.LoadFromFile(fs_, codePage_, cacheFile) && items.Root;
}

void TTreeCacheEditor::Save(const TTreeItems& items, const std::string& cacheFile) {
  items.SaveToFile(fs_, codePage_, cacheFile);
}

namespace {

// Folder paths never name the drive itself; a bare root is not a folder to delete or move.
TTreeItem* FindFolder(const TTreeItems& items, const std::string& path) {
  TTreeItem* item = items.FindItem(path);
  return item == items.Root ? nullptr : item;
}

}  // namespace

void TTreeCacheEditor::DeleteFolders(const std::string& cacheFile, const std::vector<std::string>& paths) {
  TTreeItems items(nullptr, collator_);
  if (!Load(items, cacheFile)) return;
  for (const std::string& path : paths) items.Delete(FindFolder(items, path));
  Save(items, cacheFile);
}

void TTreeCacheEditor::RenameFolders(const std::string& cacheFile, const std::vector<std::string>& pairs) {
  TTreeItems items(nullptr, collator_);
  if (!Load(items, cacheFile)) return;
  for (const std::string& pair : pairs) {
    // Folder names may hold "=" themselves: the split is the first one whose left side names a
    // folder of the tree.
    for (size_t at = pair.find('='); at != std::string::npos; at = pair.find('=', at + 1)) {
      if (TTreeItem* item = FindFolder(items, pair.substr(0, at))) {
        item->SetName(std::string_view(pair).substr(at + 1));
        break;
      }
    }
  }
  Save(items, cacheFile);
}

void TTreeCacheEditor::CopyFolders(const std::string& sourceCache, const std::string& destCache,
                                   const std::vector<std::string>& paths, const std::string& destFolder, bool move) {
  if (collator_.SameName(sourceCache, destCache)) {
    TTreeItems items(nullptr, collator_);
    if (!Load(items, sourceCache)) return;
    TTreeItem* dest = items.FindItem(destFolder);
    if (!dest) return;
    for (const std::string& path : paths) {
      TTreeItem* item = FindFolder(items, path);
      // A folder into itself, or moved to where it already is, changes nothing on disk.
      if (!item || item == dest || dest->IsDescendantOf(item) || item->Parent == dest) continue;
      items.CopyItem(dest, item);
      if (move) items.Delete(item);
    }
    Save(items, sourceCache);
    return;
  }
  TTreeItems source(nullptr, collator_), target(nullptr, collator_);
  if (!Load(source, sourceCache) || !Load(target, destCache)) return;
  TTreeItem* dest = target.FindItem(destFolder);
  if (!dest) return;
  for (const std::string& path : paths) {
    TTreeItem* item = FindFolder(source, path);
    if (!item) continue;
    target.CopyItem(dest, item);
    if (move) source.Delete(item);
  }
  if (move) Save(source, sourceCache);
  Save(target, destCache);
}

void TTreeCacheEditor::AddFolder(const std::string& cacheFile, const std::string& parentFolder,
                                 const std::string& name) {
  TTreeItems items(nullptr, collator_);
  if (!Load(items, cacheFile)) return;
  TTreeItem* parent = items.FindItem(parentFolder);
  if (parent && items.Add(parent, name)) Save(items, cacheFile);
}

}  // namespace quill
