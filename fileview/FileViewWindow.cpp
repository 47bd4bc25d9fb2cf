#include "fileview/FileViewWindow.h"

#include <windowsx.h>

#include <algorithm>

#include "base/Text.h"
#include "platform/Utf16.h"

namespace quill {

namespace {
// Colour-set values are 0x00BBGGRR, the same layout as COLORREF.
COLORREF Rgb(TColor color) { return static_cast<COLORREF>(color & 0xFFFFFF); }

std::string SizeText(uint64_t size) {
  std::string digits = Format("%llu", static_cast<unsigned long long>(size));
  std::string grouped;
  int n = static_cast<int>(digits.size());
  for (int i = 0; i < n; ++i) {
    grouped += digits[i];
    if ((n - i - 1) % 3 == 0 && i != n - 1) grouped += ',';
  }
  return grouped;
}

std::string TimeText(uint64_t time) {
  if (time == 0) return {};
  FILETIME utc{static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)}, local;
  SYSTEMTIME st;
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &st)) return {};
  return Format("%.4d-%.2d-%.2d %.2d:%.2d", st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute);
}

void DrawTextIn(HDC dc, const std::string& text, RECT r, UINT format) {
  const std::wstring w = Widen(text);
  DrawTextW(dc, w.c_str(), static_cast<int>(w.size()), &r, format | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}
}  // namespace

TFileViewWindow::TFileViewWindow(TQuillView& view) : view_(view) { view_.SetHost(this); }

TFileViewWindow::~TFileViewWindow() { view_.SetHost(nullptr); }

bool TFileViewWindow::Create(HWND parent, int x, int y, int width, int height) {
  if (!CreateHandle(L"QuillFileView", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP, WS_EX_CLIENTEDGE, L"", x,
                    y, width, height, parent))
    return false;
  SetFont("MS Sans Serif", 9, false);
  return true;
}

void TFileViewWindow::SetFont(const std::string& face, int pointSize, bool bold) {
  HDC screen = GetDC(nullptr);
  const int height = -MulDiv(pointSize, GetDeviceCaps(screen, LOGPIXELSY), 72);
  ReleaseDC(nullptr, screen);
  const std::wstring wface = Widen(face);
  LOGFONTW lf{};
  lf.lfHeight = height;
  lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(lf.lfFaceName, wface.c_str(), LF_FACESIZE);
  font_.Reset(CreateFontIndirectW(&lf));
  MeasureFont();
  Invalidate();
}

void TFileViewWindow::MeasureFont() {
  if (!Handle()) return;
  HDC dc = GetDC(Handle());
  {
    TSelectObject select(dc, font_.Get() ? static_cast<HGDIOBJ>(font_.Get()) : GetStockObject(DEFAULT_GUI_FONT));
    SIZE size{};
    GetTextExtentPoint32W(dc, L"Ag", 2, &size);
    rowHeight_ = std::max<int>(size.cy + 4, 16);
    titleHeight_ = std::max<int>(size.cy + 8, 25);
  }
  ReleaseDC(Handle(), dc);
}

int TFileViewWindow::RowsPerPage() const {
  RECT r;
  GetClientRect(Handle(), &r);
  return std::max<int>(1, (r.bottom - titleHeight_) / rowHeight_);
}

int TFileViewWindow::ItemAt(int /*x*/, int y) const {
  if (y < titleHeight_) return -1;
  int index = topIndex_ + (y - titleHeight_) / rowHeight_;
  return index < view_.Files().Count() ? index : -1;
}

void TFileViewWindow::Invalidate() {
  if (!Handle()) return;
  ScrollToFocus();
  InvalidateRect(Handle(), nullptr, FALSE);
}

void TFileViewWindow::ScrollToFocus() {
  const int focus = view_.ItemIndex();
  const int rows = RowsPerPage();
  const int count = view_.Files().Count();
  if (focus < 0) topIndex_ = 0;
  else if (focus < topIndex_) topIndex_ = focus;
  else if (focus >= topIndex_ + rows) topIndex_ = focus - rows + 1;
  topIndex_ = std::clamp(topIndex_, 0, std::max(0, count - 1));
}

void TFileViewWindow::MoveFocus(int index) {
  if (view_.Files().Count() == 0) return;
  view_.SetItemIndex(std::clamp(index, 0, view_.Files().Count() - 1));
}

bool TFileViewWindow::KeyDown(WPARAM key) {
  const int focus = view_.ItemIndex();
  const int page = RowsPerPage();
  switch (key) {
    case VK_UP: MoveFocus(focus - 1); return true;
    case VK_DOWN: MoveFocus(focus + 1); return true;
    case VK_PRIOR: MoveFocus(focus - page); return true;
    case VK_NEXT: MoveFocus(focus + page); return true;
    case VK_HOME: MoveFocus(0); return true;
    case VK_END: MoveFocus(view_.Files().Count() - 1); return true;
    case VK_RETURN: view_.Open(); return true;
    case VK_BACK: view_.SetFolder(".."); return true;
    default: return false;
  }
}

void TFileViewWindow::PaintRow(HDC dc, int index, const RECT& row) {
  const TFile* f = view_.Files().Items(index);
  const TColorList& colors = view_.Colors();
  const bool focused = index == view_.ItemIndex() && GetFocus() == Handle();
  const bool current = index == view_.ItemIndex();
  const COLORREF back = Rgb(colors.Colors(kColorBack));
  // The focused entry is drawn inverted: its name colour becomes the background.
  TColor inverted = 0;
  auto set = [&](TColor text) {
    if (current) text = inverted;
    SetBkColor(dc, current ? Rgb(text) : back);
    SetTextColor(dc, current ? back : Rgb(text));
  };
  const TColor nameColor = f->IsFolder() ? colors.Colors(kColorFolder)
                           : f->IsDrive() ? colors.Colors(kColorDrive)
                                          : colors.ExtColor(f->Ext());
  // The whole focused row takes its name colour as background.
  inverted = nameColor;
  set(nameColor);
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &row, nullptr, 0, nullptr);

  RECT r = row;
  r.left += 6;
  r.right -= 6;
  const int width = r.right - r.left;
  const int sizeWidth = std::min(width / 4, 110), timeWidth = std::min(width / 4, 120);
  RECT nameRect = r, sizeRect = r, timeRect = r;
  nameRect.right = r.right - sizeWidth - timeWidth - 8;
  sizeRect.left = nameRect.right;
  sizeRect.right = sizeRect.left + sizeWidth;
  timeRect.left = sizeRect.right + 8;

  if (f->IsDrive()) {
    DrawTextIn(dc, Format("[-%s-] %s", f->Name().c_str(), f->Ext().c_str()), r, DT_LEFT | DT_END_ELLIPSIS);
  } else {
    std::string name = f->FullName();
    if (f->Selected) name = "* " + name;
    DrawTextIn(dc, name, nameRect, DT_LEFT | DT_END_ELLIPSIS);
    if (!f->Description().empty()) {
      SIZE used{};
      const std::wstring wide = Widen(name + "  ");
      GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &used);
      RECT descRect = nameRect;
      descRect.left += used.cx;
      if (descRect.left < descRect.right) {
        set(colors.Colors(kColorDescript));
        DrawTextIn(dc, f->Description(), descRect, DT_LEFT | DT_END_ELLIPSIS);
      }
    }
    const TColor sizeColor = (f->Attributes & faHidden)     ? colors.Colors(kColorHidden)
                             : (f->Attributes & faReadOnly) ? colors.Colors(kColorReadOnly)
                                                            : colors.Colors(kColorNormal);
    set(f->IsFolder() ? nameColor : sizeColor);
    DrawTextIn(dc, f->IsFolder() ? (f->IsParent() ? "[UP]" : "[DIR]") : SizeText(f->Size), sizeRect, DT_RIGHT);
    set(colors.Colors(kColorNormal));
    DrawTextIn(dc, TimeText(f->Time), timeRect, DT_LEFT);
  }
  if (focused) {
    RECT focusRect = row;
    DrawFocusRect(dc, &focusRect);
  }
}

void TFileViewWindow::Paint(HDC dc, const RECT& client) {
  TSelectObject select(dc, font_.Get() ? static_cast<HGDIOBJ>(font_.Get()) : GetStockObject(DEFAULT_GUI_FONT));
  RECT title{client.left, client.top, client.right, client.top + titleHeight_ - 1};
  const TColorList& colors = view_.Colors();
  SetBkColor(dc, Rgb(colors.Colors(kColorBack)));
  SetTextColor(dc, Rgb(colors.Colors(kColorTitle)));
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &title, nullptr, 0, nullptr);
  RECT titleText = title;
  titleText.left += 6;
  DrawTextIn(dc, view_.Title(), titleText, DT_LEFT | DT_END_ELLIPSIS);
  RECT line{client.left, title.bottom, client.right, title.bottom + 1};
  SetBkColor(dc, Rgb(colors.Colors(kColorLine)));
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &line, nullptr, 0, nullptr);

  const int count = view_.Files().Count();
  int y = client.top + titleHeight_;
  for (int i = topIndex_; i < count && y < client.bottom; ++i, y += rowHeight_) {
    RECT row{client.left, y, client.right, y + rowHeight_};
    PaintRow(dc, i, row);
  }
  if (y < client.bottom) {
    RECT rest{client.left, y, client.right, client.bottom};
    SetBkColor(dc, Rgb(colors.Colors(kColorBack)));
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rest, nullptr, 0, nullptr);
  }
}

LRESULT TFileViewWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      TPaintDC paint(Handle());
      RECT client;
      GetClientRect(Handle(), &client);
      // Drawn off screen first, so scrolling through a folder does not flicker.
      HDC memory = CreateCompatibleDC(paint.Get());
      TBitmapHandle bitmap(CreateCompatibleBitmap(paint.Get(), std::max<LONG>(client.right, 1), std::max<LONG>(client.bottom, 1)));
      {
        TSelectObject select(memory, bitmap.Get());
        Paint(memory, client);
        BitBlt(paint.Get(), 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
      }
      DeleteDC(memory);
      return 0;
    }
    case WM_ERASEBKGND: return 1;
    case WM_SIZE: Invalidate(); return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: InvalidateRect(Handle(), nullptr, FALSE); return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_WANTALLKEYS;
    case WM_KEYDOWN:
      if (KeyDown(wParam)) return 0;
      break;
    case WM_LBUTTONDOWN: {
      SetFocus(Handle());
      int index = ItemAt(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      if (index >= 0) view_.SetItemIndex(index);
      return 0;
    }
    case WM_LBUTTONDBLCLK: {
      int index = ItemAt(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      if (index >= 0) {
        view_.SetItemIndex(index);
        view_.Open();
      }
      return 0;
    }
    case WM_MOUSEWHEEL: {
      const int steps = GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA;
      MoveFocus(view_.ItemIndex() - steps * 3);
      return 0;
    }
    default: break;
  }
  return TWindow::HandleMessage(message, wParam, lParam);
}

}  // namespace quill
