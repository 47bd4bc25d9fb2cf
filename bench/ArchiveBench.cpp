// Archive listing benchmark: a ZIP archive of many files in many folders, listed by TZip (the
// central directory read, the entries made, BuildFolders with the system's collation) and the
// folder-building step alone, best of several runs each. scripts/bench-archive makes the
// archive and puts Info-ZIP's `unzip -l` on the same file beside it.
#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "archive/Zip.h"
#include "platform/Utf16.h"
#include "platform/Win32FileSystem.h"
#include "platform/Win32Text.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

quill::TArchiveServices Services() {
  quill::TArchiveServices s;
  s.fileSystem = &quill::TWin32FileSystem::Instance();
  s.codePage = &quill::TAnsiCodePage::Instance();
  s.collator = &quill::TWin32Collator::Instance();
  return s;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: archive_bench ARCHIVE [RUNS]\n");
    return 2;
  }
  const std::string path = quill::Narrow(argv[1]);
  const int runs = argc > 2 ? _wtoi(argv[2]) : 3;
  double bestList = 1e9, bestBuild = 1e9, bestFill = 1e9;
  size_t files = 0, folders = 0;
  for (int run = 0; run < runs; ++run) {
    quill::TZip zip(Services());
    auto start = Clock::now();
    zip.Open(path);
    bestList = std::min(bestList, Seconds(start));
    if (zip.FileName.empty()) {
      std::fprintf(stderr, "archive_bench: listing failed (%d)\n", zip.ErrorCode);
      return 1;
    }
    files = zip.Files.size();
    folders = zip.Folders.size();

    // The folder step again on the same files (the bench archive stores no folder entries, so
    // every folder is made here).
    quill::TZip again(Services());
    again.Files = zip.Files;
    start = Clock::now();
    again.BuildFolders();
    bestBuild = std::min(bestBuild, Seconds(start));

    start = Clock::now();
    size_t shown = 0;
    for (const quill::TArchiveItem& folder : zip.Folders) {
      if (!zip.ChangeFolder("\\" + folder.path)) return 1;
      quill::TFiles list;
      zip.FillList(list);
      shown += list.Count();
      if (shown > 200000) break;
    }
    bestFill = std::min(bestFill, Seconds(start) / static_cast<double>(folders ? folders : 1));
  }
  std::printf("entries                       %zu files, %zu folders\n", files, folders);
  std::printf("TZip Open (list + folders)    %.3f s\n", bestList);
  std::printf("BuildFolders alone            %.3f s\n", bestBuild);
  std::printf("FillList per folder           %.6f s\n", bestFill);
  // The whole process at its largest: the archive object, its entries and the runtime.
  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof memory;
  if (GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory))
    std::printf("peak working set              %.1f MiB\n", static_cast<double>(memory.PeakWorkingSetSize) / 1048576.0);
  return 0;
}
