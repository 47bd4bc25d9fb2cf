#include "tree/ScanDialog.h"

#include "messages/Centring.h"
#include "platform/Utf16.h"

namespace quill {

namespace {

constexpr int kHeaderHeight = 34;
constexpr DWORD kTextInterval = 50;
constexpr DWORD kPumpInterval = 30;
constexpr wchar_t kHeaderText[] = L"Scanning folders for making folder tree";

HFONT MakeFont(int points, int weight) {
  HDC screen = GetDC(nullptr);
  const int height = -MulDiv(points, GetDeviceCaps(screen, LOGPIXELSY), 72);
  ReleaseDC(nullptr, screen);
  return CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"MS Sans Serif");
}

}  // namespace

TfScan::~TfScan() { Close(); }

bool TfScan::Create(HWND owner) {
  // Minimise and maximise boxes, but the scan is ended by Cancel, not by the close box (removed
  // from the system menu below, which greys it).
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_CLIPCHILDREN;
  RECT outer{0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&outer, style, FALSE, WS_EX_DLGMODALFRAME);
  const int width = outer.right - outer.left;
  const int height = outer.bottom - outer.top;
  const POINT at = CentredOver(owner, width, height);
  if (!CreateHandle(L"QuillScanWindow", style, WS_EX_DLGMODALFRAME, L"Scanning...", at.x, at.y, width, height, owner))
    return false;
  DeleteMenu(GetSystemMenu(Handle(), FALSE), SC_CLOSE, MF_BYCOMMAND);
  font_.Reset(MakeFont(8, FW_NORMAL));
  headerFont_.Reset(MakeFont(8, FW_BOLD));
  CreateControls();
  count_ = 0;
  cancelled_ = false;
  ShowTexts();
  ShowWindow(Handle(), SW_SHOW);
  UpdateWindow(Handle());
  lastShown_ = lastPumped_ = GetTickCount();
  return true;
}

void TfScan::CreateControls() {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  auto add = [&](const wchar_t* cls, const wchar_t* text, DWORD style, int id, int x, int y, int w, int h) {
    HWND control = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, Handle(),
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    return control;
  };
  add(L"STATIC", L"0", SS_CENTER | SS_NOPREFIX, kCountId, 8, kHeaderHeight + 8, kClientWidth - 16, 16);
  add(L"STATIC", L"", SS_CENTER | SS_NOPREFIX | SS_PATHELLIPSIS, kFolderNameId, 8, kHeaderHeight + 28,
      kClientWidth - 16, 16);
  HWND cancel = add(L"BUTTON", L"Cancel", BS_PUSHBUTTON | WS_TABSTOP, kCancelId, (kClientWidth - 80) / 2,
                    kClientHeight - 34, 80, 25);
  SetFocus(cancel);
}

void TfScan::Scanned(const std::string& folder) {
  ++count_;
  folder_ = folder;
  const DWORD now = GetTickCount();
  if (count_ == 1 || now - lastShown_ >= kTextInterval) {
    lastShown_ = now;
    ShowTexts();
  }
}

void TfScan::ShowTexts() {
  if (!Handle()) return;
  SetDlgItemTextW(Handle(), kCountId, Widen(CountText()).c_str());
  SetDlgItemTextW(Handle(), kFolderNameId, Widen(folder_).c_str());
}

std::string TfScan::CountText() const { return std::to_string(count_); }

std::string TfScan::FolderText() const {
  if (!Handle()) return {};
  wchar_t text[512] = {};
  GetDlgItemTextW(Handle(), kFolderNameId, text, 512);
  return Narrow(text);
}

void TfScan::Pump() {
  const DWORD now = GetTickCount();
  if (now - lastPumped_ < kPumpInterval) return;
  lastPumped_ = now;
  // Whatever paints now shows the latest count.
  lastShown_ = now;
  ShowTexts();
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // The outer loop ends the program; the scan stops here.
      cancelled_ = true;
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    if (Handle() && IsDialogMessageW(Handle(), &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void TfScan::Close() {
  if (!Handle()) return;
  ShowWindow(Handle(), SW_HIDE);
  DestroyWindow(Handle());
}

void TfScan::PaintHeader(HDC dc) {
  RECT header{0, 0, kClientWidth, kHeaderHeight};
  FillRect(dc, &header, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  RECT edge{0, kHeaderHeight, kClientWidth, kHeaderHeight + 1};
  FillRect(dc, &edge, GetSysColorBrush(COLOR_BTNSHADOW));
  TSelectObject font(dc, headerFont_.Get());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  header.left += 12;
  DrawTextW(dc, kHeaderText, -1, &header, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

LRESULT TfScan::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      TPaintDC paint(Handle());
      PaintHeader(paint.Get());
      return 0;
    }
    case WM_ERASEBKGND: {
      RECT client{};
      GetClientRect(Handle(), &client);
      client.top = kHeaderHeight + 1;
      FillRect(reinterpret_cast<HDC>(wParam), &client, GetSysColorBrush(COLOR_BTNFACE));
      return 1;
    }
    case WM_CTLCOLORSTATIC:
      SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_BTNFACE));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    case WM_SETCURSOR:
      // The hourglass says the program is busy; over Cancel the arrow says it can still be clicked.
      if (reinterpret_cast<HWND>(wParam) != GetDlgItem(Handle(), kCancelId)) {
        ::SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_WAIT)));
        return TRUE;
      }
      break;
    case WM_COMMAND:
      if (LOWORD(wParam) == kCancelId) {
        cancelled_ = true;
        EnableWindow(GetDlgItem(Handle(), kCancelId), FALSE);
      }
      return 0;
    case WM_CLOSE:
      cancelled_ = true;
      return 0;
    case WM_GETMINMAXINFO: {
      // The layout is fixed: maximised, the window keeps its size where it stands.
      RECT frame{};
      if (GetWindowRect(Handle(), &frame) && !IsZoomed(Handle())) {
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        info->ptMaxSize = {frame.right - frame.left, frame.bottom - frame.top};
        info->ptMaxPosition = {frame.left, frame.top};
      }
      return 0;
    }
    default:
      break;
  }
  return DefaultHandling(message, wParam, lParam);
}

}  // namespace quill
