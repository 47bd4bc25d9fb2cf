// Advanced Rename on 10,000 names: each rule's computation of the new names (and the check of
// every one, as the preview shows them) beside a bare loop that only copies the names. Prints the
// best of several runs; no pass or fail.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "operations/BatchRename.h"

using namespace quill;

namespace {

using Clock = std::chrono::steady_clock;

template <typename F>
double BestMs(int runs, F&& run) {
  double best = 1e300;
  for (int r = 0; r < runs; ++r) {
    const auto start = Clock::now();
    run();
    best = std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  constexpr size_t kNames = 10000;
  std::vector<std::string> oldNames;
  for (size_t i = 0; i < kNames; ++i) {
    char name[64];
    std::snprintf(name, sizeof name, "Holiday photo %05zu from the trip.jpeg", i);
    oldNames.emplace_back(name);
  }
  size_t sink = 0;
  std::vector<std::string> newNames(kNames);
  const double bare = BestMs(runs, [&] {
    for (size_t i = 0; i < kNames; ++i) newNames[i] = oldNames[i];
    sink += newNames.back().size();
  });
  std::printf("bare copy of %zu names            %8.2f ms\n", kNames, bare);

  struct TCase {
    const char* label;
    TBatchRule rule;
  };
  std::vector<TCase> cases;
  TBatchRule head;
  head.text = "2024 ";
  cases.push_back({"Head", head});
  TBatchRule count;
  count.action = baCount;
  count.start = "1";
  count.step = "7";
  count.digits = 6;
  cases.push_back({"Count", count});
  TBatchRule cut;
  cut.action = baCut;
  cut.text = "7~12";
  cases.push_back({"Cut", cut});
  TBatchRule ext;
  ext.action = baChangeExt;
  ext.text = "jpg";
  cases.push_back({"Change Extension", ext});
  TBatchRule replace;
  replace.action = baReplace;
  replace.find = "o";
  replace.replace = "0";
  cases.push_back({"Replace", replace});

  for (const TCase& c : cases) {
    const double ms = BestMs(runs, [&] {
      if (ComputeNewNames(c.rule, oldNames, newNames, 0)) std::printf("%s: Invalid Format\n", c.label);
      for (std::string& name : newNames) sink += CheckNewName(name);
      sink += newNames.back().size();
    });
    std::printf("%-16s preview of %zu names %8.2f ms  (%.1fx the bare copy)\n", c.label, kNames, ms, ms / bare);
  }
  std::printf("(checksum %zu)\n", sink);
  return 0;
}
