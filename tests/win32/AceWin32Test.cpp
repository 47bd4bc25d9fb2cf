// UnACE.dll as a caller uses it (loaded from beside the test program, its exports found by name,
// driven through the published records) and ace32.exe run with the command lines Quill builds.
// The archives come from our writer and from headers assembled by hand; what ace32.exe writes is
// read back through the DLL.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "archivers/unace/UnaceInterface.h"
#include "platform/Utf16.h"
#include "tests/native/AceCraft.h"
#include "tests/win32/TestSupport.h"

namespace quill {
namespace {

using namespace unaceapi;
using test::Exists;
using test::MakeFolder;
using test::ReadBytes;
using test::WriteBytes;

std::vector<std::pair<std::string, int>> volumeEvents;
int volumeAnswer = 1;  // to "about to open"
int askAnswer = 0;     // to "missing"
std::string volumeRename;  // written over the name when a volume is asked for
size_t dataBytes = 0;
int dataCalls = 0, dataStopAt = -1;

int __stdcall OnVolume(char* name, int mode) {
  volumeEvents.emplace_back(name, mode);
  if (mode == kAceVolAsk && !volumeRename.empty()) lstrcpyA(name, volumeRename.c_str());
  return mode == kAceVolAsk ? askAnswer : volumeAnswer;
}

int __stdcall OnData(unsigned char*, int size) {
  dataBytes += size_t(size);
  ++dataCalls;
  return dataStopAt < 0 || dataCalls < dataStopAt;
}

std::string Noise(size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  uint32_t x = seed * 2654435761u + 1;
  for (char& c : bytes) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 16);
  }
  return bytes;
}

uint32_t DosTimeOfFile(const std::string& path) {
  HANDLE file = CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  FILETIME written{}, local{};
  GetFileTime(file, nullptr, nullptr, &written);
  CloseHandle(file);
  FileTimeToLocalFileTime(&written, &local);
  WORD date = 0, time = 0;
  FileTimeToDosDateTime(&local, &date, &time);
  return uint32_t(date) << 16 | time;
}

std::vector<std::string> Matching(const std::string& pattern) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(Widen(pattern).c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do names.push_back(Narrow(data.cFileName));
  while (FindNextFileW(find, &data));
  FindClose(find);
  return names;
}

struct Listed {
  std::string name;
  std::wstring wide;
  ACEHeaderData header;
};

class AceWin32 : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    folder_ = Narrow(exe);
    folder_ = folder_.substr(0, folder_.find_last_of('\\') + 1);
    library_ = LoadLibraryW(Widen(folder_ + "UnACE.dll").c_str());
    ASSERT_NE(library_, nullptr);
    open_ = Find<OpenArchiveFn>("ACEOpenArchive");
    close_ = Find<CloseArchiveFn>("ACECloseArchive");
    read_ = Find<ReadHeaderFn>("ACEReadHeader");
    process_ = Find<ProcessFileFn>("ACEProcessFile");
    processW_ = Find<ProcessFileWFn>("ACEProcessFileW");
    password_ = Find<SetPasswordFn>("ACESetPassword");
    ASSERT_TRUE(open_ && close_ && read_ && process_ && processW_ && password_);
    volumeEvents.clear();
    volumeAnswer = 1;
    askAnswer = 0;
    volumeRename.clear();
    dataBytes = 0;
    dataCalls = 0;
    dataStopAt = -1;
  }
  void TearDown() override {
    if (library_) FreeLibrary(library_);
  }

  template <typename Fn>
  Fn Find(const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(library_, name)));
  }

  void* Open(const std::string& path, unsigned mode, unsigned* result = nullptr, bool callbacks = false,
             ACEOpenArchiveData* out = nullptr) {
    std::string name = path;
    ACEOpenArchiveData data{};
    data.ArcName = name.data();
    data.OpenMode = mode;
    if (callbacks) {
      data.ChangeVolumeProc = OnVolume;
      data.ProcessDataProc = OnData;
    }
    void* handle = open_(&data);
    if (result) *result = data.OpenResult;
    if (out) *out = data;
    return handle;
  }

  // Every header, each entry processed with `operation` into `dest`; the results in `codes`,
  // the final read result last.
  std::vector<Listed> Walk(void* handle, int operation, const std::wstring& dest, std::vector<int>* codes = nullptr,
                           bool wide = true) {
    std::vector<Listed> listed;
    ACEHeaderData header{};
    int read;
    while ((read = read_(handle, &header)) == 0) {
      listed.push_back({header.FileName, header.FileNameW, header});
      std::wstring destination = dest;
      std::string ansi = Narrow(dest);
      const int result = wide ? processW_(handle, operation, destination.data()) : process_(handle, operation, ansi.data());
      if (codes) codes->push_back(result);
    }
    if (codes) codes->push_back(read);
    return listed;
  }

  void WriteArchive(const std::string& path, const std::vector<std::pair<aceformat::WriteEntry, std::string>>& entries,
                    uint64_t volumeSize = 0) {
    acecraft::MemorySink sink;
    aceformat::WriterOptions options;
    options.volumeSize = volumeSize;
    aceformat::AceWriter writer(sink, options);
    for (const auto& [entry, bytes] : entries) {
      acecraft::StringData data(bytes);
      ASSERT_TRUE(writer.Add(entry, &data));
    }
    ASSERT_TRUE(writer.End());
    for (unsigned i = 0; i < sink.volumes.size(); ++i) WriteBytes(aceformat::VolumeName(path, i), sink.volumes[i]);
  }

  // Runs ace32.exe with `arguments` (as Quill passes them, starting with a blank) in `cwd`.
  int Ace(const std::string& arguments, const std::string& cwd, std::string* said = nullptr) {
    const std::string errors = scratch_ / ("ace-errors-" + std::to_string(++runs_) + ".txt");
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE out = CreateFileW(Widen(errors).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = startup.hStdError = out;
    PROCESS_INFORMATION process{};
    const std::wstring program = Widen(folder_ + "ace32.exe");
    std::wstring line = L"\"" + program + L"\"" + Widen(arguments);
    const bool started = CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                        Widen(cwd).c_str(), &startup, &process);
    CloseHandle(out);
    EXPECT_TRUE(started);
    if (!started) return -1;
    WaitForSingleObject(process.hProcess, 120000);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (said) *said = ReadBytes(errors);
    return static_cast<int>(code);
  }

  // The list file Quill writes: one item a line, in the ANSI code page.
  std::string List(const std::vector<std::string>& items) {
    std::string text;
    for (const auto& item : items) text += item + "\r\n";
    const std::string path = scratch_ / "quillTempFile.$$$";
    WriteBytes(path, text);
    return path;
  }

  test::TScratchFolder scratch_;
  std::string folder_;
  HMODULE library_ = nullptr;
  OpenArchiveFn open_ = nullptr;
  CloseArchiveFn close_ = nullptr;
  ReadHeaderFn read_ = nullptr;
  ProcessFileFn process_ = nullptr;
  ProcessFileWFn processW_ = nullptr;
  SetPasswordFn password_ = nullptr;
  int runs_ = 0;
};

TEST_F(AceWin32, ListsAndExtractsWithOrWithoutATrailingSeparator) {
  const uint32_t when = aceformat::DosTime(2018, 6, 7, 8, 9, 10);
  const std::string big = Noise(150000, 3);
  const std::string archive = scratch_ / "x.ace";
  WriteArchive(archive, {{{"docs", true, 0, when, 0}, ""},
                         {{"docs\\a.txt", false, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE, when, 5}, "hello"},
                         {{"big.bin", false, FILE_ATTRIBUTE_ARCHIVE, 0, big.size()}, big}});

  unsigned result = 99;
  void* list = Open(archive, kAceOpenList, &result);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(result, 0u);
  std::vector<int> codes;
  auto listed = Walk(list, kAceSkip, L"", &codes);
  close_(list);
  ASSERT_EQ(listed.size(), 3u);
  EXPECT_EQ(codes, (std::vector<int>{0, 0, 0, kAceEndArchive}));
  EXPECT_EQ(listed[1].name, "docs\\a.txt");
  EXPECT_EQ(listed[1].wide, L"docs\\a.txt");
  EXPECT_EQ(listed[0].header.FileAttr, 0x10u);
  EXPECT_EQ(listed[1].header.FileAttr, unsigned(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_EQ(listed[1].header.FileTime, when);
  EXPECT_EQ(listed[1].header.UnpSize, 5u);
  EXPECT_EQ(listed[1].header.PackSize, 5u);
  EXPECT_EQ(listed[1].header.HostOS, 2u);
  EXPECT_EQ(listed[1].header.Method, 0u);
  EXPECT_EQ(listed[1].header.FileCRC, aceformat::AceCrc32("hello", 5));
  EXPECT_STREQ(listed[1].header.ArcName, archive.c_str());

  // The same extraction with "out1" (ANSI call) and "out2\" (UTF-16 call).
  for (const std::string& dest : {scratch_ / "out1", scratch_ / "out2\\"}) {
    const bool wide = dest.back() == '\\';
    ACEOpenArchiveData data{};
    void* handle = Open(archive, kAceOpenExtract, &result, true, &data);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(data.Flags, aceformat::kMainAce20);
    EXPECT_EQ(data.VolumeNumber, 0u);
    codes.clear();
    dataBytes = 0;
    Walk(handle, kAceExtract, Widen(dest), &codes, wide);
    close_(handle);
    EXPECT_EQ(codes, (std::vector<int>{0, 0, 0, kAceEndArchive})) << dest;
    const std::string root = wide ? dest.substr(0, dest.size() - 1) : dest;
    EXPECT_EQ(ReadBytes(root + "\\docs\\a.txt"), "hello") << dest;
    EXPECT_EQ(ReadBytes(root + "\\big.bin"), big) << dest;
    EXPECT_EQ(dataBytes, big.size() + 5) << dest;
    EXPECT_EQ(DosTimeOfFile(root + "\\docs\\a.txt"), when) << dest;
    EXPECT_TRUE(test::Attributes(root + "\\docs\\a.txt") & FILE_ATTRIBUTE_READONLY) << dest;
    EXPECT_TRUE(Matching(root + "\\*.tmp").empty()) << dest;
  }
  // Again over the read-only file: replaced (the caller asked the user).
  void* again = Open(archive, kAceOpenExtract);
  ASSERT_NE(again, nullptr);
  codes.clear();
  Walk(again, kAceExtract, Widen(scratch_ / "out1"), &codes);
  close_(again);
  EXPECT_EQ(codes, (std::vector<int>{0, 0, 0, kAceEndArchive}));

  // Opening what is not there, or not an archive.
  EXPECT_EQ(Open(scratch_ / "none.ace", kAceOpenList, &result), nullptr);
  EXPECT_EQ(result, unsigned(kAceOpenFailed));
  WriteBytes(scratch_ / "text.ace", "plain text, no archive here");
  EXPECT_EQ(Open(scratch_ / "text.ace", kAceOpenList, &result), nullptr);
  EXPECT_EQ(result, unsigned(kAceNotAce));
}

TEST_F(AceWin32, NamesFollowTheHostsCodePageAndUnsafeOrUnknownEntriesAreRefused) {
  // A DOS archive with an OEM name, then a Windows one with the same letter in ANSI.
  acecraft::File oem{"m\x81nchen.txt", "oem"};
  acecraft::File ansi{"m\xFCnchen.txt", "ansi"};
  WriteBytes(scratch_ / "dos.ace", acecraft::MainBytes(0x0100, 0, 0) + acecraft::Entry(oem));
  WriteBytes(scratch_ / "win.ace", acecraft::MainBytes(0x0100, 0, 2) + acecraft::Entry(ansi));
  if (GetOEMCP() == 437 && GetACP() == 1252) {
    for (const char* name : {"dos.ace", "win.ace"}) {
      void* handle = Open(scratch_ / name, kAceOpenExtract);
      ASSERT_NE(handle, nullptr);
      auto listed = Walk(handle, kAceExtract, Widen(scratch_ / "names"));
      close_(handle);
      ASSERT_EQ(listed.size(), 1u) << name;
      EXPECT_EQ(listed[0].wide, L"m\u00FCnchen.txt") << name;
      EXPECT_EQ(listed[0].name, "m\xFCnchen.txt") << name;
    }
    EXPECT_TRUE(Exists(scratch_ / "names\\m\xC3\xBCnchen.txt"));  // the helpers take UTF-8
  } else {
    std::printf("code pages %u/%u: the name check needs 437/1252, left out\n", GetOEMCP(), GetACP());
  }

  // Escaping names, a packed entry, an encrypted one, a bad CRC: refused, nothing left behind.
  acecraft::File evil{"..\\evil.txt", "evil"};
  acecraft::File packed{"packed.bin", "\x11\x22\x33", 40};
  packed.method = 2;
  acecraft::File locked{"locked.txt", "xxxx"};
  locked.flags |= 0x4000;
  acecraft::File bad{"bad.txt", Noise(100000, 5)};
  bad.crc = 0xDEADBEEF;
  WriteBytes(scratch_ / "hostile.ace", acecraft::MainBytes() + acecraft::Entry(evil) + acecraft::Entry(packed) +
                                           acecraft::Entry(locked) + acecraft::Entry(bad) +
                                           acecraft::Entry({"good.txt", "good"}));
  MakeFolder(scratch_ / "dest");
  void* handle = Open(scratch_ / "hostile.ace", kAceOpenExtract);
  ASSERT_NE(handle, nullptr);
  char password[] = "secret";
  EXPECT_EQ(password_(handle, password), 0);
  std::vector<int> codes;
  Walk(handle, kAceExtract, Widen(scratch_ / "dest"), &codes);
  close_(handle);
  EXPECT_EQ(codes, (std::vector<int>{kAceWriteFailed, kAceUnknownFormat, kAceUnknownFormat, kAceBadCrc, 0,
                                     kAceEndArchive}));
  EXPECT_FALSE(Exists(scratch_ / "evil.txt"));
  std::vector<std::string> left = Matching(scratch_ / "dest\\*");
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{".", "..", "good.txt"}));
}

TEST_F(AceWin32, VolumesAreJoinedThroughTheVolumeCallback) {
  const std::string big = Noise(2600, 9);
  const std::string archive = scratch_ / "set.ace";
  WriteArchive(archive, {{{"first.txt", false, 0x20, 0, 5}, "first"},
                         {{"big.bin", false, 0x20, 0, big.size()}, big},
                         {{"last.txt", false, 0x20, 0, 4}, "last"}},
               1000);
  ASSERT_TRUE(Exists(scratch_ / "set.c01"));
  ASSERT_FALSE(Exists(scratch_ / "set.c02"));

  // A listing whose callback says stop sees the first volume only.
  volumeAnswer = 0;
  void* list = Open(archive, kAceOpenList, nullptr, true);
  ASSERT_NE(list, nullptr);
  auto listed = Walk(list, kAceSkip, L"");
  close_(list);
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_EQ(listed[1].header.Flags & 0x20, 0x20u);  // continued in the next volume
  EXPECT_LT(listed[1].header.PackSize, listed[1].header.UnpSize);

  EXPECT_EQ(volumeEvents, (std::vector<std::pair<std::string, int>>{{scratch_ / "set.c00", kAceVolNotify}}));

  // Extraction: told before each volume, the parts joined.
  volumeEvents.clear();
  volumeAnswer = 1;
  ACEOpenArchiveData data{};
  void* handle = Open(archive, kAceOpenExtract, nullptr, true, &data);
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(data.Flags & aceformat::kMainMultiVolume, aceformat::kMainMultiVolume);
  std::vector<int> codes;
  listed = Walk(handle, kAceExtract, Widen(scratch_ / "out"), &codes);
  close_(handle);
  EXPECT_EQ(codes, (std::vector<int>{0, 0, 0, kAceEndArchive}));
  EXPECT_EQ(ReadBytes(scratch_ / "out\\big.bin"), big);
  EXPECT_EQ(ReadBytes(scratch_ / "out\\last.txt"), "last");
  ASSERT_EQ(listed.size(), 3u);
  EXPECT_EQ(std::string(listed[2].header.ArcName), scratch_ / "set.c01");
  EXPECT_EQ(volumeEvents, (std::vector<std::pair<std::string, int>>{{scratch_ / "set.c00", kAceVolNotify},
                                                                    {scratch_ / "set.c01", kAceVolNotify}}));

  // The last volume gone: asked for, and without an answer the entry fails with nothing left.
  MakeFolder(scratch_ / "spare");
  ASSERT_TRUE(MoveFileW(Widen(scratch_ / "set.c01").c_str(), Widen(scratch_ / "spare\\set.c01").c_str()));
  volumeEvents.clear();
  handle = Open(archive, kAceOpenExtract, nullptr, true);
  codes.clear();
  Walk(handle, kAceExtract, Widen(scratch_ / "missing"), &codes);
  close_(handle);
  EXPECT_EQ(codes.at(1), kAceMissingVolume);
  EXPECT_FALSE(Exists(scratch_ / "missing\\big.bin"));
  EXPECT_TRUE(Matching(scratch_ / "missing\\*.tmp").empty());
  ASSERT_FALSE(volumeEvents.empty());
  EXPECT_EQ(volumeEvents.back(), std::make_pair(scratch_ / "set.c01", int(kAceVolAsk)));

  // The callback names where it is now.
  volumeEvents.clear();
  askAnswer = 1;
  volumeRename = scratch_ / "spare\\set.c01";
  handle = Open(archive, kAceOpenExtract, nullptr, true);
  codes.clear();
  Walk(handle, kAceTest, L"", &codes);
  close_(handle);
  EXPECT_EQ(codes, (std::vector<int>{0, 0, 0, kAceEndArchive}));

  // The data callback says stop: the entry ends with kAceUserBreak.
  volumeRename.clear();
  ASSERT_TRUE(MoveFileW(Widen(scratch_ / "spare\\set.c01").c_str(), Widen(scratch_ / "set.c01").c_str()));
  dataCalls = 0;
  dataStopAt = 2;
  handle = Open(archive, kAceOpenExtract, nullptr, true);
  codes.clear();
  Walk(handle, kAceExtract, Widen(scratch_ / "stopped"), &codes);
  close_(handle);
  EXPECT_EQ(codes.at(1), kAceUserBreak);
  EXPECT_FALSE(Exists(scratch_ / "stopped\\big.bin"));
}

TEST_F(AceWin32, Ace32StoresQuillsSelectionInVolumesAndMovesOnlyOnSuccess) {
  const std::string src = scratch_ / "src";
  MakeFolder(src);
  MakeFolder(src + "\\docs");
  MakeFolder(src + "\\docs\\sub");
  const std::string big = Noise(3000, 7);
  WriteBytes(src + "\\a.txt", "alpha");
  WriteBytes(src + "\\docs\\big.bin", big);
  WriteBytes(src + "\\docs\\sub\\h.txt", "hidden", FILE_ATTRIBUTE_HIDDEN);

  // Quill's line for Best with 1000-byte volumes.
  std::string said;
  EXPECT_EQ(Ace(" a -y -r -v1 -m5 x.ace @" + List({"a.txt", "docs"}), src, &said), 0) << said;
  std::vector<std::string> volumes = Matching(src + "\\x.*");
  std::sort(volumes.begin(), volumes.end());
  // 3000 bytes of one file alone need four volumes once headers are in.
  ASSERT_GE(volumes.size(), 4u);
  for (size_t i = 0; i < volumes.size(); ++i)
    EXPECT_EQ(volumes[i], aceformat::VolumeName("x.ace", unsigned(i)));
  for (const auto& volume : volumes) EXPECT_LE(ReadBytes(src + "\\" + volume).size(), 1000u) << volume;
  EXPECT_TRUE(Matching(src + "\\*.acetmp").empty());

  void* handle = Open(src + "\\x.ace", kAceOpenExtract);
  ASSERT_NE(handle, nullptr);
  std::vector<int> codes;
  auto listed = Walk(handle, kAceExtract, Widen(scratch_ / "back"), &codes);
  close_(handle);
  std::vector<std::string> names;
  for (const auto& entry : listed) names.push_back(entry.name);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"a.txt", "docs", "docs\\big.bin", "docs\\sub", "docs\\sub\\h.txt"}));
  EXPECT_EQ(std::count(codes.begin(), codes.end(), 0), 5);
  EXPECT_EQ(ReadBytes(scratch_ / "back\\docs\\big.bin"), big);
  EXPECT_EQ(ReadBytes(scratch_ / "back\\a.txt"), "alpha");
  EXPECT_TRUE(test::Attributes(scratch_ / "back\\docs\\sub\\h.txt") & FILE_ATTRIBUTE_HIDDEN);

  // A move that cannot finish (no such folder for the archive) deletes nothing.
  EXPECT_EQ(Ace(" m -y -r -m5 nofolder\\m.ace @" + List({"a.txt", "docs"}), src, &said), 2) << said;
  EXPECT_TRUE(Exists(src + "\\a.txt"));
  EXPECT_TRUE(Exists(src + "\\docs\\big.bin"));
  // A password is refused, and nothing is written or deleted.
  EXPECT_NE(Ace(" m -y -r -psecret -m5 p.ace @" + List({"a.txt"}), src, &said), 0);
  EXPECT_NE(said.find("encryption"), std::string::npos) << said;
  EXPECT_FALSE(Exists(src + "\\p.ace"));
  EXPECT_TRUE(Exists(src + "\\a.txt"));
  EXPECT_EQ(Ace(" q -y x.ace @list", src, &said), 7);

  // The move that works: the originals go, folders too once empty.
  EXPECT_EQ(Ace(" m -y -r -m0 moved.ace @" + List({"a.txt", "docs"}), src, &said), 0) << said;
  EXPECT_FALSE(Exists(src + "\\a.txt"));
  EXPECT_FALSE(Exists(src + "\\docs"));
  EXPECT_TRUE(Exists(src + "\\moved.ace"));

  // Update: an unchanged entry is copied byte for byte, a newer file replaces its entry.
  WriteBytes(src + "\\one.txt", "one v1");
  WriteBytes(src + "\\two.txt", "two v1");
  EXPECT_EQ(Ace(" a -y u.ace @" + List({"one.txt", "two.txt"}), src, &said), 0) << said;
  const std::string before = ReadBytes(src + "\\u.ace");
  WriteBytes(src + "\\two.txt", "two v2, longer");
  HANDLE file = CreateFileW(Widen(src + "\\two.txt").c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0,
                            nullptr);
  FILETIME later;
  GetSystemTimeAsFileTime(&later);
  ULARGE_INTEGER ticks{{later.dwLowDateTime, later.dwHighDateTime}};
  ticks.QuadPart += 10ull * 60 * 10000000;  // ten minutes on
  later = {ticks.LowPart, ticks.HighPart};
  SetFileTime(file, nullptr, nullptr, &later);
  CloseHandle(file);
  EXPECT_EQ(Ace(" u -y u.ace @" + List({"one.txt", "two.txt"}), src, &said), 0) << said;
  const std::string after = ReadBytes(src + "\\u.ace");
  const size_t firstEntry = 30, oneLength = 4 + 31 + 7 + 6;
  EXPECT_EQ(after.substr(firstEntry, oneLength), before.substr(firstEntry, oneLength));
  EXPECT_NE(after.find("two v2, longer"), std::string::npos);
  EXPECT_EQ(after.find("two v1"), std::string::npos);
  EXPECT_TRUE(Matching(src + "\\*.acetmp").empty());
}

}  // namespace
}  // namespace quill
