// The folder tree view: a drive's folders drawn in level columns, an expanded folder's first
// child on its own row to its right, further children on the rows below, joined by lines.
// TCustomFolderView draws the list and turns keys, mouse and typed text into focus moves;
// TQuillFolderView adds the disk: reading a drive or a subtree, the per-volume cache file,
// switching drives and going to a path.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/FileSystem.h"
#include "platform/Handle.h"
#include "tree/TreeItems.h"
#include "ui/Window.h"

namespace quill {

struct TTreeColor {
  COLORREF Back = 0xFFFFFF;
  COLORREF Line = 0xC0C0C0;
  COLORREF Normal = 0x000000;
  COLORREF Focus = 0x000000;
  COLORREF Open = 0x0000FF;
  COLORREF Hint = 0x808080;
};

// The built-in colours when `colorFile` does not exist; otherwise each key of the file, a missing
// key giving the colour-set file's own fallback for it.
TTreeColor LoadTreeColors(const std::string& colorFile);

// The outline of the focus bar: each of red, green and blue 70 darker, floored at 0.
COLORREF DarkerBy70(COLORREF color);

enum TAlignMode { amTop, amCenter, amBottom };

// From a shown item (every ancestor expanded), the next shown one in order; null at the end.
TTreeItem* NextShownItem(const TTreeItem* item);

class TCustomFolderView : public TWindow, public ITreeItemsView {
public:
  TCustomFolderView();
  ~TCustomFolderView() override;

  // A child window with a client edge and both scroll bars, hidden until the host shows it.
  bool Create(HWND parent);

  TTreeItems& Items() { return *items_; }
  const TTreeItems& Items() const { return *items_; }
  TTreeItem* Focused() const override { return focused_; }
  void SetFocused(TTreeItem* item) override;
  TTreeItem* TopItem() const { return topItem_; }
  TTreeItem* LastVisible() const { return lastVisible_; }
  void AlignFocused(TAlignMode mode);

  TTreeItem* GetItemAt(int x, int y) const;
  TTreeItem* GetButtonAt(int x, int y) const;
  POINT GetItemPos(const TTreeItem* item) const;
  // The drive part of the root's name; "" without a root.
  std::string GetRootName() const;

  void CalculateParams();
  void UpdateScrollRange();
  void Redraw();
  // Draws the whole view now (nothing while updating or busy).
  void Paint();

  // The first visible item from the focus (fromCurrent) or after it whose name starts with
  // `text` (case ignored), wrapping round to the root; null when none does.
  TTreeItem* QuickSearch(const std::string& text, bool fromCurrent) const;
  void FindNext();
  void DoFindChange(const std::string& text);
  const std::string& FindText() const { return findText_; }
  // One typed character (UTF-32), as WM_CHAR brings it.
  void TypeChar(char32_t ch);

  void SetViewFont(const std::string& face, int points);
  int FontPoints() const { return fontPoints_; }
  void SetColors(const TTreeColor& colors) { colors_ = colors; }
  const TTreeColor& Colors() const { return colors_; }

  int ItemHeight() const { return itemHeight_; }
  int ColumnWidth() const { return columnWidth_; }
  int NameWidth() const { return nameWidth_; }
  int RootWidth() const { return rootWidth_; }
  int VisibleRows() const { return visibleRows_; }
  int VisibleColumns() const { return visibleColumns_; }
  int MaxLevel() const { return maxLevel_; }
  POINT ScrollOrigin() const { return scrollOrigin_; }
  bool Busy() const { return busy_; }
  const std::string& Drive() const { return drive_; }

  // "C:\=C:\Work" lines: the folder open in the file pane for each drive.
  std::vector<std::string> OpenFolders;
  // The OpenFolders value for this drive's root ("" when there is none).
  std::string OpenFolderOf(const std::string& drive) const;

  std::function<void()> OnChange;
  std::function<void()> OnSelect;
  std::function<void(const std::string& text)> OnFindChange;
  // The host's keys, after the view's own; `system` for keys held with Alt. True: used up.
  std::function<bool(WPARAM key, bool system)> OnKeyDown;
  // The right button released over an item (client coordinates).
  std::function<void(int x, int y)> OnContextMenu;

protected:
  virtual void ItemsChanged();
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  void SetBusy(bool busy) { busy_ = busy; }
  // Before the list is replaced or a subtree deleted: nothing may point into the old items.
  void ResetView();
  // Moves the focus to `replacement` without events when it lies in `subtree` (or is it).
  void MoveFocusOutOf(const TTreeItem* subtree, TTreeItem* replacement);
  // The root's picture: the image index for the drive's type.
  uint32_t driveType_ = 3;
  std::string drive_;

private:
  // Copies the kept picture to `dc`, rendering it first when there is none of this size.
  void PaintTo(HDC dc, const RECT& client);
  void RenderAll(const RECT& client);
  bool EnsureBackBuffer(const RECT& client);
  void ReleaseBackBuffer();
  void DrawItem(HDC dc, int x, const TTreeItem* item, int y);
  void DrawHints(HDC dc, const TTreeItem* item, int y);
  void DrawMoveItem(TTreeItem* oldItem, TTreeItem* newItem);
  void DrawPlusMinus(HDC dc, int x, int y, bool expanded);
  void DrawImage(HDC dc, int index, int x, int y, UINT style, COLORREF blend);
  int TextWidth(HDC dc, const std::string& text) const;
  int TextWidth(const std::string& text) const;
  std::string ItemText(const TTreeItem* item) const;
  bool IsOpenFolder(const TTreeItem* item) const;
  int RootImage() const;
  int ColumnStart(const TTreeItem* item) const;
  TTreeItem* FirstOnRow(int row) const;
  // The first item of `row`, walking back from `item` (which lies on that row or below).
  TTreeItem* FirstOnRowBefore(TTreeItem* item, int row) const;

  void KeyDown(WPARAM key);
  bool ArrowKey(WPARAM key, bool shift, bool ctrl);
  void MouseDown(int x, int y);
  void VerticalScroll(int code);
  void HorizontalScroll(int code, int position);
  void SetHorizontalBar();
  void SetVerticalBar();

  std::unique_ptr<TTreeItems> items_;
  TTreeColor colors_;
  TTreeItem* focused_ = nullptr;
  TTreeItem* topItem_ = nullptr;
  TTreeItem* lastVisible_ = nullptr;
  POINT scrollOrigin_{0, 0};
  int verticalMax_ = 0;
  int itemHeight_ = 16;
  int columnWidth_ = 110;
  int nameWidth_ = 98;
  int rootWidth_ = 50;
  int visibleRows_ = 0;
  int visibleColumns_ = 0;
  int maxLevel_ = 0;
  std::string findText_;
  bool busy_ = false;
  bool itemClicked_ = false;
  wchar_t pendingHigh_ = 0;  // the first half of a surrogate pair typed
  TFontHandle font_;
  int fontPoints_ = 9;
  HIMAGELIST images_ = nullptr;
  struct TBackBuffer {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ oldBitmap = nullptr;
    int width = 0;
    int height = 0;
  } back_;
  // What the scroll bars were last given, so an unchanged bar is not set (and redrawn) again.
  SCROLLINFO lastHorizontal_{};
  SCROLLINFO lastVertical_{};
};

class TQuillFolderView : public TCustomFolderView {
public:
  TQuillFolderView(IFileSystem& fs, const ICodePage& codePage);
  ~TQuillFolderView() override;

  // Cache placement ("TreeRoot", "TreePath"), set by the host before the first drive.
  bool TreeRoot = false;
  std::string TreePath;
  const std::string& TreeFile() const { return treeFile_; }

  void SetDrive(const std::string& drive);
  void SetFolder(const std::string& path);
  std::string GetFolder() const;
  // A full rescan of the drive; a partial one of the focused folder.
  void Refresh();
  void PartRefresh();
  // Writes the cache now (the view writes it shortly after every change by itself).
  void SaveTree();
  // Reads `path` and the folders below it as cache lines; false when it cannot be entered or the
  // scan was cancelled.
  bool ScanDirectory(const std::string& path, std::vector<std::string>& lines);
  // Ends the running scan at its next folder; what was read is thrown away.
  void CancelScan() { cancelScan_ = true; }
  bool ScanCancelled() const { return scanCancelled_; }
  // The folders the last scan entered.
  int ScannedFolders() const { return scannedFolders_; }

  std::function<void()> OnBeforeScan;
  std::function<void(const std::string& folder)> OnScan;
  // While one large folder is being listed: let the windows repaint.
  std::function<void()> OnScanBusy;
  std::function<void()> OnAfterScan;
  std::function<void(const std::string& drive, int folderCount, uint32_t driveType)> OnChangeDrive;

protected:
  void ItemsChanged() override;
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
  void ScheduleSave();
  // A tree of the root alone, not written to the cache: what a cancelled first scan leaves.
  void ShowRootOnly();
  void RefreshRootChildren();

  IFileSystem& fs_;
  const ICodePage& codePage_;
  std::string treeFile_;
  bool savePending_ = false;
  bool suppressSave_ = false;
  // The drive's root alone after a cancelled first scan: never written as the drive's cache.
  bool rootOnly_ = false;
  bool cancelScan_ = false;
  bool scanCancelled_ = false;
  int scannedFolders_ = 0;
};

}  // namespace quill
