// Scan benchmark: a folder of many files listed by a bare FindFirstFileW/FindNextFileW loop
// (the limit for a Win32 program) and by ScanFiles with sorting, in the same process, best of
// several runs each, with the memory the list takes. scripts/bench-scan runs it under Wine
// and puts the native `find` figure beside it.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "fileview/QuillView.h"
#include "platform/Utf16.h"
#include "platform/Win32FileSystem.h"
#include "platform/Win32Text.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

struct TBareEntry {
  std::wstring name;
  uint64_t size;
  uint64_t time;
  DWORD attributes;
};

size_t BareLoop(const std::wstring& folder) {
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

size_t PagefileUsage() {
  PROCESS_MEMORY_COUNTERS pmc{};
  pmc.cb = sizeof pmc;
  GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
  return pmc.PagefileUsage;
}

size_t PeakPagefileUsage() {
  PROCESS_MEMORY_COUNTERS pmc{};
  pmc.cb = sizeof pmc;
  GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
  return pmc.PeakPagefileUsage;
}

// Names of varied length, case and extension, some without one, some with several dots.
std::wstring MakeName(int i) {
  static const wchar_t* exts[] = {L".txt", L".doc", L".EXE", L".jpg", L".tar.gz", L"", L".c", L".Html", L".zip",
                                  L".mp3", L".dll", L".ini"};
  static const wchar_t* stems[] = {L"report", L"Photo", L"data", L"setup", L"Readme", L"backup", L"x", L"archive"};
  std::wstring name = stems[(i * 7) % 8];
  name += L"_" + std::to_wstring((i * 7919) % 100003) + L"_" + std::to_wstring(i);
  if (i % 5 == 0) name += L"_long_descriptive_part";
  return name + exts[(i * 13) % 12];
}

int MakeFolder(const std::wstring& folder, int files, int folders) {
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring marker = folder + L"\\~bench-complete";
  if (GetFileAttributesW(marker.c_str()) != INVALID_FILE_ATTRIBUTES) return 0;
  const auto start = Clock::now();
  for (int i = 0; i < folders; ++i) CreateDirectoryW((folder + L"\\Folder " + std::to_wstring(i)).c_str(), nullptr);
  for (int i = 0; i < files; ++i) {
    HANDLE h = CreateFileW((folder + L"\\" + MakeName(i)).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 1;
    if (i % 3 == 0) {
      DWORD done;
      WriteFile(h, "0123456789", 1 + i % 10, &done, nullptr);
    }
    CloseHandle(h);
  }
  CloseHandle(CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  std::printf("made %d files and %d folders in %.1f s\n", files, folders, Seconds(start));
  return 0;
}

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

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::printf("usage: scan_bench FOLDER [FILES] [RUNS]\n");
    return 2;
  }
  const std::wstring folder = argv[1];
  const int files = argc > 2 ? _wtoi(argv[2]) : 100000;
  const int runs = argc > 3 ? _wtoi(argv[3]) : 3;
  if (MakeFolder(folder, files, 100) != 0) {
    std::printf("could not make the folder\n");
    return 1;
  }

  size_t bareCount = 0;
  const double bare = Best(runs, [&] { bareCount = BareLoop(folder); });

  using namespace quill;
  TQuillView view(TWin32FileSystem::Instance(), TAnsiCodePage::Instance());
  view.Files().SetCollator(TWin32Collator::Instance());
  view.SetSortType(fstName);
  const size_t before = PagefileUsage();
  view.SetFolder(Narrow(folder));
  const size_t listBytes = PagefileUsage() - before;
  const int count = view.Files().Count();

  // Each order is measured after a warm-up scan of its own, so neither pays for the other's
  // list being freed in a different order.
  view.ScanFiles();
  const double byName = Best(runs, [&] { view.ScanFiles(); });
  view.SetSortType(fstExt);
  view.ScanFiles();
  const double byExt = Best(runs, [&] { view.ScanFiles(); });
  view.SetSortType(fstNone);
  view.ScanFiles();
  const double unsorted = Best(runs, [&] { view.ScanFiles(); });
  const double sortOnly = Best(runs, [&] { view.Files().Sort(fstName); });
  view.SetSortType(fstName);

  std::printf("entries: bare loop %u, list %d (with drive entries and '..')\n", static_cast<unsigned>(bareCount), count);
  std::printf("bare FindFirstFileW loop      %.3f s\n", bare);
  std::printf("ScanFiles + Sort(fstName)     %.3f s  (%.2fx the bare loop)\n", byName, byName / bare);
  std::printf("ScanFiles + Sort(fstExt)      %.3f s  (%.2fx the bare loop)\n", byExt, byExt / bare);
  std::printf("ScanFiles unsorted (fstNone)  %.3f s  (%.2fx the bare loop)\n", unsorted, unsorted / bare);
  std::printf("Sort(fstName) alone           %.3f s\n", sortOnly);
  std::printf("list memory                   %.1f MiB\n", listBytes / 1048576.0);
  std::printf("peak process memory           %.1f MiB\n", PeakPagefileUsage() / 1048576.0);
  return 0;
}
