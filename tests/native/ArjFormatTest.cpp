// The portable ARJ code: the decoders against archives made by Debian's arj with every method,
// the header parser on damaged bytes, and volumes made by arj read back.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "ArjArchive.h"
#include "ArjDecode.h"
#include "ArjHeaders.h"
#include "ArjTestSupport.h"

namespace {

using namespace arjformat;
using arjtest::HaveArj;
using arjtest::ReadAll;
using arjtest::Shell;
using arjtest::TempDir;
using arjtest::WriteAll;

ArjArchive OpenArchive(const std::string& path) {
  ArjArchive archive;
  const bool opened = archive.Open(path, [](const std::string& name) {
    int error = 0;
    return zipformat::OpenFileSource(name, error);
  });
  EXPECT_TRUE(opened) << path;
  return archive;
}

std::string ExtractToString(ArjArchive& archive, const ArjEntry& entry,
                            ArjArchive::Result* result = nullptr) {
  arjtest::StringOutput out;
  const auto r = archive.Extract(entry, out);
  if (result) *result = r;
  else EXPECT_EQ(r, ArjArchive::Result::Ok) << entry.header.name;
  return out.bytes;
}

TEST(ArjDecode, EveryMethodOfDebianArjDecodesByteForByte) {
  if (!HaveArj()) GTEST_SKIP() << "arj not on PATH";
  TempDir dir;
  const std::string text = arjtest::SampleText(400 * 1024);
  const std::string random = arjtest::RandomBytes(100 * 1024, 7);
  // Longer than the 26 KiB window, with repeats from further back than the window reaches.
  std::string longer = arjtest::RandomBytes(40 * 1024, 9);
  longer += longer + arjtest::SampleText(90 * 1024) + longer.substr(0, 5000);
  WriteAll(dir.path + "/text.txt", text);
  WriteAll(dir.path + "/random.bin", random);
  WriteAll(dir.path + "/empty", "");
  WriteAll(dir.path + "/longer.bin", longer);
  for (int method = 0; method <= 4; ++method) {
    const std::string name = "m" + std::to_string(method) + ".arj";
    ASSERT_EQ(Shell("cd " + dir.path + " && arj a -y -m" + std::to_string(method) + " " + name +
                  " text.txt random.bin empty longer.bin"),
              0);
    ArjArchive archive = OpenArchive(dir.path + "/" + name);
    ASSERT_EQ(archive.Entries().size(), 4u) << name;
    bool packed = false;
    for (const auto& entry : archive.Entries()) {
      const std::string expected = ReadAll(dir.path + "/" + entry.header.name);
      EXPECT_EQ(entry.header.originalSize, expected.size());
      const std::string got = ExtractToString(archive, entry);
      EXPECT_TRUE(got == expected) << name << " " << entry.header.name;
      if (entry.header.method == method && method != 0 && expected.size() > 0) packed = true;
    }
    EXPECT_TRUE(method == 0 || packed) << "arj stored everything with -m" << method;
  }
}

// Flips bytes of the packed data and cuts it short: every outcome is an error or CRC mismatch,
// never more output than the original size.
TEST(ArjDecode, DamagedStreamsFailWithoutOverrunning) {
  if (!HaveArj()) GTEST_SKIP() << "arj not on PATH";
  TempDir dir;
  WriteAll(dir.path + "/t.txt", arjtest::SampleText(60 * 1024));
  for (int method = 1; method <= 4; ++method) {
    const std::string name = "d" + std::to_string(method) + ".arj";
    ASSERT_EQ(Shell("cd " + dir.path + " && arj a -y -m" + std::to_string(method) + " " + name +
                  " t.txt"),
              0);
    const std::string bytes = ReadAll(dir.path + "/" + name);
    zipformat::MemorySource source(bytes);
    ArjArchive archive = OpenArchive(dir.path + "/" + name);
    ASSERT_EQ(archive.Entries().size(), 1u);
    const EntryPart& part = archive.Entries()[0].parts[0];
    const std::string packed = bytes.substr(part.dataOffset, part.header.compressedSize);
    std::mt19937 rng(method);
    int failures = 0;
    for (int round = 0; round < 200; ++round) {
      std::string damaged = packed;
      uint64_t size = damaged.size();
      if (round % 4 == 0) {
        size = rng() % damaged.size();
      } else {
        for (int k = 0; k < 1 + round % 3; ++k) damaged[rng() % damaged.size()] ^= 1 << (rng() % 8);
      }
      arjtest::StringInput input(damaged);
      arjtest::StringOutput out;
      const DecodeStatus status =
          Decode(part.header.method, input, size, part.header.originalSize, out);
      EXPECT_LE(out.bytes.size(), part.header.originalSize);
      if (status != DecodeStatus::Ok || Crc32(out.bytes.data(), out.bytes.size()) != part.header.fileCrc)
        ++failures;
      if (round % 4 == 0) {
        EXPECT_NE(status, DecodeStatus::Ok) << "cut at " << size;
      }
    }
    EXPECT_GT(failures, 190) << "method " << method;
  }
}

TEST(ArjDecode, HostileStreamsAreRejected) {
  arjtest::StringOutput out;
  // Method 4: a match (length prefix 1, tail 0) before any byte was written.
  {
    arjtest::StringInput input(std::string("\x80\x00\x00\x00", 4));
    EXPECT_EQ(Decode(4, input, 4, 100, out), DecodeStatus::BadData);
  }
  // Methods 1-3: a block size of zero, then a literal table of 0 codes where some are needed.
  {
    arjtest::StringInput input(std::string(8, '\0'));
    EXPECT_EQ(Decode(1, input, 8, 100, out), DecodeStatus::BadData);
  }
  // A table whose lengths oversubscribe the code space: block size 1, 5 lengths of 1 bit.
  {
    // 16 bits of block size 1, 5 bits n=5, then five 3-bit lengths 001, and 2 bits special.
    std::string bits = "0000000000000001" "00101" "001001001" "00" "001001";
    std::string bytes;
    for (size_t i = 0; i < bits.size(); i += 8) {
      std::string byte = bits.substr(i, 8);
      byte.resize(8, '0');
      bytes += static_cast<char>(std::stoi(byte, nullptr, 2));
    }
    arjtest::StringInput input(bytes);
    EXPECT_EQ(Decode(2, input, bytes.size(), 100, out), DecodeStatus::BadData);
  }
  // A long run of zero bytes for method 4 decodes literals until the packed data runs out.
  {
    arjtest::StringInput input(std::string(10, '\0'));
    arjtest::StringOutput zeros;
    EXPECT_EQ(Decode(4, input, 10, 1000, zeros), DecodeStatus::Truncated);
    EXPECT_LE(zeros.bytes.size(), 9u);
  }
  arjtest::StringInput none("");
  EXPECT_EQ(Decode(7, none, 0, 10, out), DecodeStatus::UnknownMethod);
  EXPECT_TRUE(out.bytes.empty());
}

TEST(ArjHeaders, DamagedBytesAreRejectedSafely) {
  ArjHeader h;
  h.archiverVersion = 11;
  h.minVersion = 1;
  h.flags = kFlagPathSym;
  h.method = 1;
  h.dosTime = 0x5A2B1234;
  h.compressedSize = 3;
  h.originalSize = 5;
  h.fileCrc = 0xDEADBEEF;
  h.accessMode = 0x20;
  h.name = "dir/file.txt";
  h.comment = "note";
  const std::vector<uint8_t> encoded = EncodeHeader(h);
  std::string good(encoded.begin(), encoded.end());
  good += "abc";

  {
    zipformat::MemorySource source(good);
    ArjHeader read;
    uint64_t data = 0;
    ASSERT_EQ(ReadHeader(source, 0, read, data), HeaderStatus::Ok);
    EXPECT_EQ(read.name, "dir/file.txt");
    EXPECT_EQ(NativeName(read), "dir\\file.txt");
    EXPECT_EQ(read.comment, "note");
    EXPECT_EQ(read.dosTime, 0x5A2B1234u);
    EXPECT_EQ(read.fileCrc, 0xDEADBEEFu);
    EXPECT_EQ(read.firstHeaderSize, 30);
    EXPECT_EQ(data, good.size() - 3);
  }
  // Every truncation is Bad, never a read past the end.
  for (size_t cut = 0; cut + 3 < good.size(); ++cut) {
    const std::string part = good.substr(0, cut);
    zipformat::MemorySource source(part);
    ArjHeader read;
    uint64_t data = 0;
    EXPECT_EQ(ReadHeader(source, 0, read, data), HeaderStatus::Bad) << cut;
  }
  // A changed byte in the basic header breaks the CRC; a wrong id is Bad; size 0 is the end.
  {
    std::string bad = good;
    bad[10] ^= 1;
    zipformat::MemorySource source(bad);
    ArjHeader read;
    uint64_t data = 0;
    EXPECT_EQ(ReadHeader(source, 0, read, data), HeaderStatus::Bad);
    const std::string endBytes("\x60\xEA\x00\x00", 4), wrongBytes("\x61\xEA\x00\x00", 4);
    zipformat::MemorySource end(endBytes);
    EXPECT_EQ(ReadHeader(end, 0, read, data), HeaderStatus::End);
    zipformat::MemorySource wrong(wrongBytes);
    EXPECT_EQ(ReadHeader(wrong, 0, read, data), HeaderStatus::Bad);
  }
  // A name without NUL (the basic header ends inside it) and a too large size.
  {
    std::string basic(30, '\0');
    basic[0] = 30;
    basic += std::string(600, 'n');
    std::string bytes = "\x60\xEA";
    bytes += static_cast<char>(basic.size() & 0xFF);
    bytes += static_cast<char>(basic.size() >> 8);
    bytes += basic;
    const uint32_t crc = Crc32(basic.data(), basic.size());
    for (int i = 0; i < 4; ++i) bytes += static_cast<char>(crc >> (8 * i));
    bytes += std::string(2, '\0');
    zipformat::MemorySource source(bytes);
    ArjHeader read;
    uint64_t data = 0;
    ASSERT_EQ(ReadHeader(source, 0, read, data), HeaderStatus::Ok);
    EXPECT_EQ(read.name, std::string(kMaxNameLength, 'n'));
    EXPECT_EQ(read.comment, "");
    std::string big = bytes;
    big[2] = static_cast<char>(2601 & 0xFF);
    big[3] = static_cast<char>(2601 >> 8);
    big.resize(4000, 'x');
    zipformat::MemorySource bigSource(big);
    EXPECT_EQ(ReadHeader(bigSource, 0, read, data), HeaderStatus::Bad);
    // An extended header whose size runs past the end of the file.
    std::string ext = bytes.substr(0, bytes.size() - 2) + std::string("\x10\x00", 2) + "short";
    zipformat::MemorySource extSource(ext);
    EXPECT_EQ(ReadHeader(extSource, 0, read, data), HeaderStatus::Bad);
    // A well-formed extended header is skipped.
    std::string extOk = bytes.substr(0, bytes.size() - 2) + std::string("\x02\x00", 2) + "xy" +
                        std::string("\0\0\0\0\0\0", 6);
    zipformat::MemorySource extOkSource(extOk);
    ASSERT_EQ(ReadHeader(extOkSource, 0, read, data), HeaderStatus::Ok);
    EXPECT_EQ(data, extOk.size());
  }
  // The main header behind a self-extractor (with a false id in it), and beyond the limit.
  {
    std::string sfx(70000, 'M');
    sfx[100] = '\x60';
    sfx[101] = '\xEA';
    const std::string archive = sfx + good;
    zipformat::MemorySource source(archive);
    EXPECT_EQ(FindMainHeader(source), std::optional<uint64_t>(sfx.size()));
    const std::string far = std::string(500001, 'M') + good;
    zipformat::MemorySource farSource(far);
    EXPECT_EQ(FindMainHeader(farSource), std::nullopt);
    const std::string edge = std::string(499999, 'M') + good;
    zipformat::MemorySource edgeSource(edge);
    EXPECT_EQ(FindMainHeader(edgeSource), std::optional<uint64_t>(499999));
    const std::string tinyBytes("\x60", 1);
    zipformat::MemorySource tiny(tinyBytes);
    EXPECT_EQ(FindMainHeader(tiny), std::nullopt);
  }
}

TEST(ArjArchive, VolumesMadeByArjAreReadBack) {
  if (!HaveArj()) GTEST_SKIP() << "arj not on PATH";
  TempDir dir;
  const std::string random = arjtest::RandomBytes(250000, 3);
  const std::string text = arjtest::SampleText(300000);
  Shell("mkdir -p " + dir.path + "/sub");
  WriteAll(dir.path + "/sub/r.bin", random);
  WriteAll(dir.path + "/t.txt", text);
  ASSERT_EQ(Shell("cd " + dir.path + " && arj a -y -r -v60000 set.arj t.txt 'sub/*'"), 0);
  ArjArchive archive = OpenArchive(dir.path + "/set.arj");
  EXPECT_FALSE(archive.Damaged());
  EXPECT_GE(archive.VolumeCount(), 4u);
  EXPECT_EQ(archive.VolumePath(1), dir.path + "/set.a01");
  int found = 0;
  for (const auto& entry : archive.Entries()) {
    const std::string name = NativeName(entry.header);
    if (name == "sub\\r.bin" || name == "sub/r.bin") {
      EXPECT_GT(entry.parts.size(), 1u);
      EXPECT_EQ(ExtractToString(archive, entry), random);
      ++found;
    } else if (name == "t.txt") {
      EXPECT_EQ(ExtractToString(archive, entry), text);
      ++found;
    }
  }
  EXPECT_EQ(found, 2);
  // Without the last volume the split entry is reported incomplete, the others still extract.
  const std::string last = archive.VolumePath(archive.VolumeCount() - 1);
  ASSERT_EQ(std::rename(last.c_str(), (last + ".gone").c_str()), 0);
  ArjArchive partial = OpenArchive(dir.path + "/set.arj");
  EXPECT_TRUE(partial.Damaged());
  EXPECT_EQ(VolumeName("x/SET.ARJ", 2), "x/SET.A02");
  EXPECT_EQ(VolumeName("a.b/set", 1), "a.b/set.a01");
}

}  // namespace
