// ZIPDLL.DLL loaded from the test program's folder and driven through ZipDllExec as Quill drives
// it. What it writes is judged by the host's own unzip and zipinfo, not by our reader.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "archivers/ZipInterface.h"
#include "archivers/zipdll/ZipRecords.h"
#include "platform/Utf16.h"
#include "tests/win32/TestSupport.h"

namespace quill {
namespace {

using test::Exists;
using test::MakeFolder;
using test::ReadBytes;
using test::WriteBytes;

struct TEvent {
  int action, code, number;
  std::string text;
};

// What the test's callback saw, and how it answers.
struct TRecorder {
  std::vector<TEvent> events;
  int abortAtFile = 0;  // answer "stop" when this file (1-based) starts
  int passwordCode = 1;
  std::string passwordAnswer;
  int filesStarted = 0;
  std::vector<int> Actions() const {
    std::vector<int> actions;
    for (const auto& e : events) actions.push_back(e.action);
    return actions;
  }
  std::vector<int> Messages() const {
    std::vector<int> codes;
    for (const auto& e : events)
      if (e.action == zipapi::kMessage) codes.push_back(e.code);
    return codes;
  }
};
TRecorder* recorder = nullptr;

int32_t __stdcall Record(zipapi::ZipCallbackRecord* record) {
  recorder->events.push_back({record->action, record->code, record->number, record->text});
  if (record->action == zipapi::kPassword) {
    record->code = recorder->passwordCode;
    strcpy(record->text, recorder->passwordAnswer.c_str());
  }
  if (record->action == zipapi::kFileStarts && ++recorder->filesStarted == recorder->abortAtFile) return 1;
  return 0;
}

std::string Compressible(size_t size) {
  std::string text;
  for (int line = 0; text.size() < size; ++line) text += "line " + std::to_string(line % 97) + " of the sample text\r\n";
  text.resize(size);
  return text;
}

std::string Noise(size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  uint32_t x = seed * 2654435761u + 1;
  for (char& c : bytes) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 23);
  }
  return bytes;
}

// Sets a file's last-write time `days` days before now.
void Age(const std::string& path, int days) {
  HANDLE h = CreateFileW(Widen(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER t{{now.dwLowDateTime, now.dwHighDateTime}};
  t.QuadPart -= static_cast<uint64_t>(days) * 24 * 3600 * 10000000ull;
  const FILETIME when{t.LowPart, t.HighPart};
  SetFileTime(h, nullptr, nullptr, &when);
  CloseHandle(h);
}

// One line of zipinfo's listing.
struct TListed {
  std::string mode, version, host, method;
  long long size = -1;
};

class ZipDll : public ::testing::Test {
protected:
  void SetUp() override {
    using UnixName = char*(__cdecl*)(const wchar_t*);
    auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
    if (!unixName) GTEST_SKIP() << "the archives are checked by the host's unzip under Wine";
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring dll = exe;
    dll = dll.substr(0, dll.find_last_of(L'\\') + 1) + L"ZIPDLL.DLL";
    library_ = LoadLibraryW(dll.c_str());
    ASSERT_NE(library_, nullptr);
    exec_ = reinterpret_cast<zipapi::ZipDllExecFn>(reinterpret_cast<void*>(GetProcAddress(library_, "ZipDllExec")));
    ASSERT_NE(exec_, nullptr);
    src_ = scratch_ / "src";
    out_ = scratch_ / "out";
    MakeFolder(src_);
    MakeFolder(out_);
    char* host = unixName(Widen(out_).c_str());
    hostOut_ = host;
    HeapFree(GetProcessHeap(), 0, host);
    SetCurrentDirectoryW(Widen(src_).c_str());
    recorder = &record_;
  }
  void TearDown() override {
    recorder = nullptr;
    if (library_) FreeLibrary(library_);
  }

  // Runs the add command as Quill fills it, changed by `adjust`.
  template <typename Adjust>
  int Zip(const std::string& archive, std::vector<std::string> specs, Adjust adjust) {
    std::vector<zipapi::ZipSpec> entries(specs.size());
    for (size_t i = 0; i < specs.size(); ++i) entries[i].text = specs[i].c_str();
    zipapi::ZipCommand command{};
    const std::string path = archive.find(':') != std::string::npos ? archive : out_ + "\\" + archive;
    command.version = zipapi::kInterfaceVersion;
    command.structureKey = zipapi::kStructureKey;
    command.callback = Record;
    command.keepFolderNames = 1;
    command.level = 9;
    command.quiet = 1;
    command.specCount = static_cast<int32_t>(entries.size());
    command.specs = entries.data();
    command.archive = path.c_str();
    adjust(command);
    record_.events.clear();
    record_.filesStarted = 0;
    return exec_(&command);
  }
  int Zip(const std::string& archive, std::vector<std::string> specs) {
    return Zip(archive, std::move(specs), [](zipapi::ZipCommand&) {});
  }

  // A command of the host's shell in the archives' folder; its output, and whether it exited 0.
  // The shell gets its own standard handles: sharing the test program's lost the program's
  // output now and then under Wine.
  bool Host(const std::string& command, std::string* output = nullptr, int waitSeconds = 30) {
    const std::string status = scratch_ / "status.txt";
    DeleteFileW(Widen(status).c_str());
    std::wstring line = L"Z:\\bin\\sh -c \"cd '" + Widen(hostOut_) + L"' && (" + Widen(command) +
                        L") > ../host.txt 2>&1; echo $? > ../status.tmp; mv ../status.tmp ../status.txt\"";
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE null = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                              OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = startup.hStdOutput = startup.hStdError = null;
    PROCESS_INFORMATION process{};
    const bool started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                        nullptr, &startup, &process);
    CloseHandle(null);
    if (!started) return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    // Wine cannot wait on a host process: the status file appears when the command is done.
    for (int waited = 0; waited < waitSeconds * 1000 && !Exists(status); waited += 20) Sleep(20);
    if (output) *output = ReadBytes(scratch_ / "host.txt");
    return ReadBytes(status).rfind("0", 0) == 0;
  }

  std::map<std::string, TListed> Listing(const std::string& archive) {
    std::string text;
    EXPECT_TRUE(Host("zipinfo " + archive, &text)) << text;
    std::map<std::string, TListed> entries;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
      std::istringstream fields(line);
      TListed item;
      std::string textFlag, date, time, name;
      if (!(fields >> item.mode >> item.version >> item.host >> item.size >> textFlag >> item.method >> date >> time) ||
          item.version.find('.') == std::string::npos)
        continue;  // the heading and the totals
      std::getline(fields, name);
      entries[name.substr(name.find_first_not_of(' '))] = item;
    }
    return entries;
  }

  std::vector<std::string> Names(const std::string& archive) {
    std::vector<std::string> names;
    for (const auto& [name, item] : Listing(archive)) names.push_back(name);
    return names;
  }

  std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(Widen(folder + "\\*").c_str(), &data);
    do {
      const std::string name = Narrow(data.cFileName);
      if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return names;
  }

  test::TScratchFolder scratch_;
  std::string src_, out_, hostOut_;
  HMODULE library_ = nullptr;
  zipapi::ZipDllExecFn exec_ = nullptr;
  TRecorder record_;
};

TEST_F(ZipDll, StoresOrDeflatesEachFileWithItsSizeAndAttributes) {
  WriteBytes(src_ + "\\text.txt", Compressible(100000));
  WriteBytes(src_ + "\\noise.bin", Noise(3000, 1));  // deflate would make it larger
  WriteBytes(src_ + "\\empty.txt", "");
  WriteBytes(src_ + "\\locked.txt", "read only", FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(Zip("deflated.zip", {"*.*"}), 4);
  std::string report;
  EXPECT_TRUE(Host("unzip -t deflated.zip", &report)) << report;
  auto listed = Listing("deflated.zip");
  ASSERT_EQ(listed.size(), 4u);
  EXPECT_EQ(listed["text.txt"].method, "defX");
  EXPECT_EQ(listed["text.txt"].size, 100000);
  EXPECT_EQ(listed["noise.bin"].method, "stor");
  EXPECT_EQ(listed["noise.bin"].size, 3000);
  EXPECT_EQ(listed["empty.txt"].size, 0);
  EXPECT_EQ(listed["locked.txt"].mode.substr(0, 3), "-r-");
  EXPECT_EQ(listed["text.txt"].mode.substr(0, 3), "-rw");
  for (const auto& [name, item] : listed) EXPECT_EQ(item.version + " " + item.host, "2.0 fat") << name;

  // Level 0 stores everything; the data comes back as it went in.
  // A name that is not there is reported and the rest goes on.
  EXPECT_EQ(Zip("stored.zip", {"text.txt", "gone.txt", "noise.bin"}, [](auto& c) { c.level = 0; }), 2);
  EXPECT_EQ(record_.Messages(), std::vector<int>{0});
  EXPECT_NE(record_.events[0].text.find("gone.txt"), std::string::npos);
  for (const auto& [name, item] : Listing("stored.zip")) EXPECT_EQ(item.method, "stor") << name;
  EXPECT_TRUE(Host("unzip -t stored.zip", &report)) << report;
  EXPECT_TRUE(Host("unzip -d x -q deflated.zip && unzip -d y -q stored.zip && cmp x/text.txt y/text.txt && "
                   "cmp x/noise.bin y/noise.bin",
                   &report))
      << report;
  EXPECT_EQ(ReadBytes(out_ + "\\x\\text.txt"), Compressible(100000));

  // Nothing to add, or a record of another version: no archive, and the reason for the first.
  EXPECT_EQ(Zip("none.zip", {"*.none"}), 0);
  EXPECT_EQ(record_.Messages(), std::vector<int>{10301});
  EXPECT_EQ(Zip("wrong.zip", {"*.*"}, [](auto& c) { c.version = 150; }), 0);
  EXPECT_TRUE(record_.events.empty());
  EXPECT_FALSE(Exists(out_ + "\\none.zip") || Exists(out_ + "\\wrong.zip"));
}

TEST_F(ZipDll, TakesFoldersRecursivelyWithFolderEntriesButNoHiddenFiles) {
  MakeFolder(src_ + "\\docs");
  MakeFolder(src_ + "\\docs\\sub");
  WriteBytes(src_ + "\\docs\\a.txt", "a");
  WriteBytes(src_ + "\\docs\\sub\\b.txt", "bb");
  WriteBytes(src_ + "\\docs\\sub\\c.log", "ccc");
  WriteBytes(src_ + "\\docs\\secret.txt", "s", FILE_ATTRIBUTE_HIDDEN);
  WriteBytes(src_ + "\\top.txt", "top");
  auto quill = [](auto& c) {
    c.recurse = 1;
    c.addFolderEntries = 1;
  };
  EXPECT_EQ(Zip("tree.zip", {"docs\\*.*", "top.txt"}, quill), 4);
  EXPECT_EQ(Names("tree.zip"),
            (std::vector<std::string>{"docs/", "docs/a.txt", "docs/sub/", "docs/sub/b.txt", "docs/sub/c.log", "top.txt"}));
  EXPECT_EQ(Listing("tree.zip")["docs/sub/"].mode[0], 'd');
  std::string report;
  EXPECT_TRUE(Host("unzip -t tree.zip", &report)) << report;

  // Hidden files when asked for; a pattern applies in every subfolder; without recursion only
  // the folder's own files; without folder names only the last component.
  EXPECT_EQ(Zip("hidden.zip", {"docs\\*.*"}, [](auto& c) { c.includeHidden = 1; }), 2);
  EXPECT_EQ(Names("hidden.zip"), (std::vector<std::string>{"docs/a.txt", "docs/secret.txt"}));
  EXPECT_EQ(Zip("pattern.zip", {"docs\\*.txt"}, [](auto& c) { c.recurse = 1; }), 2);
  EXPECT_EQ(Names("pattern.zip"), (std::vector<std::string>{"docs/a.txt", "docs/sub/b.txt"}));
  EXPECT_EQ(Zip("flat.zip", {src_ + "\\docs\\*.*"}, [](auto& c) {
              c.recurse = 1;
              c.keepFolderNames = 0;
            }),
            3);
  EXPECT_EQ(Names("flat.zip"), (std::vector<std::string>{"a.txt", "b.txt", "c.log"}));
}

TEST_F(ZipDll, EncryptsWithTheGivenPasswordOrTheOneItAsksFor) {
  WriteBytes(src_ + "\\plain.txt", Compressible(20000));
  WriteBytes(src_ + "\\small.bin", Noise(100, 2));
  EXPECT_EQ(Zip("given.zip", {"*.*"}, [](auto& c) {
              c.encrypt = 1;
              c.password = "Secret 1";
            }),
            2);
  std::string report;
  EXPECT_TRUE(Host("unzip -t -P 'Secret 1' given.zip", &report)) << report;
  EXPECT_FALSE(Host("unzip -t -P 'secret 1' given.zip", &report)) << report;
  const auto actions = record_.Actions();
  EXPECT_EQ(std::count(actions.begin(), actions.end(), zipapi::kPassword), 0);

  record_.passwordAnswer = "asked";
  EXPECT_EQ(Zip("asked.zip", {"*.*"}, [](auto& c) { c.encrypt = 1; }), 2);
  auto asked = std::find_if(record_.events.begin(), record_.events.end(),
                            [](const TEvent& e) { return e.action == zipapi::kPassword; });
  ASSERT_NE(asked, record_.events.end());
  EXPECT_EQ(asked->code & 1, 1);  // a password for new entries
  EXPECT_GT(asked->number, 1);    // never the caller's "last try"
  EXPECT_TRUE(Host("unzip -t -P asked asked.zip", &report)) << report;
  EXPECT_TRUE(Host("unzip -p -P asked asked.zip small.bin > small.out", &report)) << report;
  EXPECT_EQ(ReadBytes(out_ + "\\small.out"), Noise(100, 2));

  // No password given: nothing written, and the reason.
  record_.passwordCode = 0;
  EXPECT_EQ(Zip("refused.zip", {"*.*"}, [](auto& c) { c.encrypt = 1; }), 0);
  EXPECT_EQ(record_.Messages(), std::vector<int>{10302});
  EXPECT_FALSE(Exists(out_ + "\\refused.zip"));
}

TEST_F(ZipDll, NamesBeyondAsciiAreStoredAsUtf8WithTheirFlag) {
  const std::wstring wide = L"Gr\u00fc\u00dfe \u65e5\u672c.txt";
  WriteBytes(src_ + "\\" + Narrow(wide), "hello");
  WriteBytes(src_ + "\\plain.txt", "ascii");
  EXPECT_EQ(Zip("names.zip", {"*.txt"}), 2);
  std::string report;
  EXPECT_TRUE(Host("unzip -t names.zip", &report)) << report;
  const std::string archive = ReadBytes(out_ + "\\names.zip");
  const std::string utf8 = Narrow(wide);
  std::map<std::string, uint16_t> flags;
  for (size_t at = archive.find("PK\x01\x02"); at != std::string::npos; at = archive.find("PK\x01\x02", at + 4)) {
    auto u16 = [&](size_t o) { return static_cast<uint16_t>(uint8_t(archive[at + o]) | uint8_t(archive[at + o + 1]) << 8); };
    flags[archive.substr(at + 46, u16(28))] = u16(8);
  }
  ASSERT_EQ(flags.size(), 2u);
  EXPECT_EQ(flags[utf8] & 0x0800, 0x0800);
  EXPECT_EQ(flags["plain.txt"] & 0x0800, 0);
  EXPECT_TRUE(Host("LC_ALL=C.UTF-8 unzip -d x -q names.zip && cat 'x/" + utf8 + "'", &report)) << report;
  EXPECT_EQ(report, "hello");
}

TEST_F(ZipDll, UpdateFreshenAndAddReplaceOnlyWhatTheyShould) {
  WriteBytes(src_ + "\\a.txt", "first a");
  WriteBytes(src_ + "\\b.txt", "first b");
  Age(src_ + "\\a.txt", 10);
  Age(src_ + "\\b.txt", 10);
  ASSERT_EQ(Zip("u.zip", {"*.txt"}, [](auto& c) { c.encrypt = 1, c.password = "pw"; }), 2);
  const std::string before = ReadBytes(out_ + "\\u.zip");

  // b is newer now, c is new; a unchanged.
  WriteBytes(src_ + "\\b.txt", "second b");
  Age(src_ + "\\b.txt", 1);
  WriteBytes(src_ + "\\c.txt", "c");
  EXPECT_EQ(Zip("u.zip", {"*.txt"}, [](auto& c) { c.freshen = 1, c.encrypt = 1, c.password = "pw"; }), 1);
  std::string report;
  EXPECT_EQ(Names("u.zip"), (std::vector<std::string>{"a.txt", "b.txt"}));
  EXPECT_TRUE(Host("unzip -p -P pw u.zip b.txt", &report));
  EXPECT_EQ(report, "second b");
  // a's bytes were copied, not made again (its encryption header is random when made).
  const std::string after = ReadBytes(out_ + "\\u.zip");
  const size_t aEnd = before.find("PK\x03\x04", 4);
  EXPECT_EQ(after.substr(0, aEnd), before.substr(0, aEnd));

  EXPECT_EQ(Zip("u.zip", {"*.txt"}, [](auto& c) { c.update = 1, c.encrypt = 1, c.password = "pw"; }), 1);
  EXPECT_EQ(Names("u.zip"), (std::vector<std::string>{"a.txt", "b.txt", "c.txt"}));

  // Nothing newer: the archive stays exactly as it is.
  const std::string same = ReadBytes(out_ + "\\u.zip");
  EXPECT_EQ(Zip("u.zip", {"*.txt"}, [](auto& c) { c.update = 1; }), 0);
  EXPECT_EQ(ReadBytes(out_ + "\\u.zip"), same);

  // A plain add replaces even an older file, in its place.
  WriteBytes(src_ + "\\a.txt", "older a");
  Age(src_ + "\\a.txt", 100);
  EXPECT_EQ(Zip("u.zip", {"a.txt"}), 1);
  EXPECT_EQ(Names("u.zip"), (std::vector<std::string>{"a.txt", "b.txt", "c.txt"}));
  EXPECT_TRUE(Host("unzip -p u.zip a.txt && unzip -t -P pw u.zip", &report)) << report;
  EXPECT_EQ(report.substr(0, 7), "older a");
  EXPECT_EQ(FilesIn(out_), std::vector<std::string>{"u.zip"});

  // Other writers' archives: an entry streamed with a data descriptor is copied intact, an
  // archive's comment stays, and the new file goes in beside.
  ASSERT_TRUE(Host("printf 'streamed text' | zip -q - - > other.zip && zip -q noted.zip ../src/a.txt && "
                   "echo 'a note' | zip -q -z noted.zip"));
  EXPECT_EQ(Zip("other.zip", {"c.txt"}), 1);
  EXPECT_EQ(Zip("noted.zip", {"c.txt"}), 1);
  EXPECT_TRUE(Host("unzip -tq other.zip && unzip -tq noted.zip && unzip -z noted.zip && unzip -p other.zip -", &report))
      << report;
  EXPECT_NE(report.find("a note"), std::string::npos) << report;
  EXPECT_EQ(report.substr(report.size() - 13), "streamed text");
  EXPECT_EQ(Names("other.zip"), (std::vector<std::string>{"-", "c.txt"}));
}

TEST_F(ZipDll, MoveRemovesTheOriginalsOnlyOnceTheArchiveIsInPlace) {
  MakeFolder(src_ + "\\m");
  WriteBytes(src_ + "\\m\\one.txt", "1");
  WriteBytes(src_ + "\\m\\two.txt", "22");
  WriteBytes(src_ + "\\keep.txt", "k");
  ASSERT_EQ(Zip("m.zip", {"keep.txt"}), 1);
  const std::string before = ReadBytes(out_ + "\\m.zip");

  // Cancelled at the second file: the old archive byte for byte, every original, no stray file.
  record_.abortAtFile = 2;
  auto move = [](auto& c) {
    c.move = 1;
    c.recurse = 1;
    c.addFolderEntries = 1;
  };
  EXPECT_EQ(Zip("m.zip", {"m\\*.*"}, move), 0);
  EXPECT_EQ(ReadBytes(out_ + "\\m.zip"), before);
  EXPECT_TRUE(Exists(src_ + "\\m\\one.txt") && Exists(src_ + "\\m\\two.txt"));
  EXPECT_EQ(FilesIn(out_), std::vector<std::string>{"m.zip"});

  record_.abortAtFile = 0;
  EXPECT_EQ(Zip("m.zip", {"m\\*.*"}, move), 2);
  EXPECT_EQ(Names("m.zip"), (std::vector<std::string>{"keep.txt", "m/", "m/one.txt", "m/two.txt"}));
  EXPECT_FALSE(Exists(src_ + "\\m"));
  EXPECT_TRUE(Exists(src_ + "\\keep.txt"));
  std::string report;
  EXPECT_TRUE(Host("unzip -t m.zip", &report)) << report;
}

TEST_F(ZipDll, AFailedRunLeavesEverythingAsItWas) {
  WriteBytes(src_ + "\\f.txt", "f");
  WriteBytes(out_ + "\\bad.zip", "not an archive at all, but more than twenty-two bytes");
  auto move = [](auto& c) { c.move = 1; };
  // An archive that cannot be read is neither replaced nor added to.
  EXPECT_EQ(Zip("bad.zip", {"f.txt"}, move), 0);
  EXPECT_EQ(record_.Messages(), std::vector<int>{10185});
  EXPECT_EQ(ReadBytes(out_ + "\\bad.zip"), "not an archive at all, but more than twenty-two bytes");
  // A folder that does not exist cannot take the new archive.
  EXPECT_EQ(Zip("missing\\new.zip", {"f.txt"}, move), 0);
  EXPECT_EQ(record_.Messages(), std::vector<int>{11009});
  EXPECT_EQ(FilesIn(out_), std::vector<std::string>{"bad.zip"});
  EXPECT_EQ(ReadBytes(src_ + "\\f.txt"), "f");

  // A drive that fills up halfway: the old archive stays, the partial new one goes.
  const std::string small = test::Env("QUILL_TEST_SMALL_DRIVE");
  if (small.empty()) GTEST_SKIP() << "no small test drive (the harness could not mount a tmpfs as F:)";
  const std::string archive = small + "\\full.zip";
  ASSERT_EQ(Zip(archive, {"f.txt"}), 1);
  const std::string before = ReadBytes(archive);
  WriteBytes(src_ + "\\noise.bin", Noise(3 << 20, 4));
  EXPECT_EQ(Zip(archive, {"noise.bin"}, move), 0);
  EXPECT_EQ(record_.Messages(), std::vector<int>{11010});
  EXPECT_EQ(ReadBytes(archive), before);
  EXPECT_EQ(FilesIn(small), std::vector<std::string>{"full.zip"});
  EXPECT_TRUE(Exists(src_ + "\\noise.bin"));
  DeleteFileW(Widen(archive).c_str());
}

TEST_F(ZipDll, ReportsTotalsThenEveryFileInChunksThenTheEnd) {
  WriteBytes(src_ + "\\big.bin", Noise(200000, 3));
  WriteBytes(src_ + "\\small.txt", "tiny");
  ASSERT_EQ(Zip("p.zip", {"big.bin", "small.txt"}), 2);
  const auto& e = record_.events;
  ASSERT_GE(e.size(), 6u);
  EXPECT_EQ(e[0].action, zipapi::kTotalFiles);
  EXPECT_EQ(e[0].number, 2);
  EXPECT_EQ(e[1].action, zipapi::kTotalBytes);
  EXPECT_EQ(e[1].number, 200004);
  EXPECT_EQ(e.back().action, zipapi::kBatchDone);
  std::vector<std::pair<std::string, int>> files;  // name, bytes reported
  for (size_t i = 2; i + 1 < e.size(); ++i) {
    if (e[i].action == zipapi::kFileStarts) {
      files.push_back({e[i].text, 0});
      EXPECT_EQ(e[i].number, e[i].text == "big.bin" ? 200000 : 4);
    } else {
      ASSERT_EQ(e[i].action, zipapi::kBytesDone);
      ASSERT_FALSE(files.empty());
      EXPECT_LE(e[i].number, 65536);
      files.back().second += e[i].number;
    }
  }
  EXPECT_EQ(files, (std::vector<std::pair<std::string, int>>{{"big.bin", 200000}, {"small.txt", 4}}));
}

// A real file past 4 GiB (sparse, so it costs no disk): ZIP64 sizes in both headers. It reads and
// deflates 4 GiB, so it runs only when asked for.
TEST_F(ZipDll, AFileBeyondFourGibibytesGetsZip64Sizes) {
  if (test::Env("QUILL_LARGE_TESTS").empty()) GTEST_SKIP() << "set QUILL_LARGE_TESTS=1 to deflate a 4 GiB file";
  const uint64_t size = (4ull << 30) + 100;
  HANDLE h = CreateFileW(Widen(src_ + "\\huge.bin").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD done = 0;
  WriteFile(h, "head", 4, &done, nullptr);
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(size - 4);
  SetFilePointerEx(h, at, nullptr, FILE_BEGIN);
  WriteFile(h, "tail", 4, &done, nullptr);
  CloseHandle(h);
  ASSERT_EQ(Zip("huge.zip", {"huge.bin"}, [](auto& c) { c.level = 1; }), 1);
  const std::string header = ReadBytes(out_ + "\\huge.zip").substr(0, 30 + 8 + 20);
  EXPECT_EQ(header.substr(18, 8), std::string(8, '\xFF'));
  EXPECT_EQ(header.substr(38, 4), std::string("\x01\x00\x10\x00", 4));
  std::string report;
  EXPECT_TRUE(Host("unzip -tq huge.zip && unzip -p huge.zip | tail -c 4", &report, 600)) << report;
  EXPECT_EQ(report.substr(report.size() - 4), "tail");
  EXPECT_EQ(Listing("huge.zip")["huge.bin"].size, static_cast<long long>(size));
}

// Counts and sizes past the classic fields' reach: the ZIP64 records carry them, and both the
// shared reader and the host's unzip take them back.
TEST_F(ZipDll, Zip64RecordsCarryWhatTheClassicFieldsCannot) {
  zipdll::Entry big;
  big.name = "big.bin";
  big.versionMadeBy = zipdll::kMadeByDos20;
  big.unpackedSize = 5ull << 30;
  big.packedSize = (5ull << 30) + 12;
  big.localHeaderOffset = 6ull << 30;
  big.method = zipformat::kMethodDeflated;
  const std::string local = zipdll::LocalHeader(big, true);
  ASSERT_EQ(local.size(), 30u + 7 + 20);
  EXPECT_EQ(local.substr(18, 8), std::string(8, '\xFF'));
  EXPECT_EQ(local[4], 45);
  // Small sizes keep the ZIP64 layout when it was chosen before they were known.
  zipdll::Entry small = big;
  small.unpackedSize = small.packedSize = 10;
  EXPECT_EQ(zipdll::LocalHeader(small, true).size(), local.size());

  // Zeros stand in for the entries in front of the directory.
  class TTail final : public zipformat::IByteSource {
  public:
    TTail(uint64_t base, std::string tail) : base_(base), tail_(std::move(tail)) {}
    uint64_t Size() const override { return base_ + tail_.size(); }
    size_t ReadAt(uint64_t offset, void* buffer, size_t count) override {
      count = static_cast<size_t>(std::min<uint64_t>(count, Size() - std::min(offset, Size())));
      for (size_t i = 0; i < count; ++i)
        static_cast<char*>(buffer)[i] = offset + i < base_ ? '\0' : tail_[offset + i - base_];
      return count;
    }

  private:
    uint64_t base_;
    std::string tail_;
  } tail(7ull << 30, zipdll::DirectoryAndEnd({big}, 7ull << 30));
  const auto directory = zipformat::ReadDirectory(tail);
  ASSERT_EQ(directory.error, zipformat::kOk);
  ASSERT_EQ(directory.entries.size(), 1u);
  EXPECT_TRUE(directory.zip64);
  EXPECT_EQ(directory.entries[0].unpackedSize, big.unpackedSize);
  EXPECT_EQ(directory.entries[0].packedSize, big.packedSize);
  EXPECT_EQ(directory.entries[0].localHeaderOffset, big.localHeaderOffset);
  const std::string other("\x75\x70\x01\x00X", 5);  // another field, one byte long, kept
  EXPECT_EQ(zipdll::WithoutZip64(directory.entries[0].extra + other), other);

  // 65,537 empty entries: more than the end record can count.
  std::string archive;
  std::vector<zipdll::Entry> entries;
  for (int i = 0; i < 65537; ++i) {
    zipdll::Entry entry;
    entry.versionMadeBy = zipdll::kMadeByDos20;
    entry.name = "e" + std::to_string(i);
    entry.localHeaderOffset = archive.size();
    archive += zipdll::LocalHeader(entry, false);
    entries.push_back(entry);
  }
  archive += zipdll::DirectoryAndEnd(entries, archive.size());
  EXPECT_EQ(archive.substr(archive.size() - 14, 4), "\xFF\xFF\xFF\xFF");  // both counts
  WriteBytes(out_ + "\\many.zip", archive);
  std::string report;
  EXPECT_TRUE(Host("unzip -t many.zip | tail -1", &report)) << report;
  EXPECT_NE(report.find("No errors detected"), std::string::npos) << report;
  EXPECT_TRUE(Host("unzip -Z1 many.zip | wc -l", &report));
  EXPECT_EQ(std::stoi(report), 65537);
}

}  // namespace
}  // namespace quill
