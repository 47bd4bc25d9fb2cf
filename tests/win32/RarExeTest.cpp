// rar.exe run as Quill runs it (the command lines its Add builds), with what it writes judged by
// the host's bsdtar and read back by our own RAR reader, which also decrypts it with the CNG
// provider.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "archivers/rarcrypto/CngCrypto.h"
#include "archivers/rarformat/RarArchive.h"
#include "platform/Utf16.h"
#include "tests/win32/TestSupport.h"

namespace quill {
namespace {

using test::Exists;
using test::MakeFolder;
using test::ReadBytes;
using test::WriteBytes;

std::string Noise(size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  uint32_t x = seed * 2654435761u + 1;
  for (char& c : bytes) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 23);
  }
  return bytes;
}

uint32_t Crc(const std::string& bytes) {
  uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char c : bytes) {
    crc ^= c;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

void SetTime(const std::string& path, int daysAgo) {
  HANDLE h = CreateFileW(Widen(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER t{{now.dwLowDateTime, now.dwHighDateTime}};
  t.QuadPart -= static_cast<uint64_t>(daysAgo) * 24 * 3600 * 10000000ull;
  const FILETIME when{t.LowPart, t.HighPart};
  SetFileTime(h, nullptr, nullptr, &when);
  CloseHandle(h);
}

// Volumes read through the wide API from the folder of the first.
class TFileVolumes : public rarformat::IVolumeProvider {
 public:
  std::map<std::string, std::string> cache;
  std::unique_ptr<zipformat::IByteSource> Open(const std::string& name) override {
    if (!Exists(name)) return nullptr;
    cache[name] = ReadBytes(name);
    return std::make_unique<zipformat::MemorySource>(cache[name]);
  }
  bool AskMissing(std::string&) override { return false; }
  bool Opened(const std::string&) override { return true; }
};

struct TReadBack {
  rarformat::RarStatus status = rarformat::RarStatus::Ok;
  std::vector<rarformat::RarEntry> entries;  // the last part of each
  std::map<std::string, std::string> packed;  // every part's bytes joined
};

TReadBack ReadBack(const std::string& first) {
  TReadBack result;
  auto volumes = std::make_unique<TFileVolumes>();
  auto source = volumes->Open(first);
  if (!source) {
    result.status = rarformat::RarStatus::ReadError;
    return result;
  }
  rarformat::RarReader reader(std::move(source), first, volumes.get());
  result.status = reader.Open();
  if (result.status != rarformat::RarStatus::Ok) return result;
  rarformat::RarEntry entry;
  while ((result.status = reader.Next(entry)) == rarformat::RarStatus::Ok) {
    std::string bytes;
    auto input = reader.OpenPacked();
    uint8_t buffer[4096];
    for (size_t got; (got = input->Read(buffer, sizeof buffer)) > 0;) bytes.append(reinterpret_cast<char*>(buffer), got);
    result.packed[entry.name] = bytes;
    result.entries.push_back(reader.CurrentPart());
  }
  if (result.status == rarformat::RarStatus::End) result.status = rarformat::RarStatus::Ok;
  return result;
}

class RarExeWin32 : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    rar_ = exe;
    rar_ = rar_.substr(0, rar_.find_last_of(L'\\') + 1) + L"rar.exe";
    ASSERT_TRUE(Exists(Narrow(rar_)));
    src_ = scratch_ / "src";
    MakeFolder(src_);
    MakeFolder(scratch_ / "tmp");
    using UnixName = char*(__cdecl*)(const wchar_t*);
    auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
    if (unixName) {
      char* host = unixName(Widen(scratch_.Path()).c_str());
      host_ = host;
      HeapFree(GetProcessHeap(), 0, host);
    }
  }

  // Runs rar.exe with `arguments` (as Quill passes them, starting with a blank) in the source
  // folder; its exit code, and what it said on its error output.
  int Rar(const std::string& arguments, std::string* said = nullptr) {
    // A file of its own per run: the last run's handle may outlive its process for a moment.
    const std::string errors = scratch_ / ("rar-errors-" + std::to_string(++runs_) + ".txt");
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE out = CreateFileW(Widen(errors).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = startup.hStdError = out;
    PROCESS_INFORMATION process{};
    std::wstring line = L"\"" + rar_ + L"\"" + Widen(arguments);
    const bool started = CreateProcessW(rar_.c_str(), line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
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

  // The list file Quill writes: one item a line, in the ANSI code page.
  std::string List(const std::vector<std::string>& items) {
    std::string text;
    for (const auto& item : items) text += item + "\r\n";
    const std::string path = scratch_ / "tmp\\quillTempFile.$$$";
    WriteBytes(path, text);
    return path;
  }

  // A host shell command in the scratch folder (its Unix path); its output, and whether it exited 0.
  bool Host(const std::string& command, std::string* output = nullptr) {
    const bool ok = test::RunHostShell("cd '" + host_ + "' && (" + command + ") > host-output.txt 2>&1");
    if (output) *output = ReadBytes(scratch_ / "host-output.txt");
    return ok;
  }

  std::vector<std::string> Leftovers() {
    std::vector<std::string> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(Widen(src_ + "\\*.rartmp").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do names.push_back(Narrow(data.cFileName));
    while (FindNextFileW(find, &data));
    FindClose(find);
    return names;
  }

  test::TScratchFolder scratch_;
  int runs_ = 0;
  std::wstring rar_;
  std::string src_, host_;
};

TEST_F(RarExeWin32, QuillsMoveCommandStoresTheTreeInVolumesAndDeletesTheOriginals) {
  const std::string big = Noise(25000, 1), small = "small text\r\n";
  MakeFolder(src_ + "\\docs");
  MakeFolder(src_ + "\\docs\\sub");
  MakeFolder(src_ + "\\keep");
  WriteBytes(src_ + "\\a.txt", small);
  WriteBytes(src_ + "\\docs\\big.bin", big);
  WriteBytes(src_ + "\\docs\\sub\\hidden.txt", "h", FILE_ATTRIBUTE_HIDDEN);
  WriteBytes(src_ + "\\keep\\x.txt", "not listed");

  // As Part of Quill's Add builds it: mode, recursion, volumes, level, archive, @list.
  std::string said;
  EXPECT_EQ(Rar(" m -r -v10 -m5 backup.rar @" + List({"a.txt", "docs"}), &said), 0) << said;
  EXPECT_TRUE(Leftovers().empty());
  EXPECT_FALSE(Exists(src_ + "\\a.txt"));
  EXPECT_FALSE(Exists(src_ + "\\docs")) << "moved folders go once empty";
  EXPECT_TRUE(Exists(src_ + "\\keep\\x.txt"));
  for (const char* part : {"backup.part1.rar", "backup.part2.rar", "backup.part3.rar"}) {
    const std::string path = src_ + "\\" + part;
    ASSERT_TRUE(Exists(path)) << part;
    EXPECT_LE(ReadBytes(path).size(), 10000u) << part;
  }
  EXPECT_FALSE(Exists(src_ + "\\backup.part4.rar"));
  EXPECT_FALSE(Exists(src_ + "\\backup.rar"));

  // Our reader follows the volumes; every entry's bytes match its CRC.
  const TReadBack back = ReadBack(src_ + "\\backup.part1.rar");
  ASSERT_EQ(back.status, rarformat::RarStatus::Ok);
  std::map<std::string, const rarformat::RarEntry*> byName;
  for (const auto& e : back.entries) byName[e.name] = &e;
  ASSERT_EQ(byName.size(), 5u);
  ASSERT_TRUE(byName.count("docs") && byName.count("docs/sub"));
  EXPECT_TRUE(byName["docs"]->directory);
  EXPECT_EQ(back.packed.at("docs/big.bin"), big);
  EXPECT_EQ(byName["docs/big.bin"]->crc, Crc(big));
  EXPECT_EQ(back.packed.at("a.txt"), small);
  EXPECT_EQ(byName["docs/sub/hidden.txt"]->attributes & FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(byName["a.txt"]->method, 0x30u);

  if (host_.empty()) return;
  std::string report;
  ASSERT_TRUE(Host("mkdir x && cat src/backup.part1.rar src/backup.part2.rar src/backup.part3.rar | bsdtar -xf - -C x "
                   "&& cmp x/docs/big.bin - < /dev/null || true; ls -R x",
                   &report))
      << report;
  EXPECT_EQ(ReadBytes(scratch_ / "x\\docs\\big.bin"), big) << report;
  EXPECT_EQ(ReadBytes(scratch_ / "x\\a.txt"), small) << report;
  EXPECT_EQ(ReadBytes(scratch_ / "x\\docs\\sub\\hidden.txt"), "h") << report;

  // The same line with Quill's 1440 (thousand bytes) volumes: one part, named for a set of one.
  WriteBytes(src_ + "\\again.txt", small);
  EXPECT_EQ(Rar(" m -r -v1440 -m5 floppy.rar @" + List({"again.txt"}), &said), 0) << said;
  EXPECT_TRUE(Exists(src_ + "\\floppy.part1.rar"));
  EXPECT_FALSE(Exists(src_ + "\\again.txt"));
  // Volumes of an existing set are not updated.
  WriteBytes(src_ + "\\again.txt", small);
  EXPECT_EQ(Rar(" a -v1440 floppy.rar again.txt", &said), 2);
  EXPECT_NE(said.find("multi-volume"), std::string::npos) << said;
  EXPECT_TRUE(Exists(src_ + "\\again.txt"));
}

TEST_F(RarExeWin32, UpdateFreshenAndAddKeepWhatTheyShouldAndReplaceTheArchiveWhole) {
  WriteBytes(src_ + "\\one.txt", "one v1");
  WriteBytes(src_ + "\\two.txt", "two v1");
  SetTime(src_ + "\\one.txt", 10);
  SetTime(src_ + "\\two.txt", 10);
  std::string said;
  ASSERT_EQ(Rar(" a -m3 arc.rar one.txt two.txt", &said), 0) << said;
  const std::string original = ReadBytes(src_ + "\\arc.rar");

  // f: only the newer file already in the archive; new files stay out.
  WriteBytes(src_ + "\\one.txt", "one v2");
  SetTime(src_ + "\\one.txt", 1);
  WriteBytes(src_ + "\\three.txt", "three");
  WriteBytes(src_ + "\\two.txt", "two older");
  SetTime(src_ + "\\two.txt", 20);
  ASSERT_EQ(Rar(" f arc.rar @" + List({"*.txt"}), &said), 0) << said;
  TReadBack back = ReadBack(src_ + "\\arc.rar");
  ASSERT_EQ(back.status, rarformat::RarStatus::Ok);
  ASSERT_EQ(back.entries.size(), 2u);
  EXPECT_EQ(back.entries[0].name, "one.txt");
  EXPECT_EQ(back.packed["one.txt"], "one v2");
  EXPECT_EQ(back.packed["two.txt"], "two v1") << "an older file leaves its entry";
  // The kept entry is the old one byte for byte.
  const std::string freshened = ReadBytes(src_ + "\\arc.rar");
  const size_t oldTwo = original.find("two.txt"), newTwo = freshened.find("two.txt");
  ASSERT_NE(oldTwo, std::string::npos);
  // From the header's CRC (23 bytes before the name) through the time record and the data.
  EXPECT_EQ(freshened.substr(newTwo - 23, 23 + 7 + 19), original.substr(oldTwo - 23, 23 + 7 + 19));

  // u: new files too; a: everything named, replacing in place.
  ASSERT_EQ(Rar(" u arc.rar @" + List({"*.txt"}), &said), 0) << said;
  back = ReadBack(src_ + "\\arc.rar");
  ASSERT_EQ(back.entries.size(), 3u);
  EXPECT_EQ(back.entries[2].name, "three.txt");
  EXPECT_EQ(back.packed["two.txt"], "two v1");
  ASSERT_EQ(Rar(" a arc.rar @" + List({"two.txt"}), &said), 0) << said;
  back = ReadBack(src_ + "\\arc.rar");
  ASSERT_EQ(back.entries.size(), 3u);
  EXPECT_EQ(back.entries[1].name, "two.txt");
  EXPECT_EQ(back.packed["two.txt"], "two older");
  EXPECT_TRUE(Leftovers().empty());

  // A missing item is a warning; the rest is stored.
  ASSERT_EQ(Rar(" a arc.rar nowhere.txt @" + List({"one.txt"}), &said), 1);
  EXPECT_NE(said.find("nowhere.txt"), std::string::npos) << said;
  EXPECT_EQ(ReadBack(src_ + "\\arc.rar").entries.size(), 3u);

  if (host_.empty()) return;
  std::string report;
  ASSERT_TRUE(Host("bsdtar -xOf src/arc.rar one.txt two.txt three.txt", &report)) << report;
  EXPECT_EQ(report, "one v2two olderthree");
}

TEST_F(RarExeWin32, ListFilesInTheAnsiCodePageOrUtf8StoreUtf8Names) {
  // One name the ANSI code page spells (whichever it is here), one only UTF-8 can.
  std::wstring ansiName;
  std::string ansiBytes;
  for (const std::wstring candidate : {L"caf\u00e9.txt", L"\ud55c\uae00.txt", L"\u00fcber.txt"}) {
    BOOL lost = FALSE;
    char bytes[64];
    const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, candidate.c_str(), -1, bytes, sizeof bytes,
                                           nullptr, &lost);
    const std::string spelt = length > 0 ? bytes : "";
    if (!lost && std::any_of(spelt.begin(), spelt.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) {
      ansiName = candidate;
      ansiBytes = bytes;
      break;
    }
  }
  ASSERT_FALSE(ansiName.empty()) << "no non-ASCII name in this code page";
  const std::wstring wideName = L"\u03a9\u03bc\u03ad\u03b3\u03b1 \ud55c.txt";  // Greek and Hangul together
  auto Utf8 = [](const std::wstring& text) {
    char bytes[256];
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, bytes, sizeof bytes, nullptr, nullptr);
    return std::string(bytes, length - 1);
  };
  auto Create = [this](const std::wstring& name, const std::string& bytes) {
    HANDLE h = CreateFileW((Widen(src_) + L"\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD done = 0;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
    CloseHandle(h);
  };
  Create(ansiName, "ansi");
  Create(wideName, "wide");
  std::string said;
  WriteBytes(scratch_ / "ansi.lst", ansiBytes + "\r\n");
  ASSERT_EQ(Rar(" a names.rar @" + (scratch_ / "ansi.lst"), &said), 0) << said;
  WriteBytes(scratch_ / "utf8.lst", "\xEF\xBB\xBF" + Utf8(wideName) + "\n");
  ASSERT_EQ(Rar(" a names.rar @" + (scratch_ / "utf8.lst"), &said), 0) << said;
  const TReadBack back = ReadBack(src_ + "\\names.rar");
  ASSERT_EQ(back.entries.size(), 2u);
  EXPECT_EQ(back.entries[0].name, Utf8(ansiName));
  EXPECT_EQ(back.entries[1].name, Utf8(wideName));
  EXPECT_EQ(back.packed.at(Utf8(wideName)), "wide");
}

TEST_F(RarExeWin32, RefusesWhatItCannotUpdateAndBadCommandLines) {
  WriteBytes(src_ + "\\f.txt", "f");
  std::string said;
  const std::string fixtures = "/work/shared/fixtures/rar/";
  const std::map<std::string, std::string> refused{
      {"rar.rar", "RAR 4"}, {"rar5_solid.rar", "solid"}, {"rar5_multiarchive.part01.rar", "multi-volume"}};
  if (Exists(test::HostSpelling(fixtures + "rar.rar"))) {
    for (const auto& [name, why] : refused) {
      const std::string bytes = ReadBytes(test::HostSpelling(fixtures + name));
      WriteBytes(src_ + "\\old.rar", bytes);
      EXPECT_EQ(Rar(" a old.rar f.txt", &said), 2) << name;
      EXPECT_NE(said.find(why), std::string::npos) << said;
      EXPECT_EQ(ReadBytes(src_ + "\\old.rar"), bytes) << name;
    }
  }
  WriteBytes(src_ + "\\text.rar", "just text");
  EXPECT_EQ(Rar(" a text.rar f.txt", &said), 2);
  EXPECT_EQ(ReadBytes(src_ + "\\text.rar"), "just text");
  EXPECT_EQ(Rar(" a -q x.rar f.txt", &said), 7);
  EXPECT_FALSE(said.empty());
  EXPECT_EQ(Rar(" x x.rar", &said), 7);
  EXPECT_EQ(Rar(" a", &said), 7);
  EXPECT_EQ(Rar(" a x.rar @" + (scratch_ / "no-such-list"), &said), 2);
  EXPECT_FALSE(Exists(src_ + "\\x.rar"));
  EXPECT_TRUE(Leftovers().empty());
}

TEST_F(RarExeWin32, MoveThatFailsMidwayDeletesNothing) {
  WriteBytes(src_ + "\\first.txt", "first");
  WriteBytes(src_ + "\\last.txt", "last");
  // Folders nested until one entry's name alone is more than a 1,000-byte volume holds: the
  // archiver has written volumes by then and fails on that entry.
  std::string deep = src_ + "\\deep";
  MakeFolder(deep);
  for (int level = 0; level < 5; ++level) {
    deep += "\\" + std::string(200, static_cast<char>('a' + level));
    MakeFolder(deep);
  }
  WriteBytes(deep + "\\inner.txt", "inner");
  ASSERT_TRUE(Exists(deep + "\\inner.txt"));
  std::string said;
  EXPECT_EQ(Rar(" m -r -v1 backup.rar @" + List({"first.txt", "deep", "last.txt"}), &said), 2) << said;
  EXPECT_NE(said.find("volume size"), std::string::npos) << said;
  EXPECT_TRUE(Exists(src_ + "\\first.txt"));
  EXPECT_TRUE(Exists(deep + "\\inner.txt"));
  EXPECT_TRUE(Exists(src_ + "\\last.txt"));
  EXPECT_FALSE(Exists(src_ + "\\backup.part1.rar"));
  EXPECT_FALSE(Exists(src_ + "\\backup.part01.rar"));
  EXPECT_TRUE(Leftovers().empty());

  // Over an existing archive, a failure leaves the old one as it was.
  ASSERT_EQ(Rar(" a backup.rar first.txt", &said), 0) << said;
  const std::string before = ReadBytes(src_ + "\\backup.rar");
  const std::string drive = test::TestDrive("QUILL_TEST_SMALL_DRIVE", "");
  if (drive.empty()) return;  // no small drive here to run out of space on
  // The small drive fills up while the archive is written to it.
  WriteBytes(src_ + "\\huge.bin", Noise(3 * 1024 * 1024, 4));
  EXPECT_EQ(Rar(" m " + drive + "\\full.rar first.txt huge.bin last.txt", &said), 2) << said;
  EXPECT_TRUE(Exists(src_ + "\\first.txt"));
  EXPECT_TRUE(Exists(src_ + "\\huge.bin"));
  EXPECT_FALSE(Exists(drive + "\\full.rar"));
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(Widen(drive + "\\*.rartmp").c_str(), &data);
  EXPECT_EQ(find, INVALID_HANDLE_VALUE) << "the partial archive is removed";
  if (find != INVALID_HANDLE_VALUE) FindClose(find);
  EXPECT_EQ(ReadBytes(src_ + "\\backup.rar"), before);
}

TEST_F(RarExeWin32, EncryptedDataDecryptsWithThePasswordAndChecksItsMac) {
  const std::string text = "Secret text, not a multiple of sixteen.", big = Noise(7000, 3);
  WriteBytes(src_ + "\\plain.txt", text);
  WriteBytes(src_ + "\\big.bin", big);
  WriteBytes(src_ + "\\empty.txt", "");
  std::string said;
  // Across volumes too: the encrypted stream of big.bin is split.
  ASSERT_EQ(Rar(" a -v3 \"-psecret word\" -m5 locked.rar @" + List({"plain.txt", "big.bin", "empty.txt"}), &said), 0)
      << said;
  const TReadBack back = ReadBack(src_ + "\\locked.part1.rar");
  ASSERT_EQ(back.status, rarformat::RarStatus::Ok);
  ASSERT_EQ(back.entries.size(), 3u);
  rarcrypto::TCngCrypto crypto;
  std::vector<std::array<uint8_t, 16>> salts;
  for (const auto& entry : back.entries) {
    SCOPED_TRACE(entry.name);
    const std::string& plain = entry.name == "plain.txt" ? text : entry.name == "big.bin" ? big : std::string();
    ASSERT_TRUE(entry.encrypted);
    const auto& record = entry.rar5Crypt;
    EXPECT_EQ(record.kdfCount, 15u);
    EXPECT_TRUE(record.hasCheck);
    EXPECT_TRUE(record.useMac);
    salts.push_back(record.salt);
    rarformat::Rar5Keys keys;
    ASSERT_TRUE(rarformat::DeriveRar5Keys(crypto, "secret word", record.salt.data(), record.kdfCount, keys));
    uint8_t check[12];
    ASSERT_TRUE(rarformat::Rar5CheckValue(crypto, keys, check));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(check), 12), std::string(reinterpret_cast<const char*>(record.check.data()), 12));
    rarformat::Rar5Keys wrong;
    ASSERT_TRUE(rarformat::DeriveRar5Keys(crypto, "Secret word", record.salt.data(), record.kdfCount, wrong));
    EXPECT_NE(wrong.check, keys.check);

    std::string data = back.packed.at(entry.name);
    ASSERT_EQ(data.size(), (plain.size() + 15) / 16 * 16);
    if (!plain.empty()) {
      EXPECT_NE(data.substr(0, plain.size()), plain);
    }
    auto cipher = crypto.NewAes256Cbc(keys.key.data(), record.iv.data(), false);
    ASSERT_NE(cipher, nullptr);
    ASSERT_TRUE(cipher->Process(reinterpret_cast<uint8_t*>(data.data()), data.size()));
    EXPECT_EQ(data.substr(0, entry.unpackedSize), plain);
    EXPECT_EQ(entry.crc, rarformat::Rar5CrcAsMac(crypto, keys, Crc(plain)));
  }
  EXPECT_NE(salts[0], salts[1]) << "every file has a salt of its own";
  EXPECT_TRUE(Exists(src_ + "\\locked.part3.rar"));

  if (host_.empty()) return;
  std::string report;
  // The names stay readable to other readers.
  ASSERT_TRUE(Host("cat src/locked.part*.rar | bsdtar -tf -", &report)) << report;
  EXPECT_NE(report.find("big.bin"), std::string::npos) << report;
}

}  // namespace
}  // namespace quill
