#include "fileview/FileViewWindow.h"

#include <windowsx.h>

#include <algorithm>
#include <cstdlib>

#include "fileview/FileViewNavigation.h"
#include "fileview/PaneText.h"
#include "platform/Utf16.h"
#include "platform/Win32Text.h"

namespace quill {

int TGdiTextMeasure::TextWidth(std::string_view utf8) const {
  if (!dc_ || utf8.empty()) return 0;
  return PaneTextExtent(dc_, Widen(utf8)).cx;
}

int TGdiTextMeasure::TextHeight() const {
  if (!dc_) return 0;
  SIZE size{};
  GetTextExtentPoint32W(dc_, L"Ag", 2, &size);
  return size.cy;
}

TFileViewWindow::TFileViewWindow(TQuillView& view)
    : view_(view), layout_(measure_, TWin32CaseMap::Instance()) {
  view_.SetHost(this);
  measureDc_ = CreateCompatibleDC(nullptr);
  measure_.SetDC(measureDc_);
  SelectObject(measureDc_, GetStockObject(DEFAULT_GUI_FONT));
  // The model repaints through Invalidate for every change, focus moves included; only a
  // changed list needs the layout measured again, so that is noted on the way through.
  auto modelHandler = view_.Files().OnChange;
  view_.Files().OnChange = [this, modelHandler](TFiles& files) {
    layoutDirty_ = true;
    driveSpace_.clear();
    if (modelHandler) modelHandler(files);
  };
}

TFileViewWindow::~TFileViewWindow() {
  view_.SetHost(nullptr);
  if (measureDc_) DeleteDC(measureDc_);
}

bool TFileViewWindow::Create(HWND parent, int x, int y, int width, int height) {
  if (!CreateHandle(L"QuillFileView", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP | WS_VSCROLL,
                    borderStyle_ == bsSingle ? WS_EX_CLIENTEDGE : 0, L"", x, y, width, height, parent))
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
  lf.lfWeight = FW_BOLD;
  boldFont_.Reset(CreateFontIndirectW(&lf));
  SelectObject(measureDc_, font_ ? static_cast<HGDIOBJ>(font_.Get()) : GetStockObject(DEFAULT_GUI_FONT));
  layout_.FontChanged();
  layoutDirty_ = true;
  Invalidate();
}

// ---- settings ----

void TFileViewWindow::SettingChanged(bool layout) {
  if (layout) layoutDirty_ = true;
  Invalidate();
}

void TFileViewWindow::SetViewStyle(TViewStyle value) {
  if (value == settings_.ViewStyle) return;
  // The icon grid has no column setting of its own; the list's fixed count comes back with it.
  if (value == vsIcon) {
    listColumn_ = settings_.Column;
  } else if (!settings_.AutoColumn) {
    settings_.Column = listColumn_;
  }
  settings_.ViewStyle = value;
  ForgetImages();
  SettingChanged(true);
}

void TFileViewWindow::SetAutoColumn(bool value) {
  if (!value || settings_.AutoColumn) return;
  settings_.AutoColumn = true;
  settings_.Column = 0;
  SettingChanged(true);
}

void TFileViewWindow::SetColumn(int value) {
  value = std::max(0, value);
  settings_.AutoColumn = value == 0;
  settings_.Column = value;
  SettingChanged(true);
}

void TFileViewWindow::SetAttachExt(bool value) {
  if (value == settings_.AttachExt) return;
  settings_.AttachExt = value;
  SettingChanged(true);
}

void TFileViewWindow::SetLongName(bool value) {
  if (value == settings_.LongName) return;
  settings_.LongName = value;
  SettingChanged(true);
}

void TFileViewWindow::SetCharCase(TCharCase value) {
  if (value == settings_.CharCase) return;
  settings_.CharCase = value;
  SettingChanged(true);
}

void TFileViewWindow::SetViewIcon(bool value) {
  if (value == settings_.ViewIcon) return;
  settings_.ViewIcon = value;
  SettingChanged(true);
}

void TFileViewWindow::SetViewTitle(bool value) {
  if (value == settings_.ViewTitle) return;
  settings_.ViewTitle = value;
  SettingChanged(true);
}

void TFileViewWindow::SetFolderInfo(bool value) {
  if (value == settings_.FolderInfo) return;
  settings_.FolderInfo = value;
  SettingChanged(false);
}

void TFileViewWindow::SetViewFileType(bool value) {
  if (value == settings_.ViewFileType) return;
  settings_.ViewFileType = value;
  SettingChanged(false);
}

void TFileViewWindow::SetFocusStyle(TFocusStyle value) {
  if (value == focusStyle_) return;
  focusStyle_ = value;
  SettingChanged(false);
}

void TFileViewWindow::SetViewColumnLine(bool value) {
  if (value == viewColumnLine_) return;
  viewColumnLine_ = value;
  SettingChanged(false);
}

void TFileViewWindow::SetIconVSpacing(int value) {
  value = std::max(0, value);
  if (value == settings_.IconVSpacing) return;
  settings_.IconVSpacing = value;
  if (settings_.ViewStyle == vsIcon) SettingChanged(true);
}

void TFileViewWindow::SetIconHSpacing(int value) {
  value = std::max(0, value);
  if (value == settings_.IconHSpacing) return;
  settings_.IconHSpacing = value;
  if (settings_.ViewStyle == vsIcon) SettingChanged(true);
}

void TFileViewWindow::SetBorderStyle(TBorderStyle value) {
  if (value == borderStyle_) return;
  borderStyle_ = value;
  if (!Handle()) return;
  // The new frame is applied to the window as it stands rather than by making a new one, so the
  // handle the main window and the focus hold stays valid; the client area and layout follow.
  LONG_PTR exStyle = GetWindowLongPtrW(Handle(), GWL_EXSTYLE);
  exStyle = value == bsSingle ? (exStyle | WS_EX_CLIENTEDGE) : (exStyle & ~static_cast<LONG_PTR>(WS_EX_CLIENTEDGE));
  SetWindowLongPtrW(Handle(), GWL_EXSTYLE, exStyle);
  SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  layoutDirty_ = true;
  Invalidate();
}

void TFileViewWindow::ForgetImages() {
  const TFiles& files = view_.Files();
  for (int i = 0; i < files.Count(); ++i) files.Items(i)->ImageIndex = -1;
}

// ---- layout and paging ----

void TFileViewWindow::Recalculate() {
  layoutDirty_ = false;
  const TFiles& files = view_.Files();
  RECT client{};
  if (Handle()) GetClientRect(Handle(), &client);
  layout_.CalculateParams(files, settings_, client.right, client.bottom);
  folders_ = files.CountKind(kKindFolder);
  drives_ = files.CountKind(kKindDrive);
  filesSize_ = files.FilesSize();
  lastFocus_ = view_.ItemIndex();
  fingerprint_ = ListFingerprint();
  AdjustPage();
}

// A second guard besides the list's change event (which the model may hook differently some
// day): a new scan gives a new count or new entry objects at the ends.
TFileViewWindow::TFingerprint TFileViewWindow::ListFingerprint() const {
  const TFiles& files = view_.Files();
  return {files.Count(), files.Items(0), files.Items(files.Count() - 1)};
}

int TFileViewWindow::PageCount() const {
  return quill::PageCount(view_.Files().Count(), Params().PageSize());
}

void TFileViewWindow::UpdateScrollBar() {
  if (!Handle()) return;
  SCROLLINFO si{sizeof si};
  si.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
  si.nMin = 0;
  si.nMax = std::max(0, PageCount() - 1);
  si.nPage = 1;
  const int pageSize = Params().PageSize();
  si.nPos = firstVisible_ > 0 && pageSize > 0 ? firstVisible_ / pageSize : 0;
  SetScrollInfo(Handle(), SB_VERT, &si, TRUE);
}

void TFileViewWindow::AdjustPage() {
  firstVisible_ = PageStart(view_.ItemIndex(), Params().PageSize(), view_.Files().Count());
  UpdateScrollBar();
}

void TFileViewWindow::SetPage(int page) {
  const int start = page * Params().PageSize();
  if (start == firstVisible_) return;
  firstVisible_ = start;
  UpdateScrollBar();
  InvalidateRect(Handle(), nullptr, FALSE);
}

void TFileViewWindow::Scroll(WPARAM request) {
  const int pages = PageCount();
  // Nothing to scroll while the whole list is on one page.
  if (pages <= 1 || firstVisible_ < 0) return;
  TScrollAction action;
  switch (LOWORD(request)) {
    case SB_LINEUP: action = saLineUp; break;
    case SB_LINEDOWN: action = saLineDown; break;
    case SB_PAGEUP: action = saPageUp; break;
    case SB_PAGEDOWN: action = saPageDown; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: action = saThumb; break;
    case SB_TOP: action = saTop; break;
    case SB_BOTTOM: action = saBottom; break;
    default: action = saEndScroll; break;
  }
  int thumb = HIWORD(request);
  if (action == saThumb) {
    // The message carries only 16 bits of position; the tracking position has them all.
    SCROLLINFO si{sizeof si};
    si.fMask = SIF_TRACKPOS;
    if (GetScrollInfo(Handle(), SB_VERT, &si)) thumb = si.nTrackPos;
  }
  const int page = firstVisible_ / Params().PageSize();
  SetPage(ScrollPage(action, page, thumb, pages));
  view_.HideNameTip();
}

void TFileViewWindow::Invalidate() {
  if (!Handle()) return;
  if (view_.Files().Updating()) return;
  const int focus = view_.ItemIndex();
  if (ListFingerprint() != fingerprint_) layoutDirty_ = true;
  if (layoutDirty_) {
    Recalculate();
    InvalidateRect(Handle(), nullptr, FALSE);
    return;
  }
  if (focus != lastFocus_) {
    const int before = firstVisible_;
    const int old = lastFocus_;
    lastFocus_ = focus;
    AdjustPage();
    // A move within the page repaints only the two cells.
    if (before == firstVisible_ && old >= 0 && firstVisible_ >= 0) {
      for (int index : {old, focus}) {
        if (!OnPage(index, firstVisible_, Params().PageSize(), view_.Files().Count())) continue;
        int x = 0, y = 0;
        layout_.CellOrigin(index, firstVisible_, x, y);
        RECT cell{x, y, x + Params().CellWidth, y + Params().CellHeight};
        InvalidateRect(Handle(), &cell, FALSE);
      }
      return;
    }
  }
  InvalidateRect(Handle(), nullptr, FALSE);
}

int TFileViewWindow::ItemAt(int x, int y) const {
  return layout_.ItemAt(x, y, firstVisible_, view_.Files().Count());
}

int TFileViewWindow::SelectAreaAt(int x, int y) const {
  const int index = ItemAt(x, y);
  if (index < 0) return -1;
  int cellX = 0, cellY = 0;
  layout_.CellOrigin(index, firstVisible_, cellX, cellY);
  return x - cellX < 10 ? index : -1;
}

RECT TFileViewWindow::ItemRect(int index) const {
  int x = 0, y = 0;
  layout_.CellOrigin(index, std::max(firstVisible_, 0), x, y);
  const int height = Params().Style == vsList ? Params().ItemHeight - 2 : Params().CellHeight;
  return RECT{x, y, x + Params().CellWidth, y + height};
}

void TFileViewWindow::InvalidateTitle() {
  if (!Handle() || view_.Files().Updating()) return;
  if (layoutDirty_) {
    Invalidate();
    return;
  }
  if (!settings_.ViewTitle) return;
  RECT client{};
  GetClientRect(Handle(), &client);
  const RECT strip{0, 0, client.right, kTitleHeight};
  InvalidateRect(Handle(), &strip, FALSE);
}

void TFileViewWindow::InvalidateItem(int index) {
  if (!Handle() || view_.Files().Updating() || layoutDirty_) {
    Invalidate();
    return;
  }
  if (!OnPage(index, firstVisible_, Params().PageSize(), view_.Files().Count())) return;
  int x = 0, y = 0;
  layout_.CellOrigin(index, firstVisible_, x, y);
  RECT cell{x, y, x + Params().CellWidth, y + Params().CellHeight};
  InvalidateRect(Handle(), &cell, FALSE);
}

// ---- name tip ----

namespace {
constexpr UINT_PTR kNameTipTimer = 1;
}

void TFileViewWindow::HideNameTip() {
  if (Handle()) KillTimer(Handle(), kNameTipTimer);
  nameTip_.Hide();
}

void TFileViewWindow::HideNameTipForKey() { nameTip_.Hide(); }

void TFileViewWindow::FocusChanged() {
  HideNameTip();
  // Whether the name was cut is known once its cell has been painted, so the check waits for
  // the timer rather than the move.
  if (Handle() && view_.FocusedFile()) SetTimer(Handle(), kNameTipTimer, kNameTipDelay, nullptr);
}

void TFileViewWindow::ShowNameTip() {
  KillTimer(Handle(), kNameTipTimer);
  if (GetFocus() != Handle()) return;
  UpdateWindow(Handle());
  const int index = view_.ItemIndex();
  const TFile* file = view_.FocusedFile();
  if (!file || !file->Truncated || !OnPage(index, firstVisible_, Params().PageSize(), view_.Files().Count())) return;
  const TCharCase charCase = file->IsFolder() ? FolderCharCase(settings_.CharCase) : settings_.CharCase;
  const std::string text = FitCharCase(file->FullName(), charCase, layout_.CaseMap());
  RECT r = ItemRect(index);
  MapWindowPoints(Handle(), nullptr, reinterpret_cast<POINT*>(&r), 2);
  OffsetRect(&r, 0, -1);
  r.top += 1;
  r.bottom -= 1;
  r.left += Params().IconArea - 1;
  r.right = r.left + measure_.TextWidth(text) + 6;
  nameTip_.Show(text, r, font_.Get());
}

// ---- keyboard ----

bool TFileViewWindow::KeyDown(WPARAM key) {
  // A key that moves the focus starts the tip's delay again for the new entry (FocusChanged).
  HideNameTipForKey();
  const bool control = GetKeyState(VK_CONTROL) < 0;
  bool navigation = true;
  TNavKey nav = nkHome;
  switch (key) {
    case VK_PRIOR: nav = control ? nkCtrlPageUp : nkPageUp; break;
    case VK_NEXT: nav = control ? nkCtrlPageDown : nkPageDown; break;
    case VK_HOME: nav = control ? nkCtrlHome : nkHome; break;
    case VK_END: nav = control ? nkCtrlEnd : nkEnd; break;
    case VK_LEFT: nav = nkLeft; break;
    case VK_RIGHT: nav = nkRight; break;
    case VK_UP: nav = nkUp; navigation = !control; break;
    case VK_DOWN: nav = nkDown; navigation = !control; break;
    case VK_OEM_6: nav = nkEnd; navigation = !control; break;         // "]"
    case VK_OEM_4: nav = nkFirstDrive; navigation = !control; break;  // "["
    default: navigation = false; break;
  }
  if (navigation) {
    if (layoutDirty_) Recalculate();
    const TLayoutParams& p = Params();
    TNavState state;
    state.Focused = view_.ItemIndex();
    state.Count = view_.Files().Count();
    state.FirstVisible = firstVisible_;
    state.RowsPerPage = p.RowsPerPage;
    state.Columns = p.Columns;
    state.Style = p.Style;
    state.Folders = folders_;
    state.Drives = drives_;
    const TNavResult result = KeyTarget(nav, state);
    if (result.Action == naFocus) {
      const int before = view_.ItemIndex();
      view_.SetFocused(result.Target);
      if (view_.ItemIndex() != before && !view_.FindText().empty()) view_.DoFindChange({});
    } else if (result.Action == naAdjustPage) {
      AdjustPage();
      InvalidateRect(Handle(), nullptr, FALSE);
    }
  }
  if (OnKeyDown) OnKeyDown(key);
  switch (key) {
    case VK_RETURN: view_.Open(); return true;
    case VK_SPACE: {
      const int focus = view_.ItemIndex();
      if (focus >= 0) view_.ToggleSelected(focus);
      // The focus moves on the way an arrow key would move it, owner's handler included.
      SendMessageW(Handle(), WM_KEYDOWN, Params().Style == vsList ? VK_DOWN : VK_RIGHT, 0);
      return true;
    }
    default: return navigation || key == 0;
  }
}

void TFileViewWindow::CharTyped(wchar_t ch) {
  if (IS_HIGH_SURROGATE(ch)) {
    highSurrogate_ = ch;
    return;
  }
  char32_t value = ch;
  if (IS_LOW_SURROGATE(ch)) {
    if (!highSurrogate_) return;
    value = 0x10000 + ((static_cast<char32_t>(highSurrogate_) - 0xD800) << 10) + (ch - 0xDC00);
  }
  highSurrogate_ = 0;
  view_.SearchChar(value, (GetKeyState(VK_CAPITAL) & 1) != 0);
}

// ---- mouse ----

void TFileViewWindow::MouseDown(WPARAM keys, bool left, int x, int y, bool doubleClick) {
  SetFocus(Handle());
  if (layoutDirty_) Recalculate();
  press_ = {x, y};
  dragAnchor_ = -1;
  dragLast_ = -1;
  dragReady_ = false;
  const bool shift = (keys & MK_SHIFT) != 0;
  const bool control = (keys & MK_CONTROL) != 0;
  const bool onTitle = settings_.ViewTitle && y < TitleHeight();
  if (left && onTitle) {
    if (OnTitleClick) OnTitleClick(x, y);
    return;
  }
  dragReady_ = !doubleClick && !onTitle && (Params().Style == vsIcon || SelectAreaAt(x, y) < 0);
  const int hit = ItemAt(x, y);
  if (Params().Style == vsIcon) {
    if (left && control && hit >= 0) view_.ToggleSelected(hit);
  } else if (left) {
    const int anchor = SelectAreaAt(x, y);
    if (anchor >= 0) {
      if (shift) {
        const int focus = view_.ItemIndex();
        view_.SelectRange(focus >= 0 ? focus : anchor, anchor);
        Invalidate();
      } else {
        view_.ToggleSelected(anchor);
      }
      dragAnchor_ = dragLast_ = anchor;
      SetCapture(Handle());
    }
  }
  if (doubleClick || hit < 0) return;
  const int before = view_.ItemIndex();
  view_.SetFocused(hit);
  const bool moved = view_.ItemIndex() != before;
  if (moved || (left && (shift || control))) {
    if (!view_.FindText().empty()) view_.DoFindChange({});
    if (!moved) {
      InvalidateItem(hit);
      view_.DoChange();
    }
  }
}

void TFileViewWindow::MouseMove(WPARAM keys, int x, int y) {
  if (dragReady_) {
    if (!(keys & (MK_LBUTTON | MK_RBUTTON))) {
      dragReady_ = false;
    } else if (std::abs(x - press_.x) > 3 || std::abs(y - press_.y) > 3) {
      dragReady_ = false;
      if (OnStartDrag) OnStartDrag();
      return;
    }
  }
  if (dragAnchor_ < 0 || !(keys & MK_LBUTTON) || Params().Style != vsList) return;
  const int now = ItemAt(x, y);
  if (now < 0 || now == dragLast_) return;
  const TDragSelectStep step = DragSelectStep(dragAnchor_, dragLast_, now);
  for (int i = step.DeselectFrom; i <= step.DeselectTo; ++i) {
    view_.Deselect(i);
    InvalidateItem(i);
  }
  for (int i = step.SelectFrom; i <= step.SelectTo; ++i) {
    view_.Select(i);
    InvalidateItem(i);
  }
  dragLast_ = now;
}

void TFileViewWindow::DoubleClick(WPARAM keys, int x, int y) {
  const bool onSelectArea = Params().Style == vsList && SelectAreaAt(x, y) >= 0;
  // The second press of a double-click on a check mark is a press like the first.
  MouseDown(keys, true, x, y, true);
  if (onSelectArea) return;
  const int hit = ItemAt(x, y);
  if (hit < 0) return;
  view_.SetFocused(hit);
  view_.Open();
}

LRESULT TFileViewWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      TPaintDC paint(Handle());
      if (view_.Files().Updating()) return 0;
      if (layoutDirty_) Recalculate();
      RECT client;
      GetClientRect(Handle(), &client);
      const RECT clip = paint.PaintRect();
      // Drawn off screen first, so paging through a folder does not flicker.
      HDC memory = CreateCompatibleDC(paint.Get());
      TBitmapHandle bitmap(
          CreateCompatibleBitmap(paint.Get(), std::max<LONG>(client.right, 1), std::max<LONG>(client.bottom, 1)));
      {
        TSelectObject select(memory, bitmap.Get());
        Paint(memory, clip);
        BitBlt(paint.Get(), clip.left, clip.top, clip.right - clip.left, clip.bottom - clip.top, memory, clip.left,
               clip.top, SRCCOPY);
      }
      DeleteDC(memory);
      return 0;
    }
    case WM_PRINTCLIENT:
      PaintTo(reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_ERASEBKGND: return 1;  // painting covers everything
    case WM_SIZE:
      HideNameTip();
      layoutDirty_ = true;
      Invalidate();
      return 0;
    case WM_MOVE:
    case WM_COMMAND: HideNameTip(); break;
    case WM_VSCROLL: Scroll(wParam); return 0;
    case WM_MOUSEWHEEL:
      HideNameTip();
      Scroll(GET_WHEEL_DELTA_WPARAM(wParam) > 0 ? SB_LINEUP : SB_LINEDOWN);
      return 0;
    case WM_SETFOCUS: InvalidateRect(Handle(), nullptr, FALSE); return 0;
    case WM_KILLFOCUS:
      HideNameTip();
      InvalidateRect(Handle(), nullptr, FALSE);
      return 0;
    case WM_TIMER:
      if (wParam == kNameTipTimer) ShowNameTip();
      return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_WANTALLKEYS;
    case WM_KEYDOWN:
      if (KeyDown(wParam)) return 0;
      break;
    case WM_CHAR: CharTyped(static_cast<wchar_t>(wParam)); return 0;
    case WM_SYSKEYDOWN:
      if (wParam == VK_MENU && OnModifierKey) OnModifierKey(wParam, true);
      break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      if ((wParam == VK_MENU || wParam == VK_CONTROL) && OnModifierKey) OnModifierKey(wParam, false);
      break;
    case WM_CONTEXTMENU: {
      // From the keyboard (no point) the owner has already acted on the key itself.
      if (lParam == -1 || !OnContextMenu) return 0;
      POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      ScreenToClient(Handle(), &p);
      OnContextMenu(p.x, p.y);
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      MouseDown(wParam, message == WM_LBUTTONDOWN, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), false);
      return 0;
    case WM_MOUSEMOVE: MouseMove(wParam, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;
    case WM_LBUTTONUP:
      if (dragAnchor_ >= 0) ReleaseCapture();
      dragAnchor_ = -1;
      dragReady_ = false;
      return 0;
    case WM_RBUTTONUP: dragReady_ = false; break;
    case WM_CAPTURECHANGED: dragAnchor_ = -1; return 0;
    case WM_LBUTTONDBLCLK: DoubleClick(wParam, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;
    default: break;
  }
  return TWindow::HandleMessage(message, wParam, lParam);
}

void TFileViewWindow::PaintTo(HDC dc) {
  if (view_.Files().Updating()) return;
  if (layoutDirty_) Recalculate();
  RECT client{};
  GetClientRect(Handle(), &client);
  Paint(dc, client);
}

}  // namespace quill
