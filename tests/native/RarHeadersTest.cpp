// The RAR reader against damage: CRCs, vints, lies about sizes, cut-off archives, encrypted
// headers; service headers and comments; BLAKE2sp against its published vectors.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "Blake2sp.h"
#include "RarArchive.h"
#include "RarCraft.h"

using namespace rarformat;
using namespace rarcraft;

namespace {

std::string ReadFixture(const std::string& name) {
  const char* dir = std::getenv("QUILL_RAR_FIXTURES");
  std::ifstream in(std::string(dir ? dir : "/work/shared/fixtures/rar") + "/" + name, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

struct Result {
  RarStatus open = RarStatus::Ok;
  RarStatus end = RarStatus::Ok;
  std::vector<RarEntry> entries;
  std::vector<std::string> data;
  std::vector<RarStatus> streamErrors;
  RarArchiveInfo info;
};

Result Walk(const std::string& bytes) {
  Result r;
  RarReader reader(std::make_unique<zipformat::MemorySource>(bytes), "x.rar");
  r.open = reader.Open();
  r.info = reader.Info();
  if (r.open != RarStatus::Ok) return r;
  RarEntry e;
  int guard = 0;
  while ((r.end = reader.Next(e)) == RarStatus::Ok && ++guard < 10000) {
    r.entries.push_back(e);
    auto input = reader.OpenPacked();
    std::string data;
    uint8_t buffer[256];
    while (size_t got = input->Read(buffer, sizeof buffer)) data.append(reinterpret_cast<char*>(buffer), got);
    r.data.push_back(data);
    r.streamErrors.push_back(reader.StreamError());
  }
  return r;
}

std::string Hex(const std::array<uint8_t, 32>& digest) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (uint8_t b : digest) {
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

TEST(RarHeadersTest, AnyChangedHeaderByteIsCaughtByItsCrc) {
  for (const char* name : {"rar5_stored_manyfiles.rar", "rar.rar"}) {
    SCOPED_TRACE(name);
    const std::string archive = ReadFixture(name);
    Result good = Walk(archive);
    ASSERT_EQ(good.end, RarStatus::End);
    // Flip one bit in every byte of the second entry's header in turn: never the entry as it was.
    const RarEntry& second = good.entries[1];
    for (uint64_t at = second.headerOffset; at < second.dataOffset; ++at) {
      std::string broken = archive;
      broken[at] ^= 0x10;
      Result bad = Walk(broken);
      ASSERT_EQ(bad.open, RarStatus::Ok);
      EXPECT_EQ(bad.entries.size(), 1u) << "byte " << at;
      EXPECT_NE(bad.end, RarStatus::End) << "byte " << at;
    }
  }
}

TEST(RarHeadersTest, CutOffArchivesEndInAnErrorWithTheEntriesBeforeTheCut) {
  for (const char* name : {"rar5_stored_manyfiles.rar", "rar.rar", "rar_unicode.rar", "rar5_solid.rar"}) {
    SCOPED_TRACE(name);
    const std::string archive = ReadFixture(name);
    Result whole = Walk(archive);
    for (size_t cut = 0; cut < archive.size(); ++cut) {
      Result part = Walk(archive.substr(0, cut));
      ASSERT_LE(part.entries.size(), whole.entries.size());
      for (size_t i = 0; i < part.entries.size(); ++i) {
        EXPECT_EQ(part.entries[i].name, whole.entries[i].name);
        // The data of an entry cut short ends short, and says why.
        if (part.data[i].size() < whole.data[i].size()) {
          EXPECT_EQ(part.streamErrors[i], RarStatus::Truncated);
        }
      }
      // A RAR 4 archive may end without its end block, so a cut between blocks is a clean end there.
      if (part.open == RarStatus::Ok && part.info.format == RarFormat::Rar5) {
        EXPECT_NE(part.end, RarStatus::End) << "cut at " << cut;
      }
    }
  }
}

TEST(RarHeadersTest, LyingSizesAndOverlongVintsAreRefused) {
  // A data size running past the end of the file: listed, its data ends short, the walk stops.
  File liar{"big.bin", "abc"};
  liar.dataSizeOverride = 1000000;
  Result r = Walk(Archive({liar, File{"after.txt", "x"}}));
  ASSERT_EQ(r.entries.size(), 1u);
  EXPECT_EQ(r.entries[0].packedSize, 1000000u);
  EXPECT_EQ(r.streamErrors[0], RarStatus::Truncated);
  EXPECT_EQ(r.end, RarStatus::Truncated);

  // An 11-byte vint (here the unpacked size) cannot be: damaged, even with a correct CRC.
  std::string body = Vint(2) + Vint(0x02) + Vint(0) + Vint(0x04) + std::string(10, '\x80') + '\x01' + Vint(0x20) +
                     Le32(0) + Vint(0) + Vint(0) + Vint(1) + "a";
  Result overlong = Walk(kSignature + MainHeader() + Header(body) + EndHeader());
  EXPECT_TRUE(overlong.entries.empty());
  EXPECT_EQ(overlong.end, RarStatus::Damaged);

  // A header size field longer than three bytes is damage too.
  std::string wide = kSignature + MainHeader() + Le32(0) + std::string("\x85\x80\x80\x00", 4) + "xxxxx";
  EXPECT_EQ(Walk(wide).end, RarStatus::Damaged);

  // A name length beyond its header.
  std::string named = Vint(2) + Vint(0) + Vint(0) + Vint(0) + Vint(0) + Vint(0) + Vint(0) + Vint(50) + "ab";
  EXPECT_EQ(Walk(kSignature + MainHeader() + Header(named) + EndHeader()).end, RarStatus::Damaged);
}

TEST(RarHeadersTest, ServiceHeadersAreSkippedAndTheCommentIsRead) {
  File comment{"CMT", "An archive comment."};
  comment.headerType = 3;
  File quickOpen{"QO", std::string(40, 'q')};
  quickOpen.headerType = 3;
  File recovery{"RR", std::string(100, 'r')};
  recovery.headerType = 3;
  File a{"a.txt", "first"};
  File b{"dir/b.txt", "second"};
  std::string archive = kSignature + MainHeader() + FileHeader(comment) + FileHeader(a) + FileHeader(quickOpen) +
                        FileHeader(b) + FileHeader(recovery) + EndHeader();
  Result r = Walk(archive);
  EXPECT_EQ(r.open, RarStatus::Ok);
  EXPECT_TRUE(r.info.hasComment);
  EXPECT_TRUE(r.info.commentRead);
  EXPECT_EQ(r.info.comment, "An archive comment.");
  ASSERT_EQ(r.entries.size(), 2u);
  EXPECT_EQ(r.data, (std::vector<std::string>{"first", "second"}));
  EXPECT_EQ(r.end, RarStatus::End);

  // A comment whose CRC does not match is known but not given.
  comment.crcOverride = 1;
  Result bad = Walk(kSignature + MainHeader() + FileHeader(comment) + FileHeader(a) + EndHeader());
  EXPECT_TRUE(bad.info.hasComment);
  EXPECT_FALSE(bad.info.commentRead);

  // RAR 4: the sub-block before the file (a compressed comment) is unpacked for the comment
  // (its CRC holds) and skipped by the walk, the file read.
  Result subblock = Walk(ReadFixture("rar_subblock.rar"));
  EXPECT_TRUE(subblock.info.hasComment);
  EXPECT_TRUE(subblock.info.commentRead);
  EXPECT_EQ(subblock.info.comment, "test rar with archive comment");
  ASSERT_EQ(subblock.entries.size(), 1u);
  EXPECT_EQ(subblock.data[0], "test text document\r\n");
}

TEST(RarHeadersTest, EncryptionRecordsAndEncryptedHeadersAreReported) {
  // Archive encryption header: version 0, check present, KDF 15, salt, check value.
  std::string salt(16, '\x11'), check(12, '\x22');
  std::string cryptHeader = Header(Vint(4) + Vint(0) + Vint(0) + Vint(1) + char(15) + salt + check);
  Result locked = Walk(kSignature + cryptHeader + std::string(64, '\x5A'));
  EXPECT_EQ(locked.open, RarStatus::NeedPassword);
  EXPECT_TRUE(locked.info.encryptedHeaders);
  EXPECT_EQ(locked.info.headerCrypt.kdfCount, 15u);
  EXPECT_TRUE(locked.info.headerCrypt.hasCheck);
  EXPECT_EQ(locked.info.headerCrypt.check[0], 0x22);

  // A file encryption record (MAC flag too) and a BLAKE2sp hash record.
  std::string iv(16, '\x33');
  File f{"secret.bin", std::string(32, '\x44')};
  std::array<uint8_t, 32> digest;
  for (int i = 0; i < 32; ++i) digest[i] = uint8_t(i * 7);
  f.extra = Record(1, Vint(0) + Vint(0x03) + char(16) + salt + iv + check) +
            Record(2, Vint(0) + std::string(digest.begin(), digest.end()));
  Result r = Walk(Archive({f}));
  ASSERT_EQ(r.entries.size(), 1u);
  const RarEntry& e = r.entries[0];
  EXPECT_TRUE(e.encrypted);
  EXPECT_EQ(e.rar5Crypt.kdfCount, 16u);
  EXPECT_TRUE(e.rar5Crypt.useMac);
  EXPECT_TRUE(e.rar5Crypt.hasCheck);
  EXPECT_EQ(e.rar5Crypt.iv[15], 0x33);
  EXPECT_EQ(e.rar5Crypt.salt[0], 0x11);
  EXPECT_TRUE(e.hasBlake2);
  EXPECT_EQ(e.blake2, digest);

  // An encryption record cut short is damage.
  f.extra = Record(1, Vint(0) + Vint(0x01) + char(15) + salt);
  EXPECT_EQ(Walk(Archive({f})).end, RarStatus::Damaged);
}

TEST(Blake2spTest, PublishedVectors) {
  // The BLAKE2 package's blake2sp-kat.txt: key 00..1f, input 00..(n-1).
  uint8_t key[32], input[256];
  for (int i = 0; i < 32; ++i) key[i] = uint8_t(i);
  for (int i = 0; i < 256; ++i) input[i] = uint8_t(i);
  const std::pair<size_t, const char*> kat[] = {
      {0, "715cb13895aeb678f6124160bff21465b30f4f6874193fc851b4621043f09cc6"},
      {1, "40578ffa52bf51ae1866f4284d3a157fc1bcd36ac13cbdcb0377e4d0cd0b6603"},
      {3, "8dbcc0589a3d17296a7a58e2f1eff0e2aa4210b58d1f88b86d7ba5f29dd3b583"},
      {32, "8aaa8d805c58881ff379fbd42c6bf6f14c6c73df8071b3b228981109ccc015f9"},
      {64, "1d3701a5661bd31ab20562bd07b74dd19ac8f3524b73ce7bc996b788afd2f317"},
      {65, "874e1938033d7d383597a2a65f58b554e41106f6d1d50e9ba0eb685f6b6da071"},
      {72, "f1e442afb872151f8134956c548ae3240d07e6e338d4a7a6af8da4119ab0e2b0"},
      {255, "0c8a36597d7461c63a94732821c941856c668376606c86a52de0ee4104c615db"},
  };
  for (const auto& [length, expected] : kat) {
    Blake2sp whole(key, 32);
    whole.Update(input, length);
    EXPECT_EQ(Hex(whole.Final()), expected) << length;
    // Fed a byte at a time: the same.
    Blake2sp bytes(key, 32);
    for (size_t i = 0; i < length; ++i) bytes.Update(input + i, 1);
    EXPECT_EQ(Hex(bytes.Final()), expected) << length;
  }
  // BLAKE2s itself (RFC 7693, "abc").
  Blake2s abc;
  abc.Update(reinterpret_cast<const uint8_t*>("abc"), 3);
  EXPECT_EQ(Hex(abc.Final()), "508c5e8c327c14e2e1a72ba34eeb452f37458b209ed63a294d999b4c86675982");
  // Unkeyed, as RAR uses it: the empty digest, and 10,000 bytes over many stripes in odd chunks
  // (values from Python's hashlib BLAKE2s tree mode).
  EXPECT_EQ(Hex(Blake2sp().Final()), "dd0e891776933f43c7d032b08a917e25741f8aa9a12c12e1cac8801500f2ca4f");
  std::vector<uint8_t> data(10000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i % 251);
  Blake2sp chunked;
  for (size_t at = 0; at < data.size(); at += 77) chunked.Update(data.data() + at, std::min<size_t>(77, data.size() - at));
  EXPECT_EQ(Hex(chunked.Final()), "2c753676e60f2b13b71219e818aac97e3da391e6ac67ec258501ff540371047d");
}

}  // namespace

namespace {

TEST(RarVolumesTest, Rar4OldNamingGoesFromRarToR00AndOn) {
  // "hello, volumes" in three parts: a.rar, a.r00, a.r01 (archive flags: volume, no new naming).
  const std::string text = "hello, volumes";
  const uint32_t crc = zipformat::Crc32(text.data(), text.size());
  auto volume = [&](uint16_t mainFlags, const File4& part, bool more, const std::string& after = "") {
    return kMarker4 + MainHeader4(mainFlags) + FileHeader4(part) + after + EndBlock4(more);
  };
  File4 first{"greeting.txt", text.substr(0, 5), uint32_t(text.size()), 1, 0x02};
  File4 middle{"greeting.txt", text.substr(5, 4), uint32_t(text.size()), 2, 0x03};
  File4 last{"greeting.txt", text.substr(9), uint32_t(text.size()), crc, 0x01};
  File4 next{"other.txt", "x", 1, zipformat::Crc32("x", 1), 0};
  struct Volumes : IVolumeProvider {
    std::map<std::string, std::string> files;
    std::vector<std::string> opened;
    std::unique_ptr<zipformat::IByteSource> Open(const std::string& name) override {
      auto it = files.find(name);
      return it == files.end() ? nullptr : std::make_unique<zipformat::MemorySource>(it->second);
    }
    bool AskMissing(std::string&) override { return false; }
    bool Opened(const std::string& name) override {
      opened.push_back(name);
      return true;
    }
  } volumes;
  volumes.files["a.rar"] = volume(0x0101, first, true);
  volumes.files["a.r00"] = volume(0x0001, middle, true);
  volumes.files["a.r01"] = volume(0x0001, last, false, FileHeader4(next));

  RarReader reader(std::make_unique<zipformat::MemorySource>(volumes.files["a.rar"]), "a.rar", &volumes);
  ASSERT_EQ(reader.Open(), RarStatus::Ok);
  EXPECT_TRUE(reader.Info().volume);
  EXPECT_FALSE(reader.Info().newNaming);
  EXPECT_TRUE(reader.Info().firstVolume);
  RarEntry entry;
  ASSERT_EQ(reader.Next(entry), RarStatus::Ok);
  EXPECT_TRUE(entry.splitAfter);
  auto packed = reader.OpenPacked();
  char buffer[64];
  size_t got = packed->Read(reinterpret_cast<uint8_t*>(buffer), sizeof buffer);
  EXPECT_EQ(std::string(buffer, got), text);
  EXPECT_EQ(reader.CurrentPart().crc, crc);
  EXPECT_EQ(reader.VolumeName(), "a.r01");
  ASSERT_EQ(reader.Next(entry), RarStatus::Ok);
  EXPECT_EQ(entry.name, "other.txt");
  EXPECT_EQ(reader.Next(entry), RarStatus::End);
  EXPECT_EQ(volumes.opened, (std::vector<std::string>{"a.r00", "a.r01"}));

  // Walking without reading: the continuations show as entries of their own (split before).
  RarReader skipping(std::make_unique<zipformat::MemorySource>(volumes.files["a.rar"]), "a.rar", &volumes);
  ASSERT_EQ(skipping.Open(), RarStatus::Ok);
  std::vector<std::pair<std::string, bool>> walked;
  while (skipping.Next(entry) == RarStatus::Ok) walked.push_back({entry.name, entry.splitBefore});
  EXPECT_EQ(walked, (std::vector<std::pair<std::string, bool>>{
                        {"greeting.txt", false}, {"greeting.txt", true}, {"greeting.txt", true}, {"other.txt", false}}));

  // A continuation that names another file is damage, not a silent join.
  volumes.files["a.r00"] = volume(0x0001, File4{"intruder.txt", "zzzz", 14, 2, 0x03}, true);
  RarReader wrong(std::make_unique<zipformat::MemorySource>(volumes.files["a.rar"]), "a.rar", &volumes);
  ASSERT_EQ(wrong.Open(), RarStatus::Ok);
  ASSERT_EQ(wrong.Next(entry), RarStatus::Ok);
  auto broken = wrong.OpenPacked();
  EXPECT_EQ(broken->Read(reinterpret_cast<uint8_t*>(buffer), sizeof buffer), 5u);
  EXPECT_EQ(wrong.StreamError(), RarStatus::Damaged);
}

}  // namespace
