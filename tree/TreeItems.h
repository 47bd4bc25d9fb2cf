// TTreeItem, one folder of a drive's hierarchy, and TTreeItems, the owning list: a
// first-child/next-sibling tree whose sibling chains stay in the collator's case-insensitive
// order. The list knows nothing of the file system or of windows; the folder view reaches it
// through ITreeItemsView and OnChange. Portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/CodePage.h"
#include "base/Collator.h"
#include "base/FileSystem.h"

namespace quill {

class TTreeItem;
class TTreeItems;

// What the list needs of the view that shows it: deleting the focused item moves the focus.
class ITreeItemsView {
public:
  virtual ~ITreeItemsView() = default;
  virtual TTreeItem* Focused() const = 0;
  virtual void SetFocused(TTreeItem* item) = 0;
};

// The working buffers of the original paths were 1024 bytes; longer paths are never stored in
// a cache file nor produced by a scan.
constexpr size_t kMaxTreePath = 1023;

class TTreeItem {
public:
  explicit TTreeItem(TTreeItems* owner = nullptr) : Owner(owner) {}
  TTreeItem(const TTreeItem&) = delete;
  TTreeItem& operator=(const TTreeItem&) = delete;

  TTreeItems* Owner = nullptr;
  std::string Name;  // folder name; for the root the drive ("C:") or share root
  bool Expanded = true;
  TTreeItem* Parent = nullptr;
  TTreeItem* FirstChild = nullptr;
  TTreeItem* NextSibling = nullptr;
  int32_t Index = 0;  // pre-order position, kept by TTreeItems::Changed
  int32_t Level = 0;  // 0 for the root
  int32_t Row = 0;    // screen row; the view writes it

  // Stores the name without moving the item among its siblings.
  void SetName(std::string_view text) { Name.assign(text); }
  // "C:\Windows\System" below the root; for the root "C:\" (a name holding ":" or starting with
  // "\" or "/") or "" (any other root name).
  std::string GetPath() const;
  // Fires the owner's OnChange (outside an update bracket) when the flag changes.
  void SetExpanded(bool flag);
  // Every ancestor is expanded; the root always is visible.
  bool IsVisible() const;
  bool IsFirstChild() const { return Parent && Parent->FirstChild == this; }
  TTreeItem* PrevSibling() const;
  // The end of the child chain, kept by the list's operations so appends and backward walks
  // need not run along long chains.
  TTreeItem* LastChild() const { return lastChild_; }
  bool HasChildren() const { return FirstChild != nullptr; }
  // Inside one update bracket of the owner: the item and, when recursive, all its descendants.
  void Collapse(bool recursive);
  void Expand(bool recursive);
  // Inside one update bracket: expands every ancestor.
  void ExpandParents();
  // True when `item` is a proper ancestor of this one.
  bool IsDescendantOf(const TTreeItem* item) const;

private:
  friend class TTreeItems;
  TTreeItem* lastChild_ = nullptr;
};

class TTreeItems {
public:
  explicit TTreeItems(ITreeItemsView* view = nullptr, const ICollator& collator = TAsciiCollator::Instance());
  virtual ~TTreeItems();
  TTreeItems(const TTreeItems&) = delete;
  TTreeItems& operator=(const TTreeItems&) = delete;

  void SetCollator(const ICollator& collator) { collator_ = &collator; }
  const ICollator& Collator() const { return *collator_; }

  ITreeItemsView* View = nullptr;
  int32_t Count = 0;
  int32_t UpdateCount = 0;
  std::function<void(TTreeItems*)> OnChange;
  // Receives the text a failed load reports ("Invalid Format", or the number's conversion
  // error); the window that owns the list shows it in a message box.
  std::function<void(const std::string&)> OnMessage;
  TTreeItem* Root = nullptr;
  TTreeItem* Last = nullptr;

  // Links `item` among the children of sibling's parent at its sorted place (equal names go
  // before the existing one), takes sibling's Level and Parent, Count + 1, Changed. Returns
  // `item` unlinked when either is null or `sibling` is a root.
  TTreeItem* InsertSorted(TTreeItem* sibling, TTreeItem* item);
  TTreeItem* AddChild(TTreeItem* parent, TTreeItem* item);
  // Null when `parent` already has a child of that name (case ignored); otherwise a new item.
  TTreeItem* Add(TTreeItem* parent, std::string_view name);
  // Sets the root of an empty list (the scans and loads start here). Null when a root exists.
  TTreeItem* AddRoot(std::string_view name);
  // Frees the item with its subtree in one update bracket. A view focus on it (or inside it)
  // moves first to its next sibling, else to its parent. Deleting the root empties the list.
  void Delete(TTreeItem* item);
  void Clear();

  // The cache line form (see TreeCache.h). False, with an empty list, on a damaged text. A line
  // repeating a sibling's name (case ignored) is taken as that same folder, so the list keeps
  // one child per name and writes back what it read.
  bool LoadFromStrings(const std::vector<std::string>& lines);
  // Appends one line per item in pre-order. Items whose line could not be read back (an empty
  // name, a line break in it, deeper than kMaxTreeLevel) or whose path would pass kMaxTreePath
  // are left out with their subtrees; their number is returned.
  int SaveToStrings(std::vector<std::string>& lines) const;
  // Both defined in TreeCache.cpp. A missing file leaves the list unchanged (false).
  bool LoadFromFile(IFileSystem& fs, const ICodePage& codePage, const std::string& path);
  // Nothing is written when the drive holding `path` is removable or a CD-ROM; returns the
  // write's error code (0 also when skipped).
  uint32_t SaveToFile(IFileSystem& fs, const ICodePage& codePage, const std::string& path) const;

  TTreeItem* GetNext(const TTreeItem* item) const;
  TTreeItem* GetNextVisible(const TTreeItem* item) const;
  TTreeItem* GetPrev(const TTreeItem* item) const;
  TTreeItem* GetPrevVisible(const TTreeItem* item) const;
  // The item whose GetPath equals `path` (case ignored); the root for a bare drive.
  TTreeItem* FindItem(std::string_view path) const;
  // The child of `parent` named `name` (case ignored), or null.
  TTreeItem* FindChild(const TTreeItem* parent, std::string_view name) const;
  // Add(destParent, source.Name) and, when that succeeded, the source's subtree below it. Null,
  // with nothing copied, when destParent lies inside source's own subtree.
  TTreeItem* CopyItem(TTreeItem* destParent, const TTreeItem* source);
  // Copies `first` and its following siblings with their subtrees under destParent; the chain
  // stops at the first name already present there. `first` may belong to another list.
  void CopyChildren(TTreeItem* destParent, const TTreeItem* first);

  void BeginUpdate() { ++UpdateCount; }
  void EndUpdate();
  bool IsUpdating() const { return UpdateCount != 0; }
  // Renumbers Index in pre-order, sets Last and Count, fires OnChange; nothing while updating.
  virtual void Changed();

  // The text the last failed load reported; empty after a successful one.
  const std::string& LoadError() const { return loadError_; }

private:
  void Link(TTreeItem* sibling, TTreeItem* item);
  TTreeItem* PlaceLoaded(TTreeItem* parent, TTreeItem* item);
  void FreeSubtree(TTreeItem* item);
  bool LoadFromViews(const std::vector<std::string_view>& lines);
  bool LoadLines(const std::vector<std::string_view>& lines);
  void FailLoad(const std::string& message);

  const ICollator* collator_;
  std::string loadError_;
};

}  // namespace quill
