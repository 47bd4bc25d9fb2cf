// TCustomFileView: the model side of the pane. It owns the entry list, the focus and the
// selection totals; the window that draws it (TFileViewWindow) attaches as its host. Portable.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "fileview/File.h"

namespace quill {

// What the model asks of the window showing it.
class IFileViewHost {
public:
  virtual ~IFileViewHost() = default;
  virtual void Invalidate() = 0;   // repaint everything
  virtual void HideNameTip() = 0;  // the name tooltip must go (folder change, scroll, ...)
  // The focus moved to another entry: the window restarts its name-tip timer for it.
  virtual void FocusChanged() {}
  // Redraw one entry's cell (a selection toggled without moving the focus).
  virtual void InvalidateItem(int /*index*/) { Invalidate(); }
  // Redraw the title strip only (the title text changed).
  virtual void InvalidateTitle() { Invalidate(); }
};

// The three cases of a drag over the selection areas: entries to deselect and to select, as
// inclusive ranges (From > To means none). Anchor k, last entry reached l, entry now under the
// pointer a.
struct TDragSelectStep {
  int DeselectFrom = 0, DeselectTo = -1;
  int SelectFrom = 0, SelectTo = -1;
  bool operator==(const TDragSelectStep&) const = default;
};
TDragSelectStep DragSelectStep(int anchor, int last, int now);

class TCustomFileView {
public:
  TCustomFileView();
  virtual ~TCustomFileView() = default;
  TCustomFileView(const TCustomFileView&) = delete;
  TCustomFileView& operator=(const TCustomFileView&) = delete;

  TFiles& Files() { return files_; }
  const TFiles& Files() const { return files_; }
  void SetHost(IFileViewHost* host) { host_ = host; }

  // The focused entry's position, -1 for none. Setting it clamps into the list (the scans use
  // it to place the focus); SetFocused is the input's way: out-of-range targets are ignored.
  int ItemIndex() const { return itemIndex_; }
  void SetItemIndex(int index);
  void SetFocused(int index);
  void SetItemFocused(const TFile* file);
  TFile* FocusedFile() const { return files_.Items(itemIndex_); }
  TFile* GetItemFocused() const { return FocusedFile(); }

  int SelCount() const { return selCount_; }
  uint64_t SelSize() const { return selSize_; }
  void ResetSelectionTotals() { selCount_ = 0; selSize_ = 0; }
  // Refuses drive entries, the parent entry and entries already selected. Neither repaints.
  void Select(int index);
  void Deselect(int index);
  void ToggleSelected(int index);
  // Both ends included, in either order; Select's refusals apply.
  void SelectRange(int from, int to);
  // Every entry but drive entries and "..", folders only when asked; repaints once.
  void SelectAll(bool withFolders);
  // Clears drive entries never; folders only when asked. Totals recounted from what is left.
  void DeselectAll(bool withFolders);
  void InvertSelection();
  // Files (not folders) whose full name matches one of the ";"-separated masks.
  void SelectGroup(std::string_view masks, bool select);
  // Entries with the focused file's extension, folders included (a file without an extension
  // selects the folders too); nothing when the focus is not on a file.
  void SelectSameExt();

  // Quick search: the typed text, and the entry it finds.
  const std::string& FindText() const { return findText_; }
  void DoFindChange(std::string text);
  // A typed character (UTF-32, as the keyboard delivered it). Caps Lock decides whether an
  // upper-case A-Z is typing or a Shift shortcut. Returns false when the character was not
  // the search's (the text was cleared).
  bool SearchChar(char32_t ch, bool capsLock);
  // Searches the current text from the top; when nothing matches and the text is longer than
  // what was just typed, starts over with that from the entry after the focus.
  void QuickSearch(std::string_view typed);
  void FindNext();

  const std::string& Title() const { return title_; }
  void SetTitle(std::string title);

  std::function<void()> OnChange;       // focus moved
  std::function<void(const std::string&)> OnFindChange;
  std::function<void()> OnFilesChange;  // the list changed

  void Invalidate() { if (host_) host_->Invalidate(); }
  void HideNameTip() { if (host_) host_->HideNameTip(); }

  // Tooltip handling, then OnChange.
  void DoChange();

protected:
  // The list's OnChange: recount the selection, redraw, tell the owner.
  virtual void FilesChange();
  virtual void SelectionChanged() {}

private:
  TFiles files_;
  IFileViewHost* host_ = nullptr;
  int itemIndex_ = -1;
  int selCount_ = 0;
  uint64_t selSize_ = 0;
  std::string title_;
  std::string findText_;

  // First entry at or after `from` (up to `to`, exclusive) whose full name starts with `text`.
  int FindFrom(std::string_view text, int from, int to) const;
  bool StartsWithText(const TFile& file, std::string_view text) const;
};

}  // namespace quill
