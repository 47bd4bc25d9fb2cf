// The drive window and the network browser, shown for real: a script of posted keys runs from a
// timer inside the window's own modal loop, and the tests read the outcome afterwards.
#include "drivewin/DriveWindow.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "base/Text.h"
#include "drivewin/NetworkWindow.h"
#include "fileview/ShellUtils.h"
#include "platform/Utf16.h"
#include "platform/Win32FileSystem.h"
#include "tests/win32/TestSupport.h"

namespace quill {
namespace {

// Runs steps from a thread timer while a modal loop (ours or a message box's) dispatches; each
// step is repeated until it reports done. Past the time limit every window the script may have
// opened is closed, so a stuck step fails the test instead of hanging the run.
class TScript {
public:
  using TStep = std::function<bool()>;

  explicit TScript(std::vector<TStep> steps, DWORD limit = 15000)
      : steps_(std::move(steps)), limit_(limit), started_(GetTickCount()) {
    current_ = this;
    timer_ = SetTimer(nullptr, 0, 30, Tick);
  }
  ~TScript() {
    KillTimer(nullptr, timer_);
    current_ = nullptr;
  }
  TScript(const TScript&) = delete;
  TScript& operator=(const TScript&) = delete;

  bool Finished() const { return next_ == steps_.size(); }
  bool TimedOut() const { return timedOut_; }

private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (current_ && !current_->running_) current_->Run();
  }
  void Run() {
    running_ = true;
    if (GetTickCount() - started_ > limit_) {
      timedOut_ = true;
      CloseEverything();
    } else if (next_ < steps_.size() && steps_[next_]()) {
      ++next_;
    }
    running_ = false;
  }
  static BOOL CALLBACK CloseOne(HWND hwnd, LPARAM) {
    PostMessageW(hwnd, WM_CLOSE, 0, 0);
    return TRUE;
  }
  static void CloseEverything() { EnumThreadWindows(GetCurrentThreadId(), CloseOne, 0); }

  std::vector<TStep> steps_;
  DWORD limit_;
  DWORD started_;
  size_t next_ = 0;
  UINT_PTR timer_ = 0;
  bool running_ = false;
  bool timedOut_ = false;
  static inline TScript* current_ = nullptr;
};

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  return name;
}

std::string WindowText(HWND hwnd) {
  wchar_t text[1024] = {};
  GetWindowTextW(hwnd, text, 1024);
  return Narrow(text);
}

struct TSearch {
  const wchar_t* className;
  HWND owner;
  HWND found;
};

BOOL CALLBACK MatchShown(HWND hwnd, LPARAM data) {
  auto* search = reinterpret_cast<TSearch*>(data);
  if (!IsWindowVisible(hwnd) || ClassOf(hwnd) != search->className) return TRUE;
  if (search->owner && GetWindow(hwnd, GW_OWNER) != search->owner) return TRUE;
  search->found = hwnd;
  return FALSE;
}

// A visible top-level window of this thread with the class name, owned by `owner` when given.
HWND FindShown(const wchar_t* className, HWND owner = nullptr) {
  TSearch search{className, owner, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), MatchShown, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

BOOL CALLBACK KeepLongestStatic(HWND child, LPARAM data) {
  auto* best = reinterpret_cast<std::string*>(data);
  if (ClassOf(child) == L"Static") {
    const std::string text = WindowText(child);
    if (text.size() > best->size()) *best = text;
  }
  return TRUE;
}

// The message of a message box: its longest static text.
std::string MessageBoxText(HWND box) {
  std::string longest;
  EnumChildWindows(box, KeepLongestStatic, reinterpret_cast<LPARAM>(&longest));
  return longest;
}

void Key(HWND hwnd, UINT key) {
  PostMessageW(hwnd, WM_KEYDOWN, key, 1);
  PostMessageW(hwnd, WM_KEYUP, key, 0xC0000001);
}

void Char(HWND hwnd, wchar_t ch) { PostMessageW(hwnd, WM_CHAR, ch, 1); }

bool Shown(const TWindow& window) { return window.Handle() && IsWindowVisible(window.Handle()); }

// The pixels of a window (whole, or its client area) as the screen shows them.
class TWindowImage {
public:
  TWindowImage(HWND hwnd, bool whole) {
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    RECT r{};
    if (whole) GetWindowRect(hwnd, &r);
    else GetClientRect(hwnd, &r);
    width_ = r.right - r.left;
    height_ = r.bottom - r.top;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width_, -height_, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
    old_ = SelectObject(dc_, bitmap_);
    // The whole window is taken from the screen, which has the frame and the children on it.
    HWND from = whole ? nullptr : hwnd;
    HDC source = GetDC(from);
    BitBlt(dc_, 0, 0, width_, height_, source, whole ? r.left : 0, whole ? r.top : 0, SRCCOPY);
    ReleaseDC(from, source);
    GdiFlush();
  }
  ~TWindowImage() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  TWindowImage(const TWindowImage&) = delete;
  TWindowImage& operator=(const TWindowImage&) = delete;

  int Width() const { return width_; }
  int Height() const { return height_; }
  COLORREF At(int x, int y) const { return GetPixel(dc_, x, y); }
  // Pixels in the rectangle that differ from `background`.
  int CountOther(const RECT& r, COLORREF background) const {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) n += At(x, y) != background;
    return n;
  }
  // Saves a .bmp when the harness names a folder for looking at windows.
  void SaveFor(const char* name) const {
    const char* folder = std::getenv("QUILL_PANE_SNAPSHOTS");
    if (!folder || !*folder) return;
    const DWORD imageSize = static_cast<DWORD>(width_ * height_ * 4);
    BITMAPFILEHEADER file{0x4D42, static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + imageSize),
                          0, 0, sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)};
    BITMAPINFOHEADER header{sizeof(BITMAPINFOHEADER), width_, -height_, 1, 32, BI_RGB, imageSize, 0, 0, 0, 0};
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
    bytes.append(reinterpret_cast<const char*>(&header), sizeof header);
    bytes.append(static_cast<const char*>(bits_), imageSize);
    test::WriteBytes(std::string(folder) + "\\" + name + ".bmp", bytes);
  }

private:
  int width_ = 0, height_ = 0;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  void* bits_ = nullptr;
};

int RowOf(const std::vector<TDriveItem>& items, const std::string& id) {
  for (size_t i = 0; i < items.size(); ++i)
    if (items[i].Id == id) return static_cast<int>(i);
  return -1;
}

// The real file system, except that one drive has no medium in it.
class TNoMediumIn : public TWin32FileSystem {
public:
  explicit TNoMediumIn(char letter) : letter_(letter) {}
  bool VolumeLabel(const std::string& root, std::string& label) override {
    if (!root.empty() && UpperAscii(root[0]) == letter_) return false;
    return TWin32FileSystem::VolumeLabel(root, label);
  }

private:
  char letter_;
};

class DriveWindowTest : public ::testing::Test {
protected:
  // One owner for all tests: without a window manager Wine waits two seconds for every
  // captioned top-level window that goes away.
  static void SetUpTestSuite() {
    owner = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 80, 640, 480, nullptr,
                            nullptr, nullptr, nullptr);
  }
  static void TearDownTestSuite() { DestroyWindow(owner); }
  void SetUp() override { ASSERT_NE(owner, nullptr); }

  static inline HWND owner = nullptr;
  const std::string cd = test::TestDrive("QUILL_TEST_CDROM", "D:");
  const std::string removable = test::TestDrive("QUILL_TEST_REMOVABLE", "E:");
};

TEST_F(DriveWindowTest, WithTheNetworkRowHiddenTheLastRowIsADriveAndEnterChoosesIt) {
  TfDrive window;
  std::string value = "C:\\Windows";
  std::vector<TDriveItem> items;
  int preselected = -1;
  bool ownerDisabled = false;
  TScript script({
      [&] {
        if (!Shown(window)) return false;
        items = window.Items();
        preselected = window.Selected();
        ownerDisabled = !IsWindowEnabled(owner);
        Key(window.List(), VK_END);
        return true;
      },
      [&] {
        if (window.Selected() != static_cast<int>(items.size()) - 1) return false;
        Key(window.List(), VK_RETURN);
        return true;
      },
  });
  const int result = window.ShowModal(owner, value, nullptr, {}, "/");
  ASSERT_TRUE(script.Finished());
  ASSERT_FALSE(items.empty());
  EXPECT_EQ(RowOf(items, "/:"), -1);
  EXPECT_EQ(preselected, RowOf(items, "C:"));
  EXPECT_TRUE(ownerDisabled);
  EXPECT_TRUE(IsWindowEnabled(owner));
  EXPECT_EQ(result, mrOk);
  EXPECT_EQ(value, std::string(1, items.back().Id[0]));
  EXPECT_EQ(window.Handle(), nullptr);  // destroyed after use
}

TEST_F(DriveWindowTest, DigitsChooseWorkFoldersThatAreSet) {
  const std::array<std::string, 3> work = {"C:\\One", "C:\\Two", ""};
  TfDrive window;
  std::string value = "C:";
  bool openAfterThree = false;
  TScript script({
      [&] {
        if (!Shown(window)) return false;
        Char(window.List(), L'3');  // work folder 3 is not set
        return true;
      },
      [&] {
        openAfterThree = Shown(window);
        Char(window.List(), L'2');
        return true;
      },
  });
  const int result = window.ShowModal(owner, value, &work, {}, "");
  ASSERT_TRUE(script.Finished());
  EXPECT_TRUE(openAfterThree);
  EXPECT_EQ(result, mrOk);
  EXPECT_EQ(value, "C:\\Two");
}

TEST_F(DriveWindowTest, TestDrivesShowTheirLabelsAndTheSelectionDrivesStatusAndButtons) {
  const std::array<std::string, 3> work = {"", "", "C:\\windows\\system32"};
  TfDrive window;
  std::string value = removable + "\\";
  std::vector<TDriveItem> items;
  int selected = -1;
  std::string removableStatus, cdStatus;
  bool formatOnRemovable = false, formatOnCd = true, disconnectOnRemovable = true;
  int clientHeight = 0, expectedHeight = 0, selectedAfterRefresh = -1;
  TScript script({
      [&] {
        if (!Shown(window)) return false;
        items = window.Items();
        selected = window.Selected();
        removableStatus = window.StatusText();
        formatOnRemovable = window.CommandEnabled(TfDrive::cmFormat);
        disconnectOnRemovable = window.CommandEnabled(TfDrive::cmDisconnect);
        RECT client{}, toolBar{}, status{};
        GetClientRect(window.Handle(), &client);
        GetWindowRect(window.ToolBar(), &toolBar);
        GetWindowRect(window.StatusBar(), &status);
        clientHeight = client.bottom;
        expectedHeight = DriveClientHeight(static_cast<int>(items.size()), toolBar.bottom - toolBar.top,
                                           status.bottom - status.top);
        Key(window.List(), VK_UP);  // D: comes right before E:
        return true;
      },
      [&] {
        cdStatus = window.StatusText();
        formatOnCd = window.CommandEnabled(TfDrive::cmFormat);
        TWindowImage(window.Handle(), true).SaveFor("drive-window");
        // The rows as drawn: glyph, Id and label on the left, the grey line near the right.
        TWindowImage list(window.List(), false);
        const COLORREF background = GetSysColor(COLOR_WINDOW);
        const int lineX = list.Width() - 74;
        const int below = static_cast<int>(items.size()) * kDriveRowHeight + 2;
        if (below < list.Height()) {
          EXPECT_EQ(list.At(lineX, below), static_cast<COLORREF>(0xC0C0C0));
        }
        EXPECT_EQ(list.At(lineX, 10), static_cast<COLORREF>(0xC0C0C0));
        // Fixed drives show their size right of the line, other drives nothing there.
        const auto rowTop = [](int row) { return static_cast<LONG>(row * kDriveRowHeight); };
        const int fixedRow = RowOf(items, "C:"), floppyRow = RowOf(items, removable);
        EXPECT_GT(list.CountOther({6, rowTop(fixedRow) + 2, 22, rowTop(fixedRow) + 18}, background), 20);
        EXPECT_GT(list.CountOther({26, rowTop(fixedRow) + 2, 40, rowTop(fixedRow) + 18}, background), 5);
        EXPECT_GT(list.CountOther({lineX + 2, rowTop(fixedRow) + 2, list.Width() - 20, rowTop(fixedRow) + 18},
                                  background), 10);
        EXPECT_EQ(list.CountOther({list.Width() - 19, rowTop(fixedRow) + 2, list.Width(), rowTop(fixedRow) + 18},
                                  background), 0);
        EXPECT_EQ(list.CountOther({lineX + 2, rowTop(floppyRow) + 2, list.Width(), rowTop(floppyRow) + 18},
                                  background), 0);
        Key(window.List(), VK_F2);
        return true;
      },
      [&] {
        // A refresh reads the rows again and preselects the value once more.
        selectedAfterRefresh = window.Selected();
        Key(window.List(), VK_ESCAPE);
        return true;
      },
  });
  const int result = window.ShowModal(owner, value, &work, {}, "");
  ASSERT_TRUE(script.Finished());
  EXPECT_EQ(result, mrCancel);
  EXPECT_EQ(value, removable + "\\");  // unchanged by a cancel

  const int cdRow = RowOf(items, cd), removableRow = RowOf(items, removable);
  ASSERT_GE(cdRow, 0);
  ASSERT_EQ(removableRow, cdRow + 1);
  EXPECT_EQ(items[cdRow].Label, "QUILLCD");
  EXPECT_EQ(items[cdRow].DriveType, kDriveCdRom);
  EXPECT_EQ(items[removableRow].Label, "Floppy");
  EXPECT_EQ(items[removableRow].DriveType, kDriveRemovable);
  EXPECT_EQ(items[removableRow].Size, 0u);
  EXPECT_GT(items[RowOf(items, "C:")].Size, 0u);
  EXPECT_EQ(items[RowOf(items, "3:")].Label, "C:\\windows\\system32");
  EXPECT_EQ(items.back().Id, "/:");

  EXPECT_EQ(selected, removableRow);
  EXPECT_EQ(selectedAfterRefresh, removableRow);
  EXPECT_EQ(removableStatus, "Removable");
  EXPECT_TRUE(formatOnRemovable);
  EXPECT_FALSE(disconnectOnRemovable);
  EXPECT_EQ(cdStatus, "Compact Disk");
  EXPECT_FALSE(formatOnCd);
  EXPECT_EQ(clientHeight, expectedHeight);
}

TEST_F(DriveWindowTest, ADriveWithoutAMediumIsListedWithoutSizeAndStaysOpenAfterTheErrorBox) {
  TNoMediumIn fs(UpperAscii(cd[0]));
  TfDrive window({&fs, [](const std::string& root) { return DiskSize(root); }});
  std::string value = "C:";
  std::vector<TDriveItem> items;
  std::string boxCaption, boxText;
  bool openAfterBox = false;
  TScript script({
      [&] {
        if (!Shown(window)) return false;
        items = window.Items();
        Char(window.List(), static_cast<wchar_t>(LowerAscii(cd[0])));
        return true;
      },
      [&] {
        HWND box = FindShown(L"#32770", window.Handle());
        if (!box) return false;
        boxCaption = WindowText(box);
        boxText = MessageBoxText(box);
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        return true;
      },
      [&] {
        if (FindShown(L"#32770", window.Handle())) return false;
        openAfterBox = Shown(window) && IsWindowEnabled(window.Handle());
        Key(window.List(), VK_ESCAPE);
        return true;
      },
  });
  const int result = window.ShowModal(owner, value, nullptr, {}, "");
  ASSERT_TRUE(script.Finished());
  const int row = RowOf(items, cd);
  ASSERT_GE(row, 0);
  EXPECT_EQ(items[row].Size, 0u);
  EXPECT_EQ(items[row].Label, "CDROM");  // no label read from a drive that is not ready
  EXPECT_EQ(boxCaption, "Error");
  EXPECT_EQ(boxText, std::string(1, UpperAscii(cd[0])) + "Drive is not ready");
  EXPECT_TRUE(openAfterBox);
  EXPECT_EQ(result, mrCancel);
  EXPECT_EQ(value, "C:");
}

TEST_F(DriveWindowTest, TheNetworkRowOpensTheBrowserAndAnEmptyAnswerKeepsTheWindowOpen) {
  TfDrive window;
  std::string value = "C:";
  bool driveDisabled = false, driveOpenAfter = false;
  TScript script({
      [&] {
        if (!Shown(window)) return false;
        Char(window.List(), L'/');
        return true;
      },
      [&] {
        HWND browser = FindShown(L"QuillNetworkWindow", window.Handle());
        if (!browser) return false;
        driveDisabled = !IsWindowEnabled(window.Handle());
        Key(FindWindowExW(browser, nullptr, L"ListBox", nullptr), VK_ESCAPE);
        return true;
      },
      [&] {
        if (FindShown(L"QuillNetworkWindow")) return false;
        driveOpenAfter = Shown(window) && IsWindowEnabled(window.Handle());
        Key(window.List(), VK_ESCAPE);
        return true;
      },
  });
  const int result = window.ShowModal(owner, value, nullptr, {}, "");
  ASSERT_TRUE(script.Finished());
  EXPECT_TRUE(driveDisabled);
  EXPECT_TRUE(driveOpenAfter);
  EXPECT_EQ(result, mrCancel);
  EXPECT_EQ(value, "C:");
}

TEST_F(DriveWindowTest, ChooseDriveCentresOnTheOwnerOrOpensAtTheGivenPlace) {
  const std::array<std::string, 3> work{};
  RECT ownerRect{}, centred{}, placed{};
  GetWindowRect(owner, &ownerRect);
  std::string value = "D:";
  TScript script({
      [&] {
        HWND window = FindShown(L"QuillDriveWindow", owner);
        if (!window) return false;
        GetWindowRect(window, &centred);
        Char(FindWindowExW(window, nullptr, L"ListBox", nullptr), L'c');
        return true;
      },
  });
  EXPECT_EQ(ChooseDrive(owner, value, work, {}, ""), mrOk);
  EXPECT_TRUE(script.Finished());
  EXPECT_EQ(value, "C");
  EXPECT_NEAR((centred.left + centred.right) / 2, (ownerRect.left + ownerRect.right) / 2, 1);
  EXPECT_NEAR((centred.top + centred.bottom) / 2, (ownerRect.top + ownerRect.bottom) / 2, 1);

  TScript placedScript({
      [&] {
        HWND window = FindShown(L"QuillDriveWindow", owner);
        if (!window) return false;
        GetWindowRect(window, &placed);
        PostMessageW(window, WM_CLOSE, 0, 0);
        return true;
      },
  });
  EXPECT_EQ(ChooseDrive(owner, value, work, {false, 50, 60}, ""), mrCancel);
  EXPECT_TRUE(placedScript.Finished());
  EXPECT_EQ(placed.left, 50);
  EXPECT_EQ(placed.top, 60);
  EXPECT_EQ(value, "C");
}

class NetworkWindowTest : public DriveWindowTest {};

TEST_F(NetworkWindowTest, AnEmptyNeighbourhoodShowsAnEmptyListAndClosesCleanly) {
  for (const char* start : {"C:", "\\\\nosuchserver\\share"}) {
    SCOPED_TRACE(start);
    TfNetwork browser;
    int rows = -1, selected = 0;
    bool top = false, openAfterKeys = false;
    std::string status = "?", location;
    TScript script({
        [&] {
          if (!Shown(browser)) return false;
          rows = browser.RowCount();
          top = browser.AtTop();
          selected = browser.Selected();
          status = browser.StatusText();
          location = browser.LocationName();
          // Open, up and root on nothing change nothing.
          Key(browser.List(), VK_RETURN);
          Key(browser.List(), VK_BACK);
          Char(browser.List(), L'\\');
          SendMessageW(browser.Handle(), WM_COMMAND, TfNetwork::cmRoot, reinterpret_cast<LPARAM>(browser.ToolBar()));
          return true;
        },
        [&] {
          openAfterKeys = Shown(browser) && browser.RowCount() == 0;
          TWindowImage(browser.Handle(), true).SaveFor("network-window");
          Key(browser.List(), VK_ESCAPE);
          return true;
        },
    });
    EXPECT_EQ(browser.ShowModal(owner, start), "");
    ASSERT_TRUE(script.Finished());
    EXPECT_EQ(rows, 0);
    EXPECT_TRUE(top);
    EXPECT_EQ(selected, -1);
    EXPECT_EQ(status, "");
    EXPECT_FALSE(location.empty()) << "the neighbourhood itself was opened";
    EXPECT_TRUE(openAfterKeys);
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_EQ(browser.Handle(), nullptr);
  }
}

}  // namespace
}  // namespace quill
