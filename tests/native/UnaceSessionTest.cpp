// UnACE.dll's session with an in-memory host: listing, testing and extracting stored entries,
// entries joined across volumes with the volume callback's protocol, and every refusal.
#include <gtest/gtest.h>

#include <map>

#include "archivers/unace/UnaceSession.h"
#include "tests/native/AceCraft.h"

using namespace aceformat;
using namespace acecraft;
using namespace unaceapi;

namespace {

class MemoryHost : public unace::IUnaceHost {
 public:
  std::map<std::string, std::string> files;  // volumes in, extracted files out
  std::vector<std::string> folders;
  std::vector<std::string> events;  // "ask NAME", "notify NAME"
  std::map<std::string, unace::Stamp> stamps;
  bool answerAsk = false;
  std::string askAnswer;  // a name the callback gives for a missing volume
  bool answerNotify = true;
  int stopAfterBlocks = -1;
  size_t blocks = 0, dataBytes = 0;
  int writeResult = kAceOk;

  std::unique_ptr<zipformat::IByteSource> OpenVolume(const std::string& name) override {
    auto it = files.find(name);
    if (it == files.end()) return nullptr;
    return std::make_unique<zipformat::MemorySource>(it->second);
  }
  bool VolumeMissing(std::string& name) override {
    events.push_back("ask " + name);
    if (!askAnswer.empty()) name = askAnswer;
    return answerAsk;
  }
  bool VolumeOpened(const std::string& name) override {
    events.push_back("notify " + name);
    return answerNotify;
  }
  bool Data(const uint8_t*, size_t size) override {
    ++blocks;
    dataBytes += size;
    return stopAfterBlocks < 0 || blocks <= size_t(stopAfterBlocks);
  }
  std::string NameToUtf8(const std::string& stored, uint8_t) override { return stored; }
  bool MakeFolders(const std::string& path) override {
    folders.push_back(path);
    return true;
  }
  void StampFolder(const std::string& path, const unace::Stamp& stamp) override { stamps[path] = stamp; }

  class Output : public unace::IOutputFile {
   public:
    Output(MemoryHost& host, std::string target, unace::Stamp stamp)
        : host_(host), target_(std::move(target)), stamp_(stamp) {}
    int Write(const uint8_t* data, size_t size) override {
      if (host_.writeResult != kAceOk) return host_.writeResult;
      bytes_.append(reinterpret_cast<const char*>(data), size);
      return kAceOk;
    }
    bool Commit() override {
      host_.files[target_] = bytes_;
      host_.stamps[target_] = stamp_;
      return true;
    }

   private:
    MemoryHost& host_;
    std::string target_, bytes_;
    unace::Stamp stamp_;
  };
  std::unique_ptr<unace::IOutputFile> CreateOutput(const std::string& target, const unace::Stamp& stamp) override {
    return std::make_unique<Output>(*this, target, stamp);
  }
};

std::vector<std::string> Names(unace::Session& session, std::vector<int>* results = nullptr, int operation = kAceSkip,
                               const std::string& dest = "") {
  std::vector<std::string> names;
  FileEntry entry;
  int read;
  while ((read = session.ReadHeader(entry)) == kAceOk) {
    names.push_back(session.EntryName());
    const int processed = session.Process(operation, dest);
    if (results) results->push_back(processed);
  }
  if (results) results->push_back(read);
  return names;
}

// A three-volume set written by the writer: small.txt, folder, folder\big.bin over all three.
std::string BigData() {
  std::string big(2500, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 31 + 7);
  return big;
}

void WriteSet(MemoryHost& host, const std::string& first = "set.ace") {
  MemorySink sink;
  WriterOptions options;
  options.volumeSize = 1000;
  AceWriter writer(sink, options);
  StringData small("small"), big(BigData()), tail("tail");
  EXPECT_TRUE(writer.Add({"small.txt", false, 0x20, DosTime(2022, 3, 4, 5, 6, 8), 5}, &small));
  EXPECT_TRUE(writer.Add({"folder", true, 0, DosTime(2021, 1, 2, 3, 4, 6), 0}, nullptr));
  EXPECT_TRUE(writer.Add({"folder\\big.bin", false, 0x21, 0, 2500}, &big));
  EXPECT_TRUE(writer.Add({"tail.txt", false, 0x20, 0, 4}, &tail));
  EXPECT_TRUE(writer.End());
  ASSERT_EQ(sink.volumes.size(), 3u);
  for (unsigned i = 0; i < sink.volumes.size(); ++i) host.files[VolumeName(first, i)] = sink.volumes[i];
}

}  // namespace

TEST(UnaceSession, OpeningReportsWhatIsWrongWithTheFile) {
  MemoryHost host;
  host.files["plain.ace"] = MainBytes() + Entry({"a", "1"});
  host.files["text.txt"] = "just some text";
  std::string damaged = MainBytes();
  damaged[20] ^= 1;  // the creation time: the magic stays, the CRC breaks
  host.files["damaged.ace"] = damaged;
  host.files["short.ace"] = MainBytes().substr(0, 25);
  EXPECT_EQ(unace::Session(host, kAceOpenList).Open("missing.ace"), kAceOpenFailed);
  EXPECT_EQ(unace::Session(host, kAceOpenList).Open("text.txt"), kAceNotAce);
  EXPECT_EQ(unace::Session(host, kAceOpenList).Open("damaged.ace"), kAceBadCrc);
  EXPECT_EQ(unace::Session(host, kAceOpenList).Open("short.ace"), kAceReadFailed);
  unace::Session session(host, kAceOpenList);
  ASSERT_EQ(session.Open("plain.ace"), kAceOk);
  EXPECT_EQ(session.Main().flags, 0x0100);
  // Before any open, every call says the archive cannot be read.
  unace::Session unopened(host, kAceOpenList);
  FileEntry entry;
  EXPECT_EQ(unopened.ReadHeader(entry), kAceReadFailed);
}

TEST(UnaceSession, TestAndExtractStoredEntriesWithFoldersStampsAndCrcChecks) {
  MemoryHost host;
  File folder{"docs", ""};
  folder.attributes = 0x11;
  File a{"docs/a.txt", "hello world"};
  a.attributes = 0x21;
  a.dosTime = DosTime(2019, 7, 8, 9, 10, 12);
  File bad{"bad.txt", "payload"};
  bad.crc = 0x12345678;
  File evil{"..\\evil.txt", "x"};
  File after{"after.txt", "fine"};
  host.files["x.ace"] = MainBytes() + Entry(folder) + Entry(a) + Entry(bad) + Entry(evil) + Entry(after);

  {
    unace::Session session(host, kAceOpenExtract);
    ASSERT_EQ(session.Open("x.ace"), kAceOk);
    std::vector<int> results;
    auto names = Names(session, &results, kAceTest);
    EXPECT_EQ(names, (std::vector<std::string>{"docs", "docs\\a.txt", "bad.txt", "..\\evil.txt", "after.txt"}));
    EXPECT_EQ(results, (std::vector<int>{kAceOk, kAceOk, kAceBadCrc, kAceOk, kAceOk, kAceEndArchive}));
    EXPECT_EQ(host.files.size(), 1u);  // testing writes nothing
    EXPECT_EQ(host.dataBytes, 11u + 7 + 1 + 4);
  }
  {
    unace::Session session(host, kAceOpenExtract);
    ASSERT_EQ(session.Open("x.ace"), kAceOk);
    std::vector<int> results;
    Names(session, &results, kAceExtract, "C:\\out\\");
    EXPECT_EQ(results, (std::vector<int>{kAceOk, kAceOk, kAceBadCrc, kAceWriteFailed, kAceOk, kAceEndArchive}));
    EXPECT_EQ(host.files["C:\\out\\docs\\a.txt"], "hello world");
    EXPECT_EQ(host.stamps["C:\\out\\docs\\a.txt"].attributes, 0x21u);
    EXPECT_EQ(host.stamps["C:\\out\\docs\\a.txt"].dosTime, DosTime(2019, 7, 8, 9, 10, 12));
    EXPECT_EQ(host.stamps["C:\\out\\docs"].attributes, 0x11u);
    EXPECT_EQ(host.files["C:\\out\\after.txt"], "fine");
    EXPECT_EQ(host.files.count("C:\\out\\bad.txt"), 0u);  // a CRC mismatch leaves nothing
    for (const auto& [name, bytes] : host.files) EXPECT_EQ(name.find("evil"), std::string::npos) << name;
  }
  // The destination with or without its trailing separator, and none at all.
  std::string target;
  ASSERT_TRUE(unace::TargetPath("C:\\out", "docs\\a.txt", target));
  EXPECT_EQ(target, "C:\\out\\docs\\a.txt");
  ASSERT_TRUE(unace::TargetPath("C:\\out\\\\", "docs/a.txt", target));
  EXPECT_EQ(target, "C:\\out\\docs\\a.txt");
  ASSERT_TRUE(unace::TargetPath("C:\\", "a.txt", target));
  EXPECT_EQ(target, "C:\\a.txt");
  ASSERT_TRUE(unace::TargetPath("", "a.txt", target));
  EXPECT_EQ(target, "a.txt");
  EXPECT_FALSE(unace::TargetPath("C:\\out", "\\windows\\x", target));
  EXPECT_FALSE(unace::TargetPath("C:\\out", "C:x", target));
  EXPECT_FALSE(unace::TargetPath("C:\\out", "a\\..\\..\\x", target));
}

TEST(UnaceSession, PackedAndEncryptedEntriesAreRefusedButSkippedCleanly) {
  MemoryHost host;
  File lz{"lz.bin", "\x01\x02\x03", 50};
  lz.method = 1;
  File blocked{"blocked.bin", "\x04\x05", 60};
  blocked.method = 2;
  File locked{"locked.txt", "secret!"};
  locked.flags = 0x0001 | 0x4000;
  host.files["p.ace"] = MainBytes() + Entry(lz) + Entry(blocked) + Entry(locked) + Entry({"plain.txt", "ok"});
  for (int operation : {kAceTest, kAceExtract}) {
    unace::Session session(host, kAceOpenExtract);
    ASSERT_EQ(session.Open("p.ace"), kAceOk);
    session.SetPassword("guess");
    std::vector<int> results;
    Names(session, &results, operation, "D");
    EXPECT_EQ(results, (std::vector<int>{kAceUnknownFormat, kAceUnknownFormat, kAceUnknownFormat, kAceOk,
                                         kAceEndArchive}))
        << operation;
  }
  EXPECT_EQ(host.files.count("D\\lz.bin") + host.files.count("D\\locked.txt"), 0u);
  EXPECT_EQ(host.files["D\\plain.txt"], "ok");
  unace::Session session(host, kAceOpenExtract);
  ASSERT_EQ(session.Open("p.ace"), kAceOk);
  std::vector<int> results;
  Names(session, &results, kAceSkip);
  EXPECT_EQ(results, (std::vector<int>{0, 0, 0, 0, kAceEndArchive}));
}

TEST(UnaceSession, SplitEntriesAreJoinedAcrossVolumesWithTheCallbacks) {
  MemoryHost host;
  WriteSet(host);
  unace::Session session(host, kAceOpenExtract);
  ASSERT_EQ(session.Open("set.ace"), kAceOk);
  EXPECT_TRUE(session.Main().MultiVolume());
  std::vector<int> results;
  auto names = Names(session, &results, kAceExtract, "out");
  EXPECT_EQ(names, (std::vector<std::string>{"small.txt", "folder", "folder\\big.bin", "tail.txt"}));
  EXPECT_EQ(results, (std::vector<int>{0, 0, 0, 0, kAceEndArchive}));
  EXPECT_EQ(host.files["out\\folder\\big.bin"], BigData());
  EXPECT_EQ(host.files["out\\tail.txt"], "tail");
  EXPECT_EQ(session.VolumeName(), "set.c01");
  EXPECT_EQ(host.events, (std::vector<std::string>{"notify set.c00", "notify set.c01"}));
  // The data callback saw every block of every part.
  EXPECT_EQ(host.dataBytes, 5u + 2500 + 4);
}

TEST(UnaceSession, AMissingVolumeIsAskedForAndOtherwiseEndsTheEntry) {
  MemoryHost host;
  WriteSet(host);
  const std::string second = host.files["set.c00"];
  host.files.erase("set.c00");
  {
    // Nobody gives it: kAceMissingVolume, and no partial file.
    unace::Session session(host, kAceOpenExtract);
    ASSERT_EQ(session.Open("set.ace"), kAceOk);
    std::vector<int> results;
    Names(session, &results, kAceExtract, "out");
    EXPECT_EQ(results, (std::vector<int>{0, 0, kAceMissingVolume, kAceMissingVolume}));
    EXPECT_EQ(host.events.front(), "ask set.c00");
    EXPECT_EQ(host.files.count("out\\folder\\big.bin"), 0u);
  }
  {
    // The callback names where the volume is now.
    host.events.clear();
    host.files["elsewhere\\moved.c00"] = second;
    host.files["elsewhere\\moved.c01"] = host.files["set.c01"];
    host.answerAsk = true;
    host.askAnswer = "elsewhere\\moved.c00";
    unace::Session session(host, kAceOpenExtract);
    ASSERT_EQ(session.Open("set.ace"), kAceOk);
    std::vector<int> results;
    Names(session, &results, kAceTest);
    EXPECT_EQ(results, (std::vector<int>{0, 0, 0, 0, kAceEndArchive}));
    EXPECT_EQ(host.events, (std::vector<std::string>{"ask set.c00", "notify elsewhere\\moved.c00",
                                                     "notify elsewhere\\moved.c01"}));
  }
  {
    // A volume of another set (wrong number) in the right place counts as missing.
    host.files["set.c00"] = host.files["set.c01"];
    host.answerAsk = false;
    host.askAnswer.clear();
    unace::Session session(host, kAceOpenExtract);
    ASSERT_EQ(session.Open("set.ace"), kAceOk);
    std::vector<int> results;
    Names(session, &results, kAceTest);
    EXPECT_EQ(results[2], kAceMissingVolume);
  }
}

TEST(UnaceSession, ListingStaysInTheOpenedVolumeWhenTheCallbackSaysStop) {
  MemoryHost host;
  WriteSet(host);
  host.answerNotify = false;
  {
    unace::Session session(host, kAceOpenList);
    ASSERT_EQ(session.Open("set.ace"), kAceOk);
    std::vector<int> results;
    auto names = Names(session, &results);
    EXPECT_EQ(names, (std::vector<std::string>{"small.txt", "folder", "folder\\big.bin"}));
    EXPECT_EQ(results.back(), kAceEndArchive);
  }
  {
    // In extraction a refused volume in the middle of an entry is the caller's stop.
    unace::Session session(host, kAceOpenExtract);
    ASSERT_EQ(session.Open("set.ace"), kAceOk);
    std::vector<int> results;
    Names(session, &results, kAceTest);
    EXPECT_EQ(results, (std::vector<int>{0, 0, kAceUserBreak, kAceEndArchive}));
  }
  {
    // Opened at a later volume: the continued part is no entry of its own.
    host.answerNotify = true;
    unace::Session session(host, kAceOpenList);
    ASSERT_EQ(session.Open("set.c01"), kAceOk);
    EXPECT_EQ(session.Main().volume, 2);
    EXPECT_EQ(Names(session), (std::vector<std::string>{"tail.txt"}));
  }
}

TEST(UnaceSession, TheDataCallbackStopsTheEntryAndWriteFailuresAreReported) {
  MemoryHost host;
  const std::string big(200000, 'b');
  host.files["b.ace"] = MainBytes() + Entry({"big.bin", big}) + Entry({"next.txt", "n"});
  host.stopAfterBlocks = 1;
  {
    unace::Session session(host, kAceOpenExtract);
    ASSERT_EQ(session.Open("b.ace"), kAceOk);
    std::vector<int> results;
    Names(session, &results, kAceExtract, "o");
    EXPECT_EQ(results[0], kAceUserBreak);
    EXPECT_EQ(host.blocks, 3u);  // two for big.bin (the second said stop), one for next.txt
    EXPECT_EQ(host.files.count("o\\big.bin"), 0u);
  }
  host.stopAfterBlocks = -1;
  host.writeResult = kAceDiskFull;
  unace::Session session(host, kAceOpenExtract);
  ASSERT_EQ(session.Open("b.ace"), kAceOk);
  std::vector<int> results;
  Names(session, &results, kAceExtract, "o");
  EXPECT_EQ(results, (std::vector<int>{kAceDiskFull, kAceDiskFull, kAceEndArchive}));
  EXPECT_EQ(host.files.count("o\\big.bin"), 0u);
}

TEST(UnaceSession, DamagedHeadersAndShortDataEndTheWalkWithTheirCodes) {
  MemoryHost host;
  std::string archive = MainBytes() + Entry({"one.txt", "1"}) + Entry({"two.txt", "22"});
  std::string badHeader = archive;
  badHeader[badHeader.size() - 6] ^= 1;  // in two.txt's name
  host.files["h.ace"] = badHeader;
  host.files["t.ace"] = archive.substr(0, archive.size() - 1);
  // An entry whose size claims more than its data holds.
  File liar{"liar.txt", "abc", 10};
  host.files["l.ace"] = MainBytes() + Entry(liar);
  std::vector<int> results;
  unace::Session h(host, kAceOpenList);
  ASSERT_EQ(h.Open("h.ace"), kAceOk);
  Names(h, &results);
  EXPECT_EQ(results, (std::vector<int>{0, kAceBadCrc}));
  results.clear();
  unace::Session t(host, kAceOpenList);
  ASSERT_EQ(t.Open("t.ace"), kAceOk);
  Names(t, &results);
  EXPECT_EQ(results, (std::vector<int>{0, kAceReadFailed}));
  results.clear();
  unace::Session l(host, kAceOpenExtract);
  ASSERT_EQ(l.Open("l.ace"), kAceOk);
  Names(l, &results, kAceTest);
  EXPECT_EQ(results, (std::vector<int>{kAceBadCrc, kAceEndArchive}));
}
