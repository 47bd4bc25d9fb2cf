// The RAR reader over archives made by the RAR archiver itself: listings, stored data, volumes.
// Names, sizes and CRCs below are the archives' own, checked against bsdtar's extraction where
// bsdtar reads them correctly; a stored entry's bytes must match its CRC.
#include "RarArchive.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

using namespace rarformat;

namespace {

std::string FixtureDir() {
  const char* dir = std::getenv("QUILL_RAR_FIXTURES");
  return dir ? dir : "/work/shared/fixtures/rar";
}

std::string ReadFixture(const std::string& name) {
  std::ifstream in(FixtureDir() + "/" + name, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// Volumes from memory, with a record of the provider's conversation.
class MemoryVolumes : public IVolumeProvider {
 public:
  std::map<std::string, std::string> files;
  std::vector<std::string> log;
  bool answerMissing = false;
  std::string replacement;

  std::unique_ptr<zipformat::IByteSource> Open(const std::string& name) override {
    auto it = files.find(name);
    if (it == files.end()) return nullptr;
    return std::make_unique<zipformat::MemorySource>(it->second);
  }
  bool AskMissing(std::string& name) override {
    log.push_back("ask " + name);
    if (!answerMissing) return false;
    answerMissing = false;
    name = replacement;
    return true;
  }
  bool Opened(const std::string& name) override {
    log.push_back("opened " + name);
    return true;
  }
};

struct Listed {
  std::string name;
  bool directory;
  uint64_t size;
  uint32_t crc;
  bool operator==(const Listed&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Listed& e) {
  return out << e.name << (e.directory ? "/" : "") << " " << e.size << " " << std::hex << e.crc << std::dec;
}

struct Walk {
  RarStatus open = RarStatus::Ok;
  RarStatus end = RarStatus::Ok;
  std::vector<Listed> entries;
  std::vector<RarEntry> raw;
  std::vector<uint64_t> packedRead;  // bytes the packed stream gave, across volumes
  std::vector<uint32_t> packedCrc;
  std::vector<RarEntry> lastParts;
};

Walk WalkArchive(const std::string& bytes, const std::string& name = "a.rar", IVolumeProvider* volumes = nullptr) {
  Walk walk;
  RarReader reader(std::make_unique<zipformat::MemorySource>(bytes), name, volumes);
  walk.open = reader.Open();
  if (walk.open != RarStatus::Ok) return walk;
  RarEntry entry;
  while ((walk.end = reader.Next(entry)) == RarStatus::Ok) {
    auto input = reader.OpenPacked();
    uint8_t buffer[1000];
    uint64_t total = 0;
    uint32_t crc = 0xFFFFFFFF;
    while (size_t got = input->Read(buffer, sizeof buffer)) {
      total += got;
      crc = zipformat::Crc32Update(crc, buffer, got);
    }
    const RarEntry& last = reader.CurrentPart();
    walk.entries.push_back({entry.name, entry.directory, entry.unpackedSize, last.crc});
    walk.raw.push_back(entry);
    walk.packedRead.push_back(total);
    walk.packedCrc.push_back(~crc);
    walk.lastParts.push_back(last);
  }
  return walk;
}

Walk WalkFixture(const std::string& name) { return WalkArchive(ReadFixture(name), name); }

TEST(RarArchiveTest, ListsEntriesOfBothFormatsAsTheirHeadersSay) {
  const std::map<std::string, std::vector<Listed>> expected = {
      {"rar.rar",
       {{"test.txt", false, 20, 0xbec8a242}, {"testlink", false, 8, 0xb6c9447b},
        {"testdir/test.txt", false, 20, 0xbec8a242}, {"testdir", true, 0, 0}, {"testemptydir", true, 0, 0}}},
      {"rar_windows.rar",
       {{"testdir/test.txt", false, 16, 0x97d612f1}, {"test.txt", false, 16, 0x97d612f1},
        {"testshortcut.lnk", false, 441, 0x5b5cd737}, {"testdir", true, 0, 0}, {"testemptydir", true, 0, 0}}},
      {"rar_compress_normal.rar",
       {{"LibarchiveAddingTest.html", false, 20111, 0x5e05a663}, {"testlink", false, 25, 0x11fcd3f1},
        {"testdir/test.txt", false, 20, 0xbec8a242}, {"testdir/LibarchiveAddingTest.html", false, 20111, 0x5e05a663},
        {"testdir", true, 0, 0}, {"testemptydir", true, 0, 0}}},
      {"rar_noeof.rar", {{"test.txt", false, 20, 0xbec8a242}}},
      {"rar_subblock.rar", {{"test.txt", false, 20, 0xbec8a242}}},
      {"rar5_stored.rar", {{"helloworld.txt", false, 29, 0x95a043b4}}},
      {"rar5_stored_manyfiles.rar",
       {{"make_uue.tcl", false, 405, 0x49478adc}, {"cebula.txt", false, 814, 0x7e5ec49e},
        {"test.bin", false, 1200, 0x7cca70cd}}},
      {"rar5_solid.rar",
       {{"test.bin", false, 1200, 0x7cca70cd}, {"test1.bin", false, 4096, 0x7e13b2c6},
        {"test2.bin", false, 4096, 0xf166afcb}, {"test3.bin", false, 4096, 0x9fb123d9},
        {"test4.bin", false, 4096, 0x10c43ed4}, {"test5.bin", false, 4096, 0xb9d155f2},
        {"test6.bin", false, 4096, 0x36a448ff}}},
      {"rar5_win32.rar",
       {{"testdir", true, 0, 0}, {"test.bin", false, 1200, 0x7cca70cd}, {"test1.bin", false, 4096, 0x7e13b2c6},
        {"test2.bin", false, 4096, 0xf166afcb}, {"test3.bin", false, 4096, 0x9fb123d9},
        {"test4.bin", false, 4096, 0x10c43ed4}, {"test5.bin", false, 4096, 0xb9d155f2},
        {"test6.bin", false, 4096, 0x36a448ff}}},
      {"rar_filter.rar", {{"bsdcat.exe", false, 204288, 0x4db10349}}},
  };
  for (const auto& [name, entries] : expected) {
    SCOPED_TRACE(name);
    Walk walk = WalkFixture(name);
    ASSERT_EQ(walk.open, RarStatus::Ok);
    EXPECT_EQ(walk.end, RarStatus::End);
    EXPECT_EQ(walk.entries, entries);
    for (size_t i = 0; i < walk.raw.size(); ++i) {
      const RarEntry& e = walk.raw[i];
      EXPECT_EQ(walk.packedRead[i], e.packedSize) << e.name;
      // Stored data is the file itself: where the reader points must be the bytes the CRC covers.
      if (e.Stored() && !e.directory) {
        EXPECT_EQ(walk.packedCrc[i], e.crc) << e.name;
      }
    }
  }
}

TEST(RarArchiveTest, CarriesMethodVersionDictionaryAndSolidFlags) {
  Walk solid = WalkFixture("rar5_solid.rar");
  ASSERT_EQ(solid.raw.size(), 7u);
  EXPECT_FALSE(solid.raw[0].solid);
  EXPECT_TRUE(solid.raw[1].solid);
  EXPECT_EQ(solid.raw[0].unpackVersion, 50u);
  EXPECT_EQ(solid.raw[0].method, 0x35u);
  EXPECT_EQ(solid.raw[0].dictionarySize, 1024u * 1024u);
  EXPECT_EQ(solid.raw[0].hostOs, kRar5HostUnix);
  EXPECT_EQ(solid.raw[0].attributes, 0100644u);

  Walk rar4 = WalkFixture("rar_compress_normal.rar");
  ASSERT_EQ(rar4.raw.size(), 6u);
  EXPECT_EQ(rar4.raw[0].unpackVersion, 29u);
  EXPECT_EQ(rar4.raw[0].method, 0x33u);
  EXPECT_EQ(rar4.raw[0].packedSize, 7091u);
  EXPECT_EQ(rar4.raw[1].unpackVersion, 20u);
  EXPECT_TRUE(rar4.raw[1].Stored());
  EXPECT_EQ(rar4.raw[4].dictionarySize, 0u);  // a directory has no window
  EXPECT_EQ(rar4.raw[0].hostOs, kRar4HostUnix);
  EXPECT_FALSE(rar4.raw[0].windowsAttributes);

  Walk win = WalkFixture("rar5_fileattr.rar");
  std::vector<std::pair<std::string, uint32_t>> attributes;
  for (const RarEntry& e : win.raw) attributes.push_back({e.name, e.attributes});
  EXPECT_EQ(attributes, (std::vector<std::pair<std::string, uint32_t>>{
                            {"readonly.txt", 0x21}, {"hidden.txt", 0x22}, {"system.txt", 0x24},
                            {"ro_hidden.txt", 0x23}, {"dir_readonly", 0x11}, {"dir_hidden", 0x12},
                            {"dir_system", 0x14}, {"dir_rohidden", 0x13}}));
  EXPECT_TRUE(win.raw[0].windowsAttributes);
  EXPECT_TRUE(win.raw[4].directory);
}

TEST(RarArchiveTest, TimesComeAsFileTimeAndDosTime) {
  // RAR 5 stores UTC; bsdtar shows 2018-09-26 for the stored entry.
  Walk rar5 = WalkFixture("rar5_stored.rar");
  ASSERT_EQ(rar5.raw.size(), 1u);
  zipformat::Calendar when = zipformat::FromFileTime(rar5.raw[0].fileTime);
  EXPECT_EQ(when.year, 2018);
  EXPECT_EQ(when.month, 9);
  EXPECT_EQ(when.day, 26);
  EXPECT_TRUE(rar5.raw[0].fileTimeUtc);
  EXPECT_EQ(zipformat::FromDos(rar5.raw[0].dosDate, rar5.raw[0].dosTime), (zipformat::Calendar{when.year, when.month, when.day, when.hour, when.minute, when.second / 2 * 2}));

  // RAR 4 stores a local DOS time: 2011-06-26 for test.txt.
  Walk rar4 = WalkFixture("rar.rar");
  zipformat::Calendar dos = zipformat::FromDos(rar4.raw[0].dosDate, rar4.raw[0].dosTime);
  EXPECT_EQ(dos.year, 2011);
  EXPECT_EQ(dos.month, 6);
  EXPECT_EQ(dos.day, 26);
  EXPECT_FALSE(rar4.raw[0].fileTimeUtc);
  EXPECT_EQ(rar4.raw[0].fileTime, zipformat::DosToFileTime(rar4.raw[0].dosDate, rar4.raw[0].dosTime));
}

TEST(RarArchiveTest, DecodesUnicodeNamesAndKeepsTheOemBytes) {
  Walk rar4 = WalkFixture("rar_unicode.rar");
  ASSERT_EQ(rar4.raw.size(), 6u);
  EXPECT_EQ(rar4.raw[0].name, "表だよ/新しいフォルダ/新規テキスト ドキュメント.txt");
  EXPECT_EQ(rar4.raw[1].name, "表だよ/漢字長いファイル名long-filename-in-漢字.txt");
  EXPECT_TRUE(rar4.raw[0].hasUnicodeName);
  // The OEM form is Shift-JIS with "\" separators, kept byte for byte.
  EXPECT_EQ(rar4.raw[0].oemName.substr(0, 3), std::string("\x95\x5c\x82", 3));
  EXPECT_EQ(rar4.raw[0].oemName[6], '\\');
  EXPECT_TRUE(rar4.raw[3].directory);
  EXPECT_EQ(rar4.raw[3].name, "表だよ");
  // A Unix host's name without the Unicode form is UTF-8 already.
  EXPECT_EQ(rar4.raw[5].name, "abcdefghijklmnopqrsテスト.txt");
  EXPECT_FALSE(rar4.raw[5].hasUnicodeName);

  Walk rar5 = WalkFixture("rar5_unicode.rar");
  ASSERT_EQ(rar5.raw.size(), 3u);
  EXPECT_EQ(rar5.raw[0].name, "\xF0\x9F\x91\x8B\xF0\x9F\x8C\x8E.txt");  // waving hand, globe
  EXPECT_EQ(rar5.raw[1].redirectType, 4u);  // a hard link to the first
  EXPECT_EQ(rar5.raw[1].redirectTarget, rar5.raw[0].name);

  // The 0x200 form's four codes, by hand: high byte 0x30, then a low byte under it (1), a plain
  // byte (0), a whole unit (2), and a run of three copied from the OEM name (3).
  std::string encoded = {'\x30', char(0x4B), '\x42', 'x', '\x34', '\x12', '\x01'};
  std::u16string decoded = DecodeRar4UnicodeName("abcdef", encoded);
  EXPECT_EQ(decoded, (std::u16string{0x3042, u'x', 0x1234, u'd', u'e', u'f'}));
  EXPECT_EQ(Cp437ToUtf8("a\x81\xE1"), "a\xC3\xBC\xC3\x9F");
}

TEST(RarArchiveTest, FindsTheArchiveBehindASelfExtractorStub) {
  for (const char* name : {"rar5_stored.rar", "rar.rar"}) {
    SCOPED_TRACE(name);
    // The stub carries a false signature start of its own.
    std::string stub(70000, 'M');
    stub.replace(1000, 6, "Rar!\x1A\x07", 6);
    std::string archive = ReadFixture(name);
    Walk plain = WalkArchive(archive);
    Walk sfx = WalkArchive(stub + archive);
    ASSERT_EQ(sfx.open, RarStatus::Ok);
    EXPECT_EQ(sfx.entries, plain.entries);
    EXPECT_EQ(sfx.packedCrc, plain.packedCrc);
  }
  EXPECT_EQ(WalkArchive(std::string(5000, 'x')).open, RarStatus::NotRar);
  EXPECT_EQ(WalkArchive("").open, RarStatus::NotRar);
}

TEST(RarArchiveTest, SplitEntriesReadAcrossVolumesAndTheProviderDecides) {
  MemoryVolumes volumes;
  for (int i = 1; i <= 8; ++i) {
    std::string name = "rar5_multiarchive.part0" + std::to_string(i) + ".rar";
    volumes.files[name] = ReadFixture(name);
  }
  Walk walk = WalkArchive(volumes.files["rar5_multiarchive.part01.rar"], "rar5_multiarchive.part01.rar", &volumes);
  ASSERT_EQ(walk.open, RarStatus::Ok);
  EXPECT_EQ(walk.end, RarStatus::End);
  ASSERT_EQ(walk.entries.size(), 2u);
  EXPECT_EQ(walk.entries[0], (Listed{"home/antek/temp/build/unrar5/libarchive/bin/bsdcat_test", false, 144608, 0x35277473}));
  EXPECT_EQ(walk.entries[1], (Listed{"home/antek/temp/build/unrar5/libarchive/bin/bsdtar_test", false, 365672, 0xe59665f8}));
  EXPECT_TRUE(walk.raw[0].splitAfter);
  EXPECT_FALSE(walk.lastParts[0].splitAfter);
  EXPECT_TRUE(walk.lastParts[0].splitBefore);
  EXPECT_EQ(walk.lastParts[0].volume, 2u);  // the third volume ends the first file
  EXPECT_EQ(volumes.log.size(), 7u);
  EXPECT_EQ(volumes.log.front(), "opened rar5_multiarchive.part02.rar");
  EXPECT_EQ(volumes.log.back(), "opened rar5_multiarchive.part08.rar");
  // Every part's packed bytes, in order: the sum of the parts' data sizes.
  uint64_t parts = 15106 + 15105 + 8701;
  EXPECT_EQ(walk.packedRead[0], parts);

  // A missing volume: asked once; answering with another name continues there, no answer stops.
  MemoryVolumes gap = volumes;
  gap.log.clear();
  gap.files["elsewhere.rar"] = gap.files["rar5_multiarchive.part03.rar"];
  gap.files.erase("rar5_multiarchive.part03.rar");
  gap.answerMissing = true;
  gap.replacement = "elsewhere.rar";
  // After the substitute the naming continues from its name, so the set ends there.
  Walk moved = WalkArchive(gap.files["rar5_multiarchive.part01.rar"], "rar5_multiarchive.part01.rar", &gap);
  ASSERT_GE(moved.entries.size(), 1u);
  EXPECT_EQ(moved.packedRead[0], parts);
  EXPECT_EQ(gap.log[1], "ask rar5_multiarchive.part03.rar");
  EXPECT_EQ(gap.log[2], "opened elsewhere.rar");

  MemoryVolumes stop = volumes;
  stop.log.clear();
  stop.files.erase("rar5_multiarchive.part03.rar");
  RarReader reader(std::make_unique<zipformat::MemorySource>(stop.files["rar5_multiarchive.part01.rar"]),
                   "rar5_multiarchive.part01.rar", &stop);
  ASSERT_EQ(reader.Open(), RarStatus::Ok);
  RarEntry entry;
  ASSERT_EQ(reader.Next(entry), RarStatus::Ok);
  auto input = reader.OpenPacked();
  std::vector<uint8_t> buffer(100000);
  EXPECT_EQ(input->Read(buffer.data(), buffer.size()), 15106u + 15105u);
  EXPECT_EQ(reader.StreamError(), RarStatus::VolumeStopped);
  EXPECT_EQ(stop.log.back(), "ask rar5_multiarchive.part03.rar");
}

TEST(RarArchiveTest, Rar4VolumesOfTheNewNamingJoin) {
  MemoryVolumes volumes;
  for (int i = 1; i <= 4; ++i) {
    std::string name = "rar_multivolume.part000" + std::to_string(i) + ".rar";
    volumes.files[name] = ReadFixture(name);
  }
  Walk walk = WalkArchive(volumes.files["rar_multivolume.part0001.rar"], "rar_multivolume.part0001.rar", &volumes);
  ASSERT_EQ(walk.open, RarStatus::Ok);
  EXPECT_EQ(walk.end, RarStatus::End);
  std::vector<std::string> names;
  for (const Listed& e : walk.entries) names.push_back(e.name);
  EXPECT_EQ(names, (std::vector<std::string>{"ppmd_lzss_conversion_test.txt", "LibarchiveAddingTest.html", "testlink",
                                             "testdir/test.txt", "testdir/LibarchiveAddingTest.html", "testdir",
                                             "testemptydir"}));
  EXPECT_EQ(walk.entries[0].size, 241647978u);
  EXPECT_EQ(walk.entries[1].crc, 0x5e05a663u);
  // The second file starts in volume 3 and ends in volume 4: both parts' data, nothing else.
  EXPECT_EQ(walk.packedRead[1], walk.raw[1].packedSize + walk.lastParts[1].packedSize);
  EXPECT_EQ(walk.packedCrc[2], 0x11fcd3f1u);  // the stored link after it is where it should be
  EXPECT_TRUE(walk.raw[0].splitAfter);
}

TEST(RarArchiveTest, NextVolumeNames) {
  EXPECT_EQ(NextVolumeName("a.part1.rar", true), "a.part2.rar");
  EXPECT_EQ(NextVolumeName("a.part09.rar", true), "a.part10.rar");
  EXPECT_EQ(NextVolumeName("a.part0009.rar", true), "a.part0010.rar");
  EXPECT_EQ(NextVolumeName("a.part9.rar", true), "a.part10.rar");
  EXPECT_EQ(NextVolumeName("dir.2\\a.part99.rar", true), "dir.2\\a.part100.rar");
  EXPECT_EQ(NextVolumeName("a.rar", false), "a.r00");
  EXPECT_EQ(NextVolumeName("A.RAR", false), "A.R00");
  EXPECT_EQ(NextVolumeName("a.r00", false), "a.r01");
  EXPECT_EQ(NextVolumeName("a.r09", false), "a.r10");
  EXPECT_EQ(NextVolumeName("a.r99", false), "a.s00");
}

}  // namespace
