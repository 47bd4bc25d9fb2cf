#include "ui/MenuLook.h"

#include <algorithm>
#include <vector>

#include "platform/Utf16.h"
#include "ui/Window.h"

namespace quill {
namespace {

// Room above and below an item's text, and left and right of a menu-bar item's text.
constexpr int kItemPadding = 4;
constexpr int kBarPadding = 8;
constexpr int kImageSize = 16;

// The text of the item at `position`, asked for as a string: GetMenuString gives nothing for an
// owner-drawn item even where the menu keeps its text.
std::wstring MenuString(HMENU menu, int position) {
  MENUITEMINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_STRING;
  if (!GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info) || info.cch == 0) return {};
  std::wstring text(info.cch + 1, L'\0');
  info.dwTypeData = text.data();
  info.cch = static_cast<UINT>(text.size());
  if (!GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info)) return {};
  text.resize(std::min<size_t>(info.cch, text.size()));
  return text;
}

ULONG_PTR ItemData(HMENU menu, int position) {
  MENUITEMINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_DATA;
  return GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info) ? info.dwItemData : 0;
}

// Where the item carrying `data` stands in `menu` now; -1 when it is not there. Positions move
// as items come and go, the data word does not.
int PositionOf(HMENU menu, ULONG_PTR data) {
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i)
    if (ItemData(menu, i) == data) return i;
  return -1;
}

// The command item `id` in `menu` or its submenus, as the menu that holds it and its position.
bool FindCommand(HMENU menu, UINT id, HMENU& owner, int& position) {
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    if (HMENU submenu = GetSubMenu(menu, i)) {
      if (FindCommand(submenu, id, owner, position)) return true;
    } else if (GetMenuItemID(menu, i) == id) {
      owner = menu;
      position = i;
      return true;
    }
  }
  return false;
}

wchar_t Upper(wchar_t c) {
  CharUpperBuffW(&c, 1);
  return c;
}

// The letter after the "&" of a caption ("&&" is a plain ampersand); 0 when there is none.
wchar_t Mnemonic(const std::wstring& text) {
  const size_t end = std::min(text.find(L'\t'), text.size());
  for (size_t i = 0; i + 1 < end; ++i) {
    if (text[i] != L'&') continue;
    if (text[i + 1] != L'&') return Upper(text[i + 1]);
    ++i;
  }
  return 0;
}

UINT ItemType(HMENU menu, int position) {
  MENUITEMINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_FTYPE;
  return position >= 0 && GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info) ? info.fType : 0;
}

// HBMMENU_CALLBACK and the system's HBMMENU_* pictures are markers, not bitmaps.
bool IsRealBitmap(HBITMAP image) {
  const auto value = reinterpret_cast<INT_PTR>(image);
  return value < -1 || value > reinterpret_cast<INT_PTR>(HBMMENU_POPUP_MINIMIZE);
}

void Fill(HDC dc, const RECT& r, COLORREF color) {
  SetBkColor(dc, color);
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

// A tick two pixels thick, about as large as the menu's own check mark.
void DrawCheck(HDC dc, POINT centre, COLORREF color) {
  HPEN pen = CreatePen(PS_SOLID, 1, color);
  {
    TSelectObject usePen(dc, pen);
    for (int dy = 0; dy < 2; ++dy) {
      const POINT tick[] = {{centre.x - 4, centre.y - 1 + dy}, {centre.x - 1, centre.y + 2 + dy},
                            {centre.x + 5, centre.y - 4 + dy}};
      Polyline(dc, tick, 3);
    }
  }
  DeleteObject(pen);
}

void DrawBullet(HDC dc, POINT centre, COLORREF color) {
  HPEN pen = CreatePen(PS_SOLID, 1, color);
  HBRUSH brush = CreateSolidBrush(color);
  {
    TSelectObject usePen(dc, pen);
    TSelectObject useBrush(dc, brush);
    Ellipse(dc, centre.x - 3, centre.y - 3, centre.x + 4, centre.y + 4);
  }
  DeleteObject(brush);
  DeleteObject(pen);
}

}  // namespace

TMenuLook::~TMenuLook() {
  if (font_) DeleteObject(font_);
}

void TMenuLook::Attach(HMENU menu, bool bar) {
  if (!menu || !IsMenu(menu)) return;
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU | MIIM_DATA | MIIM_BITMAP;
    if (!GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info)) continue;
    const TItem* known = Find(info.dwItemData);
    if (!known || known->menu != menu) {
      auto item = std::make_unique<TItem>(
          TItem{menu, info.hSubMenu ? 0u : info.wID, info.hSubMenu, MenuString(menu, i), info.hbmpItem, bar});
      const auto data = reinterpret_cast<ULONG_PTR>(item.get());
      items_[data] = std::move(item);
      // The text stays where it was: only the type, the data word and the bitmap change. The
      // bitmap is drawn here, never by the system beside our drawing.
      info.fMask = MIIM_FTYPE | MIIM_DATA | MIIM_BITMAP;
      info.fType |= MFT_OWNERDRAW;
      info.dwItemData = data;
      info.hbmpItem = nullptr;
      SetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info);
    }
    if (info.hSubMenu) Attach(info.hSubMenu, false);
  }
  // The margins the system leaves around the items take the items' own background.
  MENUINFO look{};
  look.cbSize = sizeof look;
  look.fMask = MIM_BACKGROUND;
  look.hbrBack = bar ? GetSysColorBrush(COLOR_BTNFACE) : static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  SetMenuInfo(menu, &look);
}

void TMenuLook::Detach(HMENU menu) {
  std::vector<HMENU> menus{menu};
  for (size_t m = 0; m < menus.size(); ++m) {
    const bool alive = IsMenu(menus[m]) != FALSE;
    for (auto it = items_.begin(); it != items_.end();) {
      const TItem& item = *it->second;
      if (item.menu != menus[m]) {
        ++it;
        continue;
      }
      if (item.submenu) menus.push_back(item.submenu);
      const int position = alive ? PositionOf(item.menu, it->first) : -1;
      if (position >= 0) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_DATA | MIIM_BITMAP;
        info.fType = ItemType(item.menu, position) & ~static_cast<UINT>(MFT_OWNERDRAW);
        info.dwItemData = 0;
        info.hbmpItem = item.image;
        SetMenuItemInfoW(item.menu, static_cast<UINT>(position), TRUE, &info);
      }
      it = items_.erase(it);
    }
  }
}

const TMenuLook::TItem* TMenuLook::Find(ULONG_PTR data) const {
  const auto it = items_.find(data);
  return it == items_.end() ? nullptr : it->second.get();
}

HFONT TMenuLook::Font() {
  if (!font_) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
      font_ = CreateFontIndirectW(&metrics.lfMenuFont);
  }
  return font_ ? font_ : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

SIZE TMenuLook::TextSize(const std::wstring& text, UINT format) {
  HDC dc = GetDC(nullptr);
  RECT r{0, 0, 0, 0};
  {
    TSelectObject font(dc, Font());
    if (!textHeight_) {
      TEXTMETRICW metrics{};
      GetTextMetricsW(dc, &metrics);
      textHeight_ = metrics.tmHeight;
    }
    if (!text.empty())
      DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, format | DT_SINGLELINE | DT_CALCRECT);
  }
  ReleaseDC(nullptr, dc);
  return {r.right - r.left, r.bottom - r.top};
}

int TMenuLook::TextHeight() {
  if (!textHeight_) TextSize(L"", 0);
  return textHeight_;
}

bool TMenuLook::Measure(MEASUREITEMSTRUCT& measure) {
  if (measure.CtlType != ODT_MENU) return false;
  const TItem* item = Find(measure.itemData);
  if (!item) return false;
  const std::wstring& text = item->text;
  const size_t tab = text.find(L'\t');
  const std::wstring caption = text.substr(0, tab);
  const int captionWidth = TextSize(caption, 0).cx;
  if (item->bar) {
    measure.itemWidth = static_cast<UINT>(captionWidth + 2 * kBarPadding);
    measure.itemHeight = static_cast<UINT>(TextHeight() + 2 * kItemPadding - 2);
    return true;
  }
  if (ItemType(item->menu, PositionOf(item->menu, measure.itemData)) & MFT_SEPARATOR) {
    measure.itemWidth = static_cast<UINT>(kTextLeft);
    measure.itemHeight = kSeparatorHeight;
    return true;
  }
  int width = kTextLeft + captionWidth + kHintRight;
  if (tab != std::wstring::npos) width += kHintGap + TextSize(text.substr(tab + 1), DT_NOPREFIX).cx;
  measure.itemWidth = static_cast<UINT>(width);
  measure.itemHeight = static_cast<UINT>(std::max(TextHeight() + 2 * kItemPadding, kImageSize + kItemPadding));
  return true;
}

bool TMenuLook::Draw(const DRAWITEMSTRUCT& draw) {
  if (draw.CtlType != ODT_MENU) return false;
  const TItem* item = Find(draw.itemData);
  if (!item) return false;
  const int saved = SaveDC(draw.hDC);
  SelectObject(draw.hDC, Font());
  SetBkMode(draw.hDC, TRANSPARENT);
  if (item->bar) {
    DrawBarItem(*item, draw);
  } else {
    DrawPopupItem(*item, draw, ItemType(item->menu, PositionOf(item->menu, draw.itemData)));
  }
  RestoreDC(draw.hDC, saved);
  return true;
}

void TMenuLook::DrawPopupItem(const TItem& item, const DRAWITEMSTRUCT& draw, UINT type) {
  HDC dc = draw.hDC;
  const RECT& r = draw.rcItem;
  const bool selected = (draw.itemState & ODS_SELECTED) != 0;
  const bool disabled = (draw.itemState & (ODS_GRAYED | ODS_DISABLED)) != 0;
  const RECT strip{r.left, r.top, std::min<LONG>(r.left + kStripWidth, r.right), r.bottom};
  const RECT body{strip.right, r.top, r.right, r.bottom};
  Fill(dc, strip, kStripColor);
  if (type & MFT_SEPARATOR) {
    Fill(dc, body, kItemColor);
    const int y = (r.top + r.bottom) / 2;
    Fill(dc, RECT{r.left + kTextLeft, y, r.right - kHintRight / 2, y + 1}, kSeparatorColor);
    return;
  }
  Fill(dc, body, selected ? kHighlightColor : kItemColor);
  const COLORREF text = disabled ? GetSysColor(COLOR_GRAYTEXT) : selected ? RGB(255, 255, 255) : GetSysColor(COLOR_MENUTEXT);
  const RECT imageBox{body.left, r.top, r.left + kTextLeft - 2, r.bottom};
  const POINT centre{(imageBox.left + imageBox.right) / 2, (imageBox.top + imageBox.bottom) / 2};
  if (draw.itemState & ODS_CHECKED) {
    if (type & MFT_RADIOCHECK) DrawBullet(dc, centre, text);
    else DrawCheck(dc, centre, text);
  } else if (item.image) {
    DrawItemImage(item, dc, imageBox, selected);
  }
  const std::wstring& caption = item.text;
  const size_t tab = caption.find(L'\t');
  const UINT hidePrefix = (draw.itemState & ODS_NOACCEL) ? DT_HIDEPREFIX : 0;
  RECT textBox{r.left + kTextLeft, r.top, r.right - kHintRight, r.bottom};
  SetTextColor(dc, text);
  DrawTextW(dc, caption.c_str(), static_cast<int>(std::min(tab, caption.size())), &textBox,
            DT_LEFT | DT_VCENTER | DT_SINGLELINE | hidePrefix);
  if (tab == std::wstring::npos) return;
  SetTextColor(dc, selected && !disabled ? RGB(255, 255, 255) : GetSysColor(COLOR_GRAYTEXT));
  DrawTextW(dc, caption.c_str() + tab + 1, static_cast<int>(caption.size() - tab - 1), &textBox,
            DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

void TMenuLook::DrawBarItem(const TItem& item, const DRAWITEMSTRUCT& draw) {
  HDC dc = draw.hDC;
  const bool highlighted = (draw.itemState & (ODS_SELECTED | ODS_HOTLIGHT)) != 0;
  const bool disabled = (draw.itemState & (ODS_GRAYED | ODS_DISABLED)) != 0;
  Fill(dc, draw.rcItem, highlighted ? kBarHighlightColor : GetSysColor(COLOR_BTNFACE));
  SetTextColor(dc, highlighted ? RGB(255, 255, 255) : GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_MENUTEXT));
  RECT box = draw.rcItem;
  const UINT hidePrefix = (draw.itemState & ODS_NOACCEL) ? DT_HIDEPREFIX : 0;
  DrawTextW(dc, item.text.c_str(), static_cast<int>(std::min(item.text.find(L'\t'), item.text.size())), &box,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE | hidePrefix);
}

void TMenuLook::DrawItemImage(const TItem& item, HDC dc, const RECT& box, bool selected) {
  if (DrawImage && DrawImage(item.id, dc, box, selected)) return;
  if (!IsRealBitmap(item.image)) return;
  BITMAP info{};
  if (!GetObjectW(item.image, sizeof info, &info)) return;
  HDC source = CreateCompatibleDC(dc);
  {
    TSelectObject bitmap(source, item.image);
    const int left = (box.left + box.right - info.bmWidth) / 2;
    const int top = (box.top + box.bottom - info.bmHeight) / 2;
    if (info.bmBitsPixel == 32) {
      const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
      GdiAlphaBlend(dc, left, top, info.bmWidth, info.bmHeight, source, 0, 0, info.bmWidth, info.bmHeight, blend);
    } else {
      BitBlt(dc, left, top, info.bmWidth, info.bmHeight, source, 0, 0, SRCCOPY);
    }
  }
  DeleteDC(source);
}

std::wstring TMenuLook::ItemText(HMENU menu, int position) const {
  const TItem* item = Find(ItemData(menu, position));
  return item && item->menu == menu ? item->text : MenuString(menu, position);
}

LRESULT TMenuLook::MenuChar(wchar_t ch, UINT flags, HMENU menu) const {
  if ((flags & MF_SYSMENU) || !menu) return MAKELRESULT(0, MNC_IGNORE);
  const wchar_t key = Upper(ch);
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    if (Mnemonic(ItemText(menu, i)) != key) continue;
    // A greyed item is shown as the one meant, as the system does, but does not run.
    const UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
    return MAKELRESULT(i, (state & (MF_GRAYED | MF_DISABLED)) ? MNC_SELECT : MNC_EXECUTE);
  }
  return MAKELRESULT(0, MNC_IGNORE);
}

void TMenuLook::SetCaption(HMENU menu, UINT id, const std::string& caption) {
  HMENU owner = nullptr;
  int position = 0;
  if (!FindCommand(menu, id, owner, position)) return;
  std::wstring text = Widen(caption);
  const auto it = items_.find(ItemData(owner, position));
  if (it != items_.end() && it->second->menu == owner) it->second->text = text;
  // The menu's own copy follows, so the system measures the item again and finds its mnemonic.
  MENUITEMINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_STRING;
  info.dwTypeData = text.data();
  SetMenuItemInfoW(owner, static_cast<UINT>(position), TRUE, &info);
}

std::string TMenuLook::Caption(HMENU menu, UINT id) const {
  HMENU owner = nullptr;
  int position = 0;
  if (!FindCommand(menu, id, owner, position)) return {};
  return Narrow(ItemText(owner, position));
}

}  // namespace quill
