// The pane's window: draws a TQuillView page by page through TFileViewLayout (a multi-column
// list or a grid of large icons under an optional title strip), keeps the page on the focus,
// scrolls by pages and turns keys and clicks into the model's operations.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "fileview/FileViewLayout.h"
#include "fileview/NameTip.h"
#include "fileview/QuillView.h"
#include "platform/Handle.h"
#include "ui/Window.h"

namespace quill {

enum TFocusStyle { fsDot = 0, fsLine = 1, fsNone = 2 };
// bsSingle: the sunken client edge of a 3-D control; bsNone: no border.
enum TBorderStyle { bsNone = 0, bsSingle = 1 };

// Text widths with the font selected into a DC the window owns.
class TGdiTextMeasure : public ITextMeasure {
public:
  void SetDC(HDC dc) { dc_ = dc; }
  int TextWidth(std::string_view utf8) const override;
  int TextHeight() const override;

private:
  HDC dc_ = nullptr;
};

// One size of the system image list, with the icon indexes cached per extension: asking the
// shell about every path is far too slow for a large folder (and very slow under Wine).
class TSysImageList {
public:
  explicit TSysImageList(bool large) : large_(large) {}
  HIMAGELIST Handle();
  int Size() const { return large_ ? 32 : 16; }
  // The index for a file name by its extension alone; the file need not exist.
  int ExtIcon(std::string_view ext);
  // The generic folder icon, for folders that need not exist.
  int FolderIcon();
  // A folder's own icon by its path (special and customised folders have theirs), asked once
  // per path and then looked up; the generic one when the shell has none.
  int FolderPathIcon(const std::string& path);
  // The icon of an existing path (drive roots, programs, shortcuts); not cached.
  int PathIcon(const std::string& path);
  int NetworkIcon();
  // Shell calls made so far; each extension should cost one.
  int ShellLookups() const { return lookups_; }
  // Whether this folder's own icon has been asked for by its path.
  bool AskedAboutFolder(const std::string& path) const { return byFolder_.count(path) != 0; }

private:
  int Ask(const std::wstring& path, DWORD attributes, UINT flags);

  bool large_;
  HIMAGELIST list_ = nullptr;
  std::unordered_map<std::string, int> byExt_;
  std::unordered_map<std::string, int> byFolder_;
  int folder_ = -2;
  int network_ = -2;
  int lookups_ = 0;
};

class TFileViewWindow : public TWindow, private IFileViewHost {
public:
  explicit TFileViewWindow(TQuillView& view);
  ~TFileViewWindow() override;

  bool Create(HWND parent, int x, int y, int width, int height);
  TQuillView& View() { return view_; }

  // Face name, point size and weight of the pane's text.
  void SetFont(const std::string& face, int pointSize, bool bold);

  // Display settings; each recomputes the layout (or only repaints) as needed.
  const TFileViewSettings& Settings() const { return settings_; }
  void SetViewStyle(TViewStyle value);
  // Only switching on has an effect; it clears the fixed column count.
  void SetAutoColumn(bool value);
  // A fixed column count; 0 switches automatic columns on.
  void SetColumn(int value);
  void SetAttachExt(bool value);
  void SetLongName(bool value);
  void SetCharCase(TCharCase value);
  void SetViewIcon(bool value);
  void SetViewTitle(bool value);
  void SetFolderInfo(bool value);
  void SetViewFileType(bool value);
  TFocusStyle FocusStyle() const { return focusStyle_; }
  void SetFocusStyle(TFocusStyle value);
  bool ViewColumnLine() const { return viewColumnLine_; }
  void SetViewColumnLine(bool value);
  // The icon grid's spacing around each 32-pixel icon; the layout changes only in icon style.
  void SetIconVSpacing(int value);
  void SetIconHSpacing(int value);
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle value);

  const TFileViewLayout& Layout() const { return layout_; }
  const TLayoutParams& Params() const { return layout_.Params(); }
  int RowHeight() const { return Params().ItemHeight; }
  int TitleHeight() const { return Params().ItemArea.Top; }
  int RowsPerPage() const { return Params().RowsPerPage; }
  int FirstVisible() const { return firstVisible_; }
  int PageCount() const;
  // The entry at a client point, -1 for none.
  int ItemAt(int x, int y) const;
  // The entry whose check-mark column (the first 10 pixels of its cell) holds the point.
  int SelectAreaAt(int x, int y) const;
  // The entry's cell in client co-ordinates, one item high less the gap between rows.
  RECT ItemRect(int index) const;

  // Called after the pane has moved its focus for a key and before it handles Enter and Space;
  // setting the key to 0 keeps the pane from handling it.
  std::function<void(WPARAM& key)> OnKeyDown;
  // Alt or Ctrl went down or up; Alt reaches no OnKeyDown, being a system key.
  std::function<void(WPARAM key, bool down)> OnModifierKey;
  // A right click (the context-menu request of the mouse), in client co-ordinates.
  std::function<void(int x, int y)> OnContextMenu;
  // A left click on the title strip, in client co-ordinates.
  std::function<void(int x, int y)> OnTitleClick;
  // The pointer went more than 3 pixels from where a button was pressed, the button still down
  // and the press not on a check-mark column: the owner drags the entries out.
  std::function<void()> OnStartDrag;

  static constexpr UINT kNameTipDelay = 500;
  const TNameTip& NameTip() const { return nameTip_; }
  // Hides the name tip and stops its timer (the main window calls it on activation changes and
  // system commands).
  void HideNameTip() override;
  // A key went down somewhere in the program: the tip goes, but a show still pending for the
  // focused entry is kept, so typing on after a search found a cut name still shows it.
  void HideNameTipForKey();

  // Draws the whole client area into `dc`, as a paint would.
  void PaintTo(HDC dc);

  const TSysImageList& SmallImages() const { return smallImages_; }
  // The entry's index in the small system image list (the status area shows it).
  int SmallIconOf(const TFile& file) { return ImageIndexOf(file, smallImages_); }
  const TSysImageList& LargeImages() const { return largeImages_; }

  // Called with the title text and the item text before the title is drawn; setting handled
  // leaves the strip as it is (only filled with the background).
  std::function<void(HDC dc, const RECT& strip, const std::string& title, const std::string& info, bool& handled)>
      OnDrawTitle;

private:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void Invalidate() override;
  void FocusChanged() override;
  void InvalidateItem(int index) override;
  void InvalidateTitle() override;
  void ShowNameTip();

  // Mouse rules.
  void MouseDown(WPARAM keys, bool left, int x, int y, bool doubleClick);
  void MouseMove(WPARAM keys, int x, int y);
  void DoubleClick(WPARAM keys, int x, int y);
  void CharTyped(wchar_t ch);

  // Layout and paging.
  void Recalculate();
  void UpdateScrollBar();
  void AdjustPage();
  void SetPage(int page);
  void Scroll(WPARAM request);
  bool KeyDown(WPARAM key);
  void ForgetImages();
  void SettingChanged(bool layout);

  // Painting (FileViewPaint.cpp).
  void Paint(HDC dc, const RECT& clip);
  void PaintTitle(HDC dc, int width);
  void PaintListItem(HDC dc, int index);
  void PaintIconItem(HDC dc, int index);
  void PaintDrive(HDC dc, const TFile& file, const RECT& text, bool focused, COLORREF fill);
  void PaintFileDetails(HDC dc, TFile& file, const RECT& text, int cellRight, bool focused, COLORREF fill);
  // The colour of every text on the focus bar: the background colour where it reads clearly.
  COLORREF FocusTextColor(COLORREF bar) const;
  void DrawCheckMark(HDC dc, int x, int y);
  void DrawFocusFrame(HDC dc, RECT r, COLORREF focusColor);
  void DrawSmallIcon(HDC dc, TFile& file, int x, int y, bool focused);
  void DrawLargeIcon(HDC dc, TFile& file, int x, int y, bool focused);
  void DrawIcon(HDC dc, TFile& file, int x, int y, bool focused, TSysImageList& images);
  void DrawUpImage(HDC dc, int x, int y, int size, COLORREF color);
  // Draws `text` opaque and clipped in `r`, cut with "~" when it does not fit; true when cut.
  bool DrawCut(HDC dc, const std::string& text, const RECT& r, UINT align);
  void DrawPlain(HDC dc, const std::string& text, const RECT& r, UINT align);

  // Icons and type names (FileViewIcons.cpp).
  int ImageIndexOf(const TFile& file, TSysImageList& images);
  const std::string& TypeNameOf(TFile& file);
  // Whether the shell may show this folder differently from any other: marked read-only or
  // system (its desktop.ini counts), a link to elsewhere, or one of the shell's special folders.
  bool FolderHasOwnLook(const TFile& file, const std::string& path);

  struct TDriveSpace {
    bool fixed = false;
    uint64_t free = 0, total = 0;
  };
  const TDriveSpace& DriveSpace(const TFile& file);

  TQuillView& view_;
  TFontHandle font_;
  TFontHandle boldFont_;
  HDC measureDc_ = nullptr;
  TGdiTextMeasure measure_;
  TFileViewLayout layout_;
  TFileViewSettings settings_;
  TFocusStyle focusStyle_ = fsLine;
  TBorderStyle borderStyle_ = bsSingle;
  bool viewColumnLine_ = true;
  int listColumn_ = 0;  // the list's fixed column count, kept while icon style is shown

  struct TFingerprint {
    int count = -1;
    const TFile* first = nullptr;
    const TFile* last = nullptr;
    bool operator==(const TFingerprint&) const = default;
  };
  TFingerprint ListFingerprint() const;

  TFingerprint fingerprint_;
  bool layoutDirty_ = true;
  int firstVisible_ = -1;
  int lastFocus_ = -1;
  // Counted when the layout is recomputed, so keys and paints need no pass over the list.
  int folders_ = 0;
  int drives_ = 0;
  uint64_t filesSize_ = 0;

  // Mouse state: the press point, the entry whose check-mark column was pressed (-1: none) and
  // the last entry a drag from it reached.
  POINT press_{};
  int dragAnchor_ = -1;
  int dragLast_ = -1;
  // A press that may still turn into a drag of the entries.
  bool dragReady_ = false;
  wchar_t highSurrogate_ = 0;
  TNameTip nameTip_;

  TSysImageList smallImages_{false};
  TSysImageList largeImages_{true};
  std::unordered_map<std::string, std::string> typeByExt_;
  std::unordered_map<std::string, std::string> typeByFolder_;
  std::string plainFolderType_;
  bool plainFolderTypeAsked_ = false;
  // The shell's special folders by folded path, gathered on first need.
  std::unordered_set<std::string> specialFolders_;
  bool specialFoldersKnown_ = false;
  std::map<char, TDriveSpace> driveSpace_;
};

}  // namespace quill
