// The folder view's drawing: the colours, the pictures, the rows with their lines, the focus
// bar and the path hint on the focused row, all into an off-screen bitmap; a focus move within
// the page redraws only the two rows.
#include <algorithm>

#include "base/Path.h"
#include "drivewin/DriveGlyphs.h"
#include "fileview/ColorList.h"
#include "platform/Utf16.h"
#include "platform/Win32FileSystem.h"
#include "platform/Win32Text.h"
#include "tree/FolderView.h"
#include "tree/TreeToolBar.h"

namespace quill {

namespace {

using TPenHandle = TUniqueHandle<TGdiTraits<HPEN>>;

constexpr COLORREF kMask = RGB(255, 0, 255);
// Image list order: folder, open folder, hard disk, floppy, network, CD.
constexpr int kImageDir = 0;
constexpr int kImageHdd = 2;
constexpr int kImageFdd = 3;
constexpr int kImageNet = 4;
constexpr int kImageCd = 5;

void Line(HDC dc, int x1, int y1, int x2, int y2) {
  MoveToEx(dc, x1, y1, nullptr);
  LineTo(dc, x2, y2);
}

bool SamePath(const std::string& a, const std::string& b) {
  if (a.empty() || b.empty()) return false;
  const std::wstring wa = Widen(StripBackslash(a));
  const std::wstring wb = Widen(StripBackslash(b));
  return CompareStringOrdinal(wa.c_str(), static_cast<int>(wa.size()), wb.c_str(), static_cast<int>(wb.size()),
                              TRUE) == CSTR_EQUAL;
}

HIMAGELIST MakeImages() {
  HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 6, 0);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  const TTreeGlyph glyphs[] = {tgDir, tgNone, tgHdd, tgFdd, tgNet, tgCd};
  for (int i = 0; i < 6; ++i) {
    TBitmapHandle bitmap(CreateCompatibleBitmap(screen, 16, 16));
    HGDIOBJ old = SelectObject(memory, bitmap.Get());
    TBrushHandle mask(CreateSolidBrush(kMask));
    const RECT all{0, 0, 16, 16};
    FillRect(memory, &all, mask.Get());
    if (i == 1) DrawGlyph(memory, glOpenDir, 0, 0);
    else if (i == kImageDir) {
      // The folder's soft edge blended over the mask colour would leave a pink fringe: drawn on
      // white, and only its solid pixels kept.
      TBitmapHandle solid(CreateCompatibleBitmap(screen, 16, 16));
      HDC work = CreateCompatibleDC(screen);
      HGDIOBJ oldWork = SelectObject(work, solid.Get());
      FillRect(work, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
      DrawTreeGlyph(work, tgDir, 0, 0);
      TBitmapHandle probe(CreateCompatibleBitmap(screen, 16, 16));
      HDC probeDc = CreateCompatibleDC(screen);
      HGDIOBJ oldProbe = SelectObject(probeDc, probe.Get());
      FillRect(probeDc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
      DrawTreeGlyph(probeDc, tgDir, 0, 0);
      for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
          const COLORREF onWhite = GetPixel(work, x, y);
          const COLORREF onBlack = GetPixel(probeDc, x, y);
          // Little difference between the two grounds: the pixel is mostly the picture's.
          const int spread = (GetRValue(onWhite) - GetRValue(onBlack)) + (GetGValue(onWhite) - GetGValue(onBlack)) +
                             (GetBValue(onWhite) - GetBValue(onBlack));
          if (spread < 3 * 128) SetPixel(memory, x, y, onWhite);
        }
      SelectObject(probeDc, oldProbe);
      DeleteDC(probeDc);
      SelectObject(work, oldWork);
      DeleteDC(work);
    } else {
      DrawTreeGlyph(memory, glyphs[i], 0, 0);
    }
    SelectObject(memory, old);
    ImageList_AddMasked(list, bitmap.Get(), kMask);
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return list;
}

}  // namespace

TTreeColor LoadTreeColors(const std::string& colorFile) {
  TTreeColor colors;
  if (GetFileAttributesW(Widen(colorFile).c_str()) == INVALID_FILE_ATTRIBUTES) return colors;
  TColorList list(TWin32FileSystem::Instance(), TAnsiCodePage::Instance(), colorFile);
  auto read = [&](int index) { return static_cast<COLORREF>(list.TreeColor(kTreeColorKeys[index].key)) & 0xFFFFFF; };
  colors.Back = read(kTreeColorBack);
  colors.Line = read(kTreeColorLine);
  colors.Normal = read(kTreeColorNormal);
  colors.Focus = read(kTreeColorFocus);
  colors.Open = read(kTreeColorOpen);
  colors.Hint = read(kTreeColorHint);
  return colors;
}

COLORREF DarkerBy70(COLORREF color) {
  auto down = [](int v) { return static_cast<BYTE>(std::max(0, v - 70)); };
  return RGB(down(GetRValue(color)), down(GetGValue(color)), down(GetBValue(color)));
}

int TCustomFolderView::RootImage() const {
  switch (driveType_) {
    case 2: return kImageFdd;
    case 4: return kImageNet;
    case 5: return kImageCd;
    default: return kImageHdd;
  }
}

std::string TCustomFolderView::ItemText(const TTreeItem* item) const {
  return item->Level == 0 ? GetRootName() : item->Name;
}

bool TCustomFolderView::IsOpenFolder(const TTreeItem* item) const {
  const std::string open = OpenFolderOf(drive_);
  return !open.empty() && SamePath(item->GetPath(), open);
}

int TCustomFolderView::TextWidth(HDC dc, const std::string& text) const {
  const std::wstring wide = Widen(text);
  SIZE size{};
  GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
  return size.cx;
}

int TCustomFolderView::TextWidth(const std::string& text) const {
  if (!Handle()) return 0;
  HDC dc = GetDC(Handle());
  int width;
  {
    TSelectObject font(dc, font_.Get());
    width = TextWidth(dc, text);
  }
  ReleaseDC(Handle(), dc);
  return width;
}

void TCustomFolderView::DrawImage(HDC dc, int index, int x, int y, UINT style, COLORREF blend) {
  if (!images_) images_ = MakeImages();
  ImageList_DrawEx(images_, index, dc, x, y, 16, 16, CLR_NONE, blend, ILD_TRANSPARENT | style);
}

void TCustomFolderView::Paint() {
  if (!Handle() || busy_ || items_->IsUpdating()) return;
  RECT client{};
  GetClientRect(Handle(), &client);
  RenderAll(client);
  HDC dc = GetDC(Handle());
  BitBlt(dc, 0, 0, client.right, client.bottom, back_.dc, 0, 0, SRCCOPY);
  ReleaseDC(Handle(), dc);
}

// The picture is kept between paints: WM_PAINT copies it, and a focus move redraws two rows in
// it and copies only those.
bool TCustomFolderView::EnsureBackBuffer(const RECT& client) {
  const int width = std::max(1L, client.right);
  const int height = std::max(1L, client.bottom);
  if (back_.dc && back_.width == width && back_.height == height) return true;
  ReleaseBackBuffer();
  HDC screen = GetDC(Handle());
  back_.dc = CreateCompatibleDC(screen);
  back_.bitmap = CreateCompatibleBitmap(screen, width, height);
  ReleaseDC(Handle(), screen);
  if (!back_.dc || !back_.bitmap) {
    ReleaseBackBuffer();
    return false;
  }
  back_.oldBitmap = SelectObject(back_.dc, back_.bitmap);
  back_.width = width;
  back_.height = height;
  return true;
}

void TCustomFolderView::ReleaseBackBuffer() {
  if (back_.dc) {
    if (back_.oldBitmap) SelectObject(back_.dc, back_.oldBitmap);
    DeleteDC(back_.dc);
  }
  if (back_.bitmap) DeleteObject(back_.bitmap);
  back_ = {};
}

void TCustomFolderView::RenderAll(const RECT& client) {
  if (!EnsureBackBuffer(client)) return;
  HDC memory = back_.dc;
  if (!topItem_ || !focused_ || !items_->Root) {
    FillRect(memory, &client, GetSysColorBrush(COLOR_WINDOW));
    return;
  }
  TBrushHandle back(CreateSolidBrush(colors_.Back));
  FillRect(memory, &client, back.Get());
  TPenHandle linePen(CreatePen(PS_SOLID, 1, colors_.Line));
  TSelectObject pen(memory, linePen.Get());
  TSelectObject font(memory, font_.Get());
  // The lines of the top item's ancestors that continue to a sibling further down.
  for (TTreeItem* a = topItem_->Parent; a && a->Level >= 1; a = a->Parent) {
    TTreeItem* sibling = a->NextSibling;
    if (!sibling || sibling->Row <= topItem_->Row) continue;
    const int x = GetItemPos(a).x - 8;
    const int bottom =
        std::min(static_cast<int>(client.bottom), (sibling->Row - topItem_->Row) * itemHeight_ + itemHeight_ / 2);
    Line(memory, x, 0, x, bottom);
  }
  for (TTreeItem* item = topItem_; item && item->Row - scrollOrigin_.y <= visibleRows_; item = NextShownItem(item)) {
    const POINT p = GetItemPos(item);
    DrawItem(memory, p.x, item, p.y);
  }
}

void TCustomFolderView::PaintTo(HDC dc, const RECT& client) {
  if (!back_.dc || back_.width != client.right || back_.height != client.bottom) RenderAll(client);
  if (back_.dc) BitBlt(dc, 0, 0, client.right, client.bottom, back_.dc, 0, 0, SRCCOPY);
}

void TCustomFolderView::DrawPlusMinus(HDC dc, int x, int y, bool expanded) {
  TPenHandle edgePen(CreatePen(PS_SOLID, 1, RGB(0x80, 0x80, 0x80)));
  TPenHandle signPen(CreatePen(PS_SOLID, 1, RGB(0, 0, 0)));
  TBrushHandle face(CreateSolidBrush(RGB(0xFF, 0xFF, 0xFF)));
  {
    TSelectObject pen(dc, edgePen.Get());
    TSelectObject brush(dc, face.Get());
    Rectangle(dc, x, y, x + 9, y + 9);
  }
  TSelectObject pen(dc, signPen.Get());
  Line(dc, x + 2, y + 4, x + 7, y + 4);
  if (!expanded) Line(dc, x + 4, y + 2, x + 4, y + 7);
}

void TCustomFolderView::DrawItem(HDC dc, int x, const TTreeItem* item, int y) {
  const int h = itemHeight_;
  const int m = h / 2;
  const bool root = item->Level == 0;
  if (!root) {
    if (!item->IsFirstChild()) Line(dc, x - 8, y + m, x - 8, y - 1);
    Line(dc, x - 1, y + m, item->IsFirstChild() && !item->HasChildren() ? x - 13 : x - 8, y + m);
    if (item->NextSibling) Line(dc, x - 8, y + m, x - 8, y + (item->NextSibling->Row - item->Row) * h + 1);
    if (item->HasChildren()) DrawPlusMinus(dc, x - 12, y + (h - 9) / 2, item->Expanded);
  }
  std::wstring text = Widen(ItemText(item));
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  if (item->HasChildren() && item->Expanded) {
    if (!root) Line(dc, x + 24, y + m, x + nameWidth_, y + m);
    if (size.cx > nameWidth_ - 18) {
      // Cut between whole characters to leave room for "..".
      int fit = 0;
      GetTextExtentExPointW(dc, text.c_str(), static_cast<int>(text.size()), std::max(0, nameWidth_ - 22), &fit,
                            nullptr, &size);
      if (fit > 0 && fit < static_cast<int>(text.size()) && text[fit] >= 0xDC00 && text[fit] < 0xE000) --fit;
      text = text.substr(0, std::max(0, fit)) + L"..";
      GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    }
  }
  RECT rect{x + 18, y + 1, x + size.cx + 19, y + h - 1};
  if (root) OffsetRect(&rect, 2, 0);
  const bool open = IsOpenFolder(item);
  const int image = root ? RootImage() : kImageDir;
  const int imageX = root ? x + 2 : x;
  const int imageY = y + (h - 16) / 2;
  const UINT textFormat = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
  if (item != focused_) {
    DrawImage(dc, image, imageX, imageY, 0, CLR_NONE);
    SetBkColor(dc, colors_.Back);
    SetBkMode(dc, OPAQUE);
    SetTextColor(dc, open ? colors_.Open : colors_.Normal);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, textFormat);
    return;
  }
  DrawImage(dc, image, imageX, imageY, ILD_BLEND50, RGB(0, 0, 0));
  TBrushHandle bar(CreateSolidBrush(open ? colors_.Open : colors_.Focus));
  FillRect(dc, &rect, bar.Get());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, colors_.Back);
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, textFormat);
  TBrushHandle outline(CreateSolidBrush(DarkerBy70(colors_.Focus)));
  const RECT frame{rect.left - 1, y, rect.right + 1, y + h};
  FrameRect(dc, &frame, outline.Get());
  DrawHints(dc, item, y);
}

// The focused folder's ancestors named again on its row, in their own columns.
void TCustomFolderView::DrawHints(HDC dc, const TTreeItem* item, int y) {
  const int h = itemHeight_;
  TBrushHandle back(CreateSolidBrush(colors_.Back));
  for (const TTreeItem* a = item->Parent; a; a = a->Parent) {
    if (a->Row == item->Row) continue;
    const int ax = GetItemPos(a).x;
    RECT clip;
    if (a->Level == 0) {
      clip = {ax + 20, y + 1, ax + rootWidth_ - 16, y + h - 1};
    } else {
      DrawImage(dc, kImageDir, ax, y + (h - 16) / 2, ILD_BLEND50, colors_.Back);
      clip = {ax + 18, y + 1, ax + nameWidth_ - 6, y + h - 1};
    }
    if (clip.right <= clip.left) continue;
    FillRect(dc, &clip, back.Get());
    const std::wstring name = Widen(ItemText(a));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colors_.Hint);
    DrawTextW(dc, name.c_str(), static_cast<int>(name.size()), &clip,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  }
}

void TCustomFolderView::DrawMoveItem(TTreeItem* oldItem, TTreeItem* newItem) {
  if (!Handle() || busy_ || items_->IsUpdating()) return;
  RECT client{};
  GetClientRect(Handle(), &client);
  if (!back_.dc || back_.width != client.right || back_.height != client.bottom) {
    Paint();
    return;
  }
  HDC dc = back_.dc;
  const int h = itemHeight_;
  {
    TBrushHandle back(CreateSolidBrush(colors_.Back));
    TPenHandle linePen(CreatePen(PS_SOLID, 1, colors_.Line));
    TSelectObject pen(dc, linePen.Get());
    TSelectObject font(dc, font_.Get());
    if (oldItem) {
      const POINT p = GetItemPos(oldItem);
      int right = oldItem->Level == 0 ? p.x + rootWidth_ - 12 : p.x + nameWidth_;
      if (!oldItem->HasChildren() || !oldItem->Expanded) right = p.x + TextWidth(dc, ItemText(oldItem)) + 20;
      const RECT area{p.x, p.y, right, p.y + h};
      FillRect(dc, &area, back.Get());
      DrawItem(dc, p.x, oldItem, p.y);
      for (const TTreeItem* a = oldItem->Parent; a; a = a->Parent) {
        if (a->Row == oldItem->Row) continue;
        const int ax = GetItemPos(a).x;
        const RECT hint{ax, p.y, ax + (a->Level == 0 ? rootWidth_ - 16 : nameWidth_), p.y + h};
        FillRect(dc, &hint, back.Get());
      }
    }
    if (newItem) {
      const POINT p = GetItemPos(newItem);
      DrawItem(dc, p.x, newItem, p.y);
    }
  }
  HDC screen = GetDC(Handle());
  for (const TTreeItem* item : {oldItem, newItem}) {
    if (!item) continue;
    const int y = GetItemPos(item).y;
    BitBlt(screen, 0, y, client.right, h, dc, 0, y, SRCCOPY);
  }
  ReleaseDC(Handle(), screen);
}

}  // namespace quill
