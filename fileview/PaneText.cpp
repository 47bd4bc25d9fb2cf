#include "fileview/PaneText.h"

#include <usp10.h>

namespace quill {

namespace {

// A shaped single line in the DC's current font; released by its owner.
class TShapedText {
public:
  TShapedText(HDC dc, std::wstring_view text) {
    const int length = static_cast<int>(text.size());
    if (FAILED(ScriptStringAnalyse(dc, text.data(), length, length * 3 / 2 + 16, -1, SSA_GLYPHS | SSA_FALLBACK, 0,
                                   nullptr, nullptr, nullptr, nullptr, nullptr, &analysis_)))
      analysis_ = nullptr;
  }
  ~TShapedText() {
    if (analysis_) ScriptStringFree(&analysis_);
  }
  TShapedText(const TShapedText&) = delete;
  TShapedText& operator=(const TShapedText&) = delete;
  SCRIPT_STRING_ANALYSIS Get() const { return analysis_; }

private:
  SCRIPT_STRING_ANALYSIS analysis_ = nullptr;
};

}  // namespace

bool HasSurrogates(std::wstring_view text) {
  for (const wchar_t c : text)
    if (c >= 0xD800 && c <= 0xDFFF) return true;
  return false;
}

SIZE PaneTextExtent(HDC dc, std::wstring_view text) {
  SIZE size{};
  if (HasSurrogates(text)) {
    TShapedText shaped(dc, text);
    if (shaped.Get()) {
      if (const SIZE* shapedSize = ScriptString_pSize(shaped.Get())) {
        size = *shapedSize;
        return size;
      }
    }
  }
  GetTextExtentPoint32W(dc, text.data(), static_cast<int>(text.size()), &size);
  return size;
}

void PaneTextOut(HDC dc, int x, int y, UINT options, const RECT* rect, std::wstring_view text) {
  if (HasSurrogates(text)) {
    TShapedText shaped(dc, text);
    if (shaped.Get() && SUCCEEDED(ScriptStringOut(shaped.Get(), x, y, options, rect, 0, 0, FALSE))) return;
  }
  ExtTextOutW(dc, x, y, options, rect, text.data(), static_cast<UINT>(text.size()), nullptr);
}

}  // namespace quill
