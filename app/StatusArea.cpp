#include "app/StatusArea.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include "app/StatusPanels.h"
#include "platform/Utf16.h"

namespace quill {

namespace {
HIMAGELIST SmallSystemImages() {
  SHFILEINFOW info{};
  return reinterpret_cast<HIMAGELIST>(
      SHGetFileInfoW(L"C:\\", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
}

void DrawText(HDC dc, const std::string& text, RECT r, UINT format) {
  const std::wstring w = Widen(text);
  ::DrawTextW(dc, w.c_str(), static_cast<int>(w.size()), &r, format | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

int TextWidth(HDC dc, const std::string& text) {
  const std::wstring w = Widen(text);
  SIZE size{};
  GetTextExtentPoint32W(dc, w.c_str(), static_cast<int>(w.size()), &size);
  return size.cx;
}
}  // namespace

bool TStatusArea::Create(HWND parent) {
  if (!CreateHandle(L"QuillStatusArea", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, L"", 0, 0, 100, kHeight, parent))
    return false;
  font_ = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  return true;
}

int TStatusArea::SelectionPanelWidth() const {
  if (!selection_ || !Handle()) return 0;
  HDC dc = GetDC(Handle());
  HGDIOBJ old = SelectObject(dc, font_);
  const int width = TextWidth(dc, selectionText_) + 12;
  SelectObject(dc, old);
  ReleaseDC(Handle(), dc);
  return width;
}

void TStatusArea::SetFileInfo(int smallIcon, const std::string& text, bool clickable) {
  fileIcon_ = smallIcon;
  fileText_ = text;
  fileClickable_ = clickable;
  if (Handle()) InvalidateRect(Handle(), nullptr, FALSE);
}

void TStatusArea::SetSelection(const std::optional<std::string>& text) {
  selection_ = text;
  selectionText_ = text.value_or(std::string());
  Relayout();
}

void TStatusArea::SetDisk(const std::string& drive, uint64_t total, uint64_t free) {
  drive_ = drive;
  total_ = total;
  free_ = free;
  gauge_ = DiskGaugeSteps(total, free);
  Relayout();
}

void TStatusArea::Relayout() {
  if (!Handle()) return;
  RECT client;
  GetClientRect(Handle(), &client);
  const int room = DiskPanelRoom(client.right, selection_.has_value(), SelectionPanelWidth());
  // A window too narrow for the smallest panel leaves it as it was.
  if (const std::optional<TDiskPanel> panel = DiskPanelFor(room, total_, free_)) {
    diskWidth_ = panel->width;
    diskText_ = panel->text;
  }
  InvalidateRect(Handle(), nullptr, FALSE);
}

RECT TStatusArea::FileRect() const { return {0, 0, kFileInfoPanelWidth, kHeight}; }

RECT TStatusArea::SelectionRect() const {
  const int width = SelectionPanelWidth();
  return {kFileInfoPanelWidth + 2, 0, kFileInfoPanelWidth + 2 + width, kHeight};
}

RECT TStatusArea::DiskRect() const {
  RECT client{};
  GetClientRect(Handle(), &client);
  return {client.right - diskWidth_, 0, client.right, kHeight};
}

void TStatusArea::Paint(HDC dc) {
  RECT client;
  GetClientRect(Handle(), &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  HGDIOBJ oldFont = SelectObject(dc, font_);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));

  RECT file = FileRect();
  DrawEdge(dc, &file, BDR_SUNKENOUTER, BF_RECT);
  if (fileIcon_ >= 0) ImageList_Draw(SmallSystemImages(), fileIcon_, dc, file.left + 3, (kHeight - 16) / 2, ILD_TRANSPARENT);
  RECT fileText{file.left + 21, 1, file.right - 2, kHeight - 1};
  DrawText(dc, fileText_, fileText, DT_LEFT | DT_END_ELLIPSIS);

  if (selection_) {
    RECT sel = SelectionRect();
    DrawEdge(dc, &sel, BDR_SUNKENOUTER, BF_RECT);
    RECT text{sel.left + 4, 1, sel.right - 2, kHeight - 1};
    DrawText(dc, selectionText_, text, DT_LEFT);
  }

  RECT disk = DiskRect();
  if (disk.left > file.right) {
    DrawEdge(dc, &disk, BDR_SUNKENOUTER, BF_RECT);
    // The gauge: nine cells, the used ones filled.
    // Kept small: at the fixed panel widths the byte counts need nearly all the room.
    const int cell = 3, top = 6, height = kHeight - 12;
    int x = disk.left + 4;
    HBRUSH used = CreateSolidBrush(gauge_ >= 8 ? RGB(200, 0, 0) : RGB(0, 0, 160));
    for (int i = 0; i < kDiskGaugeSteps; ++i, x += cell + 1) {
      RECT c{x, top, x + cell, top + height};
      if (i < gauge_) FillRect(dc, &c, used);
      else FrameRect(dc, &c, GetSysColorBrush(COLOR_BTNSHADOW));
    }
    DeleteObject(used);
    RECT label{x + 3, 1, x + 21, kHeight - 1};
    DrawText(dc, drive_, label, DT_LEFT);
    RECT text{label.right, 1, disk.right - 3, kHeight - 1};
    DrawText(dc, diskText_, text, DT_RIGHT);
  }
  SelectObject(dc, oldFont);
}

LRESULT TStatusArea::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      TPaintDC paint(Handle());
      RECT client;
      GetClientRect(Handle(), &client);
      HDC memory = CreateCompatibleDC(paint.Get());
      HBITMAP bitmap = CreateCompatibleBitmap(paint.Get(), std::max<LONG>(client.right, 1), kHeight);
      HGDIOBJ old = SelectObject(memory, bitmap);
      Paint(memory);
      BitBlt(paint.Get(), 0, 0, client.right, kHeight, memory, 0, 0, SRCCOPY);
      SelectObject(memory, old);
      DeleteObject(bitmap);
      DeleteDC(memory);
      return 0;
    }
    case WM_ERASEBKGND: return 1;
    case WM_SIZE: Relayout(); return 0;
    case WM_SETCURSOR: {
      POINT p;
      GetCursorPos(&p);
      ScreenToClient(Handle(), &p);
      const RECT file = FileRect();
      const RECT disk = DiskRect();
      const bool hand = (fileClickable_ && PtInRect(&file, p)) || PtInRect(&disk, p);
      SetCursor(LoadCursorW(nullptr, hand ? IDC_HAND : IDC_ARROW));
      return TRUE;
    }
    case WM_LBUTTONUP: {
      const POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      const RECT file = FileRect();
      const RECT disk = DiskRect();
      if (PtInRect(&file, p) && fileClickable_ && OnFileInfoClick) OnFileInfoClick();
      else if (PtInRect(&disk, p) && OnDiskClick) OnDiskClick();
      return 0;
    }
    default: break;
  }
  return TWindow::HandleMessage(message, wParam, lParam);
}

}  // namespace quill
