// The small pictures of the drive window and the network browser, drawn with GDI: the row
// glyphs ("HDD", "FDD", "NET", "CD", "OPENDIR", "NETe"), the up image and the tool bar images.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string_view>
#include <vector>

namespace quill {

enum TGlyph {
  glHdd,
  glFdd,
  glNet,
  glCd,
  glOpenDir,
  glNetEntry,
  glUp,
  glRefresh,
  glProperties,
  glFormat,
  glMapNetwork,
  glDisconnect,
};

constexpr int kGlyphSize = 16;

// The glyph with a row glyph's name; glHdd for names it does not know.
TGlyph GlyphNamed(std::string_view name);

// Draws the glyph with its top-left corner at (x, y). Only the picture's own pixels are painted,
// so it lies transparently on whatever is below.
void DrawGlyph(HDC dc, TGlyph glyph, int x, int y);

// A tool bar's image lists: the glyphs in order, and the same greyed for disabled buttons.
class TToolImages {
public:
  explicit TToolImages(const std::vector<TGlyph>& glyphs);
  ~TToolImages();
  TToolImages(const TToolImages&) = delete;
  TToolImages& operator=(const TToolImages&) = delete;
  HIMAGELIST Normal() const { return normal_; }
  HIMAGELIST Disabled() const { return disabled_; }

private:
  HIMAGELIST normal_ = nullptr;
  HIMAGELIST disabled_ = nullptr;
};

}  // namespace quill
