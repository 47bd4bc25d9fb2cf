// The ACE header reader over hand-made and damaged bytes, volume names, and the writer's archives
// read back.
#include <gtest/gtest.h>

#include <algorithm>

#include "archivers/aceformat/AceFormat.h"
#include "tests/native/AceCraft.h"

using namespace aceformat;
using namespace acecraft;

namespace {

std::vector<FileEntry> ReadAll(const std::string& bytes, AceStatus& last, MainHeader* main = nullptr) {
  zipformat::MemorySource source(bytes);
  AceReader reader(source);
  std::vector<FileEntry> entries;
  last = reader.Open();
  if (last != AceStatus::Ok) return entries;
  if (main) *main = reader.Main();
  FileEntry entry;
  while ((last = reader.Next(entry)) == AceStatus::Ok) entries.push_back(entry);
  return entries;
}

std::string DataOf(const std::string& bytes, const FileEntry& e) { return bytes.substr(e.dataOffset, e.packedSize); }

}  // namespace

TEST(AceFormat, CrcIsTheUninvertedCrc32AndItsLow16Bits) {
  EXPECT_EQ(AceCrc32("123456789", 9), ~0xCBF43926u);
  EXPECT_EQ(AceCrc16("123456789", 9), 0xC6D9);
  // Running it in pieces gives the same register.
  EXPECT_EQ(AceCrc32Update(AceCrc32("1234", 4), "56789", 5), AceCrc32("123456789", 9));
}

TEST(AceFormat, ReadsHandMadeHeadersAndStepsOverRecoveryRecords) {
  File a{"docs\\a.txt", "hello"};
  a.dosTime = 0x12345678;
  File folder{"docs", ""};
  folder.attributes = 0x10;
  File packed{"b.bin", "xxxx", 100};
  packed.method = 2;
  packed.flags = 0x0001 | 0x4000;
  const std::string bytes = MainBytes(0x0100 | 0x2000) + Entry(folder) + Entry(a) + Recovery("RRRRRR") + Entry(packed);
  AceStatus last;
  MainHeader main;
  auto entries = ReadAll(bytes, last, &main);
  EXPECT_EQ(last, AceStatus::End);
  EXPECT_EQ(main.offset, 0u);
  EXPECT_EQ(main.end, 30u);
  EXPECT_EQ(main.flags, 0x2100);
  EXPECT_EQ(main.host, 2);
  EXPECT_EQ(main.versionExtract, 20);
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_TRUE(entries[0].Folder());
  EXPECT_EQ(entries[1].name, "docs\\a.txt");
  EXPECT_EQ(DataOf(bytes, entries[1]), "hello");
  EXPECT_EQ(entries[1].size, 5u);
  EXPECT_EQ(entries[1].dosTime, 0x12345678u);
  EXPECT_EQ(entries[1].crc, AceCrc32("hello", 5));
  EXPECT_EQ(entries[2].name, "b.bin");
  EXPECT_TRUE(entries[2].Encrypted());
  EXPECT_EQ(entries[2].method, 2);
  EXPECT_EQ(entries[2].size, 100u);
  EXPECT_EQ(entries[2].Dictionary(), 1u << 20);
}

TEST(AceFormat, SixtyFourBitHeadersCarryTheirSizesInEightBytes) {
  File big{"big.iso", "abc", 0x123456789ull};
  const std::string bytes = MainBytes() + Entry(big, true) + Entry({"after", "z"});
  AceStatus last;
  auto entries = ReadAll(bytes, last);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].type, kTypeFile64);
  EXPECT_EQ(entries[0].size, 0x123456789ull);
  EXPECT_EQ(entries[0].packedSize, 3u);
  EXPECT_EQ(entries[0].name, "big.iso");
  EXPECT_EQ(DataOf(bytes, entries[1]), "z");
}

TEST(AceFormat, FindsTheMainHeaderBehindASelfExtractorAndPastFalseMagic) {
  std::string stub(70000, '\x90');
  // A damaged copy of the header in the stub, then the real one.
  std::string fake = MainBytes();
  fake[20] ^= 1;
  stub.replace(1000, fake.size(), fake);
  const std::string bytes = stub + MainBytes() + Entry({"x", "1"});
  AceStatus last;
  MainHeader main;
  auto entries = ReadAll(bytes, last, &main);
  EXPECT_EQ(main.offset, stub.size());
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(DataOf(bytes, entries[0]), "1");

  // Not found beyond the search window, nor without the magic; found damaged, said so.
  const std::string far = std::string(kSearchLimit + 100, 'x') + MainBytes();
  zipformat::MemorySource farSource(far);
  MainHeader ignored;
  EXPECT_EQ(ReadMainHeader(farSource, ignored), AceStatus::NotAce);
  zipformat::MemorySource none("PK\3\4 not an ace archive at all");
  EXPECT_EQ(ReadMainHeader(none, ignored), AceStatus::NotAce);
  const std::string damagedBytes = fake + Entry({"x", "1"});
  zipformat::MemorySource damaged(damagedBytes);
  EXPECT_EQ(ReadMainHeader(damaged, ignored), AceStatus::BadCrc);
  const std::string cutBytes = MainBytes().substr(0, 20);
  zipformat::MemorySource cut(cutBytes);
  EXPECT_EQ(ReadMainHeader(cut, ignored), AceStatus::Truncated);
  zipformat::MemorySource empty("");
  EXPECT_EQ(ReadMainHeader(empty, ignored), AceStatus::NotAce);
}

TEST(AceFormat, DamagedFileHeadersStopTheWalkWithTheReason) {
  const std::string good = MainBytes() + Entry({"one", "111"});
  const std::string second = Entry({"two", "2222"});
  AceStatus last;

  std::string badCrc = good + second;
  badCrc[good.size() + 10] ^= 0x40;  // inside the second header's body
  auto entries = ReadAll(badCrc, last);
  EXPECT_EQ(entries.size(), 1u);
  EXPECT_EQ(last, AceStatus::BadCrc);

  // Cut inside the header, inside its data, and a packed size running past the end.
  for (size_t cut : {size_t(3), size_t(20), second.size() - 1}) {
    entries = ReadAll(good + second.substr(0, cut), last);
    EXPECT_EQ(entries.size(), 1u) << cut;
    EXPECT_EQ(last, AceStatus::Truncated) << cut;
  }
  File lies{"two", "2222", 4};
  lies.data = "2222";
  std::string longer = FileHeader(lies);
  // PSIZE 0xFFFFFFF0 with the header's CRC made right again.
  std::string body = longer.substr(4);
  body.replace(3, 4, std::string("\xF0\xFF\xFF\xFF", 4));
  entries = ReadAll(good + Framed(body) + "2222", last);
  EXPECT_EQ(entries.size(), 1u);
  EXPECT_EQ(last, AceStatus::Truncated);

  // A name longer than its header, with a good CRC.
  File named{"two", "2"};
  named.nameLength = 200;
  entries = ReadAll(good + Entry(named), last);
  EXPECT_EQ(entries.size(), 1u);
  EXPECT_EQ(last, AceStatus::Truncated);

  // A header too short for a file header's fields, and one with no type at all.
  entries = ReadAll(good + Framed(std::string("\x01\x01\x00\x05\x00", 5)), last);
  EXPECT_EQ(last, AceStatus::Truncated);
  entries = ReadAll(good + Framed(std::string("\x01", 1)), last);
  EXPECT_EQ(last, AceStatus::BadCrc);
}

TEST(AceFormat, VolumeNamesCountFromC00InTheFirstVolumesCase) {
  EXPECT_EQ(VolumeName("x.ace", 0), "x.ace");
  EXPECT_EQ(VolumeName("x.ace", 1), "x.c00");
  EXPECT_EQ(VolumeName("dir.v\\X.ACE", 12), "dir.v\\X.C11");
  EXPECT_EQ(VolumeName("x.ace", 101), "x.c100");
  EXPECT_EQ(VolumeName("noext", 1), "noext.c00");
  EXPECT_EQ(NextVolumeName("x.ace"), "x.c00");
  EXPECT_EQ(NextVolumeName("X.C09"), "X.C10");
  EXPECT_EQ(NextVolumeName("a.b\\x.c99"), "a.b\\x.c100");
  EXPECT_EQ(NextVolumeName("a.b\\noext"), "a.b\\noext.c00");
  EXPECT_EQ(NextVolumeName("x.cab"), "x.c00");
}

TEST(AceFormat, WriterArchivesReadBackWithFoldersTimesAndCrcs) {
  MemorySink sink;
  WriterOptions options;
  options.created = DosTime(2024, 5, 17, 13, 45, 30);
  AceWriter writer(sink, options);
  StringData one("first file");
  StringData none("");
  ASSERT_TRUE(writer.Begin());
  ASSERT_TRUE(writer.Add({"sub", true, 0x01, DosTime(2001, 2, 3, 4, 5, 6), 0}, nullptr));
  ASSERT_TRUE(writer.Add({"sub\\one.txt", false, 0x20, DosTime(2020, 1, 1, 0, 0, 2), 10}, &one));
  ASSERT_TRUE(writer.Add({"empty", false, 0x20, 0, 0}, &none));
  ASSERT_TRUE(writer.End());
  ASSERT_EQ(sink.volumes.size(), 1u);
  const std::string& bytes = sink.volumes[0];
  AceStatus last;
  MainHeader main;
  auto entries = ReadAll(bytes, last, &main);
  EXPECT_EQ(last, AceStatus::End);
  EXPECT_EQ(main.flags, kMainAce20);
  EXPECT_EQ(main.created, DosTime(2024, 5, 17, 13, 45, 30));
  EXPECT_EQ(main.created >> 16, (44u << 9) | (5 << 5) | 17);
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].attributes, 0x11u);
  EXPECT_TRUE(entries[0].Folder());
  EXPECT_EQ(entries[0].dosTime, DosTime(2001, 2, 3, 4, 5, 6));
  EXPECT_EQ(entries[1].name, "sub\\one.txt");
  EXPECT_EQ(DataOf(bytes, entries[1]), "first file");
  EXPECT_EQ(entries[1].crc, AceCrc32("first file", 10));
  EXPECT_EQ(entries[1].method, kMethodStore);
  EXPECT_EQ(entries[1].flags & (kFileContinuedIn | kFileContinuedFrom), 0);
  EXPECT_EQ(entries[2].size, 0u);
  EXPECT_EQ(entries[2].crc, 0xFFFFFFFFu);  // nothing read: the start value
}

TEST(AceFormat, WriterSplitsEntriesOverVolumesOfTheGivenSize) {
  std::string big(2500, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 + i / 13);
  MemorySink sink;
  WriterOptions options;
  options.volumeSize = 1000;
  AceWriter writer(sink, options);
  StringData small("small"), data(big);
  ASSERT_TRUE(writer.Add({"small.txt", false, 0x20, 0, 5}, &small));
  ASSERT_TRUE(writer.Add({"folder", true, 0, 0, 0}, nullptr));
  ASSERT_TRUE(writer.Add({"folder\\big.bin", false, 0x20, 0, big.size()}, &data));
  ASSERT_TRUE(writer.End());
  ASSERT_EQ(sink.volumes.size(), 3u);
  EXPECT_EQ(writer.Volumes(), 3u);

  std::string joined;
  std::vector<FileEntry> parts;
  for (size_t v = 0; v < sink.volumes.size(); ++v) {
    EXPECT_LE(sink.volumes[v].size(), 1000u);
    AceStatus last;
    MainHeader main;
    auto entries = ReadAll(sink.volumes[v], last, &main);
    EXPECT_EQ(last, AceStatus::End);
    EXPECT_EQ(main.volume, v);
    EXPECT_EQ(main.flags, kMainAce20 | kMainMultiVolume);
    for (const auto& e : entries) {
      if (e.name == "folder\\big.bin") {
        joined += DataOf(sink.volumes[v], e);
        parts.push_back(e);
      }
    }
  }
  EXPECT_EQ(joined, big);
  ASSERT_EQ(parts.size(), 3u);
  for (size_t i = 0; i < parts.size(); ++i) {
    EXPECT_EQ(parts[i].ContinuedFrom(), i > 0) << i;
    EXPECT_EQ(parts[i].ContinuedIn(), i + 1 < parts.size()) << i;
    EXPECT_EQ(parts[i].crc, AceCrc32(big.data(), big.size())) << i;
    EXPECT_EQ(parts[i].size, big.size()) << i;
  }
  // The first part fills its volume to the last byte.
  EXPECT_EQ(sink.volumes[0].size(), 1000u);
}

TEST(AceFormat, WriterRefusesWhatItCannotDoAndCopiesEntriesVerbatim) {
  {
    MemorySink sink;
    WriterOptions options;
    options.volumeSize = 60;  // the main header and one file header do not fit
    AceWriter writer(sink, options);
    StringData data("abc");
    EXPECT_FALSE(writer.Add({"a-long-enough-name.txt", false, 0, 0, 3}, &data));
    EXPECT_EQ(writer.Error(), WriteError::VolumeTooSmall);
  }
  {
    MemorySink sink;
    AceWriter writer(sink, {});
    StringData shorter("ab");  // the file shrank after it was listed
    EXPECT_FALSE(writer.Add({"a", false, 0, 0, 3}, &shorter));
    EXPECT_EQ(writer.Error(), WriteError::SizeChanged);
  }
  {
    MemorySink sink;
    AceWriter writer(sink, {});
    StringData longer("abcd");
    EXPECT_FALSE(writer.Add({"a", false, 0, 0, 3}, &longer));
    EXPECT_EQ(writer.Error(), WriteError::SizeChanged);
  }
  {
    MemorySink sink;
    sink.failAfter = 40;
    AceWriter writer(sink, {});
    StringData data("abc");
    EXPECT_FALSE(writer.Add({"a", false, 0, 0, 3}, &data));
    EXPECT_EQ(writer.Error(), WriteError::Output);
  }
  // A packed entry with a comment copied whole into a single archive, and re-split in volumes.
  File packed{"packed.bin", std::string(900, 'p'), 5000};
  packed.method = 2;
  packed.flags = 0x0001 | 0x0002;
  const std::string old = MainBytes() + Entry(packed);
  AceStatus last;
  auto oldEntries = ReadAll(old, last);
  ASSERT_EQ(oldEntries.size(), 1u);
  const std::string raw = old.substr(oldEntries[0].headerOffset, oldEntries[0].dataOffset - oldEntries[0].headerOffset);
  {
    MemorySink sink;
    AceWriter writer(sink, {});
    StringData data(packed.data);
    ASSERT_TRUE(writer.Copy(raw, oldEntries[0], data));
    ASSERT_TRUE(writer.End());
    EXPECT_EQ(sink.volumes[0].substr(30), old.substr(30));
  }
  {
    MemorySink sink;
    WriterOptions options;
    options.volumeSize = 500;
    AceWriter writer(sink, options);
    StringData data(packed.data);
    ASSERT_TRUE(writer.Copy(raw, oldEntries[0], data));
    ASSERT_TRUE(writer.End());
    ASSERT_EQ(sink.volumes.size(), 3u);
    std::string joined;
    for (const auto& volume : sink.volumes) {
      auto entries = ReadAll(volume, last);
      ASSERT_EQ(entries.size(), 1u);
      EXPECT_EQ(entries[0].method, 2);
      EXPECT_EQ(entries[0].size, 5000u);
      EXPECT_EQ(entries[0].crc, oldEntries[0].crc);
      EXPECT_EQ(entries[0].flags & kFileComment, 0);
      joined += DataOf(volume, entries[0]);
    }
    EXPECT_EQ(joined, packed.data);
  }
}
