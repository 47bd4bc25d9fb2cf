// Folder tree benchmark, in one run:
//  1. a full scan of a folder tree (about 20,000 folders) as the tree window reads a drive (the
//     scan into cache lines and the load into the list), beside a bare FindFirstFileExW
//     recursion that only collects the folder names, best of N each;
//  2. the tree window opened on a drive whose cache holds 100,000 folders: from the drive switch
//     (cache read, rows laid out) to the first page painted;
//  3. with that tree shown: focus moves by arrow keys, and expand and collapse of a folder
//     holding a tenth of the tree, each timed alone (median and worst).
// scripts/bench-tree makes the folders natively and prints `find -type d` beside these.
//   tree_bench.exe <folder tree, or - to skip the scan> <scratch folder> [runs]
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "fileview/ShellUtils.h"
#include "platform/Utf16.h"
#include "platform/Win32FileSystem.h"
#include "platform/Win32Text.h"
#include "tree/TreeCache.h"
#include "tree/TreeScan.h"
#include "tree/TreeWindow.h"

namespace {

using quill::Narrow;
using quill::Widen;
using Clock = std::chrono::steady_clock;

// This thread's processor time in ms: on a machine shared with other work the wall clock also
// counts the time others had the processor.
double CpuMs() {
  FILETIME created, exited, kernel, user;
  GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
  auto value = [](const FILETIME& t) { return (uint64_t(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 10000.0; };
  return value(kernel) + value(user);
}

double Ms(Clock::time_point since) { return std::chrono::duration<double, std::milli>(Clock::now() - since).count(); }

class TNoQuestions : public quill::IQuestions {
public:
  bool ShowError(uint32_t, const std::string&, bool) override { return Fail("error"); }
  int Message(const std::string& text, const std::string&, quill::TMessageButtons, quill::TMessageIcon) override {
    std::fprintf(stderr, "unexpected message: %s\n", text.c_str());
    std::exit(3);
  }
  int AskText(const std::string&, const std::string&, std::string&, bool, int) override { return Fail("text"); }
  int ChooseDrive(std::string&, const std::array<std::string, 3>&, const quill::TDialogPlace&,
                  const std::string&) override {
    return Fail("drive");
  }
  std::string ChooseFolder(const std::string&, const std::string&, const std::vector<std::string>&,
                           const std::string&) override {
    Fail("folder");
    return {};
  }
  std::string BrowseNetwork(const std::string&) override {
    Fail("network");
    return {};
  }
  uint32_t AskFileExists(const std::string&, std::string&, bool, bool) override { return Fail("conflict"); }
  int AskDelete(const std::string&, int, bool) override { return Fail("delete"); }

private:
  static int Fail(const char* what) {
    std::fprintf(stderr, "unexpected %s question\n", what);
    std::exit(3);
  }
};

// What any program must do to learn a tree's folders: list every folder, keep the names.
void BareWalk(const std::wstring& folder, std::vector<std::wstring>& names) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                 FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
    if (data.cFileName[0] == L'.' && (!data.cFileName[1] || (data.cFileName[1] == L'.' && !data.cFileName[2])))
      continue;
    names.emplace_back(data.cFileName);
    BareWalk(folder + L"\\" + data.cFileName, names);
  } while (FindNextFileW(find, &data));
  FindClose(find);
}

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

struct TStats {
  double median;
  double worst;
};

TStats Summary(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  return {times[times.size() / 2], times.back()};
}

// 10 first-level folders of 100 folders of 99: 100,010 folders below the root, all expanded.
std::vector<std::string> BigTreeLines() {
  std::vector<std::string> lines{quill::TreeLine(true, 0, "C:")};
  for (int a = 0; a < 10; ++a) {
    lines.push_back(quill::TreeLine(true, 1, "Area " + std::to_string(a)));
    for (int b = 0; b < 100; ++b) {
      lines.push_back(quill::TreeLine(true, 2, "Project " + std::to_string(b)));
      for (int c = 0; c < 99; ++c) lines.push_back(quill::TreeLine(true, 3, "Folder " + std::to_string(c)));
    }
  }
  return lines;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::printf("usage: tree_bench FOLDER-TREE SCRATCH [RUNS]\n");
    return 2;
  }
  const std::wstring tree = argv[1];
  const std::string scratch = Narrow(argv[2]);
  const int runs = argc > 3 ? _wtoi(argv[3]) : 3;
  using namespace quill;

  // 1. Full scan.
  double bare = 1e9;
  size_t bareCount = 0;
  double ours = 1e9;
  int ourCount = 0;
  for (int i = 0; i < runs && tree != L"-"; ++i) {
    // Alternating which goes first, so neither always finds the other's warm caches.
    for (int which = 0; which < 2; ++which) {
      if ((which + i) % 2 == 0) {
        const auto start = Clock::now();
        std::vector<std::wstring> names;
        BareWalk(tree, names);
        bare = std::min(bare, Ms(start));
        bareCount = names.size();
      } else {
        const auto start = Clock::now();
        TTreeScanner scanner(TWin32FileSystem::Instance());
        TTreeItems items(nullptr, TWin32Collator::Instance());
        scanner.ScanTree(Narrow(tree), items);
        ours = std::min(ours, Ms(start));
        ourCount = items.Count - 1;
      }
    }
  }
  std::printf("full scan: bare loop found %u folders, the tree scan %d\n", static_cast<unsigned>(bareCount), ourCount);
  std::printf("bare FindFirstFileExW recursion     %8.1f ms\n", bare);
  std::printf("tree scan + load (ScanTree)         %8.1f ms  (%.2fx the bare loop)\n", ours, ours / bare);

  // 2. The tree window on a cache of 100,000 folders.
  CreateDirectoryW(Widen(scratch).c_str(), nullptr);
  const std::string program = scratch + "\\";
  {
    HANDLE ini = CreateFileW(Widen(program + "quill.ini").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    const std::string text = "[Option]\r\nTreeRoot=0\r\nTreePath=" + scratch + "\r\n";
    DWORD written = 0;
    WriteFile(ini, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(ini);
  }
  const std::string cacheFile = TreeCacheFile("C:", scratch, false);
  {
    TTreeItems big(nullptr, TWin32Collator::Instance());
    big.LoadFromStrings(BigTreeLines());
    if (big.SaveToFile(TWin32FileSystem::Instance(), TAnsiCodePage::Instance(), cacheFile) != 0) {
      std::printf("could not write %s\n", cacheFile.c_str());
      return 1;
    }
  }
  double loadOnly = 1e9;
  for (int i = 0; i < runs; ++i) {
    TTreeItems items(nullptr, TWin32Collator::Instance());
    const auto start = Clock::now();
    LoadTreeCache(items, TWin32FileSystem::Instance(), TAnsiCodePage::Instance(), cacheFile, "C:");
    loadOnly = std::min(loadOnly, Ms(start));
  }
  TNoQuestions questions;
  std::vector<double> opens;
  std::vector<double> moves;
  std::vector<double> expands;
  std::vector<double> collapses;
  double openCpu = 0, moveCpu = 0, expandCpu = 0, collapseCpu = 0;
  int folders = 0;
  for (int i = 0; i < runs; ++i) {
    TfTree window(questions, program);
    window.Create(nullptr, "Folder Tree");
    ShowWindow(window.Handle(), SW_SHOW);
    Pump();
    TQuillFolderView& view = window.FolderView();
    const auto start = Clock::now();
    double cpu = CpuMs();
    view.SetDrive("C:");
    UpdateWindow(view.Handle());
    opens.push_back(Ms(start));
    openCpu += CpuMs() - cpu;
    folders = view.Items().Count - 1;
    Pump();

    HWND handle = view.Handle();
    cpu = CpuMs();
    for (int step = 0; step < 100; ++step) {
      const WPARAM key = step < 40 ? VK_DOWN : step < 60 ? VK_RIGHT : step < 80 ? VK_UP : VK_LEFT;
      const auto moveStart = Clock::now();
      SendMessageW(handle, WM_KEYDOWN, key, 0);
      moves.push_back(Ms(moveStart));
    }
    moveCpu += CpuMs() - cpu;
    // The first area holds a tenth of the tree: collapsing it renumbers the rows of the rest.
    TTreeItem* area = view.Items().Root->FirstChild;
    view.SetFocused(area);
    for (int step = 0; step < 10; ++step) {
      auto t = Clock::now();
      cpu = CpuMs();
      area->SetExpanded(false);
      collapses.push_back(Ms(t));
      collapseCpu += CpuMs() - cpu;
      t = Clock::now();
      cpu = CpuMs();
      area->SetExpanded(true);
      expands.push_back(Ms(t));
      expandCpu += CpuMs() - cpu;
    }
    Pump();
  }
  const TStats open = Summary(opens);
  const TStats move = Summary(moves);
  const TStats expand = Summary(expands);
  const TStats collapse = Summary(collapses);
  std::printf("tree window on a cache of %d folders (target: first page < 200 ms, each step < 16 ms)\n", folders);
  std::printf("drive switch to first page painted  %8.1f ms median, %.1f ms worst of %d; %.1f ms processor\n",
              open.median, open.worst, runs, openCpu / runs);
  std::printf("  of which the cache read alone      %8.1f ms best (LoadTreeCache)\n", loadOnly);
  std::printf("focus move by arrow key             %8.2f ms median, %.2f ms worst of %u; %.2f ms processor each\n",
              move.median, move.worst, static_cast<unsigned>(moves.size()), moveCpu / moves.size());
  std::printf("expand a tenth of the tree          %8.2f ms median, %.2f ms worst of %u; %.2f ms processor each\n",
              expand.median, expand.worst, static_cast<unsigned>(expands.size()), expandCpu / expands.size());
  std::printf("collapse it                         %8.2f ms median, %.2f ms worst of %u; %.2f ms processor each\n",
              collapse.median, collapse.worst, static_cast<unsigned>(collapses.size()),
              collapseCpu / collapses.size());
  DeleteFileW(Widen(cacheFile).c_str());
  return 0;
}
