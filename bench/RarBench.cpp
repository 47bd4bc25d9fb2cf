// RAR benchmarks, run under Wine by scripts/bench-rar, which puts bsdtar on the same files
// beside them.
//
//   rar_bench list ARCHIVE [RUNS]
//     A RAR of many files in many folders opened by TRar as the main window opens it: every
//     header walked through UnRAR.dll, the entries made, BuildFolders with the system's
//     collation; BuildFolders alone; the process's peak working set.
//   rar_bench extract ARCHIVE SCRATCH [RUNS]
//     The archive's largest entry extracted by TRar through UnRAR.dll into SCRATCH\quill, with
//     the progress counted as the progress dialog would be given it, beside a bare loop in the
//     same process that reads the packed bytes, decodes them with the same RAR 5 decoder and
//     writes the result: no checksum, no callbacks, no library between, the least any
//     extraction must do. The last run's file of TRar is left there, so the script can hold it
//     against bsdtar's.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "archive/Rar.h"
#include "archive/RarLibrary.h"
#include "archivers/rarformat/RarArchive.h"
#include "archivers/rarformat/Unpack5.h"
#include "messages/Questions.h"
#include "operations/Progress.h"
#include "platform/Utf16.h"
#include "platform/Win32FileSystem.h"
#include "platform/Win32Text.h"

namespace {

using namespace quill;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// TRar tells what went wrong (a bad checksum, a write that failed) only through a message box;
// here every box is remembered, so a broken run cannot pass for a fast one.
class TRecordedQuestions : public IQuestions {
public:
  std::vector<std::string> said;

  bool ShowError(uint32_t code, const std::string& caption, bool) override {
    said.push_back(caption + ": error " + std::to_string(code));
    return false;
  }
  int Message(const std::string& text, const std::string& caption, TMessageButtons, TMessageIcon) override {
    said.push_back(caption + ": " + text);
    return mrCancel;
  }
  int AskText(const std::string& caption, const std::string&, std::string&, bool, int) override {
    said.push_back(caption + ": asked for a text");
    return mrCancel;
  }
  int ChooseDrive(std::string&, const std::array<std::string, 3>&, const TDialogPlace&, const std::string&) override {
    return mrCancel;
  }
  std::string ChooseFolder(const std::string&, const std::string&, const std::vector<std::string>&,
                           const std::string&) override {
    return {};
  }
  std::string BrowseNetwork(const std::string&) override { return {}; }
  uint32_t AskFileExists(const std::string& source, std::string&, bool, bool) override {
    said.push_back(source + ": asked whether to replace");
    return feCancel;
  }
  int AskDelete(const std::string& text, int, bool) override {
    said.push_back(text + ": asked whether to delete");
    return mrCancel;
  }
};

TArchiveServices Services(IQuestions& questions) {
  TArchiveServices s;
  s.fileSystem = &TWin32FileSystem::Instance();
  s.questions = &questions;
  // No string table here: a box says which text it would have shown.
  s.texts = [](int id) { return "text " + std::to_string(id); };
  s.codePage = &TAnsiCodePage::Instance();
  s.collator = &TWin32Collator::Instance();
  return s;
}

double PeakWorkingSetMiB() {
  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof memory;
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory)) return 0;
  return static_cast<double>(memory.PeakWorkingSetSize) / 1048576.0;
}

bool Report(const TRecordedQuestions& questions) {
  for (const std::string& text : questions.said) std::fprintf(stderr, "rar_bench: %s\n", text.c_str());
  return questions.said.empty();
}

// The library with a stopwatch around every call: how much of an open is UnRAR.dll's own work
// (and Wine's way into it), and how much is TRar's.
class TTimedLibrary : public IRarLibrary {
public:
  explicit TTimedLibrary(IRarLibrary& inner) : inner_(inner) {}
  double readHeader = 0, processFile = 0, other = 0;

  bool Load() override { return Timed(other, [&] { return inner_.Load(); }); }
  void Free() override {
    Timed(other, [&] { inner_.Free(); return 0; });
  }
  int Open(const std::string& archive, int mode) override {
    return Timed(other, [&] { return inner_.Open(archive, mode); });
  }
  int ReadHeader(TRarHeader& header) override { return Timed(readHeader, [&] { return inner_.ReadHeader(header); }); }
  int ProcessFile(int operation, const std::string& destination) override {
    return Timed(processFile, [&] { return inner_.ProcessFile(operation, destination); });
  }
  void SetCallbacks(TLibraryArchive& rar, bool volume, bool data) override { inner_.SetCallbacks(rar, volume, data); }
  void SetPassword(const std::string& password) override { inner_.SetPassword(password); }
  void Close() override {
    Timed(other, [&] { inner_.Close(); return 0; });
  }

private:
  template <typename Call>
  static auto Timed(double& total, Call call) -> decltype(call()) {
    const auto start = Clock::now();
    auto result = call();
    total += Seconds(start);
    return result;
  }
  IRarLibrary& inner_;
};

int List(const std::string& path, int runs) {
  TWin32RarLibrary library;
  TRecordedQuestions questions;
  double bestOpen = 1e9, bestBuild = 1e9;
  size_t files = 0, folders = 0;
  for (int run = 0; run < runs; ++run) {
    TRar rar(Services(questions), &library);
    auto start = Clock::now();
    rar.Open(path);
    const double took = Seconds(start);
    if (!Report(questions) || rar.FileName.empty() || rar.Files.empty()) {
      std::fprintf(stderr, "rar_bench: listing failed\n");
      return 1;
    }
    bestOpen = std::min(bestOpen, took);
    files = rar.Files.size();
    folders = rar.Folders.size();

    // The folder step again on the same files (the bench archive stores no folder entries, so
    // every folder is made here): what of the open is Quill's own, not the library's.
    TRar again(Services(questions), &library);
    again.Files = rar.Files;
    start = Clock::now();
    again.BuildFolders();
    bestBuild = std::min(bestBuild, Seconds(start));
  }
  // Once more with the stopwatch on each call; its own cost stays out of the figure above.
  TTimedLibrary timed(library);
  TRar split(Services(questions), &timed);
  const auto start = Clock::now();
  split.Open(path);
  const double splitTotal = Seconds(start);
  if (!Report(questions) || split.FileName.empty()) return 1;
  const double inLibrary = timed.readHeader + timed.processFile + timed.other;
  std::printf("entries                          %zu files, %zu folders\n", files, folders);
  std::printf("TRar Open (UnRAR.dll + folders)  %.3f s\n", bestOpen);
  std::printf("  timed once, call by call       %.3f s: %.3f in UnRAR.dll (ReadHeader %.3f, ProcessFile %.3f,"
              " load/open/close %.3f), %.3f in TRar\n",
              splitTotal, inLibrary, timed.readHeader, timed.processFile, timed.other, splitTotal - inLibrary);
  std::printf("BuildFolders alone               %.3f s\n", bestBuild);
  std::printf("peak working set                 %.1f MiB (the whole process, two copies of the entries)\n",
              PeakWorkingSetMiB());
  return 0;
}

int64_t FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Writes straight to the file, as the decoder hands over its window.
class TFileOutput : public rarformat::IUnpackedOutput {
public:
  explicit TFileOutput(HANDLE file) : file_(file) {}
  bool Write(const uint8_t* data, size_t count) override {
    DWORD put = 0;
    return WriteFile(file_, data, static_cast<DWORD>(count), &put, nullptr) && put == count;
  }

private:
  HANDLE file_;
};

// Decodes the archive's first RAR 5 entry into `target`. Returns the bytes written, or -1.
int64_t BareUnpack(const std::wstring& archive, const std::wstring& target) {
  int error = 0;
  std::unique_ptr<zipformat::IByteSource> source = zipformat::OpenFileSource(Narrow(archive), error);
  if (!source) return -1;
  rarformat::RarReader reader(std::move(source), Narrow(archive));
  rarformat::RarEntry entry;
  if (reader.Open() != rarformat::RarStatus::Ok || reader.Info().format != rarformat::RarFormat::Rar5 ||
      reader.Next(entry) != rarformat::RarStatus::Ok || entry.Stored())
    return -1;
  std::unique_ptr<rarformat::IPackedInput> packed = reader.OpenPacked();
  HANDLE out = CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (!packed || out == INVALID_HANDLE_VALUE) return -1;
  TFileOutput output(out);
  rarformat::TUnpack5 unpack;
  const rarformat::UnpackResult result =
      unpack.Unpack(*packed, output, entry.unpackedSize, entry.dictionarySize, false);
  CloseHandle(out);
  return result == rarformat::UnpackResult::Ok ? FileSize(target) : -1;
}

int Extract(const std::wstring& archive, const std::wstring& scratch, int runs) {
  TWin32RarLibrary library;
  TRecordedQuestions questions;
  TRar listed(Services(questions), &library);
  listed.Open(Narrow(archive));
  if (!Report(questions) || listed.Files.empty()) {
    std::fprintf(stderr, "rar_bench: the archive does not list\n");
    return 1;
  }
  const TArchiveItem& entry =
      *std::max_element(listed.Files.begin(), listed.Files.end(), [](const auto& a, const auto& b) {
        return a.entry.originalSize < b.entry.originalSize;
      });
  const std::wstring ours = scratch + L"\\quill";
  const std::wstring oursFile = ours + L"\\" + Widen(entry.path);
  CreateDirectoryW(scratch.c_str(), nullptr);
  CreateDirectoryW(ours.c_str(), nullptr);

  const std::wstring bareFile = scratch + L"\\bare.out";
  double best = 1e9, bestBare = 1e9;
  uint64_t progressBytes = 0;
  auto runOurs = [&]() -> bool {
    if (!DeleteFileW(oursFile.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND) return false;
    TRar rar(Services(questions), &library);
    // What the progress dialog is given, without the drawing.
    rar.OnProgress = [&](TArchive&, TProgressKind kind, uint64_t value, const std::string&) {
      if (kind == pkBytes) progressBytes += value;
    };
    rar.Open(Narrow(archive));
    const auto start = Clock::now();
    rar.Extract(Narrow(ours));
    const double took = Seconds(start);
    if (!Report(questions) || !rar.Problems.empty() ||
        FileSize(oursFile) != static_cast<int64_t>(entry.entry.originalSize)) {
      std::fprintf(stderr, "rar_bench: TRar's extraction is incomplete\n");
      return false;
    }
    best = std::min(best, took);
    return true;
  };
  auto runBare = [&]() -> bool {
    const auto start = Clock::now();
    const int64_t bare = BareUnpack(archive, bareFile);
    const double took = Seconds(start);
    DeleteFileW(bareFile.c_str());
    if (bare != static_cast<int64_t>(entry.entry.originalSize)) {
      std::fprintf(stderr, "rar_bench: the bare loop failed\n");
      return false;
    }
    bestBare = std::min(bestBare, took);
    return true;
  };
  for (int run = 0; run < runs; ++run) {
    // Each goes first in turn, so neither always meets the other's freshly written memory.
    const bool ok = run % 2 == 0 ? runOurs() && runBare() : runBare() && runOurs();
    if (!ok) return 1;
  }
  const double mib = static_cast<double>(entry.entry.originalSize) / 1048576.0;
  std::printf("entry                            %s, %llu bytes from %llu packed\n", entry.path.c_str(),
              static_cast<unsigned long long>(entry.entry.originalSize),
              static_cast<unsigned long long>(entry.entry.packedSize));
  std::printf("TRar Extract (UnRAR.dll)         %.2f s  %.0f MiB/s  (%.2fx the bare loop)\n", best, mib / best,
              best / bestBare);
  std::printf("bare decode-and-write loop       %.2f s  %.0f MiB/s\n", bestBare, mib / bestBare);
  std::printf("progress reported                %llu bytes per run\n",
              static_cast<unsigned long long>(progressBytes / static_cast<uint64_t>(runs)));
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring mode = argc > 1 ? argv[1] : L"";
  if (mode == L"list" && argc > 2) return List(Narrow(argv[2]), argc > 3 ? std::max(1, _wtoi(argv[3])) : 3);
  if (mode == L"extract" && argc > 3) return Extract(argv[2], argv[3], argc > 4 ? std::max(1, _wtoi(argv[4])) : 3);
  std::fprintf(stderr, "usage: rar_bench list ARCHIVE [RUNS] | extract ARCHIVE SCRATCH [RUNS]\n");
  return 2;
}
