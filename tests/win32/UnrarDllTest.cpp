// UnRAR.dll as a caller uses it: loaded from beside the test program with LoadLibrary, its
// exports found by name, its published records declared here independently. The archives are
// the shared RAR fixtures (their own checksums and bsdtar's bytes judge what is extracted) and
// RAR 5 store archives crafted here for hostile names and damage.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "archivers/rarcrypto/CngCrypto.h"
#include "tests/native/RarCraft.h"
#include "tests/win32/TestSupport.h"

using namespace quill;
using namespace quill::test;

namespace {

#pragma pack(push, 1)
struct OpenData {
  char* ArcName;
  unsigned OpenMode, OpenResult;
  char* CmtBuf;
  unsigned CmtBufSize, CmtSize, CmtState;
};
using UnifiedCallback = int(CALLBACK*)(UINT, LPARAM, LPARAM, LPARAM);
struct OpenDataEx {
  char* ArcName;
  wchar_t* ArcNameW;
  unsigned OpenMode, OpenResult;
  char* CmtBuf;
  unsigned CmtBufSize, CmtSize, CmtState, Flags;
  UnifiedCallback Callback;
  LPARAM UserData;
  unsigned Reserved[28];
};
struct HeaderData {
  char ArcName[260];
  char FileName[260];
  unsigned Flags, PackSize, UnpSize, HostOS, FileCRC, FileTime, UnpVer, Method, FileAttr;
  char* CmtBuf;
  unsigned CmtBufSize, CmtSize, CmtState;
};
struct HeaderDataEx {
  char ArcName[1024];
  wchar_t ArcNameW[1024];
  char FileName[1024];
  wchar_t FileNameW[1024];
  unsigned Flags, PackSize, PackSizeHigh, UnpSize, UnpSizeHigh, HostOS, FileCRC, FileTime, UnpVer, Method, FileAttr;
  char* CmtBuf;
  unsigned CmtBufSize, CmtSize, CmtState, DictSize, HashType;
  char Hash[32];
  unsigned RedirType;
  wchar_t* RedirName;
  unsigned RedirNameSize, DirTarget;
  unsigned Reserved[994];
};
#pragma pack(pop)
#if defined(__i386__)
static_assert(sizeof(OpenData) == 28 && sizeof(HeaderData) == 572 && sizeof(OpenDataEx) == 156);
static_assert(offsetof(HeaderDataEx, Flags) == 6144 && offsetof(HeaderDataEx, DictSize) == 6204);
#endif

using OpenFn = HANDLE(PASCAL*)(OpenData*);
using OpenExFn = HANDLE(PASCAL*)(OpenDataEx*);
using CloseFn = int(PASCAL*)(HANDLE);
using ReadHeaderFn = int(PASCAL*)(HANDLE, HeaderData*);
using ReadHeaderExFn = int(PASCAL*)(HANDLE, HeaderDataEx*);
using ProcessFn = int(PASCAL*)(HANDLE, int, char*, char*);
using ProcessWFn = int(PASCAL*)(HANDLE, int, wchar_t*, wchar_t*);
using ChangeVolFn = int(PASCAL*)(char*, int);
using ProcessDataFn = int(PASCAL*)(unsigned char*, int);
using SetChangeVolFn = void(PASCAL*)(HANDLE, ChangeVolFn);
using SetProcessDataFn = void(PASCAL*)(HANDLE, ProcessDataFn);
using SetCallbackFn = void(PASCAL*)(HANDLE, UnifiedCallback, LPARAM);
using SetPasswordFn = void(PASCAL*)(HANDLE, char*);
using VersionFn = int(PASCAL*)();

const std::string kFixtures = "/work/shared/fixtures/rar";

// What the callbacks saw; the callbacks have no user data, so one record for the suite.
struct Seen {
  std::vector<std::pair<std::string, int>> volumes;
  long long bytes = 0;
  int volumeAnswer = 0;
  long long abortAfter = -1;
  std::string newVolumeName;
} g_seen;

int PASCAL ChangeVolume(char* name, int mode) {
  g_seen.volumes.push_back({name, mode});
  if (mode == 0 && !g_seen.newVolumeName.empty()) {
    lstrcpyA(name, g_seen.newVolumeName.c_str());
    g_seen.newVolumeName.clear();
    return 1;
  }
  return mode == 1 ? 1 : g_seen.volumeAnswer;
}
int PASCAL CountData(unsigned char*, int size) {
  g_seen.bytes += size;
  return g_seen.abortAfter >= 0 && g_seen.bytes > g_seen.abortAfter ? 0 : 1;
}
// Declared cdecl the way some callers did: the DLL must leave the stack as it was.
int __cdecl CdeclChangeVolume(char* name, int mode) { return ChangeVolume(name, mode); }
int __cdecl CdeclCountData(unsigned char* addr, int size) { return CountData(addr, size); }

struct Unified {
  std::vector<UINT> messages;
  std::wstring password;
  long long bytes = 0;
};
int CALLBACK UnifiedProc(UINT message, LPARAM user, LPARAM p1, LPARAM p2) {
  auto* u = reinterpret_cast<Unified*>(user);
  u->messages.push_back(message);
  if (message == 1) u->bytes += p2;
  if (message == 4 && !u->password.empty()) {
    lstrcpynW(reinterpret_cast<wchar_t*>(p1), u->password.c_str(), int(p2));
    return 1;
  }
  if (message == 4 || message == 2) return -1;
  return 1;
}

int CALLBACK StopAtVolume(UINT message, LPARAM user, LPARAM p1, LPARAM p2) {
  UnifiedProc(message, user, p1, p2);
  return message == 3 ? -1 : 1;
}

class TUnrarDllTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring dll(exe);
    dll = dll.substr(0, dll.rfind(L'\\') + 1) + L"UnRAR.dll";
    module_ = LoadLibraryW(dll.c_str());
  }
  static void TearDownTestSuite() {
    if (module_) FreeLibrary(module_);
  }
  template <typename T>
  static T Fn(const char* name) {
    return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
  }
  void SetUp() override {
    ASSERT_TRUE(module_) << "UnRAR.dll is missing beside the test program";
    g_seen = Seen{};
    MakeFolder(out_);
  }

  HANDLE Open(const std::string& path, unsigned mode, unsigned* result = nullptr) {
    OpenData data{};
    data.ArcName = const_cast<char*>(path.c_str());
    data.OpenMode = mode;
    HANDLE h = Fn<OpenFn>("RAROpenArchive")(&data);
    if (result) *result = data.OpenResult;
    return h;
  }

  struct Entry {
    std::string name;
    unsigned flags, size, attributes;
    int result;
  };
  // Every entry with `operation` into `dest`; `end` the code that ended the walk.
  std::vector<Entry> Run(const std::string& archive, unsigned mode, int operation, const std::string& dest,
                         int* end = nullptr, bool callbacks = true) {
    std::vector<Entry> entries;
    HANDLE h = Open(archive, mode);
    EXPECT_TRUE(h) << archive;
    if (!h) return entries;
    if (callbacks) {
      Fn<SetChangeVolFn>("RARSetChangeVolProc")(h, ChangeVolume);
      Fn<SetProcessDataFn>("RARSetProcessDataProc")(h, CountData);
    }
    HeaderData header{};
    int status;
    while ((status = Fn<ReadHeaderFn>("RARReadHeader")(h, &header)) == 0) {
      int result = Fn<ProcessFn>("RARProcessFile")(h, operation, dest.empty() ? nullptr : const_cast<char*>(dest.c_str()),
                                                   nullptr);
      entries.push_back({header.FileName, header.Flags, header.UnpSize, header.FileAttr, result});
    }
    if (end) *end = status;
    EXPECT_EQ(Fn<CloseFn>("RARCloseArchive")(h), 0);
    return entries;
  }

  static std::string Fixture(const std::string& name) { return HostSpelling(kFixtures + "/" + name); }

  inline static HMODULE module_ = nullptr;
  TScratchFolder scratch_;
  std::string out_ = scratch_ / "out";
};

// Every file under `folder`, relative, sorted; temporary files of ours would show here too.
void ListFiles(const std::string& folder, const std::string& prefix, std::vector<std::string>& out) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(Widen(folder + "\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    std::string name = Narrow(data.cFileName);
    if (name == "." || name == "..") continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      out.push_back(prefix + name + "\\");
      ListFiles(folder + "\\" + name, prefix + name + "\\", out);
    } else {
      out.push_back(prefix + name);
    }
  } while (FindNextFileW(find, &data));
  FindClose(find);
  std::sort(out.begin(), out.end());
}
std::vector<std::string> ListFiles(const std::string& folder) {
  std::vector<std::string> out;
  ListFiles(folder, "", out);
  return out;
}

TEST_F(TUnrarDllTest, ListsAsTRarReadsIt) {
  EXPECT_GE(Fn<VersionFn>("RARGetDllVersion")(), 3);
  int end = 0;
  std::vector<Entry> entries = Run(Fixture("rar5_win32.rar"), 0, 0, "", &end);
  EXPECT_EQ(end, 10);
  ASSERT_EQ(entries.size(), 8u);
  EXPECT_EQ(entries[0].name, "testdir");
  EXPECT_EQ(entries[0].flags & 0xE0, 0xE0u);
  EXPECT_TRUE(entries[0].attributes & 0x10);
  EXPECT_EQ(entries[1].name, "test.bin");
  EXPECT_EQ(entries[1].size, 1200u);
  EXPECT_EQ(entries[1].flags & 0xE0, 0u);
  for (const Entry& e : entries) EXPECT_EQ(e.result, 0) << e.name;
  EXPECT_EQ(g_seen.bytes, 0);  // listing decodes nothing
  EXPECT_TRUE(ListFiles(out_).empty());

  // RAR 4 with Unix modes: folders carry 0x10, files not (even 0777 links).
  entries = Run(Fixture("rar.rar"), 0, 0, "");
  ASSERT_EQ(entries.size(), 5u);
  EXPECT_EQ(entries[2].name, "testdir\\test.txt");
  EXPECT_FALSE(entries[1].attributes & 0x10);
  EXPECT_TRUE(entries[3].attributes & 0x10);

  // The extended records: Unicode names, 64-bit sizes, the dictionary, the hash type.
  HANDLE h = Open(Fixture("rar5_unicode.rar"), 0);
  ASSERT_TRUE(h);
  static HeaderDataEx ex;
  std::memset(&ex, 0, sizeof ex);
  ASSERT_EQ(Fn<ReadHeaderExFn>("RARReadHeaderEx")(h, &ex), 0);
  EXPECT_EQ(std::wstring(ex.FileNameW), L"\U0001F44B\U0001F30E.txt");
  EXPECT_EQ(ex.UnpSize, 13u);
  EXPECT_EQ(ex.HashType, 1u);
  EXPECT_EQ(ex.DictSize, 128u);
  EXPECT_EQ(ex.UnpVer, 50u);
  Fn<CloseFn>("RARCloseArchive")(h);

  // The archive comment (a packed RAR 4 comment here) into the caller's buffer, cut to fit.
  std::string commented = Fixture("rar_subblock.rar");
  char comment[64] = {};
  OpenData data{};
  data.ArcName = commented.data();
  data.CmtBuf = comment;
  data.CmtBufSize = sizeof comment;
  h = Fn<OpenFn>("RAROpenArchive")(&data);
  ASSERT_TRUE(h);
  Fn<CloseFn>("RARCloseArchive")(h);
  EXPECT_EQ(data.CmtState, 1u);
  EXPECT_EQ(std::string(comment), "test rar with archive comment");
  EXPECT_EQ(data.CmtSize, 30u);
  data.CmtBufSize = 5;
  h = Fn<OpenFn>("RAROpenArchive")(&data);
  ASSERT_TRUE(h);
  Fn<CloseFn>("RARCloseArchive")(h);
  EXPECT_EQ(data.CmtState, 20u);  // ERAR_SMALL_BUF
  EXPECT_EQ(std::string(comment), "test");

  // Not a RAR archive, not a file.
  unsigned result = 0;
  EXPECT_FALSE(Open(HostSpelling(kFixtures + "/../README.md"), 0, &result));
  EXPECT_EQ(result, 13u);
  EXPECT_FALSE(Open(scratch_ / "none.rar", 0, &result));
  EXPECT_EQ(result, 15u);
}

TEST_F(TUnrarDllTest, ExtractsFixturesWithTheBytesBsdtarGivesAndTheirTimesAndAttributes) {
  // Wine's process ids repeat across the machine's concurrent runs: the folder gets the tick
  // count too, and its own "done" mark is waited for rather than the shell's status alone.
  const std::string host = "/tmp/quill-unrar-" + std::to_string(GetCurrentProcessId()) + "-" +
                           std::to_string(GetTickCount64());
  for (const char* name : {"rar5_win32.rar", "rar5_solid.rar", "rar_compress_normal.rar", "rar_filter.rar",
                           "rar5_fileattr.rar", "rar_windows.rar"}) {
    SCOPED_TRACE(name);
    std::string dest = out_ + "\\" + name;
    MakeFolder(dest);
    std::vector<Entry> entries = Run(Fixture(name), 1, 2, dest);
    ASSERT_FALSE(entries.empty());
    ASSERT_TRUE(RunHostShell("rm -rf " + host + " && mkdir -p " + host + " && bsdtar -xf " + kFixtures + "/" + name +
                             " -C " + host + " && touch " + host + "/.done"));
    for (int waited = 0; waited < 30000 && !Exists(HostSpelling(host + "/.done")); waited += 20) Sleep(20);
    for (const Entry& e : entries) {
      EXPECT_EQ(e.result, 0) << e.name;
      if ((e.flags & 0xE0) == 0xE0 || e.name == "testlink") continue;
      std::string theirs = host + "/" + e.name;
      std::replace(theirs.begin(), theirs.end(), '\\', '/');
      EXPECT_EQ(ReadBytes(dest + "\\" + e.name), ReadBytes(HostSpelling(theirs))) << e.name;
    }
  }
  RunHostShell("rm -rf " + host);
  // Attributes as stored (a read-only hidden file, a hidden folder), no temporary files left.
  std::string attrs = out_ + "\\rar5_fileattr.rar";
  EXPECT_EQ(Attributes(attrs + "\\ro_hidden.txt") & 0x07, DWORD(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  EXPECT_TRUE(Attributes(attrs + "\\dir_hidden") & FILE_ATTRIBUTE_HIDDEN);
  for (const std::string& file : ListFiles(out_)) EXPECT_EQ(file.find("~unrar"), std::string::npos) << file;
  // The time: rar_windows.rar's test.txt says 2011-08-18 12:11:24 local time (DOS time 0x3F12616C).
  WIN32_FILE_ATTRIBUTE_DATA data{};
  ASSERT_TRUE(GetFileAttributesExW(Widen(out_ + "\\rar_windows.rar\\test.txt").c_str(), GetFileExInfoStandard, &data));
  FILETIME local{};
  WORD date = 0, time = 0;
  FileTimeToLocalFileTime(&data.ftLastWriteTime, &local);
  FileTimeToDosDateTime(&local, &date, &time);
  EXPECT_EQ(date, 0x3F12);
  EXPECT_EQ(time, 0x616C);
}

TEST_F(TUnrarDllTest, TestModeCountsTheDataAndAnAbortStopsTheEntry) {
  int end = 0;
  std::vector<Entry> entries = Run(Fixture("rar5_solid.rar"), 1, 1, "", &end);
  ASSERT_EQ(entries.size(), 7u);
  for (const Entry& e : entries) EXPECT_EQ(e.result, 0);
  EXPECT_EQ(g_seen.bytes, 1200 + 6 * 4096);
  EXPECT_TRUE(ListFiles(out_).empty());

  // The data callback answers 0 in the middle of the big file: it fails and leaves nothing.
  g_seen = Seen{};
  g_seen.abortAfter = 50000;
  entries = Run(Fixture("rar_filter.rar"), 1, 2, out_);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_NE(entries[0].result, 0);
  EXPECT_TRUE(ListFiles(out_).empty());

  // A cdecl data callback: the stack survives, the count is the same.
  g_seen = Seen{};
  HANDLE h = Open(Fixture("rar5_compressed.rar"), 1);
  ASSERT_TRUE(h);
  Fn<SetProcessDataFn>("RARSetProcessDataProc")(h, reinterpret_cast<ProcessDataFn>(CdeclCountData));
  HeaderData header{};
  for (int i = 0; i < 3 && Fn<ReadHeaderFn>("RARReadHeader")(h, &header) == 0; ++i)
    EXPECT_EQ(Fn<ProcessFn>("RARProcessFile")(h, 1, nullptr, nullptr), 0);
  Fn<CloseFn>("RARCloseArchive")(h);
  EXPECT_EQ(g_seen.bytes, 1200);
}

TEST_F(TUnrarDllTest, VolumesAskTheCallbackAndAnAnswerOfZeroStops) {
  // No callbacks at all: the volumes that are there are simply used.
  int noCallbackEnd = 0;
  std::vector<Entry> whole = Run(Fixture("rar5_multiarchive.part01.rar"), 1, 1, "", &noCallbackEnd, false);
  ASSERT_EQ(whole.size(), 2u);
  EXPECT_EQ(whole[0].result, 0);
  EXPECT_EQ(whole[1].result, 0);
  EXPECT_EQ(noCallbackEnd, 10);

  // Only the first volume of the set beside the archive.
  std::string set = scratch_ / "set";
  MakeFolder(set);
  for (int i = 1; i <= 8; ++i) {
    std::string name = "rar5_multiarchive.part0" + std::to_string(i) + ".rar";
    if (i != 2) WriteBytes(set + "\\" + name, ReadBytes(Fixture(name)));
  }
  int end = 0;
  g_seen.volumeAnswer = 0;
  std::vector<Entry> entries = Run(set + "\\rar5_multiarchive.part01.rar", 1, 2, out_, &end);
  ASSERT_GE(entries.size(), 1u);
  EXPECT_EQ(entries[0].result, 15);  // ERAR_EOPEN
  ASSERT_FALSE(g_seen.volumes.empty());
  EXPECT_EQ(g_seen.volumes[0].second, 0);
  EXPECT_NE(g_seen.volumes[0].first.find("rar5_multiarchive.part02.rar"), std::string::npos);
  // The entry's folders may be there; no file is.
  for (const std::string& name : ListFiles(out_)) EXPECT_EQ(name.back(), '\\') << name;

  // The callback names where the missing volume is: extraction goes on from there (the next
  // volume's name follows the new one), and the CRC holds.
  std::string other = scratch_ / "other";
  MakeFolder(other);
  for (const char* part : {"rar5_multiarchive.part02.rar", "rar5_multiarchive.part03.rar"})
    WriteBytes(other + "\\" + part, ReadBytes(Fixture(part)));
  g_seen = Seen{};
  g_seen.newVolumeName = other + "\\rar5_multiarchive.part02.rar";
  HANDLE h = Open(set + "\\rar5_multiarchive.part01.rar", 1);
  ASSERT_TRUE(h);
  Fn<SetChangeVolFn>("RARSetChangeVolProc")(h, reinterpret_cast<ChangeVolFn>(CdeclChangeVolume));
  Fn<SetProcessDataFn>("RARSetProcessDataProc")(h, CountData);
  HeaderData header{};
  ASSERT_EQ(Fn<ReadHeaderFn>("RARReadHeader")(h, &header), 0);
  EXPECT_EQ(Fn<ProcessFn>("RARProcessFile")(h, 1, nullptr, nullptr), 0);
  Fn<CloseFn>("RARCloseArchive")(h);
  ASSERT_GE(g_seen.volumes.size(), 2u);
  EXPECT_EQ(g_seen.volumes[0].second, 0);
  EXPECT_EQ(g_seen.volumes[1], std::make_pair(other + "\\rar5_multiarchive.part02.rar", 1));
  EXPECT_EQ(g_seen.volumes[2], std::make_pair(other + "\\rar5_multiarchive.part03.rar", 1));
  EXPECT_EQ(g_seen.bytes, 144608);

  // Listing with the unified callback's UCM_CHANGEVOLUMEW answered -1: the listing ends there.
  Unified unified;
  OpenDataEx ex{};
  std::string first = Fixture("rar5_multiarchive.part01.rar");
  ex.ArcName = const_cast<char*>(first.c_str());
  ex.OpenMode = 0;
  ex.Callback = StopAtVolume;
  ex.UserData = LPARAM(&unified);
  h = Fn<OpenExFn>("RAROpenArchiveEx")(&ex);
  ASSERT_TRUE(h);
  EXPECT_EQ(ex.Flags & 0x101, 0x101u);  // a volume, the first
  int listed = 0, status;
  while ((status = Fn<ReadHeaderFn>("RARReadHeader")(h, &header)) == 0) {
    ++listed;
    Fn<ProcessFn>("RARProcessFile")(h, 0, nullptr, nullptr);
  }
  Fn<CloseFn>("RARCloseArchive")(h);
  EXPECT_EQ(listed, 1);
  EXPECT_EQ(status, 15);
  EXPECT_EQ(unified.messages, std::vector<UINT>{3});
}

TEST_F(TUnrarDllTest, HostileNamesAreRefusedAndNothingLandsOutsideTheDestination) {
  using namespace rarcraft;
  std::vector<File> files;
  for (const char* name : {"../escape.txt", "sub/../../escape2.txt", "C:/escape3.txt", "/rooted.txt", "NUL",
                           "aux.txt", "inside/ok.txt"})
    files.push_back(File{name, "x"});
  std::string archive = scratch_ / "hostile.rar";
  WriteBytes(archive, Archive(files));
  std::string dest = scratch_ / "d1" + "\\d2";
  MakeFolder(scratch_ / "d1");
  MakeFolder(dest);
  std::vector<Entry> entries = Run(archive, 1, 2, dest);
  ASSERT_EQ(entries.size(), files.size());
  for (size_t i = 0; i + 1 < entries.size(); ++i) EXPECT_EQ(entries[i].result, 16) << entries[i].name;
  EXPECT_EQ(entries.back().result, 0);
  EXPECT_EQ(ListFiles(scratch_ / "d1"), (std::vector<std::string>{"d2\\", "d2\\inside\\", "d2\\inside\\ok.txt"}));
  EXPECT_FALSE(Exists("C:\\escape3.txt"));
  EXPECT_FALSE(Exists("C:\\rooted.txt"));
}

TEST_F(TUnrarDllTest, AFailedEntryLeavesNoPartialFileAndKeepsTheOldOne) {
  using namespace rarcraft;
  File bad{"kept.txt", "new bytes that fail their check"};
  bad.crcOverride = 0x0BADF00D;
  File good{"fresh.txt", "fine"};
  std::string archive = scratch_ / "bad.rar";
  WriteBytes(archive, Archive({bad, good}));
  WriteBytes(out_ + "\\kept.txt", "the old file");
  std::vector<Entry> entries = Run(archive, 1, 2, out_);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].result, 12);  // ERAR_BAD_DATA
  EXPECT_EQ(entries[1].result, 0);
  EXPECT_EQ(ReadBytes(out_ + "\\kept.txt"), "the old file");
  EXPECT_EQ(ListFiles(out_), (std::vector<std::string>{"fresh.txt", "kept.txt"}));

  // A good entry replaces an existing read-only file.
  WriteBytes(out_ + "\\fresh.txt", "older", FILE_ATTRIBUTE_READONLY);
  entries = Run(archive, 1, 2, out_);
  EXPECT_EQ(entries[1].result, 0);
  EXPECT_EQ(ReadBytes(out_ + "\\fresh.txt"), "fine");

  // A cut archive: the entry fails, no partial file, no temporary one.
  std::string whole = Archive({File{"long.bin", std::string(100000, 'L')}});
  WriteBytes(scratch_ / "cut.rar", whole.substr(0, 60000));
  RemoveTree(out_);
  MakeFolder(out_);
  entries = Run(scratch_ / "cut.rar", 1, 2, out_);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].result, 12);
  EXPECT_TRUE(ListFiles(out_).empty());

  // DestName names the file itself; RARProcessFileW takes UTF-16.
  HANDLE h = Open(archive, 1);
  ASSERT_TRUE(h);
  HeaderData header{};
  ASSERT_EQ(Fn<ReadHeaderFn>("RARReadHeader")(h, &header), 0);
  EXPECT_EQ(Fn<ProcessFn>("RARProcessFile")(h, 0, nullptr, nullptr), 0);
  ASSERT_EQ(Fn<ReadHeaderFn>("RARReadHeader")(h, &header), 0);
  std::wstring named = Widen(out_ + "\\\u00e9t\u00e9.txt");
  EXPECT_EQ(Fn<ProcessWFn>("RARProcessFileW")(h, 2, nullptr, named.data()), 0);
  Fn<CloseFn>("RARCloseArchive")(h);
  EXPECT_EQ(ReadBytes(out_ + "\\\u00e9t\u00e9.txt"), "fine");
}

// Runs rar.exe from beside the test program in `folder` and waits; its exit code.
DWORD RunRar(const std::string& folder, const std::wstring& arguments) {
  wchar_t exe[MAX_PATH];
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring rar(exe);
  rar = rar.substr(0, rar.rfind(L'\\') + 1) + L"rar.exe";
  std::wstring line = L"\"" + rar + L"\" " + arguments;
  STARTUPINFOW start{};
  start.cb = sizeof start;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(rar.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, Widen(folder).c_str(), &start,
                      &process))
    return DWORD(-1);
  WaitForSingleObject(process.hProcess, 60000);
  DWORD code = DWORD(-1);
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return code;
}

TEST_F(TUnrarDllTest, EncryptedEntriesAskForThePasswordAndCheckIt) {
  std::string src = scratch_ / "src";
  MakeFolder(src);
  std::string text;
  for (int i = 0; i < 9000; ++i) text += "line " + std::to_string(i) + "\r\n";
  WriteBytes(src + "\\plain.txt", text);
  ASSERT_EQ(RunRar(src, L"a -psecret enc.rar plain.txt"), 0u);
  const std::string archive = src + "\\enc.rar";

  auto extract = [&](const char* password, UnifiedCallback callback, Unified* unified, unsigned* flags) {
    OpenDataEx ex{};
    ex.ArcName = const_cast<char*>(archive.c_str());
    ex.OpenMode = 1;
    ex.Callback = callback;
    ex.UserData = LPARAM(unified);
    HANDLE h = Fn<OpenExFn>("RAROpenArchiveEx")(&ex);
    EXPECT_TRUE(h);
    if (!h) return -1;
    if (password) Fn<SetPasswordFn>("RARSetPassword")(h, const_cast<char*>(password));
    HeaderData header{};
    EXPECT_EQ(Fn<ReadHeaderFn>("RARReadHeader")(h, &header), 0);
    if (flags) *flags = header.Flags;
    int result = Fn<ProcessFn>("RARProcessFile")(h, 2, const_cast<char*>(out_.c_str()), nullptr);
    Fn<CloseFn>("RARCloseArchive")(h);
    return result;
  };
  unsigned flags = 0;
  EXPECT_EQ(extract(nullptr, nullptr, nullptr, &flags), 22);  // ERAR_MISSING_PASSWORD
  EXPECT_TRUE(flags & 0x04);
  EXPECT_EQ(extract("wrong", nullptr, nullptr, nullptr), 24);  // ERAR_BAD_PASSWORD
  EXPECT_TRUE(ListFiles(out_).empty());
  EXPECT_EQ(extract("secret", nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(ReadBytes(out_ + "\\plain.txt"), text);

  // No password set: the unified callback is asked with UCM_NEEDPASSWORDW.
  RemoveTree(out_);
  MakeFolder(out_);
  Unified unified;
  unified.password = L"secret";
  EXPECT_EQ(extract(nullptr, UnifiedProc, &unified, nullptr), 0);
  EXPECT_EQ(std::count(unified.messages.begin(), unified.messages.end(), 4u), 1);
  EXPECT_EQ(unified.bytes, (long long)text.size());
  EXPECT_EQ(ReadBytes(out_ + "\\plain.txt"), text);

  // Several encrypted entries, one password set once.
  WriteBytes(src + "\\two.txt", "second file");
  ASSERT_EQ(RunRar(src, L"a -psecret two.rar plain.txt two.txt"), 0u);
  RemoveTree(out_);
  MakeFolder(out_);
  std::vector<Entry> none = Run(src + "\\two.rar", 1, 2, out_);
  ASSERT_EQ(none.size(), 2u);
  EXPECT_EQ(none[0].result, 22);
  HANDLE h = Open(src + "\\two.rar", 1);
  ASSERT_TRUE(h);
  Fn<SetPasswordFn>("RARSetPassword")(h, const_cast<char*>("secret"));
  HeaderData header{};
  int extracted = 0;
  while (Fn<ReadHeaderFn>("RARReadHeader")(h, &header) == 0) {
    EXPECT_EQ(Fn<ProcessFn>("RARProcessFile")(h, 2, const_cast<char*>(out_.c_str()), nullptr), 0) << header.FileName;
    ++extracted;
  }
  Fn<CloseFn>("RARCloseArchive")(h);
  EXPECT_EQ(extracted, 2);
  EXPECT_EQ(ReadBytes(out_ + "\\two.txt"), "second file");
  EXPECT_EQ(ReadBytes(out_ + "\\plain.txt"), text);
}

// A RAR 5 archive whose headers are encrypted (as RAR's -hp makes them): the archive
// encryption header, then every header as an IV and AES-256-CBC blocks. The data stays stored
// as is here; what is tested is the reading of the headers.
std::string EncryptedHeadersArchive(const std::string& password, const std::string& data) {
  using namespace rarcraft;
  rarcrypto::TCngCrypto crypto;
  std::string salt(16, '\x5A');
  rarformat::Rar5Keys keys;
  uint8_t check[12];
  if (!rarformat::DeriveRar5Keys(crypto, password, reinterpret_cast<const uint8_t*>(salt.data()), 15, keys) ||
      !rarformat::Rar5CheckValue(crypto, keys, check))
    return {};
  int ivSeed = 0;
  auto encrypt = [&](std::string header) {
    std::string iv(16, char(0x30 + ivSeed++));
    header.resize((header.size() + 15) / 16 * 16, '\0');
    auto cipher = crypto.NewAes256Cbc(keys.key.data(), reinterpret_cast<const uint8_t*>(iv.data()), true);
    cipher->Process(reinterpret_cast<uint8_t*>(header.data()), header.size());
    return iv + header;
  };
  File file{"inside.txt", data};
  std::string withData = FileHeader(file);
  std::string fileHeader = withData.substr(0, withData.size() - data.size());
  return kSignature + Header(Vint(4) + Vint(0) + Vint(0) + Vint(1) + char(15) + salt + std::string((char*)check, 12)) +
         encrypt(MainHeader()) + encrypt(fileHeader) + data + encrypt(EndHeader());
}

TEST_F(TUnrarDllTest, EncryptedHeadersOpenOnlyWithTheirPassword) {
  const std::string archive = scratch_ / "hidden.rar";
  const std::string data = "listed only with the password";
  std::string bytes = EncryptedHeadersArchive("open sesame", data);
  ASSERT_FALSE(bytes.empty());
  WriteBytes(archive, bytes);

  unsigned result = 0;
  EXPECT_FALSE(Open(archive, 0, &result));
  EXPECT_EQ(result, 22u);  // no password: ERAR_MISSING_PASSWORD

  auto openWith = [&](const wchar_t* password, unsigned& openResult, Unified& unified) {
    unified.password = password;
    OpenDataEx ex{};
    ex.ArcName = const_cast<char*>(archive.c_str());
    ex.OpenMode = 1;
    ex.Callback = UnifiedProc;
    ex.UserData = LPARAM(&unified);
    HANDLE h = Fn<OpenExFn>("RAROpenArchiveEx")(&ex);
    openResult = ex.OpenResult;
    EXPECT_EQ(bool(h), openResult == 0);
    if (h) {
      EXPECT_TRUE(ex.Flags & 0x80);  // encrypted headers
    }
    return h;
  };
  Unified wrong;
  EXPECT_FALSE(openWith(L"open barley", result, wrong));
  EXPECT_EQ(result, 24u);  // ERAR_BAD_PASSWORD
  Unified right;
  HANDLE h = openWith(L"open sesame", result, right);
  ASSERT_TRUE(h);
  EXPECT_EQ(right.messages, std::vector<UINT>{4});
  HeaderData header{};
  ASSERT_EQ(Fn<ReadHeaderFn>("RARReadHeader")(h, &header), 0);
  EXPECT_EQ(std::string(header.FileName), "inside.txt");
  EXPECT_EQ(header.UnpSize, data.size());
  EXPECT_EQ(Fn<ProcessFn>("RARProcessFile")(h, 2, const_cast<char*>(out_.c_str()), nullptr), 0);
  EXPECT_EQ(Fn<ReadHeaderFn>("RARReadHeader")(h, &header), 10);
  Fn<CloseFn>("RARCloseArchive")(h);
  EXPECT_EQ(ReadBytes(out_ + "\\inside.txt"), data);
}

}  // namespace
