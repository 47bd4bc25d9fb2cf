// Tree benchmark: a cache of 100,000 folders loaded as the tree window loads it, then walked the
// way the view walks it (rows over the visible items, focus moves both ways, collapse and expand
// of everything, path look-ups) and written back. Beside the load stands its floor, the same
// file only decoded and split into lines. Built natively without sanitizers; prints figures,
// never pass/fail.
//   tree_bench [FOLDERS] [RUNS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "FakeVolume.h"
#include "base/TextFile.h"
#include "tree/TreeCache.h"

namespace quill {
namespace {

using Clock = std::chrono::steady_clock;

double Millis(Clock::time_point since) { return std::chrono::duration<double, std::milli>(Clock::now() - since).count(); }

double CpuMillis() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// The processor time of the best run: on a machine shared with other builds the wall clock
// measures them too.
double lastCpu = 0;

// Best of `runs`, in milliseconds of wall time; lastCpu gets the least processor time.
double Best(int runs, const std::function<void()>& work) {
  double best = 1e30;
  lastCpu = 1e30;
  for (int i = 0; i < runs; ++i) {
    const auto start = Clock::now();
    const double cpu = CpuMillis();
    work();
    lastCpu = std::min(lastCpu, CpuMillis() - cpu);
    best = std::min(best, Millis(start));
  }
  return best;
}

// Kilobytes from /proc/self/status ("VmRSS", "VmHWM").
long StatusKb(const char* key) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const std::string prefix = std::string(key) + ":";
  while (std::getline(status, line))
    if (line.rfind(prefix, 0) == 0) return std::atol(line.c_str() + prefix.size());
  return -1;
}
// Starts a new peak: the kernel resets VmHWM to the current RSS.
void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

// A drive's worth of folders in the cache's own order: 40 top folders, each a tree three to five
// deep with 2 to 12 children per folder, names of varied length and case.
std::vector<std::string> MakeLines(int folders) {
  std::vector<std::string> lines{TreeLine(true, 0, "C:")};
  unsigned seed = 12345;
  auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
  const char* const stems[] = {"Program", "data", "Windows", "src", "Users", "backup", "Photos 2019", "x", "lib", "Temp"};
  int made = 0;
  std::function<void(int, int)> fill = [&](int level, int budget) {
    const int children = std::min(budget, 2 + static_cast<int>(next() % 11));
    const char* stem = stems[next() % 10];
    for (int i = 0; i < children && made < folders; ++i) {
      // Zero-padded counters keep the siblings in sorted order, as the cache is written.
      char name[64];
      std::snprintf(name, sizeof name, "%s %04d", stem, i);
      lines.push_back(TreeLine(next() % 8 != 0, level, name));
      ++made;
      if (level < 5 && next() % 3 != 0) fill(level + 1, budget / children);
    }
  };
  for (int top = 0; made < folders; ++top) {
    char name[32];
    std::snprintf(name, sizeof name, "Top %05d", top);
    lines.push_back(TreeLine(true, 1, name));
    ++made;
    fill(2, 4000);
  }
  return lines;
}

int Main(int folders, int runs) {
  test::TFakeVolume fs;
  TLatin1CodePage codePage;
  const std::string path = "C:\\tree.xcd";
  const std::vector<std::string> made = MakeLines(folders);
  fs.WriteText(path, EncodeLines(made, codePage));
  std::string bytes;
  fs.ReadAll(path, bytes);
  std::printf("cache: %zu folders, %zu bytes\n", made.size(), bytes.size());

  // Memory of one load: the peak while loading and what the list keeps, above the process
  // before it (which holds the file's bytes twice, in the fake volume and here).
  const long before = StatusKb("VmRSS");
  ResetPeak();
  auto items = std::make_unique<TTreeItems>();
  const auto first = Clock::now();
  if (!items->LoadFromFile(fs, codePage, path)) return 1;
  const double firstLoad = Millis(first);
  const long peak = StatusKb("VmHWM") - before;
  const long kept = StatusKb("VmRSS") - before;
  std::printf("load, first run:             %8.1f ms   (%d items)\n", firstLoad, items->Count);
  std::printf("memory: peak during load     %8.1f MiB, kept by the list %.1f MiB\n", peak / 1024.0, kept / 1024.0);

  const double floor = Best(runs, [&] {
    std::string read;
    fs.ReadAll(path, read);
    volatile size_t n = DecodeLines(read, codePage).size();
    (void)n;
  });
  const double floorCpu = lastCpu;
  // Each load after the first also frees the list before.
  const double load = Best(runs, [&] { items->LoadFromFile(fs, codePage, path); });
  const double loadCpu = lastCpu;
  auto fresh = std::make_unique<TTreeItems>();
  const double fromEmpty = Best(1, [&] { fresh->LoadFromFile(fs, codePage, path); });
  const double fromEmptyCpu = lastCpu;
  fresh.reset();
  std::printf("load (best of %d):            %8.1f ms   cpu %.1f ms\n", runs, load, loadCpu);
  std::printf("load into an empty list:     %8.1f ms   cpu %.1f ms\n", fromEmpty, fromEmptyCpu);
  std::printf("floor: read + decode + split %8.1f ms   cpu %.1f ms   ratio %.2f\n", floor, floorCpu, load / floor);

  TTreeItems& list = *items;
  int visible = 0;
  const double rows = Best(runs, [&] {
    // The view's row pass: every visible item after the root, in order.
    visible = 0;
    for (TTreeItem* item = list.Root; item; item = list.GetNextVisible(item)) ++visible;
  });
  std::printf("rows over %6d visible:      %8.2f ms\n", visible, rows);
  const double back = Best(runs, [&] {
    for (TTreeItem* item = list.Last; item; item = list.GetPrevVisible(item)) {
    }
  });
  std::printf("focus Up from the end:       %8.2f ms   (%.0f ns per move)\n", back, back * 1e6 / visible);
  // A hidden Last: the walk back starts inside a collapsed folder.
  const double collapse = Best(runs, [&] { list.Root->Collapse(true); });
  int shown = 0;
  for (TTreeItem* item = list.Root; item; item = list.GetNextVisible(item)) ++shown;
  const double expand = Best(runs, [&] { list.Root->Expand(true); });
  std::printf("collapse all:                %8.2f ms   (%d visible after)\n", collapse, shown);
  std::printf("expand all:                  %8.2f ms\n", expand);
  for (TTreeItem* item = list.Root->FirstChild; item; item = item->NextSibling) item->Expanded = false;
  const double topLevel = Best(runs, [&] {
    for (TTreeItem* item = list.Root; item; item = list.GetNextVisible(item)) {
    }
    for (TTreeItem* item = list.Last; item; item = list.GetPrevVisible(item)) {
    }
  });
  std::printf("down and up, tops collapsed: %8.3f ms\n", topLevel);
  list.Root->Expand(true);

  std::vector<std::string> paths;
  for (TTreeItem* item = list.Root; item; item = list.GetNext(item))
    if (item->Index % 97 == 0) paths.push_back(item->GetPath());
  int found = 0;
  const double find = Best(runs, [&] {
    found = 0;
    for (const std::string& p : paths) found += list.FindItem(p) != nullptr;
  });
  std::printf("FindItem x %zu:              %8.2f ms   (%.1f us each, %d found)\n", paths.size(), find,
              find * 1e3 / paths.size(), found);
  const double renumber = Best(runs, [&] { list.Changed(); });
  std::printf("renumber (Changed):          %8.2f ms\n", renumber);
  const double save = Best(runs, [&] { list.SaveToFile(fs, codePage, path); });
  std::printf("save:                        %8.1f ms\n", save);
  return found == static_cast<int>(paths.size()) ? 0 : 1;
}

}  // namespace
}  // namespace quill

int main(int argc, char** argv) {
  const int folders = argc > 1 ? std::atoi(argv[1]) : 100000;
  const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
  return quill::Main(folders, runs);
}
