// UnRAR.dll's session with an in-memory host: what each mode and operation does, the header
// fields as the records carry them, where files go and what is refused, checksums, aborts,
// volumes, solid streams. Extracted bytes are judged by the entries' own checksums and, where
// bsdtar reads an archive correctly, by bsdtar's bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <tuple>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "archivers/unrar/UnrarSession.h"
#include "RarCraft.h"

using namespace unrar;
using rarformat::RarEntry;

namespace {

std::string FixtureDir() {
  const char* dir = std::getenv("QUILL_RAR_FIXTURES");
  return dir ? dir : "/work/shared/fixtures/rar";
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// bsdtar's extraction of one entry, or nullopt when bsdtar is not there.
std::optional<std::string> Bsdtar(const std::string& archive, const std::string& entry) {
  std::string command = "bsdtar -xOf '" + archive + "' '" + entry + "' 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return std::nullopt;
  std::string out;
  char buffer[65536];
  while (size_t got = fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, got);
  if (pclose(pipe) != 0) return std::nullopt;
  return out;
}

struct MemoryHost : IUnrarHost {
  std::map<std::string, std::string> volumes;  // name -> bytes
  std::map<std::string, std::string> files;    // committed files
  std::set<std::string> folders;
  std::map<std::string, Stamp> stamps;
  std::vector<std::string> log;
  int pendingOutputs = 0;
  bool answerMissing = false;
  std::string missingAnswer;
  size_t abortAfter = SIZE_MAX;  // data bytes before the data callback says stop
  size_t dataSeen = 0;

  struct Output : IOutputFile {
    MemoryHost& host;
    std::string target, bytes;
    Stamp stamp;
    Output(MemoryHost& h, std::string t, const Stamp& s) : host(h), target(std::move(t)), stamp(s) { ++host.pendingOutputs; }
    ~Output() override { --host.pendingOutputs; }
    bool Write(const uint8_t* data, size_t size) override {
      bytes.append(reinterpret_cast<const char*>(data), size);
      return true;
    }
    bool Commit() override {
      host.files[target] = bytes;
      host.stamps[target] = stamp;
      return true;
    }
  };

  std::unique_ptr<zipformat::IByteSource> OpenVolume(const std::string& name) override {
    auto it = volumes.find(name);
    if (it == volumes.end()) return nullptr;
    return std::make_unique<zipformat::MemorySource>(it->second);
  }
  bool VolumeMissing(std::string& name) override {
    log.push_back("ask " + name);
    if (!answerMissing) return false;
    answerMissing = false;
    name = missingAnswer;
    return true;
  }
  bool VolumeOpened(const std::string& name) override {
    log.push_back("opened " + name);
    return true;
  }
  bool Data(const uint8_t*, size_t size) override {
    dataSeen += size;
    return dataSeen <= abortAfter;
  }
  bool NeedPassword(std::string&) override {
    log.push_back("password?");
    return false;
  }
  rarformat::ICryptoProvider* Crypto() override { return nullptr; }
  bool MakeFolders(const std::string& path) override {
    folders.insert(path);
    return true;
  }
  void StampFolder(const std::string& path, const Stamp& stamp) override { stamps[path] = stamp; }
  std::unique_ptr<IOutputFile> CreateOutput(const std::string& target, const Stamp& stamp) override {
    return std::make_unique<Output>(*this, target, stamp);
  }
  bool CopyExtracted(const std::string& from, const std::string& to, const Stamp& stamp) override {
    auto it = files.find(from);
    if (it == files.end()) return false;
    files[to] = it->second;
    stamps[to] = stamp;
    return true;
  }
};

struct Outcome {
  std::string name;
  int result;
};

// Opens `name` from the host's volumes and applies `operation` to every entry.
std::vector<Outcome> RunAll(MemoryHost& host, const std::string& name, int mode, int operation,
                            const std::string& dest = "D:\\out", int* end = nullptr) {
  Session session(host, mode);
  std::vector<Outcome> outcomes;
  EXPECT_EQ(session.Open(name), kSuccess) << name;
  RarEntry entry;
  int status;
  while ((status = session.ReadHeader(entry)) == kSuccess)
    outcomes.push_back({entry.name, session.Process(operation, dest, "")});
  if (end) *end = status;
  return outcomes;
}

void AddFixture(MemoryHost& host, const std::string& name) { host.volumes[name] = ReadFile(FixtureDir() + "/" + name); }

TEST(UnrarSessionTest, ExtractsEveryEntryOfTheFixturesAsBsdtarDoes) {
  int compared = 0;
  for (const char* name : {"rar5_stored.rar", "rar5_compressed.rar", "rar5_multiple_files.rar", "rar5_solid.rar",
                           "rar5_win32.rar", "rar5_fileattr.rar", "rar.rar", "rar_windows.rar",
                           "rar_compress_normal.rar", "rar_filter.rar", "rar_unicode.rar", "rar5_unicode.rar"}) {
    SCOPED_TRACE(name);
    MemoryHost host;
    AddFixture(host, name);
    int end = 0;
    std::vector<Outcome> outcomes = RunAll(host, name, kOpenExtract, kExtract, "D:\\out", &end);
    EXPECT_EQ(end, kEndArchive);
    ASSERT_FALSE(outcomes.empty());
    for (const Outcome& o : outcomes) {
      EXPECT_EQ(o.result, kSuccess) << o.name;
      std::string target = "D:\\out\\" + o.name;
      std::replace(target.begin(), target.end(), '/', '\\');
      if (host.files.count(target) == 0) {
        EXPECT_TRUE(host.folders.count(target)) << o.name;
        continue;
      }
      // Unicode names and links: bsdtar -xO gives nothing for a hard link, and the names are
      // awkward on its command line; the session's own checksums have judged these.
      if (std::string(name) == "rar_unicode.rar" || std::string(name) == "rar5_unicode.rar") continue;
      std::optional<std::string> theirs = Bsdtar(FixtureDir() + "/" + name, o.name);
      if (theirs && o.name != "testlink") {
        EXPECT_EQ(host.files[target], *theirs) << o.name;
        ++compared;
      }
    }
    EXPECT_EQ(host.pendingOutputs, 0);
  }
  EXPECT_GT(compared, 30);  // bsdtar was there to compare with
}

TEST(UnrarSessionTest, AHardLinkEntryCopiesTheFileItNames) {
  MemoryHost host;
  AddFixture(host, "rar5_unicode.rar");
  std::vector<Outcome> outcomes = RunAll(host, "rar5_unicode.rar", kOpenExtract, kExtract, "out");
  ASSERT_EQ(outcomes.size(), 3u);
  for (const Outcome& o : outcomes) EXPECT_EQ(o.result, kSuccess) << o.name;
  const std::string first = "out\\" + outcomes[0].name, link = "out\\" + outcomes[1].name;
  ASSERT_EQ(host.files.count(link), 1u);
  EXPECT_EQ(host.files[link], host.files[first]);
  EXPECT_EQ(host.files[link].size(), 13u);
  // Its target not extracted first: the reference cannot be resolved.
  MemoryHost alone;
  AddFixture(alone, "rar5_unicode.rar");
  Session session(alone, kOpenExtract);
  ASSERT_EQ(session.Open("rar5_unicode.rar"), kSuccess);
  RarEntry e;
  ASSERT_EQ(session.ReadHeader(e), kSuccess);
  EXPECT_EQ(session.Process(kSkip, "out", ""), kSuccess);
  ASSERT_EQ(session.ReadHeader(e), kSuccess);
  EXPECT_EQ(session.Process(kExtract, "out", ""), kEReference);
}

TEST(UnrarSessionTest, SolidEntriesAfterSkippedOnesStillDecode) {
  MemoryHost host;
  AddFixture(host, "rar5_solid.rar");
  Session session(host, kOpenExtract);
  ASSERT_EQ(session.Open("rar5_solid.rar"), kSuccess);
  EXPECT_TRUE(session.Info().solid);
  RarEntry entry;
  std::vector<int> results;
  while (session.ReadHeader(entry) == kSuccess)
    results.push_back(session.Process(entry.name == "test5.bin" ? kTest : kSkip, "", ""));
  EXPECT_EQ(results, (std::vector<int>{0, 0, 0, 0, 0, 0, 0}));
  EXPECT_TRUE(host.files.empty());
  EXPECT_EQ(host.dataSeen, 4096u);  // only the tested entry reaches the data callback

  // RAR 2.9 too: the first entry of the compressed archive skipped, the second tested.
  MemoryHost rar4;
  AddFixture(rar4, "rar_compress_normal.rar");
  std::vector<Outcome> tested = RunAll(rar4, "rar_compress_normal.rar", kOpenExtract, kTest);
  for (const Outcome& o : tested) EXPECT_EQ(o.result, kSuccess) << o.name;
}

TEST(UnrarSessionTest, ListModesSkipOrShowContinuationsAndFollowVolumes) {
  MemoryHost host;
  for (int i = 1; i <= 8; ++i) AddFixture(host, "rar5_multiarchive.part0" + std::to_string(i) + ".rar");
  int end = 0;
  std::vector<Outcome> listed = RunAll(host, "rar5_multiarchive.part01.rar", kOpenList, kExtract, "", &end);
  ASSERT_EQ(listed.size(), 2u);  // each file once; every operation is a skip in list mode
  EXPECT_EQ(listed[0].result, kSuccess);
  EXPECT_EQ(end, kEndArchive);
  EXPECT_TRUE(host.files.empty());
  EXPECT_EQ(host.dataSeen, 0u);

  MemoryHost all = host;
  all.log.clear();
  std::vector<Outcome> parts = RunAll(all, "rar5_multiarchive.part01.rar", kOpenListIncSplit, kSkip);
  EXPECT_EQ(parts.size(), 9u);  // the first file in 3 parts, the second in 6

  // Extracting the whole set: both files cross volumes and match their CRCs.
  MemoryHost extract = host;
  extract.log.clear();
  std::vector<Outcome> done = RunAll(extract, "rar5_multiarchive.part01.rar", kOpenExtract, kTest, "", &end);
  ASSERT_EQ(done.size(), 2u);
  EXPECT_EQ(done[0].result, kSuccess);
  EXPECT_EQ(done[1].result, kSuccess);
  EXPECT_EQ(extract.dataSeen, 144608u + 365672u);
  EXPECT_EQ(end, kEndArchive);

  // A missing volume answered "stop": the entry fails with EOPEN.
  MemoryHost gap = host;
  gap.log.clear();
  gap.volumes.erase("rar5_multiarchive.part02.rar");
  std::vector<Outcome> stopped = RunAll(gap, "rar5_multiarchive.part01.rar", kOpenExtract, kTest);
  ASSERT_GE(stopped.size(), 1u);
  EXPECT_EQ(stopped[0].result, kEOpen);
  EXPECT_EQ(gap.log.front(), "ask rar5_multiarchive.part02.rar");

  // RAR 4: the HTML file split over volumes 3 and 4 extracts, the big first one is skipped.
  MemoryHost rar4;
  for (int i = 1; i <= 4; ++i) AddFixture(rar4, "rar_multivolume.part000" + std::to_string(i) + ".rar");
  Session session(rar4, kOpenExtract);
  ASSERT_EQ(session.Open("rar_multivolume.part0001.rar"), kSuccess);
  RarEntry entry;
  std::map<std::string, int> results;
  while (session.ReadHeader(entry) == kSuccess)
    results[entry.name] = session.Process(entry.name == "ppmd_lzss_conversion_test.txt" ? kSkip : kExtract, "x", "");
  EXPECT_EQ(results["LibarchiveAddingTest.html"], kSuccess);
  EXPECT_EQ(results["testdir/LibarchiveAddingTest.html"], kSuccess);
  EXPECT_EQ(rar4.files["x\\LibarchiveAddingTest.html"].size(), 20111u);
  EXPECT_EQ(rar4.files["x\\LibarchiveAddingTest.html"], rar4.files["x\\testdir\\LibarchiveAddingTest.html"]);
}

TEST(UnrarSessionTest, UnsafePathsAreRefusedAndNothingIsWrittenForThem) {
  using namespace rarcraft;
  std::vector<File> files;
  for (const char* name : {"../evil.txt", "a/../../evil.txt", "C:evil.txt", "/abs.txt", "\\\\server\\share.txt",
                           "CON", "dir/nul.txt", "fine/ok.txt"})
    files.push_back(File{name, "data"});
  MemoryHost host;
  host.volumes["crafted.rar"] = Archive(files);
  std::vector<Outcome> outcomes = RunAll(host, "crafted.rar", kOpenExtract, kExtract, "D:\\dest\\");
  ASSERT_EQ(outcomes.size(), files.size());
  for (size_t i = 0; i + 1 < outcomes.size(); ++i) EXPECT_EQ(outcomes[i].result, kECreate) << outcomes[i].name;
  EXPECT_EQ(outcomes.back().result, kSuccess);
  EXPECT_EQ(host.files, (std::map<std::string, std::string>{{"D:\\dest\\fine\\ok.txt", "data"}}));

  std::string target;
  EXPECT_TRUE(TargetPath("", "", "a/b.txt", target));
  EXPECT_EQ(target, "a\\b.txt");
  EXPECT_TRUE(TargetPath("C:\\", "", "b.txt", target));
  EXPECT_EQ(target, "C:\\b.txt");
  EXPECT_TRUE(TargetPath("out", "C:\\chosen\\name.bin", "../anything", target));
  EXPECT_EQ(target, "C:\\chosen\\name.bin");  // the caller's own name is the caller's choice
  EXPECT_FALSE(TargetPath("out", "", "..", target));
}

TEST(UnrarSessionTest, BadChecksumsAndAbortsLeaveNoFile) {
  using namespace rarcraft;
  File bad{"bad.txt", "payload"};
  bad.crcOverride = 0x12345678;
  File good{"good.txt", "fine"};
  MemoryHost host;
  host.volumes["crc.rar"] = Archive({bad, good});
  std::vector<Outcome> outcomes = RunAll(host, "crc.rar", kOpenExtract, kExtract, "out");
  ASSERT_EQ(outcomes.size(), 2u);
  EXPECT_EQ(outcomes[0].result, kBadData);
  EXPECT_EQ(outcomes[1].result, kSuccess);
  EXPECT_EQ(host.files.count("out\\bad.txt"), 0u);
  EXPECT_EQ(host.pendingOutputs, 0);

  // The data callback says stop during the first entry: that entry fails, nothing is kept.
  MemoryHost abort;
  abort.volumes["big.rar"] = Archive({File{"big.bin", std::string(200000, 'b')}, good});
  abort.abortAfter = 70000;
  outcomes = RunAll(abort, "big.rar", kOpenExtract, kExtract, "out");
  ASSERT_EQ(outcomes.size(), 2u);
  EXPECT_EQ(outcomes[0].result, kUnknown);
  EXPECT_EQ(abort.files.count("out\\big.bin"), 0u);
  EXPECT_EQ(abort.pendingOutputs, 0);

  // Cut short: the data ends early, the entry is bad data and not written.
  MemoryHost cut;
  std::string whole = Archive({File{"cut.bin", std::string(5000, 'c')}});
  cut.volumes["cut.rar"] = whole.substr(0, whole.size() - 1000);
  outcomes = RunAll(cut, "cut.rar", kOpenExtract, kExtract, "out");
  ASSERT_EQ(outcomes.size(), 1u);
  EXPECT_EQ(outcomes[0].result, kBadData);
  EXPECT_TRUE(cut.files.empty());
}

TEST(UnrarSessionTest, HeaderFieldsAsTheRecordsCarryThem) {
  MemoryHost host;
  AddFixture(host, "rar.rar");
  AddFixture(host, "rar5_fileattr.rar");
  Session rar4(host, kOpenList);
  ASSERT_EQ(rar4.Open("rar.rar"), kSuccess);
  RarEntry e;
  std::vector<std::tuple<std::string, unsigned, uint32_t, unsigned>> fields;
  while (rar4.ReadHeader(e) == kSuccess) {
    fields.push_back({BackslashName(e), HeaderFlags(rar4.Info(), e), WindowsAttributes(e), HostOs(e)});
    rar4.Process(kSkip, "", "");
  }
  ASSERT_EQ(fields.size(), 5u);
  // RAR 4 flags as stored: 0x20 is the 128 KB dictionary of a file, 0xE0 a folder.
  EXPECT_EQ(fields[0], std::make_tuple(std::string("test.txt"), 0x20u, 0x20u, 3u));
  EXPECT_EQ(fields[2], std::make_tuple(std::string("testdir\\test.txt"), 0x20u, 0x20u, 3u));
  EXPECT_EQ(std::get<1>(fields[3]) & 0xE0u, 0xE0u);
  EXPECT_EQ(std::get<2>(fields[3]), 0x10u);

  Session rar5(host, kOpenList);
  ASSERT_EQ(rar5.Open("rar5_fileattr.rar"), kSuccess);
  std::vector<std::pair<unsigned, uint32_t>> flags;
  while (rar5.ReadHeader(e) == kSuccess) flags.push_back({HeaderFlags(rar5.Info(), e), WindowsAttributes(e)});
  ASSERT_EQ(flags.size(), 8u);
  EXPECT_EQ(flags[0], std::make_pair(0u, 0x21u));
  EXPECT_EQ(flags[4], std::make_pair(0xE0u, 0x11u));

  // A read-only Unix mode.
  RarEntry unixEntry;
  unixEntry.attributes = 0100444;
  EXPECT_EQ(WindowsAttributes(unixEntry), 0x21u);

  // Not an archive, not there.
  MemoryHost other;
  other.volumes["text.rar"] = "just text";
  Session notRar(other, kOpenList);
  EXPECT_EQ(notRar.Open("text.rar"), kBadArchive);
  Session missing(other, kOpenList);
  EXPECT_EQ(missing.Open("nothing.rar"), kEOpen);
}

TEST(UnrarSessionTest, EncryptedEntriesWithoutPasswordOrProvider) {
  using namespace rarcraft;
  File secret{"secret.bin", std::string(32, 'x')};
  secret.extra = Record(1, Vint(0) + Vint(0x01) + char(15) + std::string(16, 's') + std::string(16, 'i') +
                               std::string(12, 'c'));
  MemoryHost host;
  host.volumes["enc.rar"] = Archive({secret});
  std::vector<Outcome> outcomes = RunAll(host, "enc.rar", kOpenExtract, kExtract, "out");
  ASSERT_EQ(outcomes.size(), 1u);
  EXPECT_EQ(outcomes[0].result, kMissingPassword);
  EXPECT_EQ(host.log, (std::vector<std::string>{"password?"}));
  EXPECT_TRUE(host.files.empty());
  // With a password but no cryptography: an honest "unknown format".
  MemoryHost second;
  second.volumes["enc.rar"] = host.volumes["enc.rar"];
  Session session(second, kOpenExtract);
  ASSERT_EQ(session.Open("enc.rar"), kSuccess);
  session.SetPassword("pw");
  RarEntry e;
  ASSERT_EQ(session.ReadHeader(e), kSuccess);
  EXPECT_EQ(session.Process(kTest, "", ""), kUnknownFormat);
}

}  // namespace

namespace {

// Every fixture tested entry by entry: the valid ones pass their checksums, the damaged ones
// end in an error code, none crashes or hangs (the native build runs with the sanitizers).
TEST(UnrarSessionTest, EveryFixtureTestsCleanlyOrFailsWithACode) {
  const std::map<std::string, std::string> expected = {
      {"rar.rar", "0 0 0 0 0 ."},
      {"rar5_bad_tables.rar", "12 end 12"},
      {"rar5_compressed.rar", "0 ."},
      {"rar5_dirdata.rar", "open 12"},
      {"rar5_distance_overflow.rar", "open 12"},
      {"rar5_fileattr.rar", "0 0 0 0 0 0 0 0 ."},
      {"rar5_invalid_dict_reference.rar", "open 12"},
      {"rar5_multiple_files.rar", "0 0 0 0 ."},
      {"rar5_solid.rar", "0 0 0 0 0 0 0 ."},
      {"rar5_stored.rar", "0 ."},
      {"rar5_stored_manyfiles.rar", "0 0 0 ."},
      {"rar5_truncated_huff.rar", "open 12"},
      {"rar5_unicode.rar", "0 0 0 ."},
      {"rar5_win32.rar", "0 0 0 0 0 0 0 0 ."},
      {"rar_compress_normal.rar", "0 0 0 0 0 0 ."},
      {"rar_filter.rar", "0 ."},
      {"rar_invalid1.rar", "12 end 12"},
      {"rar_multi_lzss_blocks.rar", "0 ."},
      {"rar_noeof.rar", "0 ."},
      {"rar_overflow.rar", "open 12"},
      {"rar_subblock.rar", "0 ."},
      {"rar_unicode.rar", "0 0 0 0 0 0 ."},
      {"rar_windows.rar", "0 0 0 0 0 ."},
  };
  for (const auto& [name, results] : expected) {
    SCOPED_TRACE(name);
    MemoryHost host;
    AddFixture(host, name);
    Session session(host, kOpenExtract);
    std::string seen;
    int opened = session.Open(name);
    if (opened != kSuccess) {
      seen = "open " + std::to_string(opened);
    } else {
      RarEntry entry;
      int status;
      while ((status = session.ReadHeader(entry)) == kSuccess) seen += std::to_string(session.Process(kTest, "", "")) + " ";
      seen += status == kEndArchive ? "." : "end " + std::to_string(status);
    }
    EXPECT_EQ(seen, results);
  }
}

}  // namespace
