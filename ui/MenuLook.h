// The program's own look of its menus: white items with a blue strip down the left, a blue bar
// over the highlighted item, the key hint right-aligned in grey, and menu-bar items centred on
// the button face. The items become owner-drawn; their text stays in the menu as well, so the
// system's own mnemonic search and GetMenuString keep working where the system supports them.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>

namespace quill {

class TMenuLook {
public:
  // Geometry and colours of the look, in pixels.
  static constexpr int kStripWidth = 4;
  static constexpr int kTextLeft = 28;
  static constexpr int kHintRight = 8;
  static constexpr int kHintGap = 24;
  static constexpr int kSeparatorHeight = 7;
  static constexpr COLORREF kStripColor = RGB(47, 126, 227);
  static constexpr COLORREF kHighlightColor = RGB(49, 106, 197);
  static constexpr COLORREF kBarHighlightColor = RGB(20, 102, 204);
  static constexpr COLORREF kSeparatorColor = RGB(220, 220, 220);
  static constexpr COLORREF kItemColor = RGB(255, 255, 255);

  TMenuLook() = default;
  ~TMenuLook();
  TMenuLook(const TMenuLook&) = delete;
  TMenuLook& operator=(const TMenuLook&) = delete;

  // Makes every item of `menu` and of its submenus owner-drawn, keeping its text (caption, tab,
  // key hint), check/radio style and state; `bar` for the window's menu bar. Items appended
  // later are taken by another Attach; Attach twice is harmless. The items' own data word is
  // taken for the look's bookkeeping, so menus attached here must not use it.
  void Attach(HMENU menu, bool bar);
  // Forgets what Attach stored for `menu` and its submenus (a popup about to be destroyed).
  // Items of a menu that still exists get their plain look back.
  void Detach(HMENU menu);
  // WM_MEASUREITEM and WM_DRAWITEM; false when the item is not one of ours.
  bool Measure(MEASUREITEMSTRUCT& item);
  bool Draw(const DRAWITEMSTRUCT& item);
  // WM_MENUCHAR: the item of `menu` whose "&" letter is `ch` (MNC_EXECUTE; MNC_SELECT for a
  // greyed one), MNC_IGNORE otherwise. The system does not look into owner-drawn items for
  // their mnemonics everywhere, so the window hands WM_MENUCHAR here.
  LRESULT MenuChar(wchar_t ch, UINT flags, HMENU menu) const;
  // The text of the item with command `id` in `menu` or its submenus ("text\thint").
  void SetCaption(HMENU menu, UINT id, const std::string& caption);
  std::string Caption(HMENU menu, UINT id) const;

  // Draws the image of an item that has one of its own (such as the favourites' folder bitmap,
  // given as HBMMENU_CALLBACK); true when it drew. Left unset, or answering false, a real bitmap
  // of the item is drawn as it is.
  std::function<bool(UINT id, HDC dc, const RECT& imageRect, bool selected)> DrawImage;

private:
  struct TItem {
    HMENU menu;
    UINT id;         // the command; 0 for an item that opens a submenu
    HMENU submenu;
    std::wstring text;
    HBITMAP image;   // what the item had as its bitmap before it became owner-drawn
    bool bar;
  };

  const TItem* Find(ULONG_PTR data) const;
  HFONT Font();
  int TextHeight();
  SIZE TextSize(const std::wstring& text, UINT format);
  void DrawPopupItem(const TItem& item, const DRAWITEMSTRUCT& draw, UINT type);
  void DrawBarItem(const TItem& item, const DRAWITEMSTRUCT& draw);
  void DrawItemImage(const TItem& item, HDC dc, const RECT& box, bool selected);
  std::wstring ItemText(HMENU menu, int position) const;

  std::map<ULONG_PTR, std::unique_ptr<TItem>> items_;
  HFONT font_ = nullptr;
  int textHeight_ = 0;
};

}  // namespace quill
