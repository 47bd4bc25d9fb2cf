// arj.exe run with the command lines Quill's TArj builds: extraction with and without paths into
// a destination (overwriting without asking, a list file selecting a folder, hostile names kept
// inside, a damaged entry leaving nothing), and adding, moving, updating with volumes, judged by
// our reader and, when the host has it, by Debian's arj.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ArjArchive.h"
#include "ArjWriter.h"
#include "platform/Utf16.h"
#include "tests/win32/TestSupport.h"

namespace quill {
namespace {

using test::Exists;
using test::MakeFolder;
using test::ReadBytes;
using test::WriteBytes;

std::string Text(size_t size, unsigned seed) {
  static const char* words[] = {"arj ", "volume ", "quill ", "header ", "the ", "data\r\n", "of ", "window "};
  std::string text;
  uint32_t x = seed;
  while (text.size() < size) {
    x = x * 1103515245u + 12345u;
    text += words[(x >> 16) % 8];
  }
  text.resize(size);
  return text;
}

arjformat::VolumeOpener FileOpener() {
  return [](const std::string& name) -> std::unique_ptr<zipformat::IByteSource> {
    int error = 0;
    return zipformat::OpenFileSource(name, error);
  };
}

// Writes an archive with our portable writer: the test's own fixtures.
class TArchiveFile final : public arjformat::IVolumeOutput {
 public:
  explicit TArchiveFile(std::string path) : path_(std::move(path)) {}
  bool StartVolume(size_t index) override {
    name_ = arjformat::VolumeName(path_, index);
    bytes_.clear();
    return true;
  }
  bool Write(const uint8_t* d, size_t n) override {
    bytes_.append(reinterpret_cast<const char*>(d), n);
    return true;
  }
  bool Rewrite(uint64_t offset, const uint8_t* d, size_t n) override {
    bytes_.replace(offset, n, reinterpret_cast<const char*>(d), n);
    return true;
  }
  bool FinishVolume() override {
    WriteBytes(name_, bytes_);
    return true;
  }

 private:
  std::string path_, name_, bytes_;
};

std::string Short(const std::string& path) {
  wchar_t buffer[MAX_PATH];
  const DWORD n = GetShortPathNameW(Widen(path).c_str(), buffer, MAX_PATH);
  return n > 0 && n < MAX_PATH ? Narrow(buffer) : path;
}

class ArjExeWin32 : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    arj_ = exe;
    arj_ = arj_.substr(0, arj_.find_last_of(L'\\') + 1) + L"arj.exe";
    ASSERT_TRUE(Exists(Narrow(arj_)));
    src_ = scratch_ / "src";
    MakeFolder(src_);
    MakeFolder(scratch_ / "tmp");
    using UnixName = char*(__cdecl*)(const wchar_t*);
    auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
    if (unixName) {
      char* host = unixName(Widen(scratch_.Path()).c_str());
      if (host) host_ = host;
      HeapFree(GetProcessHeap(), 0, host);
    }
    if (!host_.empty()) hostArj_ = Host("command -v arj");
    if (!hostArj_) std::printf("Debian's arj is not reachable from here: its checks are skipped\n");
  }

  // Runs arj.exe with `arguments` (as Quill passes them) in the source folder; its exit code
  // and what it said on its error output.
  int Arj(const std::string& arguments, std::string* said = nullptr) {
    const std::string errors = scratch_ / ("arj-errors-" + std::to_string(++runs_) + ".txt");
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE out = CreateFileW(Widen(errors).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = startup.hStdError = out;
    PROCESS_INFORMATION process{};
    std::wstring line = L"\"" + arj_ + L"\" " + Widen(arguments);
    const bool started = CreateProcessW(arj_.c_str(), line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                        Widen(src_).c_str(), &startup, &process);
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

  // TArj's Extract: the selection in "quilltmp.$$$" in the current folder, short paths.
  int Extract(char letter, const std::string& archive, const std::string& destination,
              const std::vector<std::string>& selection, std::string* said) {
    std::string line = std::string(1, letter) + " -v -y " + Short(archive) + " " + Short(destination);
    if (!selection.empty()) {
      std::string text;
      for (const auto& item : selection) text += item + "\r\n";
      WriteBytes(src_ + "\\quilltmp.$$$", text);
      line += " !quilltmp.$$$";
    }
    const int code = Arj(line, said);
    DeleteFileW(Widen(src_ + "\\quilltmp.$$$").c_str());
    return code;
  }

  // TArj's Add: the list file in the temporary folder.
  std::string List(const std::vector<std::string>& items) {
    std::string text;
    for (const auto& item : items) text += item + "\r\n";
    const std::string path = scratch_ / "tmp\\quillTempFile.$$$";
    WriteBytes(path, text);
    return path;
  }

  bool Host(const std::string& command, std::string* output = nullptr) {
    const bool ok = test::RunHostShell("cd '" + host_ + "' && (" + command + ") > host-output.txt 2>&1");
    if (output) *output = ReadBytes(scratch_ / "host-output.txt");
    return ok;
  }

  void WriteFixture(const std::string& path, const std::vector<std::pair<std::string, std::string>>& files) {
    TArchiveFile out(path);
    arjformat::ArjWriter writer(out, path, 0, 1, 0x5A000000);
    for (const auto& [name, data] : files) {
      if (data == "/") {
        ASSERT_TRUE(writer.AddFolder({name, 0x5A000000, 0x10}));
        continue;
      }
      zipformat::MemorySource source(data);
      ASSERT_TRUE(writer.AddFile({name, 0x5A2B1234, 0x20}, source));
    }
    ASSERT_TRUE(writer.Finish());
  }

  test::TScratchFolder scratch_;
  int runs_ = 0;
  std::wstring arj_;
  std::string src_, host_;
  bool hostArj_ = false;
};

TEST_F(ArjExeWin32, ExtractionWithAndWithoutPathsOverwritesAndSelectsFolders) {
  const std::string big = Text(120000, 3);
  const std::string archive = scratch_ / "docs.arj";
  WriteFixture(archive, {{"docs", "/"},
                         {"docs\\a.txt", "alpha"},
                         {"docs\\sub\\b.txt", big},
                         {"documents\\c.txt", "gamma"},
                         {"top.txt", "top"}});
  const std::string out = scratch_ / "out";
  MakeFolder(out);
  MakeFolder(out + "\\docs");
  WriteBytes(out + "\\docs\\a.txt", "old contents", FILE_ATTRIBUTE_READONLY);

  std::string said;
  EXPECT_EQ(Extract('x', archive, out, {"docs"}, &said), 0) << said;
  EXPECT_EQ(ReadBytes(out + "\\docs\\a.txt"), "alpha") << "overwritten without asking";
  EXPECT_EQ(ReadBytes(out + "\\docs\\sub\\b.txt"), big);
  EXPECT_FALSE(Exists(out + "\\documents"));
  EXPECT_FALSE(Exists(out + "\\top.txt"));
  EXPECT_FALSE(Exists(src_ + "\\quilltmp.$$$"));
  // The stored time comes back.
  WIN32_FILE_ATTRIBUTE_DATA data{};
  ASSERT_TRUE(GetFileAttributesExW(Widen(out + "\\docs\\sub\\b.txt").c_str(), GetFileExInfoStandard, &data));
  FILETIME local{};
  WORD date = 0, time = 0;
  FileTimeToLocalFileTime(&data.ftLastWriteTime, &local);
  FileTimeToDosDateTime(&local, &date, &time);
  EXPECT_EQ(date, 0x5A2B);
  EXPECT_EQ(time, 0x1234);

  const std::string flat = scratch_ / "flat";
  MakeFolder(flat);
  EXPECT_EQ(Extract('e', archive, flat, {}, &said), 0) << said;
  EXPECT_EQ(ReadBytes(flat + "\\b.txt"), big);
  EXPECT_EQ(ReadBytes(flat + "\\c.txt"), "gamma");
  EXPECT_EQ(ReadBytes(flat + "\\top.txt"), "top");
  EXPECT_FALSE(Exists(flat + "\\docs"));

  // An archive made by Debian's arj with the fastest method, extracted by ours.
  if (!hostArj_) return;
  WriteBytes(scratch_ / "fast.txt", big);
  std::string report;
  ASSERT_TRUE(Host("arj a -y -m4 fast.arj fast.txt", &report)) << report;
  const std::string fast = scratch_ / "fast";
  MakeFolder(fast);
  EXPECT_EQ(Extract('x', scratch_ / "fast.arj", fast, {}, &said), 0) << said;
  EXPECT_EQ(ReadBytes(fast + "\\fast.txt"), big);
}

TEST_F(ArjExeWin32, HostileNamesStayInsideAndDamagedEntriesLeaveNothing) {
  const std::string archive = scratch_ / "evil.arj";
  WriteFixture(archive, {{"..\\evil.txt", "evil"},
                         {"..\\..\\deeper.txt", "deeper"},
                         {"C:\\rooted.txt", "rooted"},
                         {"ok.txt", "fine"}});
  const std::string out = scratch_ / "dest";
  MakeFolder(out);
  std::string said;
  EXPECT_EQ(Extract('x', archive, out, {}, &said), 0) << said;
  EXPECT_FALSE(Exists(scratch_ / "evil.txt"));
  EXPECT_FALSE(Exists(scratch_ / "deeper.txt"));
  EXPECT_EQ(ReadBytes(out + "\\evil.txt"), "evil");
  EXPECT_EQ(ReadBytes(out + "\\deeper.txt"), "deeper");
  EXPECT_EQ(ReadBytes(out + "\\rooted.txt"), "rooted");
  EXPECT_EQ(ReadBytes(out + "\\ok.txt"), "fine");

  // A byte of packed data changed: errorlevel 3, a message, and no file for that entry.
  const std::string text = Text(50000, 9);
  const std::string bad = scratch_ / "bad.arj";
  WriteFixture(bad, {{"good.txt", "good"}, {"broken.txt", text}});
  std::string bytes = ReadBytes(bad);
  bytes[bytes.find("broken.txt") + 300] ^= 0x21;
  WriteBytes(bad, bytes);
  const std::string damaged = scratch_ / "damaged";
  MakeFolder(damaged);
  EXPECT_EQ(Extract('x', bad, damaged, {}, &said), 3);
  EXPECT_NE(said.find("broken.txt"), std::string::npos) << said;
  EXPECT_FALSE(Exists(damaged + "\\broken.txt"));
  EXPECT_EQ(ReadBytes(damaged + "\\good.txt"), "good");
  // Not an archive at all: errorlevel 6.
  WriteBytes(scratch_ / "not.arj", "plain text");
  EXPECT_EQ(Extract('x', scratch_ / "not.arj", damaged, {}, &said), 6);
  EXPECT_FALSE(said.empty());
}

TEST_F(ArjExeWin32, AddMoveAndUpdateWithVolumes) {
  const std::string big = Text(300000, 1), small = "small text\r\n";
  MakeFolder(src_ + "\\docs");
  MakeFolder(src_ + "\\docs\\sub");
  MakeFolder(src_ + "\\keep");
  WriteBytes(src_ + "\\a.txt", small);
  WriteBytes(src_ + "\\docs\\big.txt", big);
  WriteBytes(src_ + "\\docs\\sub\\hidden.txt", "h", FILE_ATTRIBUTE_HIDDEN);
  WriteBytes(src_ + "\\keep\\x.txt", "not listed");

  // As TArj's Add builds it: mode, recursion, volume size, method, archive, !list.
  const std::string archive = src_ + "\\backup.arj";
  std::string said;
  EXPECT_EQ(Arj(" m -y -r -v40000 -m1 " + archive + " !" + List({"a.txt", "docs"}), &said), 0) << said;
  EXPECT_FALSE(Exists(src_ + "\\a.txt"));
  EXPECT_FALSE(Exists(src_ + "\\docs")) << "moved folders go once empty";
  EXPECT_TRUE(Exists(src_ + "\\keep\\x.txt"));
  ASSERT_TRUE(Exists(src_ + "\\backup.a01"));
  EXPECT_LE(ReadBytes(archive).size(), 40000u);

  arjformat::ArjArchive read;
  ASSERT_TRUE(read.Open(archive, FileOpener()));
  EXPECT_FALSE(read.Damaged());
  std::map<std::string, const arjformat::ArjEntry*> byName;
  for (const auto& e : read.Entries()) byName[arjformat::NativeName(e.header)] = &e;
  ASSERT_EQ(byName.size(), 5u);
  ASSERT_TRUE(byName.count("docs") && byName.count("docs\\sub") && byName.count("docs\\big.txt"));
  EXPECT_TRUE(byName["docs"]->IsFolder());
  EXPECT_EQ(byName["docs\\big.txt"]->header.method, 1);
  EXPECT_EQ(byName["docs\\big.txt"]->header.flags & arjformat::kFlagPathSym, arjformat::kFlagPathSym);
  EXPECT_EQ(byName["docs\\sub\\hidden.txt"]->header.accessMode & FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_HIDDEN);
  struct Collect final : arjformat::IByteOutput {
    std::string bytes;
    bool Write(const uint8_t* d, size_t n) override {
      bytes.append(reinterpret_cast<const char*>(d), n);
      return true;
    }
  } got;
  EXPECT_EQ(read.Extract(*byName["docs\\big.txt"], got), arjformat::ArjArchive::Result::Ok);
  EXPECT_EQ(got.bytes, big);
  read = arjformat::ArjArchive();

  if (hostArj_) {
    std::string report;
    EXPECT_TRUE(Host("cd src && arj t -y -v backup.arj && mkdir ../x && cd ../x && arj x -y -v ../src/backup.arj", &report))
        << report;
    EXPECT_EQ(ReadBytes(scratch_ / "x\\docs\\big.txt"), big) << report;
    EXPECT_EQ(ReadBytes(scratch_ / "x\\a.txt"), small) << report;
  }

  // A stored archive, then freshen and update: unchanged entries keep their packed bytes.
  WriteBytes(src_ + "\\one.txt", Text(20000, 5));
  WriteBytes(src_ + "\\two.txt", Text(20000, 6));
  const std::string plain = src_ + "\\plain.arj";
  ASSERT_EQ(Arj(" a -y -m1 " + plain + " !" + List({"one.txt", "two.txt"}), &said), 0) << said;
  const std::string before = ReadBytes(plain);
  ASSERT_EQ(Arj(" f -y -m1 " + plain + " !" + List({"one.txt", "two.txt", "keep\\x.txt"}), &said), 0) << said;
  EXPECT_EQ(ReadBytes(plain), before) << "nothing newer: the archive is left as it is";
  Sleep(2100);  // DOS times count in two-second steps
  WriteBytes(src_ + "\\two.txt", "two, changed");
  ASSERT_EQ(Arj(" u -y -m0 " + plain + " !" + List({"one.txt", "two.txt", "keep\\x.txt"}), &said), 0) << said;
  ASSERT_TRUE(read.Open(plain, FileOpener()));
  ASSERT_EQ(read.Entries().size(), 3u);
  EXPECT_EQ(read.Entries()[0].header.name, "one.txt");
  EXPECT_EQ(read.Entries()[0].header.method, 1) << "copied as it was";
  // one.txt's header and packed bytes, unchanged (the main header's time is the new archive's).
  auto firstEntry = [](const std::string& bytes) {
    const size_t from = bytes.find("one.txt");
    const size_t next = bytes.rfind(std::string("\x60\xEA", 2), bytes.find("two.txt"));
    return bytes.substr(from, next - from);
  };
  EXPECT_TRUE(firstEntry(ReadBytes(plain)) == firstEntry(before));
  EXPECT_EQ(read.Entries()[1].header.method, 0);
  EXPECT_EQ(read.Entries()[1].header.originalSize, 12u);
  EXPECT_EQ(read.Entries()[2].header.name, "keep/x.txt");
  read = arjformat::ArjArchive();
  if (hostArj_) {
    std::string report;
    EXPECT_TRUE(Host("arj t -y src/plain.arj", &report)) << report;
  }
  // A name that matches nothing: a warning, errorlevel 1, and no archive.
  EXPECT_EQ(Arj(" a -y none.arj !" + List({"missing.txt"}), &said), 1);
  EXPECT_FALSE(said.empty());
  EXPECT_FALSE(Exists(src_ + "\\none.arj"));
}

}  // namespace
}  // namespace quill
