#include "drivewin/DriveGlyphs.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "messages/Messages.h"
#include "platform/Handle.h"

namespace quill {

namespace {

using TPenHandle = TUniqueHandle<TGdiTraits<HPEN>>;

constexpr COLORREF kEdge = RGB(64, 64, 64);
constexpr COLORREF kSilver = RGB(200, 200, 200);
constexpr COLORREF kLed = RGB(0, 200, 0);
constexpr COLORREF kGreen = RGB(0, 150, 0);
constexpr COLORREF kDarkGreen = RGB(0, 90, 0);
constexpr COLORREF kRed = RGB(210, 0, 0);
constexpr COLORREF kFolderEdge = RGB(128, 96, 0);
// The colour the tool images are drawn on and masked out with; no glyph uses it.
constexpr COLORREF kMaskColor = RGB(255, 0, 255);

// Shapes relative to the glyph's corner, with their own pen and brush.
class TPainter {
public:
  TPainter(HDC dc, int x, int y) : dc_(dc), x_(x), y_(y) {}

  void Fill(int l, int t, int r, int b, COLORREF color) const {
    TBrushHandle brush(CreateSolidBrush(color));
    const RECT rect{x_ + l, y_ + t, x_ + r, y_ + b};
    FillRect(dc_, &rect, brush.Get());
  }
  void Box(int l, int t, int r, int b, COLORREF fill, COLORREF edge) const {
    Shape(fill, edge, 1, [&] { Rectangle(dc_, x_ + l, y_ + t, x_ + r, y_ + b); });
  }
  void Round(int l, int t, int r, int b, COLORREF fill, COLORREF edge) const {
    Shape(fill, edge, 1, [&] { Ellipse(dc_, x_ + l, y_ + t, x_ + r, y_ + b); });
  }
  void Ring(int l, int t, int r, int b, COLORREF edge) const {
    Outline(edge, 1, [&] { Ellipse(dc_, x_ + l, y_ + t, x_ + r, y_ + b); });
  }
  void Polygon(std::initializer_list<POINT> points, COLORREF fill, COLORREF edge) const {
    std::vector<POINT> moved(points);
    for (POINT& p : moved) p = {p.x + x_, p.y + y_};
    Shape(fill, edge, 1, [&] { ::Polygon(dc_, moved.data(), static_cast<int>(moved.size())); });
  }
  void Line(int x1, int y1, int x2, int y2, COLORREF color, int width = 1) const {
    Outline(color, width, [&] {
      MoveToEx(dc_, x_ + x1, y_ + y1, nullptr);
      LineTo(dc_, x_ + x2, y_ + y2);
    });
  }
  void Arc(int l, int t, int r, int b, POINT from, POINT to, COLORREF color, int width) const {
    Outline(color, width, [&] { ::Arc(dc_, x_ + l, y_ + t, x_ + r, y_ + b, x_ + from.x, y_ + from.y, x_ + to.x, y_ + to.y); });
  }

private:
  template <typename Draw>
  void Shape(COLORREF fill, COLORREF edge, int width, Draw draw) const {
    TBrushHandle brush(CreateSolidBrush(fill));
    TPenHandle pen(CreatePen(PS_SOLID, width, edge));
    const HGDIOBJ oldBrush = SelectObject(dc_, brush.Get());
    const HGDIOBJ oldPen = SelectObject(dc_, pen.Get());
    draw();
    SelectObject(dc_, oldPen);
    SelectObject(dc_, oldBrush);
  }
  template <typename Draw>
  void Outline(COLORREF color, int width, Draw draw) const {
    TPenHandle pen(CreatePen(PS_SOLID, width, color));
    const HGDIOBJ oldBrush = SelectObject(dc_, GetStockObject(NULL_BRUSH));
    const HGDIOBJ oldPen = SelectObject(dc_, pen.Get());
    draw();
    SelectObject(dc_, oldPen);
    SelectObject(dc_, oldBrush);
  }

  HDC dc_;
  int x_, y_;
};

void DrawHardDisk(const TPainter& p) {
  p.Box(1, 5, 15, 12, kSilver, kEdge);
  p.Fill(2, 9, 14, 11, RGB(150, 150, 150));
  p.Fill(11, 6, 13, 8, kLed);
}

void DrawFloppy(const TPainter& p) {
  p.Box(2, 1, 14, 15, RGB(40, 60, 150), RGB(20, 30, 80));
  p.Fill(5, 2, 11, 6, RGB(210, 210, 220));
  p.Fill(8, 3, 10, 5, RGB(40, 60, 150));
  p.Fill(4, 9, 12, 15, RGB(255, 255, 255));
  p.Line(5, 11, 11, 11, RGB(150, 150, 150));
}

void DrawNetworkDrive(const TPainter& p) {
  p.Box(1, 2, 15, 9, kSilver, kEdge);
  p.Fill(11, 4, 13, 6, kLed);
  p.Fill(7, 9, 9, 13, RGB(0, 0, 0));
  p.Fill(1, 13, 15, 15, kGreen);
}

void DrawCompactDisk(const TPainter& p) {
  p.Round(1, 1, 15, 15, RGB(215, 215, 225), RGB(100, 100, 110));
  p.Round(4, 4, 12, 12, RGB(160, 200, 245), RGB(160, 200, 245));
  p.Round(6, 6, 10, 10, RGB(255, 255, 255), RGB(100, 100, 110));
}

void DrawOpenFolder(const TPainter& p) {
  p.Polygon({{1, 3}, {6, 3}, {7, 5}, {13, 5}, {13, 13}, {1, 13}}, RGB(225, 175, 50), kFolderEdge);
  p.Polygon({{4, 8}, {15, 8}, {12, 14}, {1, 14}}, RGB(255, 225, 110), kFolderEdge);
}

void DrawGlobe(const TPainter& p) {
  p.Round(1, 1, 15, 15, RGB(70, 130, 220), RGB(20, 60, 140));
  p.Fill(3, 4, 7, 7, RGB(60, 170, 60));
  p.Fill(9, 9, 12, 12, RGB(60, 170, 60));
  p.Ring(5, 1, 11, 15, RGB(190, 215, 255));
  p.Line(2, 8, 14, 8, RGB(190, 215, 255));
}

void DrawUpArrow(const TPainter& p) {
  p.Polygon({{8, 1}, {14, 7}, {10, 7}, {10, 14}, {6, 14}, {6, 7}, {2, 7}}, kGreen, kDarkGreen);
}

void DrawRefresh(const TPainter& p) {
  p.Arc(2, 2, 14, 14, {4, 3}, {12, 3}, kGreen, 2);
  p.Polygon({{10, 1}, {15, 1}, {15, 6}}, kGreen, kDarkGreen);
}

void DrawProperties(const TPainter& p) {
  p.Box(3, 1, 13, 15, RGB(255, 255, 255), kEdge);
  p.Fill(5, 4, 11, 5, RGB(120, 120, 120));
  p.Fill(5, 7, 11, 8, RGB(120, 120, 120));
  p.Fill(5, 10, 9, 11, RGB(120, 120, 120));
  p.Fill(9, 10, 12, 13, RGB(30, 90, 200));
}

void DrawFormat(const TPainter& p) {
  DrawFloppy(p);
  p.Polygon({{13, 5}, {9, 10}, {11, 10}, {9, 15}, {15, 8}, {13, 8}, {15, 5}}, RGB(255, 230, 0), RGB(160, 60, 0));
}

void DrawMapNetwork(const TPainter& p) {
  DrawNetworkDrive(p);
  p.Fill(9, 9, 16, 11, kGreen);
  p.Fill(11, 7, 14, 13, kGreen);
}

void DrawDisconnect(const TPainter& p) {
  DrawNetworkDrive(p);
  p.Line(10, 8, 15, 13, kRed, 2);
  p.Line(15, 8, 10, 13, kRed, 2);
}

}  // namespace

TGlyph GlyphNamed(std::string_view name) {
  if (name == "FDD") return glFdd;
  if (name == "NET") return glNet;
  if (name == "CD") return glCd;
  if (name == "OPENDIR") return glOpenDir;
  if (name == "NETe") return glNetEntry;
  return glHdd;
}

void DrawGlyph(HDC dc, TGlyph glyph, int x, int y) {
  const TPainter p(dc, x, y);
  switch (glyph) {
    case glHdd: DrawHardDisk(p); break;
    case glFdd: DrawFloppy(p); break;
    case glNet: DrawNetworkDrive(p); break;
    case glCd: DrawCompactDisk(p); break;
    case glOpenDir: DrawOpenFolder(p); break;
    case glNetEntry: DrawGlobe(p); break;
    case glUp: DrawUpArrow(p); break;
    case glRefresh: DrawRefresh(p); break;
    case glProperties: DrawProperties(p); break;
    case glFormat: DrawFormat(p); break;
    case glMapNetwork: DrawMapNetwork(p); break;
    case glDisconnect: DrawDisconnect(p); break;
  }
}

TToolImages::TToolImages(const std::vector<TGlyph>& glyphs) {
  const int count = static_cast<int>(glyphs.size());
  normal_ = ImageList_Create(kGlyphSize, kGlyphSize, ILC_COLOR24 | ILC_MASK, count, 0);
  disabled_ = ImageList_Create(kGlyphSize, kGlyphSize, ILC_COLOR24 | ILC_MASK, count, 0);
  HDC dc = CreateCompatibleDC(nullptr);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), kGlyphSize, -kGlyphSize, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  TBitmapHandle bitmap(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!dc || !bitmap || !normal_ || !disabled_) {
    if (dc) DeleteDC(dc);
    return;
  }
  auto* pixels = static_cast<uint32_t*>(bits);
  constexpr size_t kPixels = kGlyphSize * kGlyphSize;
  // The mask colour as it lies in a 32-bit DIB (blue in the low byte).
  constexpr uint32_t kMaskPixel = (GetRValue(kMaskColor) << 16) | (GetGValue(kMaskColor) << 8) | GetBValue(kMaskColor);
  std::vector<uint32_t> drawn(kPixels);
  for (TGlyph glyph : glyphs) {
    const HGDIOBJ old = SelectObject(dc, bitmap.Get());
    const RECT all{0, 0, kGlyphSize, kGlyphSize};
    TBrushHandle mask(CreateSolidBrush(kMaskColor));
    FillRect(dc, &all, mask.Get());
    DrawGlyph(dc, glyph, 0, 0);
    GdiFlush();
    std::memcpy(drawn.data(), pixels, kPixels * sizeof(uint32_t));
    SelectObject(dc, old);
    // Adding a masked image blackens its transparent pixels, so the grey copy is made from the
    // drawing kept aside.
    ImageList_AddMasked(normal_, bitmap.Get(), kMaskColor);
    GreyPixels(drawn.data(), kPixels, kMaskPixel);
    std::memcpy(pixels, drawn.data(), kPixels * sizeof(uint32_t));
    ImageList_AddMasked(disabled_, bitmap.Get(), kMaskColor);
  }
  DeleteDC(dc);
}

TToolImages::~TToolImages() {
  if (normal_) ImageList_Destroy(normal_);
  if (disabled_) ImageList_Destroy(disabled_);
}

}  // namespace quill
