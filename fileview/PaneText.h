// Text output for the pane and its name tip. GDI's ExtTextOutW and GetTextExtentPoint32W take
// a surrogate pair as two characters and draw two missing-glyph boxes for it, even with a font
// that has the character; Uniscribe shapes the pair as the one character it is (with font
// fallback). Texts holding a pair therefore go through Uniscribe; all others stay with the
// plain, much faster GDI calls.
#pragma once

#include <windows.h>

#include <string_view>

namespace quill {

bool HasSurrogates(std::wstring_view text);
// Width and height of the text in the DC's font, as PaneTextOut draws it.
SIZE PaneTextExtent(HDC dc, std::wstring_view text);
// ExtTextOutW with `options` ETO_OPAQUE and ETO_CLIPPED honoured the same way on both paths.
void PaneTextOut(HDC dc, int x, int y, UINT options, const RECT* rect, std::wstring_view text);

}  // namespace quill
