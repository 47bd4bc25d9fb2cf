// The Wine prefix the harness and scripts/run prepare: the faces the program's windows ask for
// draw "\" as a backslash (not as a Won sign, the old Korean convention) and draw the Korean
// texts, and the caption buttons have their symbol font.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace quill {
namespace {

// The pixels `text` leaves on a white 48x24 bitmap, drawn in `face` at 8 points.
std::string Picture(const wchar_t* face, const std::wstring& text) {
  HDC dc = CreateCompatibleDC(nullptr);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), 48, -24, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
  PatBlt(dc, 0, 0, 48, 24, WHITENESS);
  HFONT font = CreateFontW(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, DEFAULT_PITCH, face);
  HGDIOBJ oldFont = SelectObject(dc, font);
  TextOutW(dc, 2, 2, text.c_str(), static_cast<int>(text.size()));
  GdiFlush();
  std::string pixels(static_cast<const char*>(bits), 48 * 24 * 4);
  SelectObject(dc, oldFont);
  DeleteObject(font);
  SelectObject(dc, oldBitmap);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return pixels;
}

TEST(PrefixFonts, DialogFacesDrawABackslashAndHangul) {
  const std::string blank = Picture(L"Tahoma", L"");
  for (const wchar_t* face : {L"MS Shell Dlg", L"MS Shell Dlg 2", L"MS Sans Serif", L"Tahoma"}) {
    // Compared as Booleans: the pictures themselves are no help in a failure message.
    const std::string backslash = Picture(face, L"\\");
    EXPECT_TRUE(backslash != blank) << face;
    EXPECT_TRUE(backslash != Picture(face, L"\u20A9")) << "\"\\\" drawn as a Won sign in " << face;
    EXPECT_TRUE(Picture(face, L";") != Picture(face, L":")) << face;
    // A syllable the face lacks comes out blank or as the face's empty box; two different
    // syllables then look the same.
    const std::string hangul = Picture(face, L"\uC774");
    EXPECT_TRUE(hangul != blank) << face;
    EXPECT_TRUE(hangul != Picture(face, L"\uBBF8")) << "no Hangul in " << face;
  }
  // The caption buttons' symbols; without the face they show as the letters "0 1 r".
  HDC dc = CreateCompatibleDC(nullptr);
  HFONT marlett = CreateFontW(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SYMBOL_CHARSET, OUT_DEFAULT_PRECIS,
                              CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"Marlett");
  HGDIOBJ old = SelectObject(dc, marlett);
  wchar_t face[LF_FACESIZE] = {};
  GetTextFaceW(dc, LF_FACESIZE, face);
  EXPECT_STREQ(face, L"Marlett");
  SelectObject(dc, old);
  DeleteObject(marlett);
  DeleteDC(dc);
}

}  // namespace
}  // namespace quill
