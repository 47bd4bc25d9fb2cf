// Copy benchmark: the operation engine against the limit for a Win32 program here, a bare loop
// in this process doing only what a copy must (open, create, 65,535-byte reads and writes, the
// last-write time, close), on the same files in the same run. Best of N for each. Each round
// runs the three once, starting with a different one each round, so that a slower spell of a
// busy machine falls on all of them alike instead of on whichever always came last. A copy of
// the 1 GiB file lasts well under a second, where a moment of noise weighs much more, so that
// file gets three times as many rounds.
// One more run of the small files times every call into the progress dialog, which says where
// the dialog's cost lies independently of the machine's noise.
//   copy_bench.exe <big file> <folder of small files> <scratch folder> [runs]
#include <windows.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "operations/CopyingDialog.h"
#include "operations/FileOperations.h"
#include "platform/Utf16.h"

namespace {

using quill::Narrow;
using quill::Widen;
using Clock = std::chrono::steady_clock;

// Nothing is asked in a benchmark run; an unexpected question fails it loudly.
class TNoQuestions : public quill::IQuestions {
public:
  bool ShowError(uint32_t code, const std::string&, bool) override { return Fail("error", code); }
  int Message(const std::string& text, const std::string&, quill::TMessageButtons, quill::TMessageIcon) override {
    std::fprintf(stderr, "unexpected message: %s\n", text.c_str());
    std::exit(3);
  }
  int AskText(const std::string&, const std::string&, std::string&, bool, int) override { return Fail("text", 0); }
  int ChooseDrive(std::string&, const std::array<std::string, 3>&, const quill::TDialogPlace&,
                  const std::string&) override {
    return Fail("drive", 0);
  }
  std::string ChooseFolder(const std::string&, const std::string&, const std::vector<std::string>&,
                           const std::string&) override {
    Fail("folder", 0);
    return {};
  }
  std::string BrowseNetwork(const std::string&) override {
    Fail("network", 0);
    return {};
  }
  uint32_t AskFileExists(const std::string& source, std::string&, bool, bool) override {
    std::fprintf(stderr, "unexpected conflict: %s\n", source.c_str());
    std::exit(3);
  }
  int AskDelete(const std::string&, int, bool) override { return Fail("delete", 0); }

private:
  static int Fail(const char* what, uint32_t code) {
    std::fprintf(stderr, "unexpected %s question (%u)\n", what, code);
    std::exit(3);
  }
};

bool BareCopy(const std::wstring& from, const std::wstring& to, std::vector<char>& buffer) {
  HANDLE in = CreateFileW(from.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
  if (in == INVALID_HANDLE_VALUE) return false;
  HANDLE out = CreateFileW(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_ARCHIVE, nullptr);
  if (out == INVALID_HANDLE_VALUE) {
    CloseHandle(in);
    return false;
  }
  bool ok = true;
  for (;;) {
    DWORD read = 0, written = 0;
    if (!ReadFile(in, buffer.data(), 65535, &read, nullptr)) {
      ok = false;
      break;
    }
    if (read == 0) break;
    if (!WriteFile(out, buffer.data(), read, &written, nullptr) || written != read) {
      ok = false;
      break;
    }
  }
  FILETIME time{};
  GetFileTime(in, nullptr, nullptr, &time);
  SetFileTime(out, nullptr, nullptr, &time);
  CloseHandle(out);
  CloseHandle(in);
  return ok;
}

// The bare loop over a folder's files (one level, as the benchmark folder is).
bool BareCopyFolder(const std::wstring& from, const std::wstring& to) {
  std::vector<char> buffer(65535);
  if (!CreateDirectoryW(to.c_str(), nullptr)) return false;
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((from + L"\\*.*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  do {
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    ok = BareCopy(from + L"\\" + data.cFileName, to + L"\\" + data.cFileName, buffer) && ok;
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return ok;
}

void RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((path + L"\\*.*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(path + L"\\" + name);
      else DeleteFileW((path + L"\\" + name).c_str());
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  RemoveDirectoryW(path.c_str());
}

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// Best of `runs` for each of the three, run in rotating order.
template <typename A, typename B, typename C>
std::array<double, 3> BestOfRounds(int runs, A&& a, B&& b, C&& c) {
  std::array<double, 3> best = {1e30, 1e30, 1e30};
  for (int round = 0; round < runs; ++round) {
    for (int k = 0; k < 3; ++k) {
      const int which = (round + k) % 3;
      const double seconds = which == 0 ? a() : which == 1 ? b() : c();
      best[which] = std::min(best[which], seconds);
    }
  }
  return best;
}

// The progress dialog as the engine sees it, with the time spent inside each kind of call.
class TTimedProgress : public quill::ICopyProgress {
public:
  explicit TTimedProgress(quill::ICopyProgress& inner) : inner_(inner) {}

  void Begin(const std::string& caption, int count, uint64_t totalBytes, quill::TProgressMode mode) override {
    TClock clock(showHide);
    inner_.Begin(caption, count, totalBytes, mode);
  }
  void SetSource(const std::string& name) override {
    TClock clock(perFile);
    inner_.SetSource(name);
  }
  void SetTarget(const std::string& name) override {
    TClock clock(perFile);
    inner_.SetTarget(name);
  }
  void SetPathLine(const std::string& text) override {
    TClock clock(perFile);
    inner_.SetPathLine(text);
  }
  void SetFileLine(const std::string& text) override {
    TClock clock(perFile);
    inner_.SetFileLine(text);
  }
  void SetCurrent(int current) override {
    TClock clock(perFile);
    inner_.SetCurrent(current);
  }
  int Current() const override { return inner_.Current(); }
  void AddProgress(uint64_t amount) override {
    TClock clock(perFile);
    inner_.AddProgress(amount);
  }
  void PauseTimer() override { inner_.PauseTimer(); }
  void RestartTimer() override { inner_.RestartTimer(); }
  void ProcessMessages() override {
    TClock clock(pumps);
    inner_.ProcessMessages();
  }
  bool Cancelled() const override { return inner_.Cancelled(); }
  void End() override {
    TClock clock(showHide);
    inner_.End();
  }

  struct TTally {
    double seconds = 0;
    long calls = 0;
  };
  TTally perFile, pumps, showHide;

private:
  class TClock {
  public:
    explicit TClock(TTally& tally) : tally_(tally), start_(Clock::now()) {}
    ~TClock() {
      tally_.seconds += std::chrono::duration<double>(Clock::now() - start_).count();
      ++tally_.calls;
    }

  private:
    TTally& tally_;
    Clock::time_point start_;
  };
  quill::ICopyProgress& inner_;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: copy_bench <big file> <small-files folder> <scratch folder> [runs]\n");
    return 2;
  }
  const std::wstring big = argv[1], small = argv[2], scratch = argv[3];
  const int runs = argc > 4 ? std::max(1, _wtoi(argv[4])) : 3;
  TNoQuestions questions;
  HWND owner = CreateWindowExW(0, L"STATIC", L"copy bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 640, 480, nullptr,
                               nullptr, nullptr, nullptr);
  quill::TfCopying dialog(owner);
  const std::wstring target = scratch + L"\\out";
  const std::wstring bigName = big.substr(big.find_last_of(L'\\') + 1);
  const std::wstring smallName = small.substr(small.find_last_of(L'\\') + 1);

  auto bareBig = [&] {
    RemoveTree(target);
    CreateDirectoryW(target.c_str(), nullptr);
    std::vector<char> buffer(65535);
    const auto start = Clock::now();
    if (!BareCopy(big, target + L"\\" + bigName, buffer)) std::exit(4);
    return Seconds(start);
  };
  auto bareSmall = [&] {
    RemoveTree(target);
    CreateDirectoryW(target.c_str(), nullptr);
    const auto start = Clock::now();
    if (!BareCopyFolder(small, target + L"\\" + smallName)) std::exit(4);
    return Seconds(start);
  };
  auto engine = [&](const std::wstring& source, quill::ICopyProgress* progress) {
    RemoveTree(target);
    CreateDirectoryW(target.c_str(), nullptr);
    quill::TFileCopy copy(owner, questions, progress);
    copy.ShowProgress = progress != nullptr;
    copy.AddSource(Narrow(source));
    const auto start = Clock::now();
    const int32_t result = copy.Copy(Narrow(target));
    const double seconds = Seconds(start);
    if (result != 0 || copy.SucceededCount() != 1) {
      std::fprintf(stderr, "engine copy failed: %d\n", result);
      std::exit(4);
    }
    return seconds;
  };

  const int bigRuns = 3 * runs;
  const auto [bigBare, bigQuiet, bigShown] = BestOfRounds(
      bigRuns, bareBig, [&] { return engine(big, nullptr); }, [&] { return engine(big, &dialog); });
  const auto [smallBare, smallQuiet, smallShown] = BestOfRounds(
      runs, bareSmall, [&] { return engine(small, nullptr); }, [&] { return engine(small, &dialog); });
  TTimedProgress timed(dialog);
  const double timedRun = engine(small, &timed);
  RemoveTree(target);

  std::printf("best of %d and %d, rotating order             1 GiB file   10,000 x 4 KiB\n", bigRuns, runs);
  std::printf("bare loop (CreateFileW, 65,535-byte blocks)   %8.3f s      %8.3f s\n", bigBare, smallBare);
  std::printf("TFileCopy, progress off                       %8.3f s      %8.3f s\n", bigQuiet, smallQuiet);
  std::printf("TFileCopy, progress dialog shown              %8.3f s      %8.3f s\n", bigShown, smallShown);
  std::printf("\nratios                                        measured    target\n");
  std::printf("1 GiB: engine / bare loop                       %6.2fx    <= 1.1x\n", bigQuiet / bigBare);
  std::printf("small files: engine / bare loop                 %6.2fx    <= 1.3x\n", smallQuiet / smallBare);
  std::printf("progress dialog cost, 1 GiB                     %+6.1f%%    < 10%%\n", (bigShown / bigQuiet - 1) * 100);
  std::printf("progress dialog cost, small files               %+6.1f%%    < 10%%\n",
              (smallShown / smallQuiet - 1) * 100);
  const double inside = timed.perFile.seconds + timed.pumps.seconds + timed.showHide.seconds;
  std::printf("\ninside the progress dialog, small files (one more run, %.3f s, every call timed)\n", timedRun);
  std::printf("  file line, counter, gauge, names   %8.3f s   %7ld calls\n", timed.perFile.seconds,
              timed.perFile.calls);
  std::printf("  message pumps and text updates     %8.3f s   %7ld calls\n", timed.pumps.seconds, timed.pumps.calls);
  std::printf("  showing and hiding                 %8.3f s   %7ld calls\n", timed.showHide.seconds,
              timed.showHide.calls);
  std::printf("  together                           %8.3f s   %6.1f%% of that run\n", inside,
              inside / timedRun * 100);
  DestroyWindow(owner);
  return 0;
}
