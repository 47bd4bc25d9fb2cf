// Split and join benchmark: TSplitter and TJoiner against the limit for a Win32 program here, a
// bare loop in this process moving the same bytes in 65,535-byte reads and writes into the same
// files (the volumes, then one joined file), without checksums or progress. Best of N for each,
// in rotating order so that a slow spell of a busy machine falls on all of them alike. The join
// runs with the set's list file, so every volume's CRC-32 is checked as it is read.
//   split_bench.exe <source file> <scratch folder> [runs] [volume bytes]
#include <windows.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/SplitJoin.h"
#include "base/CodePage.h"
#include "base/Path.h"
#include "operations/CopyingDialog.h"
#include "platform/Utf16.h"
#include "platform/Win32FileStreams.h"
#include "platform/Win32FileSystem.h"

namespace {

using quill::Narrow;
using quill::Widen;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

void Fail(const char* what, unsigned code) {
  std::fprintf(stderr, "%s failed: %u\n", what, code);
  std::exit(4);
}

void RemoveFiles(const std::wstring& folder) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((folder + L"\\*.*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW((folder + L"\\" + data.cFileName).c_str());
  } while (FindNextFileW(find, &data));
  FindClose(find);
}

// The bare split: the source read in blocks, written into files of `volume` bytes each.
double BareSplit(const std::wstring& source, const std::wstring& folder, uint64_t volume) {
  RemoveFiles(folder);
  std::vector<char> buffer(65535);
  const auto start = Clock::now();
  HANDLE in = CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (in == INVALID_HANDLE_VALUE) Fail("bare open", GetLastError());
  bool more = true;
  for (int i = 1; more; ++i) {
    wchar_t name[32];
    swprintf(name, 32, L"\\bare.%03d", i);
    HANDLE out = CreateFileW((folder + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_ARCHIVE,
                             nullptr);
    if (out == INVALID_HANDLE_VALUE) Fail("bare create", GetLastError());
    uint64_t left = volume;
    while (left > 0) {
      DWORD read = 0, written = 0;
      const DWORD want = static_cast<DWORD>(std::min<uint64_t>(65535, left));
      if (!ReadFile(in, buffer.data(), want, &read, nullptr)) Fail("bare read", GetLastError());
      if (read == 0) {
        more = false;
        break;
      }
      if (!WriteFile(out, buffer.data(), read, &written, nullptr) || written != read) Fail("bare write", GetLastError());
      left -= read;
    }
    CloseHandle(out);
  }
  CloseHandle(in);
  return Seconds(start);
}

// The bare join: the volumes read in blocks and appended to one file.
double BareJoin(const std::wstring& folder, const std::vector<quill::TJoinVolume>& volumes, const std::wstring& output) {
  DeleteFileW(output.c_str());
  std::vector<char> buffer(65535);
  const auto start = Clock::now();
  HANDLE out = CreateFileW(output.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_ARCHIVE, nullptr);
  if (out == INVALID_HANDLE_VALUE) Fail("bare create", GetLastError());
  for (const quill::TJoinVolume& volume : volumes) {
    HANDLE in = CreateFileW((folder + L"\\" + Widen(volume.name)).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, 0, nullptr);
    if (in == INVALID_HANDLE_VALUE) Fail("bare open", GetLastError());
    for (;;) {
      DWORD read = 0, written = 0;
      if (!ReadFile(in, buffer.data(), 65535, &read, nullptr)) Fail("bare read", GetLastError());
      if (read == 0) break;
      if (!WriteFile(out, buffer.data(), read, &written, nullptr) || written != read) Fail("bare write", GetLastError());
    }
    CloseHandle(in);
  }
  CloseHandle(out);
  return Seconds(start);
}

template <typename A, typename B, typename C>
std::array<double, 3> BestOfRounds(int runs, A&& a, B&& b, C&& c) {
  std::array<double, 3> best = {1e30, 1e30, 1e30};
  for (int round = 0; round < runs; ++round)
    for (int k = 0; k < 3; ++k) {
      const int which = (round + k) % 3;
      best[which] = std::min(best[which], which == 0 ? a() : which == 1 ? b() : c());
    }
  return best;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: split_bench <source file> <scratch folder> [runs] [volume bytes]\n");
    return 2;
  }
  const std::wstring source = argv[1], scratch = argv[2];
  const int runs = argc > 3 ? std::max(1, _wtoi(argv[3])) : 3;
  const uint64_t volume = argc > 4 ? _wtoi64(argv[4]) : 100000000;
  HWND owner = CreateWindowExW(0, L"STATIC", L"split bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 640, 480,
                               nullptr, nullptr, nullptr, nullptr);
  quill::TfCopying dialog(owner);
  quill::IFileStreams& files = quill::TWin32FileStreams::Instance();
  quill::TLatin1CodePage codePage;
  const std::wstring volumes = scratch + L"\\volumes", bare = scratch + L"\\bare";
  CreateDirectoryW(volumes.c_str(), nullptr);
  CreateDirectoryW(bare.c_str(), nullptr);
  const std::string baseName = quill::SplitName(Narrow(source.substr(source.find_last_of(L'\\') + 1))).first;

  auto split = [&](quill::ICopyProgress* progress) {
    RemoveFiles(volumes);
    quill::TSplitter splitter(files, codePage, progress);
    const auto start = Clock::now();
    if (const uint32_t error = splitter.Run(Narrow(source), Narrow(volumes), volume, "Split File")) Fail("split", error);
    return Seconds(start);
  };
  const auto [splitBare, splitQuiet, splitShown] = BestOfRounds(
      runs, [&] { return BareSplit(source, bare, volume); }, [&] { return split(nullptr); },
      [&] { return split(&dialog); });
  RemoveFiles(bare);

  // The set of the last split run, joined with its list.
  const std::vector<quill::TJoinVolume> set = quill::CountVolumes(files, Narrow(volumes), baseName);
  std::string listBytes;
  quill::TWin32FileSystem::Instance().ReadAll(Narrow(volumes) + "\\" + baseName + ".crc", listBytes);
  const quill::TCrcList list = quill::ParseCrcList(listBytes, codePage);
  if (list.crcs.size() != set.size()) Fail("list", static_cast<unsigned>(list.crcs.size()));
  std::string start(quill::kJoinHeaderScan, '\0');
  {
    std::unique_ptr<quill::IFileReader> first;
    uint32_t done = 0;
    if (files.OpenRead(Narrow(volumes) + "\\" + set[0].name, first) ||
        first->Read(start.data(), static_cast<uint32_t>(start.size()), done))
      Fail("header", 0);
    start.resize(done);
  }
  const quill::TJoinHeader header = quill::DetectHeader(start, codePage);
  const std::wstring joined = scratch + L"\\joined.bin";
  auto join = [&](quill::ICopyProgress* progress) {
    DeleteFileW(joined.c_str());
    quill::TJoiner joiner(files, progress);
    const auto begin = Clock::now();
    if (const uint32_t error = joiner.Run(Narrow(volumes), set, header.dataStart, list, Narrow(joined), "Join Files"))
      Fail("join", error);
    return Seconds(begin);
  };
  const std::wstring bareJoined = scratch + L"\\bare-joined.bin";
  const auto [joinBare, joinQuiet, joinShown] = BestOfRounds(
      runs, [&] { return BareJoin(volumes, set, bareJoined); }, [&] { return join(nullptr); },
      [&] { return join(&dialog); });
  DeleteFileW(bareJoined.c_str());
  DeleteFileW(joined.c_str());
  RemoveFiles(volumes);
  RemoveDirectoryW(volumes.c_str());
  RemoveDirectoryW(bare.c_str());

  std::printf("best of %d, rotating order; %u volumes of %llu bytes\n", runs, static_cast<unsigned>(set.size()),
              static_cast<unsigned long long>(volume));
  std::printf("                                                 split        join\n");
  std::printf("bare loop (65,535-byte blocks, no CRC)         %8.3f s   %8.3f s\n", splitBare, joinBare);
  std::printf("ours, progress off (CRC-32 of every byte)      %8.3f s   %8.3f s\n", splitQuiet, joinQuiet);
  std::printf("ours, progress window shown                    %8.3f s   %8.3f s\n", splitShown, joinShown);
  std::printf("\nratios                                    split      join     target\n");
  std::printf("ours / bare loop                          %6.2fx   %6.2fx   <= 1.1x\n", splitQuiet / splitBare,
              joinQuiet / joinBare);
  std::printf("progress window cost                      %+6.1f%%   %+6.1f%%   < 10%%\n",
              (splitShown / splitQuiet - 1) * 100, (joinShown / joinQuiet - 1) * 100);
  DestroyWindow(owner);
  return 0;
}
