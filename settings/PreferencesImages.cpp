// The Preferences dialog's tab images, drawn once in code: a window, a check box, a gear-like
// wrench, a palette, a program window and a key, 16 by 16 on a transparent ground.
#include <windows.h>

#include <commctrl.h>

#include "settings/PreferencesDialog.h"

namespace quill {

namespace {
constexpr int kSize = 16;
constexpr COLORREF kMask = RGB(255, 0, 255);

void Box(HDC dc, int left, int top, int right, int bottom, COLORREF fill, COLORREF frame) {
  HBRUSH brush = CreateSolidBrush(fill);
  HPEN pen = CreatePen(PS_SOLID, 1, frame);
  HGDIOBJ oldBrush = SelectObject(dc, brush);
  HGDIOBJ oldPen = SelectObject(dc, pen);
  Rectangle(dc, left, top, right, bottom);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(brush);
  DeleteObject(pen);
}

void Line(HDC dc, int x1, int y1, int x2, int y2, COLORREF color, int width = 1) {
  HPEN pen = CreatePen(PS_SOLID, width, color);
  HGDIOBJ old = SelectObject(dc, pen);
  MoveToEx(dc, x1, y1, nullptr);
  LineTo(dc, x2, y2);
  SelectObject(dc, old);
  DeleteObject(pen);
}

void Disc(HDC dc, int left, int top, int right, int bottom, COLORREF fill) {
  HBRUSH brush = CreateSolidBrush(fill);
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
  HGDIOBJ oldBrush = SelectObject(dc, brush);
  HGDIOBJ oldPen = SelectObject(dc, pen);
  Ellipse(dc, left, top, right, bottom);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(brush);
  DeleteObject(pen);
}

// Each image at its offset in one strip.
void DrawView(HDC dc, int x) {
  Box(dc, x + 1, 2, x + 15, 14, RGB(255, 255, 255), RGB(0, 0, 128));
  Box(dc, x + 1, 2, x + 15, 5, RGB(0, 0, 128), RGB(0, 0, 128));
  for (int y = 7; y <= 11; y += 2) Line(dc, x + 3, y, x + 13, y, RGB(0, 128, 0));
}

void DrawOption(HDC dc, int x) {
  Box(dc, x + 2, 2, x + 14, 14, RGB(255, 255, 255), RGB(64, 64, 64));
  Line(dc, x + 4, 8, x + 7, 11, RGB(0, 160, 0), 2);
  Line(dc, x + 7, 11, x + 12, 4, RGB(0, 160, 0), 2);
}

void DrawMisc(HDC dc, int x) {
  Disc(dc, x + 2, 2, x + 14, 14, RGB(192, 192, 192));
  Disc(dc, x + 6, 6, x + 10, 10, kMask);
  for (int i = 0; i < 4; ++i) {
    const int dx[] = {0, 6, 0, -6}, dy[] = {-6, 0, 6, 0};
    Line(dc, x + 8 + dx[i] * 2 / 3, 8 + dy[i] * 2 / 3, x + 8 + dx[i], 8 + dy[i], RGB(96, 96, 96), 2);
  }
}

void DrawColor(HDC dc, int x) {
  Disc(dc, x + 1, 2, x + 15, 14, RGB(255, 224, 160));
  Disc(dc, x + 3, 4, x + 7, 8, RGB(255, 0, 0));
  Disc(dc, x + 8, 4, x + 12, 8, RGB(0, 160, 0));
  Disc(dc, x + 5, 8, x + 9, 12, RGB(0, 0, 255));
}

void DrawProgram(HDC dc, int x) {
  Box(dc, x + 1, 3, x + 15, 13, RGB(0, 0, 0), RGB(128, 128, 128));
  Line(dc, x + 3, 6, x + 6, 8, RGB(192, 192, 192));
  Line(dc, x + 6, 8, x + 3, 10, RGB(192, 192, 192));
  Line(dc, x + 7, 10, x + 11, 10, RGB(192, 192, 192));
}

void DrawKey(HDC dc, int x) {
  Disc(dc, x + 1, 4, x + 8, 11, RGB(255, 200, 0));
  Disc(dc, x + 3, 6, x + 6, 9, kMask);
  Line(dc, x + 8, 7, x + 15, 7, RGB(160, 120, 0), 2);
  Line(dc, x + 12, 8, x + 12, 11, RGB(160, 120, 0), 2);
  Line(dc, x + 14, 8, x + 14, 10, RGB(160, 120, 0), 2);
}
}  // namespace

HIMAGELIST CreatePreferenceTabImages() {
  using TPainter = void (*)(HDC, int);
  const TPainter painters[TfPreferences::kPageCount] = {DrawView, DrawOption, DrawMisc, DrawColor, DrawProgram, DrawKey};
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP strip = CreateCompatibleBitmap(screen, kSize * TfPreferences::kPageCount, kSize);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, strip);
  RECT all{0, 0, kSize * TfPreferences::kPageCount, kSize};
  HBRUSH ground = CreateSolidBrush(kMask);
  FillRect(dc, &all, ground);
  DeleteObject(ground);
  for (int i = 0; i < TfPreferences::kPageCount; ++i) painters[i](dc, i * kSize);
  SelectObject(dc, old);
  DeleteDC(dc);
  HIMAGELIST images = ImageList_Create(kSize, kSize, ILC_COLOR24 | ILC_MASK, TfPreferences::kPageCount, 0);
  ImageList_AddMasked(images, strip, kMask);
  DeleteObject(strip);
  return images;
}

}  // namespace quill
