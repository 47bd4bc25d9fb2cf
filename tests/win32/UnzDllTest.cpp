// UNZDLL.DLL as Quill uses it: loaded from beside the program, driven through UnzDllExec and its
// callback. The archives are made at test time on the host by Info-ZIP's zip and by
// unzdll_archives.py (python's zipfile and hand-built damaged ones); the real archives of the
// shared fixtures are checked against Info-ZIP's unzip.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "archivers/ZipInterface.h"
#include "tests/win32/TestSupport.h"

using namespace quill;
using namespace quill::test;

namespace {

struct TEvent {
  int32_t action, code, number;
  std::string text;
};

// The caller's side of the callback: records every call and answers from a script.
struct TCaller {
  std::vector<TEvent> events;
  std::deque<std::optional<std::string>> passwords;  // nullopt: no password given
  int32_t overwrite = 1, crcAnswer = 2;
  std::function<bool(const TEvent&)> cancelAt;

  std::vector<int32_t> Numbers(int32_t action) const {
    std::vector<int32_t> numbers;
    for (const TEvent& e : events)
      if (e.action == action) numbers.push_back(action == zipapi::kMessage ? e.code : e.number);
    return numbers;
  }
  int64_t BytesOf(const std::string& name) const {  // progress between the file's start and the next
    int64_t sum = 0;
    bool in = false;
    for (const TEvent& e : events) {
      if (e.action == zipapi::kFileStarts) in = e.text == name;
      if (in && e.action == zipapi::kBytesDone) sum += e.number;
    }
    return sum;
  }
  std::string Actions() const {  // "56" + "12" per file (bytes steps folded) + "3"; 10 is "A"
    std::string actions;
    for (const TEvent& e : events)
      if (!(e.action == 2 && !actions.empty() && actions.back() == '2')) actions += "?123456789A"[e.action % 11];
    return actions;
  }
};

int32_t __stdcall Callback(zipapi::ZipCallbackRecord* record) {
  auto* caller = static_cast<TCaller*>(record->caller);
  caller->events.push_back({record->action, record->code, record->number, record->text});
  if (record->action == zipapi::kPassword) {
    std::optional<std::string> answer;
    if (!caller->passwords.empty()) {
      answer = caller->passwords.front();
      caller->passwords.pop_front();
    }
    record->code = answer ? 1 : 0;
    lstrcpynA(record->text, answer ? answer->c_str() : "", zipapi::kPasswordMax + 1);
  }
  if (record->action == zipapi::kCrcError) record->code = caller->crcAnswer;
  if (record->action == zipapi::kOverwrite) record->number = caller->overwrite;
  return caller->cancelAt && caller->cancelAt(caller->events.back()) ? 1 : 0;
}

// Every file under `folder` as "relative/path=size", sorted; folders as "relative/path/".
void List(const std::string& folder, const std::string& prefix, std::vector<std::string>& out) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(Widen(folder + "\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = Narrow(data.cFileName);
    if (name == "." || name == "..") continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      out.push_back(prefix + name + "/");
      List(folder + "\\" + name, prefix + name + "/", out);
    } else {
      out.push_back(prefix + name + "=" + std::to_string(data.nFileSizeLow));
    }
  } while (FindNextFileW(find, &data));
  FindClose(find);
  std::sort(out.begin(), out.end());
}
std::vector<std::string> List(const std::string& folder) {
  std::vector<std::string> out;
  List(folder, "", out);
  return out;
}

class TUnzDllTest : public testing::Test {
protected:
  static void SetUpTestSuite() {
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring dll(exe);
    dll = dll.substr(0, dll.rfind(L'\\') + 1) + L"UNZDLL.DLL";
    module_ = LoadLibraryW(dll.c_str());
    exec_ = module_ ? reinterpret_cast<zipapi::UnzDllExecFn>(reinterpret_cast<void*>(GetProcAddress(module_, "UnzDllExec"))) : nullptr;
    host_ = "/tmp/quill-unzdll-" + std::to_string(GetCurrentProcessId());
    // src/: a text file, a read-only one, a 200 KB text deflated, random bytes stored.
    made_ = RunHostShell(
        "set -e; mkdir -p " + host_ + "/src/sub/deep && cd " + host_ + "/src && echo alpha > a.txt && " +
        "echo fixed > ro.txt && chmod 444 ro.txt && seq 1 40000 > sub/b.TXT && " +
        "head -c 100000 /dev/urandom > sub/deep/c.bin && touch -d '2020-05-06 07:08:10' a.txt ro.txt sub/b.TXT " +
        "sub/deep/c.bin && zip -q -r -n .bin ../plain.zip . && zip -q -P secret ../enc.zip a.txt sub/b.TXT && " +
        "zip -q -fd -P secret ../encdd.zip a.txt sub/b.TXT && zip -q - a.txt sub/b.TXT | cat > ../stream.zip && " +
        "python3 " QUILL_TESTS_SOURCE "/unzdll_archives.py " + host_);
  }
  static void TearDownTestSuite() {
    RunHostShell("rm -rf " + host_);
    if (module_) FreeLibrary(module_);
  }

  void SetUp() override {
    ASSERT_TRUE(exec_) << "UNZDLL.DLL or its UnzDllExec is missing beside the test program";
    ASSERT_TRUE(made_) << "the test archives could not be made";
    MakeFolder(out_);
    SetCurrentDirectoryW(Widen(out_).c_str());
  }

  static std::string Host(const std::string& name) { return HostSpelling(host_ + "/" + name); }

  int32_t Unzip(const std::string& archive, std::vector<std::string> specs = {},
                const std::function<void(zipapi::UnzipCommand&)>& adjust = {}) {
    std::vector<zipapi::UnzipSpec> list(specs.size());
    for (size_t i = 0; i < specs.size(); ++i) list[i].text = specs[i].c_str();
    zipapi::UnzipCommand command{};
    command.caller = &caller_;
    command.version = zipapi::kInterfaceVersion;
    command.structureKey = zipapi::kStructureKey;
    command.callback = &Callback;
    command.quiet = 1;
    command.folderNames = 1;
    command.passwordTries = 4;
    command.specCount = static_cast<int32_t>(list.size());
    command.specs = list.data();
    command.archive = archive.c_str();
    if (adjust) adjust(command);
    caller_.events.clear();
    return exec_(&command);
  }

  inline static HMODULE module_ = nullptr;
  inline static zipapi::UnzDllExecFn exec_ = nullptr;
  inline static std::string host_;
  inline static bool made_ = false;
  TScratchFolder scratch_;
  std::string out_ = scratch_ / "out";
  TCaller caller_;
};

TEST_F(TUnzDllTest, RefusesCommandRecordsOfAnotherVersionOrKey) {
  const std::string archive = Host("plain.zip");
  EXPECT_EQ(Unzip(archive, {}, [](auto& c) { c.version = 159; }), 0);
  ASSERT_EQ(caller_.Actions(), "43");
  EXPECT_NE(caller_.events[0].code, 0);
  EXPECT_EQ(Unzip(archive, {}, [](auto& c) { c.structureKey = 6; }), 0);
  EXPECT_EQ(caller_.Actions(), "43");
  EXPECT_TRUE(List(out_).empty());
}

TEST_F(TUnzDllTest, ExtractsAnInfoZipArchiveWithProgressInOrderTimesAndAttributes) {
  ASSERT_EQ(Unzip(Host("plain.zip")), 4);
  EXPECT_EQ(List(out_), (std::vector<std::string>{"a.txt=6", "ro.txt=6", "sub/", "sub/b.TXT=228894", "sub/deep/",
                                                    "sub/deep/c.bin=100000"}));
  for (const char* name : {"a.txt", "sub/b.TXT", "sub/deep/c.bin"})
    EXPECT_EQ(ReadBytes(out_ + "\\" + name), ReadBytes(Host(std::string("src/") + name))) << name;
  // Totals, then each file's start and its bytes in steps of at most 64 KiB, then the end.
  EXPECT_EQ(caller_.Actions(), "56121212123");
  EXPECT_EQ(caller_.Numbers(5), std::vector<int32_t>{4});
  EXPECT_EQ(caller_.Numbers(6), std::vector<int32_t>{6 + 6 + 228894 + 100000});
  int32_t size = 0, sum = 0;
  for (const TEvent& e : caller_.events) {
    if (e.action == zipapi::kFileStarts || e.action == zipapi::kBatchDone) {
      EXPECT_EQ(sum, size) << e.text;
      size = e.number, sum = 0;
    } else if (e.action == zipapi::kBytesDone) {
      EXPECT_LE(e.number, 65536);
      sum += e.number;
    }
  }
  // The DOS time is local time; the read-only file stays read-only.
  WIN32_FILE_ATTRIBUTE_DATA data{};
  ASSERT_TRUE(GetFileAttributesExW(Widen(out_ + "\\sub\\b.TXT").c_str(), GetFileExInfoStandard, &data));
  FILETIME local{};
  SYSTEMTIME when{};
  FileTimeToLocalFileTime(&data.ftLastWriteTime, &local);
  FileTimeToSystemTime(&local, &when);
  EXPECT_EQ(std::vector<int>({when.wYear, when.wMonth, when.wDay, when.wHour, when.wMinute, when.wSecond}),
            std::vector<int>({2020, 5, 6, 7, 8, 10}));
  EXPECT_TRUE(Attributes(out_ + "\\ro.txt") & FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(Attributes(out_ + "\\a.txt") & FILE_ATTRIBUTE_READONLY);
}

TEST_F(TUnzDllTest, SpecificationsChooseEntriesWithOrWithoutFolderNamesAndTestWritesNothing) {
  EXPECT_EQ(Unzip(Host("plain.zip"), {"SUB\\*.*"}, [](auto& c) { c.folderNames = 0; }), 2);
  EXPECT_EQ(List(out_), (std::vector<std::string>{"b.TXT=228894", "c.bin=100000"}));
  RemoveTree(out_);
  MakeFolder(out_);
  EXPECT_EQ(Unzip(Host("plain.zip"), {"*.txt"}, [](auto& c) { c.test = 1; }), 3);
  EXPECT_EQ(caller_.Numbers(5), std::vector<int32_t>{3});
  EXPECT_EQ(Unzip(Host("plain.zip"), {"sub/deep/C.BIN", "A.TXT"}, [](auto& c) { c.test = 1; }), 2);
  EXPECT_TRUE(List(out_).empty());
}

TEST_F(TUnzDllTest, PasswordsComeFromTheRecordThenFromTheCallerCountingDown) {
  const std::string archive = Host("enc.zip");
  EXPECT_EQ(Unzip(archive, {}, [](auto& c) { c.password = "secret"; }), 2);
  EXPECT_TRUE(caller_.Numbers(zipapi::kPassword).empty());
  EXPECT_EQ(ReadBytes(out_ + "\\sub\\b.TXT"), ReadBytes(Host("src/sub/b.TXT")));
  // A wrong one in the record: asked with 4, then 3; the good answer serves the next entry too.
  RemoveTree(out_);
  MakeFolder(out_);
  caller_.passwords = {"nope", "secret"};
  EXPECT_EQ(Unzip(archive, {}, [](auto& c) { c.password = "wrong"; }), 2);
  EXPECT_EQ(caller_.Numbers(zipapi::kPassword), (std::vector<int32_t>{4, 3}));
  EXPECT_EQ(ReadBytes(out_ + "\\a.txt"), "alpha\n");
  // No good answer: every try down to 1, then a message; no answer at all: a message at once.
  RemoveTree(out_);
  MakeFolder(out_);
  caller_.passwords = {"x", "y", "z", "w", std::nullopt};
  EXPECT_EQ(Unzip(archive), 0);
  EXPECT_EQ(caller_.Numbers(zipapi::kPassword), (std::vector<int32_t>{4, 3, 2, 1, 4}));
  EXPECT_EQ(caller_.Numbers(zipapi::kMessage), (std::vector<int32_t>{30303, 30303}));
  EXPECT_EQ(List(out_), std::vector<std::string>{"sub/"});  // no file, not even a temporary one
  // A wrong password that passes the check byte is caught by the CRC and asked again.
  const std::string wrong = ReadBytes(Host("sealed-wrong.txt"));
  caller_.passwords = {"right"};
  EXPECT_EQ(Unzip(Host("sealed.zip"), {}, [&](auto& c) { c.password = wrong.c_str(); }), 1);
  EXPECT_EQ(caller_.Numbers(zipapi::kPassword), std::vector<int32_t>{4});
  EXPECT_EQ(ReadBytes(out_ + "\\sealed.txt"), "the CRC decides, not the check byte");
  // Data descriptors: the check byte comes from the time; a streamed archive.
  EXPECT_EQ(Unzip(Host("encdd.zip"), {}, [](auto& c) { c.password = "secret"; }), 2);
  EXPECT_EQ(Unzip(Host("stream.zip"), {}, [](auto& c) { c.overwriteAll = 1; }), 2);
  EXPECT_EQ(ReadBytes(out_ + "\\sub\\b.TXT"), ReadBytes(Host("src/sub/b.TXT")));
}

TEST_F(TUnzDllTest, ExistingFilesAreAskedForAndReplacedWhole) {
  WriteBytes(out_ + "\\a.txt", "mine", FILE_ATTRIBUTE_READONLY);
  caller_.overwrite = 0;
  EXPECT_EQ(Unzip(Host("plain.zip"), {"a.txt"}), 0);
  EXPECT_EQ(caller_.Actions(), "56A3");  // the question before any start
  EXPECT_EQ(caller_.events[2].text, "a.txt");
  EXPECT_EQ(ReadBytes(out_ + "\\a.txt"), "mine");
  caller_.overwrite = 1;
  EXPECT_EQ(Unzip(Host("plain.zip"), {"a.txt"}), 1);
  EXPECT_EQ(ReadBytes(out_ + "\\a.txt"), "alpha\n");
  WriteBytes(out_ + "\\a.txt", "mine again");
  EXPECT_EQ(Unzip(Host("plain.zip"), {"a.txt"}, [](auto& c) { c.overwriteAll = 1; }), 1);
  EXPECT_TRUE(caller_.Numbers(zipapi::kOverwrite).empty());
  EXPECT_EQ(ReadBytes(out_ + "\\a.txt"), "alpha\n");
  // Update and freshen leave a file newer than its entry alone without asking; freshen adds nothing.
  EXPECT_EQ(Unzip(Host("plain.zip"), {"a.txt"}, [](auto& c) { c.update = 1; }), 0);
  EXPECT_EQ(Unzip(Host("plain.zip"), {"*.txt"}, [](auto& c) { c.freshen = 1; }), 0);
  EXPECT_EQ(caller_.Numbers(zipapi::kOverwrite).size() + caller_.Numbers(zipapi::kFileStarts).size(), 0u);
  SYSTEMTIME y1990{1990, 1, 1, 1};
  FILETIME old{};
  SystemTimeToFileTime(&y1990, &old);
  HANDLE file = CreateFileW(Widen(out_ + "\\a.txt").c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  SetFileTime(file, nullptr, nullptr, &old);
  CloseHandle(file);
  EXPECT_EQ(Unzip(Host("plain.zip"), {"*.txt"}, [](auto& c) { c.freshen = 1; }), 1);
  EXPECT_EQ(List(out_), std::vector<std::string>{"a.txt=6"});
  // Cancelled in the middle of an overwrite: the old file stays, no temporary file is left.
  WriteBytes(out_ + "\\b.TXT", "old");
  caller_.cancelAt = [](const TEvent& e) { return e.action == zipapi::kBytesDone; };
  EXPECT_EQ(Unzip(Host("plain.zip"), {"sub\\b.txt"}, [](auto& c) { c.folderNames = 0; }), 0);
  EXPECT_EQ(caller_.Actions(), "56A12");  // nothing after the cancelling call
  EXPECT_EQ(List(out_), (std::vector<std::string>{"a.txt=6", "b.TXT=3"}));
}

TEST_F(TUnzDllTest, CrcMismatchIsReportedAndTheRunGoesOn) {
  EXPECT_EQ(Unzip(Host("crc.zip")), 2);
  ASSERT_EQ(caller_.Numbers(zipapi::kCrcError).size(), 1u);
  const TEvent& crc = *std::find_if(caller_.events.begin(), caller_.events.end(),
                                    [](const TEvent& e) { return e.action == zipapi::kCrcError; });
  EXPECT_EQ(static_cast<uint32_t>(crc.code), 0x12345678u);
  const std::string data = "the stored CRC does not fit";
  uint32_t found = 0xFFFFFFFFu;
  for (unsigned char c : data) {
    found ^= c;
    for (int k = 0; k < 8; ++k) found = (found >> 1) ^ (0xEDB88320u & (0u - (found & 1)));
  }
  EXPECT_EQ(static_cast<uint32_t>(crc.number), ~found);
  EXPECT_EQ(List(out_), (std::vector<std::string>{"first.txt=5", "last.txt=4"}));
}

TEST_F(TUnzDllTest, NamesLeavingTheCurrentFolderAreRefused) {
  const std::string deeper = out_ + "\\deeper";
  MakeFolder(deeper);
  SetCurrentDirectoryW(Widen(deeper).c_str());
  EXPECT_EQ(Unzip(Host("unsafe.zip")), 1);
  EXPECT_EQ(caller_.Numbers(zipapi::kMessage), std::vector<int32_t>(9, 11009));
  EXPECT_EQ(List(scratch_.Path()), (std::vector<std::string>{"out/", "out/deeper/", "out/deeper/ok.txt=17"}));
  EXPECT_FALSE(Exists("C:\\drive.txt") || Exists("C:\\abs.txt") || Exists("C:\\abs2.txt"));
}

TEST_F(TUnzDllTest, DamagedArchivesGiveMessagesAndNoFiles) {
  // A bomb, a cut stream, a stored entry longer than stated, a disagreeing local header and an
  // unknown method: one message each, and only the good entry is written.
  EXPECT_EQ(Unzip(Host("damaged.zip")), 1);
  EXPECT_EQ(caller_.Numbers(zipapi::kMessage), (std::vector<int32_t>{11021, 11021, 11021, 11026, 11021}));
  EXPECT_EQ(List(out_), (std::vector<std::string>{"good.txt=4"}));
  EXPECT_EQ(caller_.BytesOf("bomb.bin"), 1000);  // inflating stopped at the stated size
  EXPECT_EQ(Unzip(Host("count.zip")), 2);  // the entries there are, and a word about the rest
  EXPECT_EQ(caller_.Numbers(zipapi::kMessage).size(), 1u);
  for (const char* name : {"truncated.zip", "text.zip", "missing.zip"}) {
    EXPECT_EQ(Unzip(Host(name)), 0) << name;
    EXPECT_EQ(caller_.Actions(), "43") << name;
    EXPECT_EQ(caller_.events[0].code, std::string(name) == "missing.zip" ? 11001 : 11036) << name;
  }
}

TEST_F(TUnzDllTest, PythonArchivesWithZip64CommentsGarbageStubsAndUtf8Names) {
  for (const char* name : {"zip64.zip", "garbage.zip", "sfx.zip"}) {
    EXPECT_EQ(Unzip(Host(name), {}, [](auto& c) { c.overwriteAll = 1; }), 2) << name;
    EXPECT_EQ(List(out_), (std::vector<std::string>{"big/", "big/body.bin=76800", "note.txt=4"})) << name;
  }
  RemoveTree(out_);
  MakeFolder(out_);
  EXPECT_EQ(Unzip(Host("utf8.zip")), 2);
  EXPECT_EQ(List(out_), (std::vector<std::string>{"Ünïcødé/", "Ünïcødé/Ωmega.txt=2", "Ünïcødé/日本語.txt=2"}));
}

TEST_F(TUnzDllTest, RealArchivesTestLikeUnzipAndKeepTheirNames) {
  // unzip's count of entries that test OK less zipinfo's count of folders, per fixture.
  const std::string fixtures = "/work/shared/fixtures/zip";
  ASSERT_TRUE(RunHostShell("cd " + fixtures + " && for f in *.zip; do echo $f $(( $(unzip -t -P 12345678 $f | "
                           "grep -ac ' OK$') - $(zipinfo $f | grep -ac '^d') )); done > " + host_ + "/unzip-t.txt"));
  std::string expected = ReadBytes(Host("unzip-t.txt")), ours;
  for (size_t at = 0; at < expected.size();) {
    const std::string name = expected.substr(at, expected.find(' ', at) - at);
    ours += name + " " + std::to_string(Unzip(HostSpelling(fixtures + "/" + name), {}, [](auto& c) {
              c.test = 1;
              c.password = "12345678";
            })) + "\n";
    at = expected.find('\n', at) + 1;
  }
  EXPECT_EQ(ours, expected);
  EXPECT_TRUE(List(out_).empty());
  EXPECT_EQ(Unzip(HostSpelling(fixtures + "/zip_filename_utf8_jp.zip")), 2);
  EXPECT_EQ(List(out_), (std::vector<std::string>{"表だよ/", "表だよ/一覧表.txt=5", "表だよ/漢字.txt=5"}));
}

TEST_F(TUnzDllTest, Zip64EntriesAndOffsetsPastFourGiB) {
  ASSERT_TRUE(RunHostShell("python3 " QUILL_TESTS_SOURCE "/unzdll_archives.py " + host_ + " big"));
  EXPECT_EQ(Unzip(Host("big.zip"), {"tail.txt"}), 1);
  EXPECT_EQ(ReadBytes(out_ + "\\tail.txt"), "the tail after 4 GiB");
  // 4 GiB + 16 bytes inflated and checked; the progress figures stop at the largest number.
  EXPECT_EQ(Unzip(Host("big.zip"), {"deflated.bin"}, [](auto& c) { c.test = 1; }), 1);
  EXPECT_EQ(caller_.Numbers(zipapi::kTotalBytes), std::vector<int32_t>{0x7FFFFFFF});
  RunHostShell("rm -f " + host_ + "/big.zip");
}

}  // namespace
