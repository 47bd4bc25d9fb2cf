// Paint benchmark: the file pane in a real top-level window, showing a large and a small folder.
// For each folder, in the same process: the bare FindFirstFileW loop (the limit for a Win32
// program), ScanFiles with sorting, the time from SetFolder to the first page on the screen
// and the median repaint of one Page Down, with icons off and on. A pane that paints only its
// page should page through 100,000 entries about as fast as through a hundred, and show the
// first page not long after the scan. scripts/bench-paint runs it under Wine.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/BenchWindow.h"
#include "fileview/FileViewWindow.h"
#include "fileview/QuillView.h"
#include "platform/Utf16.h"
#include "platform/Win32FileSystem.h"
#include "platform/Win32Text.h"
#include "ui/Window.h"

namespace {

using namespace quill;
using bench::Pump;
using bench::THostWindow;
using Clock = std::chrono::steady_clock;

constexpr int kClientWidth = 1000;
constexpr int kClientHeight = 500;
// Two fixed columns: pages small enough that even the small folder has several of them.
constexpr int kColumns = 2;
constexpr int kPresses = 30;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

template <typename F>
double Best(int runs, F&& work) {
  double best = 1e9;
  for (int i = 0; i < runs; ++i) {
    const auto start = Clock::now();
    work();
    best = std::min(best, Seconds(start));
  }
  return best;
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t mid = values.size() / 2;
  return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

size_t BareLoop(const std::wstring& folder) {
  struct TBareEntry {
    std::wstring name;
    uint64_t size;
    uint64_t time;
    DWORD attributes;
  };
  std::vector<TBareEntry> entries;
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileExW((folder + L"\\*.*").c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                 FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE) return 0;
  do {
    entries.push_back({data.cFileName, (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow,
                       (uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime,
                       data.dwFileAttributes});
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return entries.size();
}

bool HasUpdate(HWND hwnd) { return GetUpdateRect(hwnd, nullptr, FALSE) != FALSE; }

struct TFigures {
  int entries = 0;
  size_t bareCount = 0;
  double bare = 0;
  double scanSort = 0;
  double firstPage[2] = {0, 0};    // icons off, on
  double firstVisit[2] = {0, 0};   // the same, the first time: nothing measured or asked yet
  double pageDown[2] = {0, 0};     // median, icons off, on
  double paintTo[2] = {0, 0};      // median PaintTo into a memory bitmap, icons off, on
  int pages = 0;
  int rowsPerPage = 0;
  int missedPaints = 0;  // presses after which the window had nothing to repaint
  int stuckPresses = 0;  // presses that did not move to another page
};

// The first page: SetFolder, then the WM_PAINT it asked for handled at once (BeginPaint, the
// off-screen bitmap, the BitBlt to the window), as the message loop would do next.
double FirstPage(TFileViewWindow& pane, TQuillView& view, const std::string& folder, int runs, int& missed) {
  return Best(runs, [&] {
    view.SetFolder(folder);
    if (!HasUpdate(pane.Handle())) ++missed;
    UpdateWindow(pane.Handle());
  });
}

void PressUntimed(HWND hwnd, WPARAM key) {
  SendMessageW(hwnd, WM_KEYDOWN, key, 0);
  UpdateWindow(hwnd);
}

// Page Down from the page's last entry, which is what moves a whole page; at the end of the
// list the focus goes back to the start (untimed) and the walk carries on.
void PageDowns(TFileViewWindow& pane, TQuillView& view, TFigures& f, int icon) {
  const HWND hwnd = pane.Handle();
  std::vector<double> times;
  PressUntimed(hwnd, VK_HOME);
  PressUntimed(hwnd, VK_NEXT);
  while (static_cast<int>(times.size()) < kPresses) {
    if (view.ItemIndex() >= view.Files().Count() - 1) {
      PressUntimed(hwnd, VK_HOME);
      PressUntimed(hwnd, VK_NEXT);
    }
    Pump();
    const int before = pane.FirstVisible();
    const auto start = Clock::now();
    SendMessageW(hwnd, WM_KEYDOWN, VK_NEXT, 0);
    if (!HasUpdate(hwnd)) ++f.missedPaints;
    UpdateWindow(hwnd);
    times.push_back(Seconds(start));
    if (pane.FirstVisible() == before) ++f.stuckPresses;
  }
  f.pageDown[icon] = Median(times);

  // The same page drawn straight into a memory bitmap, for comparison with the window path.
  HDC screen = GetDC(hwnd);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, kClientWidth, kClientHeight);
  HGDIOBJ old = SelectObject(memory, bitmap);
  std::vector<double> direct;
  for (int i = 0; i < kPresses; ++i) {
    const auto start = Clock::now();
    pane.PaintTo(memory);
    GdiFlush();
    direct.push_back(Seconds(start));
  }
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(hwnd, screen);
  f.paintTo[icon] = Median(direct);
}

TFigures Measure(TFileViewWindow& pane, TQuillView& view, const std::wstring& folder, int runs, int& missedFirst) {
  TFigures f;
  f.bare = Best(runs, [&] { f.bareCount = BareLoop(folder); });

  // ScanFiles with sorting on a model of its own, with no window listening, as scan_bench does.
  {
    TQuillView detached(TWin32FileSystem::Instance(), TAnsiCodePage::Instance());
    detached.Files().SetCollator(TWin32Collator::Instance());
    detached.SetSortType(fstName);
    detached.SetFolder(Narrow(folder));
    detached.ScanFiles();
    f.scanSort = Best(runs, [&] { detached.ScanFiles(); });
  }

  const std::string path = Narrow(folder);
  for (int icon = 0; icon < 2; ++icon) {
    pane.SetViewIcon(icon == 1);
    // Leaves the previous folder's list behind, so every timed SetFolder replaces a list. Timed
    // on its own too: the icons of folders are asked per path, once, on this first visit.
    const auto visit = Clock::now();
    view.SetFolder(path);
    UpdateWindow(pane.Handle());
    f.firstVisit[icon] = Seconds(visit);
    Pump();
    f.firstPage[icon] = FirstPage(pane, view, path, runs, missedFirst);
    Pump();
    PageDowns(pane, view, f, icon);
  }
  f.entries = view.Files().Count();
  f.pages = pane.PageCount();
  f.rowsPerPage = pane.RowsPerPage();
  return f;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::printf("usage: paint_bench LARGE-FOLDER SMALL-FOLDER [RUNS]\n");
    return 2;
  }
  const std::wstring large = argv[1];
  const std::wstring small = argv[2];
  const int runs = argc > 3 ? std::max(1, _wtoi(argv[3])) : 3;
  for (const std::wstring& folder : {large, small}) {
    if (GetFileAttributesW((folder + L"\\~bench-complete").c_str()) == INVALID_FILE_ATTRIBUTES) {
      std::printf("not a complete bench folder: %ls\n", folder.c_str());
      return 1;
    }
  }

  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  OleInitialize(nullptr);
  int status = 0;
  {
    TQuillView view(TWin32FileSystem::Instance(), TAnsiCodePage::Instance());
    view.Files().SetCollator(TWin32Collator::Instance());
    view.SetSortType(fstName);
    THostWindow host;
    TFileViewWindow pane(view);
    if (!host.Create(kClientWidth, kClientHeight) || !pane.Create(host.Handle(), 0, 0, kClientWidth, kClientHeight)) {
      std::printf("could not create the windows\n");
      return 1;
    }
    // The pane's client area is the one measured; its edge and scroll bar come on top.
    RECT client, window;
    GetClientRect(pane.Handle(), &client);
    GetWindowRect(pane.Handle(), &window);
    const int paneWidth = kClientWidth + (window.right - window.left) - client.right;
    const int paneHeight = kClientHeight + (window.bottom - window.top) - client.bottom;
    MoveWindow(pane.Handle(), 0, 0, paneWidth, paneHeight, TRUE);
    RECT hostRect{0, 0, paneWidth, paneHeight};
    AdjustWindowRectEx(&hostRect, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, FALSE, 0);
    SetWindowPos(host.Handle(), nullptr, 0, 0, hostRect.right - hostRect.left, hostRect.bottom - hostRect.top,
                 SWP_NOMOVE | SWP_NOZORDER);
    pane.SetColumn(kColumns);
    ShowWindow(host.Handle(), SW_SHOWNORMAL);
    SetForegroundWindow(host.Handle());
    SetFocus(pane.Handle());
    UpdateWindow(host.Handle());
    Pump();
    GetClientRect(pane.Handle(), &client);

    int missedFirst = 0;
    const TFigures big = Measure(pane, view, large, runs, missedFirst);
    const TFigures little = Measure(pane, view, small, runs, missedFirst);

    std::printf("pane client %ldx%ld, %d fixed columns (so Page Down moves a page in both folders), sort by name\n",
                client.right, client.bottom, kColumns);
    std::printf("first page = SetFolder, then UpdateWindow on the pane: a real WM_PAINT (BeginPaint, off-screen\n"
                "bitmap, BitBlt to the window); Page Down = WM_KEYDOWN VK_NEXT sent, then UpdateWindow,\n"
                "median of %d presses that each move a page; PaintTo = the page drawn into a memory bitmap.\n"
                "Best of %d for the loop, the scan and the first page; the first visit is one run before\n"
                "those, with nothing on its page measured or asked of the shell yet.\n\n",
                kPresses, runs);
    std::printf("%-34s %14s %14s\n", "", "large folder", "small folder");
    auto row = [](const char* name, double a, double b) { std::printf("%-34s %11.2f ms %11.2f ms\n", name, a * 1e3, b * 1e3); };
    std::printf("%-34s %14d %14d\n", "entries in the list", big.entries, little.entries);
    std::printf("%-34s %14d %14d\n", "rows per page", big.rowsPerPage, little.rowsPerPage);
    std::printf("%-34s %14d %14d\n", "pages", big.pages, little.pages);
    row("bare FindFirstFileW loop", big.bare, little.bare);
    row("ScanFiles + Sort(fstName)", big.scanSort, little.scanSort);
    row("first painted page, icons off", big.firstPage[0], little.firstPage[0]);
    row("first painted page, icons on", big.firstPage[1], little.firstPage[1]);
    row("first visit's first page, icons off", big.firstVisit[0], little.firstVisit[0]);
    row("first visit's first page, icons on", big.firstVisit[1], little.firstVisit[1]);
    row("Page Down repaint, icons off", big.pageDown[0], little.pageDown[0]);
    row("Page Down repaint, icons on", big.pageDown[1], little.pageDown[1]);
    row("PaintTo memory DC, icons off", big.paintTo[0], little.paintTo[0]);
    row("PaintTo memory DC, icons on", big.paintTo[1], little.paintTo[1]);

    std::printf("\nratios (large folder)                          measured   target\n");
    std::printf("Page Down repaint large/small, icons off       %7.2fx   <= 1.5x\n", big.pageDown[0] / little.pageDown[0]);
    std::printf("Page Down repaint large/small, icons on        %7.2fx   <= 1.5x\n", big.pageDown[1] / little.pageDown[1]);
    std::printf("first page / ScanFiles+Sort, icons off         %7.2fx   <= 2x\n", big.firstPage[0] / big.scanSort);
    std::printf("first page / ScanFiles+Sort, icons on          %7.2fx   <= 2x\n", big.firstPage[1] / big.scanSort);

    std::printf("\nchecks: bare loop saw %u and %u names; shell icon lookups %d; "
                "first pages with nothing to repaint %d; presses with nothing to repaint %d; "
                "presses that stayed on their page %d\n",
                static_cast<unsigned>(big.bareCount), static_cast<unsigned>(little.bareCount),
                pane.SmallImages().ShellLookups(), missedFirst, big.missedPaints + little.missedPaints,
                big.stuckPresses + little.stuckPresses);
    if (missedFirst || big.missedPaints || little.missedPaints || big.stuckPresses || little.stuckPresses) status = 3;
  }
  OleUninitialize();
  return status;
}
