// The button status bar on a real window: panels, clicks and hot tracking driven by mouse
// messages, the size grip handing the press to the top-level window, and what a paint puts into
// a bitmap, read back pixel by pixel. With QUILL_SHOTS set the bar is also saved as a picture.
#include "ui/BtnStatusBar.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "tests/win32/TestSupport.h"

namespace quill {
namespace {

constexpr int kWidth = 608;

// A host window that records the non-client presses it is sent instead of starting the system's
// sizing loop, and answers WM_GETFONT with whatever font it is given.
struct THostLog {
  struct TPress {
    HWND window;
    WPARAM hit;
    LPARAM point;
  };
  std::vector<TPress> presses;
  HFONT font = nullptr;
};
THostLog hostLog;

LRESULT CALLBACK HostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCLBUTTONDOWN: hostLog.presses.push_back({hwnd, wParam, lParam}); return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(hostLog.font);
    default: return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

HWND MakeHost(HWND parent, int clientWidth, int clientHeight) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = HostProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
  wc.lpszClassName = L"QuillBtnStatusBarTestHost";
  RegisterClassW(&wc);  // fails harmlessly once registered
  const DWORD style = parent ? WS_CHILD | WS_VISIBLE : WS_OVERLAPPEDWINDOW | WS_VISIBLE;
  RECT r{0, 0, clientWidth, clientHeight};
  AdjustWindowRect(&r, style, FALSE);
  return CreateWindowExW(0, wc.lpszClassName, L"Button status bar", style, parent ? 0 : 60, parent ? 0 : 60,
                         r.right - r.left, r.bottom - r.top, parent, nullptr, wc.hInstance, nullptr);
}

// The bar's paint in a 32-bit bitmap of its client size.
class TCapture {
public:
  explicit TCapture(TBtnStatusBar& bar) {
    RECT client{};
    GetClientRect(bar.Handle(), &client);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), client.right, -client.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    dc_ = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    old_ = SelectObject(dc_, bitmap_);
    bar.PaintTo(dc_);
    GdiFlush();
  }
  ~TCapture() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  TCapture(const TCapture&) = delete;
  TCapture& operator=(const TCapture&) = delete;

  COLORREF At(int x, int y) const { return GetPixel(dc_, x, y); }
  // Text is drawn smoothed: counts the pixels close to the colour rather than equal to it.
  int CountNear(const RECT& r, COLORREF color) const {
    auto close = [](int a, int b) { return a - b < 0x40 && b - a < 0x40; };
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) {
        const COLORREF c = At(x, y);
        n += close(GetRValue(c), GetRValue(color)) && close(GetGValue(c), GetGValue(color)) &&
             close(GetBValue(c), GetBValue(color));
      }
    return n;
  }

private:
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
};

LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

class BtnStatusBarTest : public ::testing::Test {
protected:
  void SetUp() override {
    hostLog = {};
    hostFont = CreateFontW(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
    hostLog.font = hostFont;
    host = MakeHost(nullptr, kWidth, 120);
    ASSERT_TRUE(host);
    ASSERT_TRUE(bar.Create(host));
    MoveWindow(bar.Handle(), 0, 120 - TBtnStatusBar::kHeight, kWidth, TBtnStatusBar::kHeight, TRUE);
    bar.OnClick = [this](int index) { clicks.push_back(index); };
  }
  void TearDown() override {
    DestroyWindow(host);
    DeleteObject(hostFont);
  }
  void SetFunctionKeys() { bar.SetItems({"F2=Rename", "F3=", "F4=", "F5=Refresh", "F6=", "F7=", "F8="}); }
  LRESULT Send(UINT message, int x, int y, WPARAM keys = 0) { return SendMessageW(bar.Handle(), message, keys, At(x, y)); }
  // Panel centres on the 608-pixel bar with seven panels of 84 pixels.
  static int Centre(int index) { return index * 84 + 40; }

  HFONT hostFont = nullptr;
  HWND host = nullptr;
  TBtnStatusBar bar;
  std::vector<int> clicks;
};

TEST_F(BtnStatusBarTest, StartsWithItsDefaultsAndTheParentsFontAndMeasuresTheRealClientArea) {
  RECT client{};
  GetClientRect(bar.Handle(), &client);
  EXPECT_EQ(client.bottom, TBtnStatusBar::kHeight);
  EXPECT_TRUE(IsWindowVisible(bar.Handle()));
  EXPECT_TRUE(bar.SizeGrip());
  EXPECT_EQ(bar.HeadColor(), 0xFF0000u);
  EXPECT_EQ(bar.HotColor(), 0x0000FFu);
  EXPECT_EQ(bar.Color(), GetSysColor(COLOR_BTNFACE));
  EXPECT_TRUE(bar.Items().empty());
  EXPECT_EQ(bar.GetItemAt(10, 10), -1);
  EXPECT_EQ(bar.HotIndex(), -1);
  EXPECT_EQ(bar.PressedIndex(), -1);

  // The parent's font, through the message as well; a null font falls back to the GUI font.
  EXPECT_EQ(bar.Font(), hostFont);
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(bar.Handle(), WM_GETFONT, 0, 0)), hostFont);
  SendMessageW(bar.Handle(), WM_SETFONT, 0, TRUE);
  EXPECT_EQ(bar.Font(), GetStockObject(DEFAULT_GUI_FONT));
  // A parent without a font of its own gives the GUI font.
  hostLog.font = nullptr;
  TBtnStatusBar second;
  ASSERT_TRUE(second.Create(host));
  EXPECT_EQ(second.Font(), GetStockObject(DEFAULT_GUI_FONT));

  SetFunctionKeys();
  ASSERT_EQ(bar.Items().size(), 7u);
  EXPECT_EQ(bar.Items()[3], "F5=Refresh");
  const RECT last = bar.ItemRect(6);
  EXPECT_EQ(last.left, 504);
  EXPECT_EQ(last.right, 590);
  EXPECT_EQ(bar.GetItemAt(Centre(3), 10), 3);
  // A narrower bar gives narrower panels at once: (400 - 18) / 7 = 54.
  MoveWindow(bar.Handle(), 0, 0, 400, TBtnStatusBar::kHeight, TRUE);
  EXPECT_EQ(bar.ItemRect(1).left, 54);
  EXPECT_EQ(bar.ItemRect(6).right, 382);
  bar.SetSizeGrip(false);
  EXPECT_EQ(bar.ItemRect(6).right, 400);
}

TEST_F(BtnStatusBarTest, AClickIsAPressAndAReleaseOnTheSamePanel) {
  SetFunctionKeys();
  Send(WM_LBUTTONDOWN, Centre(2), 10, MK_LBUTTON);
  EXPECT_EQ(bar.PressedIndex(), 2);
  EXPECT_EQ(GetCapture(), bar.Handle());
  EXPECT_TRUE(clicks.empty());
  Send(WM_LBUTTONUP, Centre(2) + 30, 17);
  EXPECT_EQ(bar.PressedIndex(), -1);
  EXPECT_NE(GetCapture(), bar.Handle());
  EXPECT_EQ(clicks, std::vector<int>{2});

  // Released over another panel, over the gap beside the pressed one, or outside: no click.
  Send(WM_LBUTTONDOWN, Centre(1), 10, MK_LBUTTON);
  Send(WM_LBUTTONUP, Centre(3), 10);
  Send(WM_LBUTTONDOWN, Centre(1), 10, MK_LBUTTON);
  Send(WM_LBUTTONUP, 2 * 84 - 1, 10);
  Send(WM_LBUTTONDOWN, Centre(1), 10, MK_LBUTTON);
  Send(WM_LBUTTONUP, Centre(1), -5);
  // Pressed and released on a gap: nothing was pressed.
  Send(WM_LBUTTONDOWN, 83, 10, MK_LBUTTON);
  EXPECT_EQ(bar.PressedIndex(), -1);
  Send(WM_LBUTTONUP, 83, 10);
  EXPECT_EQ(clicks, std::vector<int>{2});

  // A quick second click counts like the first.
  Send(WM_LBUTTONDOWN, Centre(6), 10, MK_LBUTTON);
  Send(WM_LBUTTONUP, Centre(6), 10);
  Send(WM_LBUTTONDBLCLK, Centre(6), 10, MK_LBUTTON);
  Send(WM_LBUTTONUP, Centre(6), 10);
  EXPECT_EQ(clicks, (std::vector<int>{2, 6, 6}));

  // Losing the capture mid-press ends the press without a click.
  Send(WM_LBUTTONDOWN, Centre(4), 10, MK_LBUTTON);
  SetCapture(host);
  EXPECT_EQ(bar.PressedIndex(), -1);
  ReleaseCapture();
  Send(WM_LBUTTONUP, Centre(4), 10);
  EXPECT_EQ(clicks, (std::vector<int>{2, 6, 6}));
}

TEST_F(BtnStatusBarTest, TheHotPanelFollowsTheMouseAndTheGripZoneShowsTheResizeCursor) {
  SetFunctionKeys();
  const HCURSOR hand = LoadCursorW(nullptr, IDC_HAND);
  bar.SetCursor(hand);
  Send(WM_MOUSEMOVE, Centre(3), 10);
  EXPECT_EQ(bar.HotIndex(), 3);
  Send(WM_MOUSEMOVE, 3 * 84 + 82, 10);  // the gap after panel 3
  EXPECT_EQ(bar.HotIndex(), -1);
  Send(WM_MOUSEMOVE, Centre(5), 10);
  EXPECT_EQ(bar.HotIndex(), 5);

  // Into the grip zone over the last panel's end, then past the panels, then back.
  Send(WM_MOUSEMOVE, 589, 10);
  EXPECT_EQ(bar.HotIndex(), 6);
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_SIZENWSE));
  Send(WM_MOUSEMOVE, 600, 10);
  EXPECT_EQ(bar.HotIndex(), -1);
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_SIZENWSE));
  Send(WM_MOUSEMOVE, Centre(2), 10);
  EXPECT_EQ(GetCursor(), hand);
  EXPECT_EQ(bar.HotIndex(), 2);

  SendMessageW(bar.Handle(), WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(bar.HotIndex(), -1);

  // Without the grip the right end is an ordinary part of the last panel.
  bar.SetSizeGrip(false);
  Send(WM_MOUSEMOVE, 600, 10);
  EXPECT_EQ(bar.HotIndex(), 6);
  EXPECT_EQ(GetCursor(), hand);
}

TEST_F(BtnStatusBarTest, APressOnTheGripResizesTheTopLevelWindowFromItsCorner) {
  // The bar sits in a child of the top-level window: the press goes past that child.
  HWND inner = MakeHost(host, kWidth, 60);
  TBtnStatusBar nested;
  ASSERT_TRUE(nested.Create(inner));
  MoveWindow(nested.Handle(), 0, 60 - TBtnStatusBar::kHeight, kWidth, TBtnStatusBar::kHeight, TRUE);
  std::vector<int> nestedClicks;
  nested.OnClick = [&](int index) { nestedClicks.push_back(index); };
  nested.SetItems({"F2=Rename", "F3=", "F4=", "F5=Refresh", "F6=", "F7=", "F8="});

  SendMessageW(nested.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At(600, 12));
  ASSERT_EQ(hostLog.presses.size(), 1u);
  EXPECT_EQ(hostLog.presses[0].window, host);
  EXPECT_EQ(hostLog.presses[0].hit, static_cast<WPARAM>(HTBOTTOMRIGHT));
  POINT screen{600, 12};
  ClientToScreen(nested.Handle(), &screen);
  EXPECT_EQ(static_cast<short>(LOWORD(hostLog.presses[0].point)), screen.x);
  EXPECT_EQ(static_cast<short>(HIWORD(hostLog.presses[0].point)), screen.y);
  EXPECT_EQ(nested.PressedIndex(), -1);
  EXPECT_NE(GetCapture(), nested.Handle());
  // Over the last panel's end the grip wins too.
  SendMessageW(nested.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At(589, 12));
  EXPECT_EQ(hostLog.presses.size(), 2u);
  EXPECT_EQ(nested.PressedIndex(), -1);

  // Without the grip the same press is a press on the last panel.
  nested.SetSizeGrip(false);
  SendMessageW(nested.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At(600, 12));
  SendMessageW(nested.Handle(), WM_LBUTTONUP, 0, At(600, 12));
  EXPECT_EQ(hostLog.presses.size(), 2u);
  EXPECT_EQ(nestedClicks, std::vector<int>{6});
}

TEST_F(BtnStatusBarTest, APaintDrawsTheTopLinesPanelsTextAndGrip) {
  SetFunctionKeys();
  bar.SetColor(0xC8D0D4);
  const COLORREF back = 0xC8D0D4;
  const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
  Send(WM_MOUSEMOVE, Centre(3), 10);
  {
    TCapture shot(bar);
    for (int x : {0, 300, kWidth - 1}) {
      EXPECT_EQ(shot.At(x, 0), shadow) << x;
      EXPECT_EQ(shot.At(x, 1), 0xDBDBDBu) << x;
      EXPECT_EQ(shot.At(x, 2), 0xE1E1E1u) << x;
    }
    // Panel 0's separator two pixels inside its end, then the gap in the background colour.
    EXPECT_EQ(shot.At(80, 10), shadow);
    EXPECT_EQ(shot.At(81, 10), 0xFFFFFFu);
    EXPECT_EQ(shot.At(82, 10), back);
    EXPECT_EQ(shot.At(83, 10), back);
    EXPECT_EQ(shot.At(79, 10), back);

    // The grip: a white dot with a grey one over its upper left, in the corner; its two lines
    // begin at y = 4, above the last panel's separator.
    EXPECT_EQ(shot.At(kWidth - 3, 18), 0xFFFFFFu);
    EXPECT_EQ(shot.At(kWidth - 4, 18), 0xFFFFFFu);
    EXPECT_EQ(shot.At(kWidth - 5, 16), 0xA3B4B8u);
    EXPECT_EQ(shot.At(kWidth - 4, 17), 0xA3B4B8u);
    // Three dots in the bottom row, one in the top row at the right: a triangle in the corner.
    EXPECT_EQ(shot.At(kWidth - 13, 16), 0xA3B4B8u);
    EXPECT_EQ(shot.At(kWidth - 5, 8), 0xA3B4B8u);
    EXPECT_EQ(shot.At(kWidth - 13, 8), back);
    EXPECT_EQ(shot.At(kWidth - 20, 4), shadow);
    EXPECT_EQ(shot.At(kWidth - 19, 4), 0xFFFFFFu);
    EXPECT_EQ(shot.At(kWidth - 20, 3), back);

    // Every name in the head colour (blue); the value of the hot panel in the hot colour
    // (red), the others' in the text colour.
    const RECT name0{5, 6, 20, 18}, value0{22, 6, 78, 18}, value3{3 * 84 + 22, 6, 3 * 84 + 78, 18};
    EXPECT_GT(shot.CountNear(name0, 0xFF0000), 5);
    EXPECT_GT(shot.CountNear({3 * 84 + 5, 6, 3 * 84 + 20, 18}, 0xFF0000), 5);
    EXPECT_GT(shot.CountNear(value3, 0x0000FF), 5);
    EXPECT_EQ(shot.CountNear(value0, 0x0000FF), 0);
    EXPECT_GT(shot.CountNear(value0, GetSysColor(COLOR_BTNTEXT)), 5);
  }

  // The mouse gone, no value is red; without the grip the corner is plain background.
  SendMessageW(bar.Handle(), WM_MOUSELEAVE, 0, 0);
  bar.SetSizeGrip(false);
  TCapture plain(bar);
  EXPECT_EQ(plain.CountNear({0, 3, kWidth, 19}, 0x0000FF), 0);
  EXPECT_EQ(plain.At(kWidth - 5, 16), back);
  EXPECT_EQ(plain.At(kWidth - 3, 18), back);
  EXPECT_EQ(plain.At(kWidth - 20, 4), back);
}

TEST_F(BtnStatusBarTest, LooksRightOnScreen) {
  SetFunctionKeys();
  POINT p{Centre(3), 10};
  ClientToScreen(bar.Handle(), &p);
  SetCursorPos(p.x, p.y);
  Send(WM_MOUSEMOVE, Centre(3), 10);
  ASSERT_EQ(bar.HotIndex(), 3);
  test::SaveShot(host, "btnstatusbar-function-keys");
  // The paint reached the screen: the second top line and the hot value's red.
  HDC screen = GetDC(bar.Handle());
  EXPECT_EQ(GetPixel(screen, 300, 1), 0xDBDBDBu);
  int red = 0;
  for (int y = 6; y < 18; ++y)
    for (int x = 3 * 84 + 20; x < 3 * 84 + 80; ++x) red += GetPixel(screen, x, y) == 0x0000FF;
  ReleaseDC(bar.Handle(), screen);
  EXPECT_GT(red, 0);

  // The tree window's keys on a narrow bar: values too long for their panels end in "...".
  bar.SetItems({"F2=Rename", "F3=Find Next", "F5=Refresh", "F6=Part Refresh", "F7=New Folder", "F8=Delete",
                "F9=Properties"});
  SetWindowPos(host, nullptr, 0, 0, 460, 160, SWP_NOMOVE | SWP_NOZORDER);
  MoveWindow(bar.Handle(), 0, 40, 420, TBtnStatusBar::kHeight, TRUE);
  Send(WM_MOUSEMOVE, 1, 10);
  test::SaveShot(host, "btnstatusbar-narrow");
}

}  // namespace
}  // namespace quill
