// Painting of the pane: the title strip, column lines, list cells and icon cells.
#include <algorithm>

#include "base/Text.h"
#include "fileview/FileViewNavigation.h"
#include "fileview/FileViewWindow.h"
#include "fileview/PaneText.h"
#include "fileview/ShellUtils.h"
#include "platform/StringTable.h"
#include "platform/Utf16.h"

namespace quill {

namespace {

constexpr int kParentTextId = 110;
constexpr int kFolderTextId = 111;
constexpr COLORREF kSelectedFill = 0xE6E6E6;
constexpr COLORREF kSelectedOutline = 0xC8C8C8;
constexpr COLORREF kTitleLine = 0xC0C0C0;
constexpr COLORREF kHiddenLetter = 0x0000FF;

// Colour-set values are 0x00BBGGRR, the same layout as COLORREF.
COLORREF Rgb(TColor color) { return static_cast<COLORREF>(color & 0xFFFFFF); }

// A cut entry is ghosted as the shell ghosts its own, whatever the colour set: its colour half
// way to the background (a fixed grey would hardly differ from light text on a dark pane).
COLORREF Dimmed(COLORREF color, COLORREF back) {
  const auto half = [&](int shift) { return (((color >> shift) & 0xFF) + ((back >> shift) & 0xFF)) / 2; };
  return RGB(half(0), half(8), half(16));
}

void Fill(HDC dc, const RECT& r, COLORREF color) {
  SetBkColor(dc, color);
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

// The frame colour of fsLine: each channel 70 darker, or grey where that would leave black.
COLORREF DarkerFocus(COLORREF color) {
  if ((color & 0xFFFFFF) == 0) return 0x808080;
  auto lower = [](int channel) { return std::max(0, channel - 70); };
  return RGB(lower(GetRValue(color)), lower(GetGValue(color)), lower(GetBValue(color)));
}

// The check mark of a selected entry, drawn by inverting what lies under it so it shows on any
// background.
constexpr const char* kCheckMark[] = {
    "........", ".......#", "......##", "#....###", "##..###.", ".#####..", "..###...", "...#....",
};

std::string DateText(uint64_t time, bool withTime) {
  if (time == 0) return {};
  const auto local = FileTimeToCalendar(time);
  if (!local) return {};
  if (withTime) return Format("%.2d:%.2d", local->hour, local->minute);
  return Format("%.4d-%.2d-%.2d", local->year, local->month, local->day);
}

std::string AttributeText(uint32_t attributes) {
  std::string text = "____";
  if (attributes & faArchive) text[0] = 'A';
  if (attributes & faHidden) text[1] = 'H';
  if (attributes & faReadOnly) text[2] = 'R';
  if (attributes & faSystem) text[3] = 'S';
  return text;
}

}  // namespace

void TFileViewWindow::DrawPlain(HDC dc, const std::string& text, const RECT& r, UINT align) {
  const std::wstring w = Widen(text);
  const SIZE size = PaneTextExtent(dc, w);
  const int x = align == DT_RIGHT ? r.right - size.cx : align == DT_CENTER ? (r.left + r.right - size.cx) / 2 : r.left;
  const int y = (r.top + r.bottom - size.cy) / 2;
  PaneTextOut(dc, x, y, ETO_OPAQUE | ETO_CLIPPED, &r, w);
}

bool TFileViewWindow::DrawCut(HDC dc, const std::string& text, const RECT& r, UINT align) {
  const TCutText cut = layout_.CutToWidth(text, std::max<int>(0, r.right - r.left));
  DrawPlain(dc, cut.Text, r, align);
  return cut.Cut;
}

void TFileViewWindow::Paint(HDC dc, const RECT& clip) {
  TSelectObject font(dc, font_ ? static_cast<HGDIOBJ>(font_.Get()) : GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, OPAQUE);
  const TColorList& colors = view_.Colors();
  Fill(dc, clip, Rgb(colors.Colors(kColorBack)));
  if (firstVisible_ < 0) return;
  const TLayoutParams& p = Params();
  RECT client{};
  GetClientRect(Handle(), &client);
  if (settings_.ViewTitle && clip.top <= kTitleHeight) PaintTitle(dc, client.right);

  if (p.Style == vsList && viewColumnLine_) {
    TBrushHandle line(CreateSolidBrush(Rgb(colors.Colors(kColorLine))));
    for (int c = 1; c < p.Columns; ++c) {
      const int x = p.ItemArea.Left + c * p.CellWidth;
      RECT r{x, p.ItemArea.Top, x + 1, p.ItemArea.Bottom - 4};
      FillRect(dc, &r, line.Get());
    }
  }

  const int count = view_.Files().Count();
  const int last = PageEnd(firstVisible_, p.PageSize(), count);
  for (int i = firstVisible_; i <= last; ++i) {
    int x = 0, y = 0;
    layout_.CellOrigin(i, firstVisible_, x, y);
    RECT cell{x, y, x + p.CellWidth, y + p.CellHeight}, overlap;
    if (!IntersectRect(&overlap, &cell, &clip)) continue;
    if (p.Style == vsIcon) PaintIconItem(dc, i);
    else PaintListItem(dc, i);
  }
}

void TFileViewWindow::PaintTitle(HDC dc, int width) {
  const TColorList& colors = view_.Colors();
  const COLORREF back = Rgb(colors.Colors(kColorBack));
  const RECT strip{0, 0, width, kTitleHeight};
  const std::string info =
      Format("%d Items (%s bytes)", view_.Files().Count() - drives_, GroupThousands(filesSize_).c_str());
  if (OnDrawTitle) {
    bool handled = false;
    OnDrawTitle(dc, strip, view_.Title(), info, handled);
    if (handled) return;
  }
  SetBkColor(dc, back);
  // The letters at the right take 52 pixels; the title keeps clear of them.
  RECT text{10, 0, std::max(10, width - 56), kTitleHeight};
  int x = text.left;
  {
    TSelectObject bold(dc, boldFont_ ? static_cast<HGDIOBJ>(boldFont_.Get()) : GetStockObject(DEFAULT_GUI_FONT));
    SetTextColor(dc, Rgb(colors.Colors(kColorTitle)));
    const std::wstring title = Widen(view_.Title());
    const SIZE size = PaneTextExtent(dc, title);
    PaneTextOut(dc, x, (kTitleHeight - size.cy) / 2, ETO_CLIPPED, &text, title);
    x += size.cx;
  }
  SetTextColor(dc, Rgb(colors.Colors(kColorNormal)));
  if (x < text.right) {
    RECT rest{x, 0, text.right, kTitleHeight};
    DrawPlain(dc, " - " + info, rest, DT_LEFT);
  }
  RECT line{0, 22, width, 23};
  Fill(dc, line, kTitleLine);

  SetBkColor(dc, back);
  static constexpr char kSortLetters[] = "NESTO";
  const int sort = std::clamp(static_cast<int>(view_.SortType()), 0, 4);
  DrawPlain(dc, std::string(1, kSortLetters[sort]), RECT{width - 20, 0, width, 22}, DT_CENTER);
  DrawPlain(dc, settings_.AutoColumn ? std::string("A") : Format("%d", settings_.Column),
            RECT{width - 36, 0, width - 20, 22}, DT_CENTER);
  if (view_.ViewHidden()) {
    SetTextColor(dc, kHiddenLetter);
    DrawPlain(dc, "H", RECT{width - 52, 0, width - 36, 22}, DT_CENTER);
  }
}

void TFileViewWindow::DrawCheckMark(HDC dc, int x, int y) {
  for (int row = 0; row < 8; ++row)
    for (int column = 0; column < 8; ++column)
      if (kCheckMark[row][column] == '#') {
        const COLORREF under = GetPixel(dc, x + column, y + row);
        SetPixelV(dc, x + column, y + row, ~under & 0xFFFFFF);
      }
}

void TFileViewWindow::DrawFocusFrame(HDC dc, RECT r, COLORREF focusColor) {
  if (focusStyle_ == fsNone) return;
  if (focusStyle_ == fsDot) {
    SetTextColor(dc, 0xFFFFFF);
    SetBkColor(dc, 0);
    DrawFocusRect(dc, &r);
    return;
  }
  TBrushHandle brush(CreateSolidBrush(DarkerFocus(focusColor)));
  FrameRect(dc, &r, brush.Get());
}

void TFileViewWindow::DrawUpImage(HDC dc, int x, int y, int size, COLORREF color) {
  // A bent arrow pointing up and to the left: the way out of the folder.
  const int s = size;
  TBrushHandle brush(CreateSolidBrush(color));
  HPEN pen = CreatePen(PS_SOLID, 1, color);
  {
    TSelectObject selectBrush(dc, brush.Get());
    TSelectObject selectPen(dc, pen);
    const POINT head[] = {{x + s * 5 / 16, y + s / 8}, {x + s / 16, y + s * 7 / 16}, {x + s * 9 / 16, y + s * 7 / 16}};
    Polygon(dc, head, 3);
    RECT shaft{x + s * 4 / 16, y + s * 7 / 16, x + s * 6 / 16 + 1, y + s * 12 / 16};
    FillRect(dc, &shaft, brush.Get());
    RECT foot{x + s * 4 / 16, y + s * 11 / 16, x + s * 14 / 16, y + s * 13 / 16};
    FillRect(dc, &foot, brush.Get());
  }
  DeleteObject(pen);
}

void TFileViewWindow::DrawSmallIcon(HDC dc, TFile& file, int x, int y, bool focused) {
  DrawIcon(dc, file, x, y, focused, smallImages_);
}

void TFileViewWindow::DrawLargeIcon(HDC dc, TFile& file, int x, int y, bool focused) {
  DrawIcon(dc, file, x, y, focused, largeImages_);
}

void TFileViewWindow::DrawIcon(HDC dc, TFile& file, int x, int y, bool focused, TSysImageList& images) {
  if (file.ImageIndex == -1) file.ImageIndex = ImageIndexOf(file, images);
  if (file.ImageIndex == kParentImage) {
    DrawUpImage(dc, x, y, images.Size(), Rgb(view_.Colors().Colors(kColorFolder)));
    return;
  }
  HIMAGELIST list = images.Handle();
  if (!list || file.ImageIndex < 0 || file.ImageIndex >= ImageList_GetImageCount(list)) return;
  UINT style = ILD_TRANSPARENT;
  COLORREF blend = CLR_DEFAULT;
  if (focused) {
    style |= ILD_SELECTED;
  } else if ((file.Attributes & faHidden) || file.Cut) {
    style |= ILD_BLEND50;
    blend = 0xFFFFFF;
  }
  ImageList_DrawEx(list, file.ImageIndex, dc, x, y, 0, 0, CLR_NONE, blend, style);
}

COLORREF TFileViewWindow::FocusTextColor(COLORREF bar) const {
  return Rgb(ContrastingTextColor(view_.Colors().Colors(kColorBack), bar));
}

void TFileViewWindow::PaintListItem(HDC dc, int index) {
  TFile& file = *view_.Files().Items(index);
  const TLayoutParams& p = Params();
  const TColorList& colors = view_.Colors();
  const COLORREF back = Rgb(colors.Colors(kColorBack));
  const bool focused = index == view_.ItemIndex();
  int x = 0, y = 0;
  layout_.CellOrigin(index, firstVisible_, x, y);
  const int cellRight = x + p.CellWidth;
  const RECT text{x + p.IconArea + 2, y + p.TextOffset, cellRight - 2, y + p.ItemHeight - p.TextOffset};

  COLORREF nameColor = Rgb(file.IsFolder() ? colors.Colors(kColorFolder)
                           : file.IsDrive() ? colors.Colors(kColorDrive)
                                            : colors.ExtColor(file.Ext()));
  if (file.Cut) nameColor = Dimmed(nameColor, back);
  // The focused entry is drawn inverted: its name colour becomes the background.
  const COLORREF fill = focused ? nameColor : back;
  Fill(dc, text, fill);
  SetBkColor(dc, fill);
  SetTextColor(dc, focused ? FocusTextColor(fill) : nameColor);

  if (file.IsDrive()) {
    PaintDrive(dc, file, text, focused, fill);
  } else {
    const int columnEnd = text.left + p.NameColumnWidth;
    RECT nameRect{text.left, text.top, std::min<LONG>(text.left + p.NameWidth, text.right), text.bottom};
    const std::string name = DisplayName(file, settings_, layout_.CaseMap());
    bool cut = DrawCut(dc, name, nameRect, DT_LEFT);
    if (!settings_.AttachExt && file.IsFile() && !file.Ext().empty() && p.ExtWidth > 0) {
      RECT extRect{columnEnd - p.ExtWidth, text.top, std::min<LONG>(columnEnd, text.right), text.bottom};
      if (extRect.right > extRect.left)
        cut = DrawCut(dc, DisplayExt(file, settings_, layout_.CaseMap()), extRect, DT_LEFT) || cut;
      else
        cut = true;
    }
    file.Truncated = cut;
    PaintFileDetails(dc, file, text, cellRight, focused, fill);
  }

  // The icon column: the check mark of a selected entry, then the entry's icon.
  const RECT iconArea{x + 2, y, x + p.IconArea + 2, y + p.ItemHeight};
  if (!settings_.ViewIcon || file.Selected) Fill(dc, iconArea, back);
  if (settings_.ViewIcon) DrawSmallIcon(dc, file, x + 10, y + (p.ItemHeight - 16) / 2, focused);
  if (file.Selected) DrawCheckMark(dc, x + 2, text.top + (p.ItemHeight - 10) / 2 - 2);

  RECT focus{settings_.ViewIcon ? x + p.IconArea + 1 : x + 2, text.top - 1, cellRight - 2, text.bottom + 1};
  if (focused) DrawFocusFrame(dc, focus, nameColor);
}

void TFileViewWindow::PaintDrive(HDC dc, const TFile& file, const RECT& text, bool focused, COLORREF fill) {
  DrawCut(dc, DisplayName(file, settings_, layout_.CaseMap()), text, DT_LEFT);
  const TDriveSpace& space = DriveSpace(file);
  if (!space.fixed) return;
  const TLayoutParams& p = Params();
  const int room = (text.right - text.left) - p.DriveTextWidth;
  const int left = text.left + p.DriveTextWidth;
  SetTextColor(dc, focused ? FocusTextColor(fill) : Rgb(view_.Colors().Colors(kColorNormal)));
  SetBkColor(dc, fill);
  int drawnRight = left;
  auto sizeAt = [&](uint64_t bytes, int right) {
    const std::string value = Format("%s MB", std::to_string(bytes >> 20).c_str());
    const int width = layout_.CachedWidth(value);
    // Disks of 100 GB and more have wider numbers than the slots; the total then moves right
    // rather than run into the free space.
    right = std::min<int>(std::max(right, drawnRight + p.DigitWidth + width), text.right);
    DrawPlain(dc, value, RECT{right - width, text.top, right, text.bottom}, DT_RIGHT);
    drawnRight = right;
  };
  if (layout_.CachedWidth(" 00000 MB ") < room) sizeAt(space.free, left + layout_.CachedWidth(" 00000 MB"));
  if (layout_.CachedWidth(" 00000 MB  00000 MB ") < room)
    sizeAt(space.total, left + layout_.CachedWidth(" 00000 MB  00000 MB"));
}

void TFileViewWindow::PaintFileDetails(HDC dc, TFile& file, const RECT& text, int cellRight, bool focused,
                                       COLORREF fill) {
  const TLayoutParams& p = Params();
  if (p.SizeMode == kSizeNone) return;
  const TColorList& colors = view_.Colors();
  // On the focus bar every text takes one colour that reads against it; the size's own colours
  // (normal, hidden, read-only, the unit letter) could be the bar's.
  const COLORREF focusText = FocusTextColor(fill);
  const int d = p.DigitWidth;
  const int sizeLeft = text.left + p.NameColumnWidth + d;
  const int sizeRight = sizeLeft + (p.SizeMode == kSizeWide ? p.WideSizeWidth : p.NarrowSizeWidth);
  auto clipped = [&](int left, int right) {
    return RECT{std::min<LONG>(left, text.right), text.top, std::min<LONG>(right, text.right), text.bottom};
  };
  SetBkColor(dc, fill);
  if (file.IsFolder()) {
    if (settings_.FolderInfo) {
      std::string dir = LoadText(file.IsParent() ? kParentTextId : kFolderTextId);
      if (settings_.CharCase != ccNormal) dir = layout_.CaseMap().Upper(dir);
      DrawPlain(dc, dir, clipped(sizeLeft, sizeRight), DT_RIGHT);
    }
  } else {
    const TColor sizeColor = (file.Attributes & faHidden)     ? colors.Colors(kColorHidden)
                             : (file.Attributes & faReadOnly) ? colors.Colors(kColorReadOnly)
                                                              : colors.Colors(kColorNormal);
    SetTextColor(dc, focused ? focusText : Rgb(sizeColor));
    const TSizeText size = p.SizeMode == kSizeWide ? WideSizeText(file.Size) : NarrowSizeText(file.Size);
    const int unitWidth = size.Unit.empty() ? 0 : layout_.CachedWidth(size.Unit);
    DrawPlain(dc, size.Number, clipped(sizeLeft, sizeRight - unitWidth), DT_RIGHT);
    if (unitWidth > 0) {
      SetTextColor(dc, focused ? focusText : Rgb(colors.Colors(kColorMb)));
      DrawPlain(dc, size.Unit, clipped(sizeRight - unitWidth, sizeRight), DT_RIGHT);
    }
  }

  SetTextColor(dc, focused ? focusText : Rgb(colors.Colors(kColorNormal)));
  int left = sizeRight + d;
  if (!p.ShowDate) return;
  DrawPlain(dc, DateText(file.Time, false), clipped(left, left + p.DateWidth), DT_LEFT);
  left += p.DateWidth + d;
  if (!p.ShowTime) return;
  DrawPlain(dc, DateText(file.Time, true), clipped(left, left + p.TimeWidth), DT_LEFT);
  left += p.TimeWidth + d;
  if (p.ShowAttributes) {
    DrawPlain(dc, FitCharCase(AttributeText(file.Attributes), settings_.CharCase, layout_.CaseMap()),
              clipped(left, left + p.AttrWidth), DT_LEFT);
  } else if (p.ShowDescription) {
    std::string description = file.Description();
    if (description.empty() && settings_.ViewFileType) description = TypeNameOf(file);
    SetTextColor(dc, focused ? focusText : Rgb(colors.Colors(kColorDescript)));
    const RECT r{left, text.top, cellRight - 2, text.bottom};
    if (r.right > r.left) DrawCut(dc, description, r, DT_LEFT);
  }
}

void TFileViewWindow::PaintIconItem(HDC dc, int index) {
  TFile& file = *view_.Files().Items(index);
  const TLayoutParams& p = Params();
  const TColorList& colors = view_.Colors();
  const bool focused = index == view_.ItemIndex();
  int x = 0, y = 0;
  layout_.CellOrigin(index, firstVisible_, x, y);
  if (file.Selected) {
    TBrushHandle brush(CreateSolidBrush(kSelectedFill));
    HPEN pen = CreatePen(PS_SOLID, 1, kSelectedOutline);
    {
      TSelectObject selectBrush(dc, brush.Get());
      TSelectObject selectPen(dc, pen);
      RoundRect(dc, x + 2, y + 2, x + p.CellWidth - 2, y + p.CellHeight - 2, 4, 4);
    }
    DeleteObject(pen);
  }
  DrawLargeIcon(dc, file, x + (p.CellWidth - 32) / 2, y + 4, focused);

  const std::string caption = IconCaption(file);
  const RECT space{x + 4, y + 44, x + p.CellWidth - 4, y + p.CellHeight - 4};
  if (space.right <= space.left || space.bottom <= space.top) return;
  // Wrapped and cut here rather than by DrawText, whose word breaks and ellipsis count UTF-16
  // units and can split a surrogate pair.
  const int lineHeight = std::max(1, p.TextHeight);
  const TCaptionLines lines =
      layout_.WrapCaption(caption, space.right - space.left, (space.bottom - space.top) / lineHeight);
  file.Truncated = lines.Cut;
  const int width = std::min<int>(lines.Width, space.right - space.left);
  const int height = std::min<int>(static_cast<int>(lines.Lines.size()) * lineHeight, space.bottom - space.top);
  RECT box{space.left + (space.right - space.left - width) / 2, space.top, 0, space.top + height};
  box.right = box.left + width;
  const COLORREF captionBack = focused         ? Rgb(colors.Colors(kColorNormal))
                               : file.Selected ? kSelectedFill
                                               : Rgb(colors.Colors(kColorBack));
  RECT frame = box;
  InflateRect(&frame, 2, 1);
  Fill(dc, frame, captionBack);
  SetBkColor(dc, captionBack);
  const COLORREF captionText = Rgb(colors.Colors(kColorNormal));
  SetTextColor(dc, focused    ? FocusTextColor(captionBack)
                   : file.Cut ? Dimmed(captionText, captionBack)
                              : captionText);
  for (size_t i = 0; i < lines.Lines.size(); ++i) {
    const int top = box.top + static_cast<int>(i) * lineHeight;
    if (top >= box.bottom) break;
    const RECT line{box.left, top, box.right, std::min<LONG>(top + lineHeight, box.bottom)};
    DrawPlain(dc, lines.Lines[i], line, DT_CENTER);
  }
  if (focused) DrawFocusFrame(dc, frame, captionBack);
}

}  // namespace quill
