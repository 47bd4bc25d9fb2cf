// Copy benchmark: the operation engine against the limit for a Win32 program here, a bare loop
// in this process doing only what a copy must (open, create, 65,535-byte reads and writes, the
// last-write time, close), on the same files in the same run. Best of N for each.
//   copy_bench.exe <big file> <folder of small files> <scratch folder> [runs]
#include <windows.h>

#include <algorithm>
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

template <typename F>
double Best(int runs, F&& run) {
  double best = 1e30;
  for (int i = 0; i < runs; ++i) best = std::min(best, run());
  return best;
}

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
  auto engine = [&](const std::wstring& source, bool progress) {
    RemoveTree(target);
    CreateDirectoryW(target.c_str(), nullptr);
    quill::TFileCopy copy(owner, questions, progress ? &dialog : nullptr);
    copy.ShowProgress = progress;
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

  const double bigBare = Best(runs, bareBig);
  const double bigQuiet = Best(runs, [&] { return engine(big, false); });
  const double bigShown = Best(runs, [&] { return engine(big, true); });
  const double smallBare = Best(runs, bareSmall);
  const double smallQuiet = Best(runs, [&] { return engine(small, false); });
  const double smallShown = Best(runs, [&] { return engine(small, true); });
  RemoveTree(target);

  std::printf("best of %d                                   1 GiB file   10,000 x 4 KiB\n", runs);
  std::printf("bare loop (CreateFileW, 65,535-byte blocks)   %8.3f s      %8.3f s\n", bigBare, smallBare);
  std::printf("TFileCopy, progress off                       %8.3f s      %8.3f s\n", bigQuiet, smallQuiet);
  std::printf("TFileCopy, progress dialog shown              %8.3f s      %8.3f s\n", bigShown, smallShown);
  std::printf("\nratios                                        measured    target\n");
  std::printf("1 GiB: engine / bare loop                       %6.2fx    <= 1.1x\n", bigQuiet / bigBare);
  std::printf("small files: engine / bare loop                 %6.2fx    <= 1.3x\n", smallQuiet / smallBare);
  std::printf("progress dialog cost, 1 GiB                     %+6.1f%%    < 10%%\n", (bigShown / bigQuiet - 1) * 100);
  std::printf("progress dialog cost, small files               %+6.1f%%    < 10%%\n",
              (smallShown / smallQuiet - 1) * 100);
  DestroyWindow(owner);
  return 0;
}
