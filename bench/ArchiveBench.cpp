// Archive benchmarks, run under Wine by scripts/bench-archive, which puts Info-ZIP's tools on
// the same files beside them.
//
//   archive_bench list ARCHIVE [RUNS]
//     A ZIP of many files in many folders as the main window shows it: TZip's Open (the central
//     directory read, the entries made, BuildFolders with the system's collation), then the root
//     filled into the file pane and its first page painted; BuildFolders and FillList alone;
//     the process's peak working set.
//   archive_bench extract ARCHIVE SCRATCH [RUNS]
//     The archive's largest entry (deflated) extracted by TZip through UNZDLL.DLL, beside a bare
//     zlib inflate-and-write loop over the same bytes in the same process: the least any
//     extraction must do.
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "archive/Zip.h"
#include "archive/ZipLibraries.h"
#include "archivers/zipformat/ZipFormat.h"
#include "bench/BenchWindow.h"
#include "fileview/FileViewWindow.h"
#include "fileview/QuillView.h"
#include "platform/Utf16.h"
#include "platform/Win32FileSystem.h"
#include "platform/Win32Text.h"

namespace {

using namespace quill;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

TArchiveServices Services() {
  TArchiveServices s;
  s.fileSystem = &TWin32FileSystem::Instance();
  s.codePage = &TAnsiCodePage::Instance();
  s.collator = &TWin32Collator::Instance();
  return s;
}

double WorkingSetMiB(bool peak) {
  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof memory;
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory)) return 0;
  return static_cast<double>(peak ? memory.PeakWorkingSetSize : memory.WorkingSetSize) / 1048576.0;
}

// The main window's way into an archive: open it, the pane in owner-data mode filled with ".."
// and the root's entries, the first page painted.
double OpenAndPaint(const std::string& path, TQuillView& view, TFileViewWindow& pane, size_t& shown,
                    double (&stages)[3]) {
  TZip zip(Services());
  view.OnOwnerData = [&](bool& handled) {
    TFiles& files = view.Files();
    files.Clear();
    files.AddEntry("..", std::string(), faDirectory, 0, 0);
    zip.FillList(files);
    handled = true;
  };
  const auto start = Clock::now();
  zip.Open(path);
  zip.ChangeFolder("");
  const auto listed = Clock::now();
  view.SetOwnerData(true);
  view.Refresh(std::string(), false);
  view.SetFolder(path);
  const auto filled = Clock::now();
  UpdateWindow(pane.Handle());
  const double seconds = Seconds(start);
  stages[0] = std::chrono::duration<double>(listed - start).count();
  stages[1] = std::chrono::duration<double>(filled - listed).count();
  stages[2] = Seconds(filled);
  shown = view.Files().Count();
  view.OnOwnerData = nullptr;
  view.SetOwnerData(false);
  return zip.FileName.empty() ? -1 : seconds;
}

int List(const std::string& path, int runs) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  TQuillView view(TWin32FileSystem::Instance(), TAnsiCodePage::Instance());
  view.Files().SetCollator(TWin32Collator::Instance());
  bench::THostWindow host;
  TFileViewWindow pane(view);
  if (!host.Create(1000, 500) || !pane.Create(host.Handle(), 0, 0, 1000, 500)) {
    std::fprintf(stderr, "archive_bench: could not create the windows\n");
    return 1;
  }
  ShowWindow(host.Handle(), SW_SHOWNORMAL);
  UpdateWindow(host.Handle());
  bench::Pump();
  const double before = WorkingSetMiB(false);

  double bestList = 1e9, bestPaint = 1e9, bestBuild = 1e9, bestFill = 1e9;
  double bestStages[3] = {0, 0, 0};  // of the best open: list, fill the pane, paint
  size_t files = 0, folders = 0, shown = 0;
  // What the user's process holds with the archive on the screen, before the steps below keep
  // extra copies of the entries.
  double paneMemory = 0;
  for (int run = 0; run < runs; ++run) {
    double stages[3] = {0, 0, 0};
    const double painted = OpenAndPaint(path, view, pane, shown, stages);
    if (painted < 0) {
      std::fprintf(stderr, "archive_bench: listing failed\n");
      return 1;
    }
    if (painted < bestPaint) std::copy(stages, stages + 3, bestStages);
    bestPaint = std::min(bestPaint, painted);
    bench::Pump();
    if (run == 0) paneMemory = WorkingSetMiB(true);

    TZip zip(Services());
    auto start = Clock::now();
    zip.Open(path);
    bestList = std::min(bestList, Seconds(start));
    files = zip.Files.size();
    folders = zip.Folders.size();

    // The folder step again on the same files (the bench archive stores no folder entries, so
    // every folder is made here).
    TZip again(Services());
    again.Files = zip.Files;
    start = Clock::now();
    again.BuildFolders();
    bestBuild = std::min(bestBuild, Seconds(start));

    start = Clock::now();
    size_t filled = 0;
    for (const TArchiveItem& folder : zip.Folders) {
      if (!zip.ChangeFolder("\\" + folder.path)) return 1;
      TFiles list;
      zip.FillList(list);
      filled += list.Count();
      if (filled > 200000) break;
    }
    bestFill = std::min(bestFill, Seconds(start) / static_cast<double>(folders ? folders : 1));
  }
  std::printf("entries                          %zu files, %zu folders\n", files, folders);
  std::printf("open to first page painted       %.3f s (root: %zu rows; list %.3f, fill %.3f, paint %.3f)\n",
              bestPaint, shown, bestStages[0], bestStages[1], bestStages[2]);
  std::printf("TZip Open (list + folders)       %.3f s\n", bestList);
  std::printf("BuildFolders alone               %.3f s\n", bestBuild);
  std::printf("FillList per folder              %.6f s\n", bestFill);
  std::printf("peak working set, archive shown  %.1f MiB (the whole process; %.1f MiB before the archive)\n",
              paneMemory, before);
  std::printf("peak working set, whole bench    %.1f MiB (two more copies of the entries)\n", WorkingSetMiB(true));
  return 0;
}

bool RemoveIfThere(const std::wstring& path) {
  return DeleteFileW(path.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
}

// Inflates `entry`'s bytes from `archive` into `target` with plain reads and writes: no CRC, no
// callbacks, no temporary name. Returns the bytes written, or -1.
int64_t BareInflate(const std::wstring& archive, uint64_t dataOffset, uint64_t packedSize,
                    const std::wstring& target) {
  constexpr size_t kChunk = 256 * 1024;
  HANDLE in = CreateFileW(archive.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  HANDLE out = CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (in == INVALID_HANDLE_VALUE || out == INVALID_HANDLE_VALUE) return -1;
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(dataOffset);
  SetFilePointerEx(in, at, nullptr, FILE_BEGIN);
  std::vector<unsigned char> packed(kChunk), plain(kChunk);
  z_stream z{};
  inflateInit2(&z, -MAX_WBITS);
  int64_t written = 0;
  uint64_t left = packedSize;
  int status = Z_OK;
  while (status != Z_STREAM_END) {
    if (z.avail_in == 0) {
      DWORD got = 0;
      const DWORD want = static_cast<DWORD>(std::min<uint64_t>(left, kChunk));
      if (want == 0 || !ReadFile(in, packed.data(), want, &got, nullptr) || got == 0) break;
      left -= got;
      z.next_in = packed.data();
      z.avail_in = got;
    }
    z.next_out = plain.data();
    z.avail_out = kChunk;
    status = inflate(&z, Z_NO_FLUSH);
    if (status != Z_OK && status != Z_STREAM_END) break;
    const DWORD produced = static_cast<DWORD>(kChunk - z.avail_out);
    DWORD put = 0;
    if (produced && (!WriteFile(out, plain.data(), produced, &put, nullptr) || put != produced)) break;
    written += produced;
  }
  inflateEnd(&z);
  CloseHandle(in);
  CloseHandle(out);
  return status == Z_STREAM_END ? written : -1;
}

int64_t FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

int Extract(const std::wstring& archive, const std::wstring& scratch, int runs) {
  int error = 0;
  std::unique_ptr<zipformat::IByteSource> source = zipformat::OpenFileSource(Narrow(archive), error);
  if (!source) return 1;
  const zipformat::Directory directory = zipformat::ReadDirectory(*source);
  if (directory.error || directory.entries.empty()) return 1;
  const zipformat::CentralEntry& entry =
      *std::max_element(directory.entries.begin(), directory.entries.end(),
                        [](const auto& a, const auto& b) { return a.unpackedSize < b.unpackedSize; });
  zipformat::LocalHeader local;
  if (entry.method != 8 || zipformat::ReadLocalHeader(*source, entry, directory.Shift(), local)) {
    std::fprintf(stderr, "archive_bench: the largest entry is not a readable deflated one\n");
    return 1;
  }
  source.reset();
  std::string name = entry.name;
  std::replace(name.begin(), name.end(), '/', '\\');
  const std::wstring ours = scratch + L"\\quill";
  const std::wstring oursFile = ours + L"\\" + Widen(name);
  const std::wstring bareFile = scratch + L"\\bare.out";
  CreateDirectoryW(scratch.c_str(), nullptr);
  CreateDirectoryW(ours.c_str(), nullptr);

  TWin32ZipLibraries libraries;
  double bestOurs = 1e9, bestBare = 1e9;
  uint64_t progressBytes = 0;
  auto runOurs = [&]() -> bool {
    TZip zip(Services(), &libraries);
    // What the progress dialog is given, without the drawing.
    zip.OnProgress = [&](TArchive&, TProgressKind kind, uint64_t value, const std::string&) {
      if (kind == pkBytes) progressBytes += value;
    };
    zip.Open(Narrow(archive));
    const auto start = Clock::now();
    zip.Extract(Narrow(ours));
    const double took = Seconds(start);
    if (FileSize(oursFile) != static_cast<int64_t>(entry.unpackedSize) || !zip.Problems.empty()) {
      std::fprintf(stderr, "archive_bench: TZip's extraction is incomplete\n");
      return false;
    }
    bestOurs = std::min(bestOurs, took);
    return true;
  };
  auto runBare = [&]() -> bool {
    const auto start = Clock::now();
    const int64_t bare = BareInflate(archive, local.dataOffset, entry.packedSize, bareFile);
    const double took = Seconds(start);
    if (bare != static_cast<int64_t>(entry.unpackedSize)) {
      std::fprintf(stderr, "archive_bench: the bare loop failed\n");
      return false;
    }
    bestBare = std::min(bestBare, took);
    return true;
  };
  for (int run = 0; run < runs; ++run) {
    if (!RemoveIfThere(oursFile) || !RemoveIfThere(bareFile)) return 1;
    // Each goes first in turn: the second of a pair writes while the first one's gigabyte is
    // still being flushed.
    const bool ok = run % 2 == 0 ? runOurs() && runBare() : runBare() && runOurs();
    if (!ok) return 1;
  }
  RemoveIfThere(oursFile);
  RemoveIfThere(bareFile);
  const double mib = static_cast<double>(entry.unpackedSize) / 1048576.0;
  std::printf("entry                            %s, %llu bytes from %llu packed\n", entry.name.c_str(),
              static_cast<unsigned long long>(entry.unpackedSize), static_cast<unsigned long long>(entry.packedSize));
  std::printf("TZip Extract (UNZDLL.DLL)        %.2f s  %.0f MiB/s  (%.2fx the bare loop)\n", bestOurs,
              mib / bestOurs, bestOurs / bestBare);
  std::printf("bare zlib inflate-and-write      %.2f s  %.0f MiB/s\n", bestBare, mib / bestBare);
  std::printf("progress reported                %llu bytes per run\n",
              static_cast<unsigned long long>(progressBytes / static_cast<uint64_t>(runs)));
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring mode = argc > 1 ? argv[1] : L"";
  if (mode == L"list" && argc > 2) return List(Narrow(argv[2]), argc > 3 ? std::max(1, _wtoi(argv[3])) : 3);
  if (mode == L"extract" && argc > 3) return Extract(argv[2], argv[3], argc > 4 ? std::max(1, _wtoi(argv[4])) : 2);
  std::fprintf(stderr, "usage: archive_bench list ARCHIVE [RUNS] | extract ARCHIVE SCRATCH [RUNS]\n");
  return 2;
}
