// The button status bar on a real window: clicks and hot tracking by mouse messages, the grip
// handing the press to the top-level window, and its paint read back pixel by pixel.
// With QUILL_SHOTS set the bar is also saved as a picture.
#include "ui/BtnStatusBar.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <utility>
#include <vector>

#include "tests/win32/TestSupport.h"

namespace quill {
namespace {

constexpr int kWidth = 608;
// Records the sizing presses it is sent instead of starting the system's sizing loop.
std::vector<std::pair<WPARAM, LPARAM>> hostPresses;
HFONT hostFont = nullptr;

LRESULT CALLBACK HostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCLBUTTONDOWN) return hostPresses.emplace_back(wParam, lParam), 0;
  if (message == WM_GETFONT) return reinterpret_cast<LRESULT>(hostFont);
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

class BtnStatusBarTest : public ::testing::Test {
protected:
  void SetUp() override {
    hostPresses.clear();
    hostFont = CreateFontW(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
    WNDCLASSW wc{};
    wc.lpfnWndProc = HostProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
    wc.lpszClassName = L"QuillBtnStatusBarTestHost";
    RegisterClassW(&wc);
    RECT r{0, 0, kWidth, 120};
    AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
    host = CreateWindowExW(0, wc.lpszClassName, L"Button status bar", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 60, 60,
                           r.right - r.left, r.bottom - r.top, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_TRUE(bar.Create(host));
    bar.SetItems({"F2=Rename", "F3=", "F4=", "F5=Refresh", "F6=", "F7=", "F8="});
    bar.OnClick = [this](int index) { clicks.push_back(index); };
  }
  void TearDown() override {
    DestroyWindow(host);
    DeleteObject(hostFont);
  }
  void Send(UINT message, int x, int y) { SendMessageW(bar.Handle(), message, 0, MAKELPARAM(x, y)); }
  static int Centre(int index) { return index * 84 + 40; }

  HWND host = nullptr;
  TBtnStatusBar bar;
  std::vector<int> clicks;
};

TEST_F(BtnStatusBarTest, AClickIsAPressAndAReleaseOnTheSamePanel) {
  EXPECT_EQ(bar.Items()[3], "F5=Refresh");
  EXPECT_EQ(bar.Font(), hostFont);
  EXPECT_EQ(bar.ItemRect(6).right, 590);  // created along the bottom, as wide as the host
  Send(WM_LBUTTONDOWN, Centre(2), 10);
  EXPECT_EQ(bar.PressedIndex(), 2);
  EXPECT_EQ(GetCapture(), bar.Handle());
  Send(WM_LBUTTONUP, Centre(2) + 30, 17);
  EXPECT_EQ(clicks, std::vector<int>{2});
  EXPECT_EQ(bar.PressedIndex(), -1);
  EXPECT_EQ(GetCapture(), nullptr);

  // Released over another panel, the gap beside the pressed one, above the bar; pressed on a
  // gap; capture lost mid-press: none of these clicks.
  const int presses[][3] = {{Centre(1), Centre(3), 10}, {Centre(1), 2 * 84 - 1, 10}, {Centre(1), Centre(1), -5},
                            {83, 83, 10}};
  for (const auto& [down, up, y] : presses) {
    Send(WM_LBUTTONDOWN, down, 10);
    Send(WM_LBUTTONUP, up, y);
  }
  Send(WM_LBUTTONDOWN, Centre(4), 10);
  SetCapture(host);
  ReleaseCapture();
  Send(WM_LBUTTONUP, Centre(4), 10);
  // A quick second click counts like the first.
  Send(WM_LBUTTONDBLCLK, Centre(6), 10);
  Send(WM_LBUTTONUP, Centre(6), 10);
  EXPECT_EQ(clicks, (std::vector<int>{2, 6}));
}

TEST_F(BtnStatusBarTest, TheHotPanelFollowsTheMouseAndTheGripResizesTheTopLevelWindow) {
  const HCURSOR hand = LoadCursorW(nullptr, IDC_HAND);
  bar.SetCursor(hand);
  const int moves[][2] = {{Centre(3), 3}, {3 * 84 + 82, -1}, {Centre(5), 5}, {589, 6}, {600, -1}};
  for (const auto& [x, hot] : moves) {
    Send(WM_MOUSEMOVE, x, 10);
    EXPECT_EQ(bar.HotIndex(), hot) << x;
  }
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_SIZENWSE));
  Send(WM_MOUSEMOVE, Centre(2), 10);
  EXPECT_EQ(GetCursor(), hand);
  SendMessageW(bar.Handle(), WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(bar.HotIndex(), -1);

  Send(WM_LBUTTONDOWN, 600, 12);
  POINT screen{600, 12};
  ClientToScreen(bar.Handle(), &screen);
  ASSERT_EQ(hostPresses.size(), 1u);
  EXPECT_EQ(hostPresses[0], std::make_pair(WPARAM{HTBOTTOMRIGHT}, MAKELPARAM(screen.x, screen.y)));
  EXPECT_EQ(bar.PressedIndex(), -1);
  // Without the grip the right end is part of the last panel.
  bar.SetSizeGrip(false);
  Send(WM_LBUTTONDOWN, 600, 12);
  Send(WM_LBUTTONUP, 600, 12);
  EXPECT_EQ(hostPresses.size(), 1u);
  EXPECT_EQ(clicks, std::vector<int>{6});
}

TEST_F(BtnStatusBarTest, APaintDrawsTheTopLinesPanelsTextAndGrip) {
  const COLORREF back = 0xC8D0D4, shadow = GetSysColor(COLOR_BTNSHADOW);
  bar.SetColor(back);
  Send(WM_MOUSEMOVE, Centre(3), 10);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), kWidth, -TBtnStatusBar::kHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  HDC dc = CreateCompatibleDC(nullptr);
  void* bits = nullptr;
  HGDIOBJ old = SelectObject(dc, CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  bar.PaintTo(dc);
  auto at = [&](int x, int y) { return GetPixel(dc, x, y); };
  // Text is smoothed: count pixels near the colour.
  auto textPixels = [&](int left, int right, COLORREF color) {
    int n = 0;
    for (int y = 6; y < 18; ++y)
      for (int x = left; x < right; ++x) {
        const COLORREF c = at(x, y);
        n += abs(GetRValue(c) - GetRValue(color)) < 64 && abs(GetGValue(c) - GetGValue(color)) < 64 &&
             abs(GetBValue(c) - GetBValue(color)) < 64;
      }
    return n;
  };

  EXPECT_EQ(at(kWidth - 1, 0), shadow);
  EXPECT_EQ(at(300, 1), 0xDBDBDBu);
  EXPECT_EQ(at(300, 2), 0xE1E1E1u);
  // Panel 0's separator two pixels inside its end, then the gap.
  EXPECT_EQ(at(80, 10), shadow);
  EXPECT_EQ(at(81, 10), 0xFFFFFFu);
  EXPECT_EQ(at(82, 10), back);
  // The grip: white dots with grey ones over their upper left, three in the bottom row, one in
  // the top row; its two lines start at y = 4.
  EXPECT_EQ(at(kWidth - 3, 18), 0xFFFFFFu);
  EXPECT_EQ(at(kWidth - 4, 17), 0xA3B4B8u);
  EXPECT_EQ(at(kWidth - 13, 16), 0xA3B4B8u);
  EXPECT_EQ(at(kWidth - 5, 8), 0xA3B4B8u);
  EXPECT_EQ(at(kWidth - 13, 8), back);
  EXPECT_EQ(at(kWidth - 20, 4), shadow);
  EXPECT_EQ(at(kWidth - 19, 4), 0xFFFFFFu);
  // Names in blue; the hot panel's value in red, the others' in the text colour.
  EXPECT_GT(textPixels(5, 20, 0xFF0000), 5);
  EXPECT_GT(textPixels(3 * 84 + 22, 3 * 84 + 78, 0x0000FF), 5);
  EXPECT_EQ(textPixels(22, 78, 0x0000FF), 0);
  EXPECT_GT(textPixels(22, 78, GetSysColor(COLOR_BTNTEXT)), 5);

  // Without the grip the corner is plain background.
  bar.SetSizeGrip(false);
  bar.PaintTo(dc);
  EXPECT_EQ(at(kWidth - 4, 17), back);
  EXPECT_EQ(at(kWidth - 20, 4), back);
  DeleteObject(SelectObject(dc, old));
  DeleteDC(dc);
}

TEST_F(BtnStatusBarTest, ThePaintReachesTheScreen) {
  POINT p{Centre(3), 10};
  ClientToScreen(bar.Handle(), &p);
  SetCursorPos(p.x, p.y);
  Send(WM_MOUSEMOVE, Centre(3), 10);
  test::SaveShot(host, "btnstatusbar-function-keys");
  RedrawWindow(host, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
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
  MoveWindow(bar.Handle(), 0, 40, 420, TBtnStatusBar::kHeight, TRUE);
  test::SaveShot(host, "btnstatusbar-narrow");
}

}  // namespace
}  // namespace quill
