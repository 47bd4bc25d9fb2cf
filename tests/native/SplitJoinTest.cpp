// Split File and Join Files over in-memory files: the volume set byte for byte, the join back,
// the checks a join makes, and what it does with sets it did not make.
#include <gtest/gtest.h>

#include <random>

#include "app/SplitJoin.h"
#include "base/CodePage.h"
#include "fileview/FileUtils.h"
#include "messages/Messages.h"
#include "tests/native/MemoryFileStreams.h"

namespace quill {
namespace {

using test::TMemoryFileStreams;

class TRecordingProgress : public ICopyProgress {
public:
  void Begin(const std::string& caption, int count, uint64_t totalBytes, TProgressMode mode) override {
    this->caption = caption;
    this->count = count;
    total = totalBytes;
    this->mode = mode;
    ++begun;
  }
  void SetSource(const std::string& name) override { source = name; }
  void SetTarget(const std::string& name) override { target = name; }
  void SetPathLine(const std::string&) override {}
  void SetFileLine(const std::string& text) override { lines.push_back(text); }
  void SetCurrent(int value) override { current = value; }
  int Current() const override { return current; }
  void AddProgress(uint64_t amount) override {
    done += amount;
    if (cancelAfter && done >= cancelAfter) cancelled = true;
  }
  void PauseTimer() override {}
  void RestartTimer() override {}
  void ProcessMessages() override {}
  bool Cancelled() const override { return cancelled; }
  void End() override { ++ended; }

  std::string caption, source, target;
  std::vector<std::string> lines;
  int count = 0, current = 0, begun = 0, ended = 0;
  uint64_t total = 0, done = 0, cancelAfter = 0;
  TProgressMode mode = pmItems;
  bool cancelled = false;
};

std::string Pattern(size_t size, uint32_t seed = 7) {
  std::string bytes(size, '\0');
  std::mt19937 random(seed);
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

uint32_t Crc(const std::string& bytes) { return ~Crc32Update(0xFFFFFFFFu, bytes.data(), bytes.size()); }

class SplitJoinTest : public ::testing::Test {
protected:
  uint32_t Split(const std::string& name, const std::string& bytes, uint64_t volumeSize) {
    fs.files["C:\\data\\" + name] = bytes;
    TSplitter splitter(fs, latin1, &progress);
    const uint32_t result = splitter.Run("C:\\data\\" + name, "C:\\out", volumeSize, "Split File");
    volumes = splitter.Volumes();
    return result;
  }
  // Joins base name N in C:\out the way the join command does, into `output`.
  uint32_t Join(const std::string& base, const std::string& output, std::string* proposed = nullptr) {
    const std::vector<TJoinVolume> set = CountVolumes(fs, "C:\\out", base);
    if (set.empty()) return 2;
    TCrcList list;
    if (auto found = fs.files.find("C:\\out\\" + base + ".crc"); found != fs.files.end())
      list = ParseCrcList(found->second, latin1);
    const TJoinHeader header = DetectHeader(fs.files["C:\\out\\" + set[0].name], latin1);
    if (proposed) *proposed = JoinOutputName(base, list, header);
    TJoiner joiner(fs, &progress);
    const uint32_t result = joiner.Run("C:\\out", set, header.dataStart, list, output, "Join Files");
    badVolume = joiner.BadVolume();
    return result;
  }
  std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& [path, bytes] : fs.files)
      if (path.rfind(folder + "\\", 0) == 0) names.push_back(path.substr(folder.size() + 1));
    return names;
  }

  TMemoryFileStreams fs;
  TLatin1CodePage latin1;
  TRecordingProgress progress;
  std::vector<TSplitVolume> volumes;
  std::string badVolume;
};

TEST(SplitJoinRules, NamesSizesAndTheFastCrc) {
  EXPECT_EQ(VolumeName("movie", 1), "movie.001");
  EXPECT_EQ(VolumeName("movie", 42), "movie.042");
  EXPECT_EQ(VolumeName("movie", 1000), "movie.1000");
  EXPECT_EQ(SplitHeader("movie.avi", 5000000000ull), "movie.avi   5000000000/");

  EXPECT_EQ(PreselectedSplitSize(0), 0);
  EXPECT_EQ(PreselectedSplitSize(10000000), 0);
  EXPECT_EQ(PreselectedSplitSize(10000001), 1);
  EXPECT_EQ(PreselectedSplitSize(20000001), 2);
  EXPECT_EQ(PreselectedSplitSize(50000001), 3);
  EXPECT_EQ(PreselectedSplitSize(100000001), 4);
  EXPECT_EQ(PreselectedSplitSize(200000001), 5);
  EXPECT_EQ(PreselectedSplitSize(400000000), 5);
  EXPECT_EQ(PreselectedSplitSize(400000001), 6);
  // Past 2 GiB and 4 GiB the choice does not wrap around.
  EXPECT_EQ(PreselectedSplitSize(3000000000ull), 6);
  EXPECT_EQ(PreselectedSplitSize(5000000000ull), 6);
  for (size_t i = 0; i < kSplitSizes.size(); ++i) EXPECT_GT(ParseSize(kSplitSizes[i]), 0) << kSplitSizes[i];
  EXPECT_EQ(ParseSize("1440 KB"), 1440000);
  EXPECT_EQ(ParseSize("100 MB"), 100000000);

  // The sliced and the folded (carry-less multiplication) CRC agree with the one-bit-at-a-time
  // definition at every length, alignment and tail.
  EXPECT_EQ(Crc("abc"), 0x352441C2u);
  const std::string data = Pattern(300, 3);
  for (size_t start = 0; start < 20; ++start)
    for (size_t length = 0; start + length <= data.size(); length += 13) {
      uint32_t bitwise = 0xFFFFFFFFu;
      for (size_t i = start; i < start + length; ++i) {
        bitwise ^= static_cast<unsigned char>(data[i]);
        for (int bit = 0; bit < 8; ++bit) bitwise = (bitwise & 1) ? (bitwise >> 1) ^ 0xEDB88320u : bitwise >> 1;
      }
      ASSERT_EQ(Crc32Update(0xFFFFFFFFu, data.data() + start, length), bitwise) << start << "+" << length;
    }
}

TEST_F(SplitJoinTest, ThreeMillionBytesAt1440KbMakeThreeVolumesAndTheListByteForByte) {
  const std::string source = Pattern(3000000);
  ASSERT_EQ(Split("movie.avi", source, ParseSize("1440 KB")), 0u);

  const std::string header = "movie.avi   3000000/";
  const std::string& v1 = fs.files["C:\\out\\movie.001"];
  const std::string& v2 = fs.files["C:\\out\\movie.002"];
  const std::string& v3 = fs.files["C:\\out\\movie.003"];
  EXPECT_EQ(v1, header + source.substr(0, 1440000));
  EXPECT_EQ(v2, source.substr(1440000, 1440000));
  EXPECT_EQ(v3, source.substr(2880000));
  EXPECT_EQ(fs.files.count("C:\\out\\movie.004"), 0u);

  char crcs[3][9];
  std::snprintf(crcs[0], 9, "%08X", Crc(v1));
  std::snprintf(crcs[1], 9, "%08X", Crc(v2));
  std::snprintf(crcs[2], 9, "%08X", Crc(v3));
  const std::string list = std::string("; Generated by Quill. (compatible with rzJoin)\r\n") +
                           "; TotalSize : 3000000\r\n" + ";\r\n" +
                           ";      1440000 movie.001\r\n" + ";      1440000 movie.002\r\n" +
                           ";       120000 movie.003\r\n" + "movie.001 " + crcs[0] + "\r\n" + "movie.002 " + crcs[1] +
                           "\r\n" + "movie.003 " + crcs[2] + "\r\n";
  EXPECT_EQ(fs.files["C:\\out\\movie.crc"], list);
  EXPECT_EQ(FilesIn("C:\\out"), (std::vector<std::string>{"movie.001", "movie.002", "movie.003", "movie.crc"}));

  // The progress window: caption, volume count, byte total, source and folder, one line each.
  EXPECT_EQ(progress.caption, "Split File");
  EXPECT_EQ(progress.count, 3);
  EXPECT_EQ(progress.total, 3000000u);
  EXPECT_EQ(progress.done, 3000000u);
  EXPECT_EQ(progress.source, "movie.avi");
  EXPECT_EQ(progress.target, "out");
  EXPECT_EQ(progress.lines, (std::vector<std::string>{"movie.001", "movie.002", "movie.003"}));
  EXPECT_EQ(progress.ended, 1);

  // And back: named after the header's file, equal to the source, with the header's bytes
  // checked as part of volume 1 and no temporary file left over.
  std::string proposed;
  ASSERT_EQ(Join("movie", "C:\\data\\back.avi", &proposed), 0u);
  EXPECT_EQ(proposed, "movie.avi");
  EXPECT_EQ(fs.files["C:\\data\\back.avi"], source);
  EXPECT_EQ(progress.caption, "Join Files");
  EXPECT_EQ(progress.total, v1.size() + v2.size() + v3.size());
  EXPECT_EQ(progress.lines.back(), "movie.003 (120,000)");
  EXPECT_EQ(FilesIn("C:\\data"), (std::vector<std::string>{"back.avi", "movie.avi"}));
}

TEST_F(SplitJoinTest, ExactlyTwoVolumesAndSizesThatSplitNothing) {
  const std::string source = Pattern(2000);
  ASSERT_EQ(Split("a.bin", source, 1000), 0u);
  EXPECT_EQ(FilesIn("C:\\out"), (std::vector<std::string>{"a.001", "a.002", "a.crc"}));
  EXPECT_EQ(fs.files["C:\\out\\a.002"], source.substr(1000));
  ASSERT_EQ(volumes.size(), 2u);
  EXPECT_EQ(volumes[0].dataBytes, 1000u);
  EXPECT_EQ(volumes[1].dataBytes, 1000u);

  // Not larger than the size, or no size: nothing written, nothing reported, no window.
  fs.files.clear();
  progress.begun = 0;
  EXPECT_EQ(Split("b.bin", source, 2000), 0u);
  EXPECT_EQ(Split("b.bin", source, 5000), 0u);
  EXPECT_EQ(Split("b.bin", source, 0), 0u);
  EXPECT_EQ(FilesIn("C:\\out"), std::vector<std::string>{});
  EXPECT_EQ(progress.begun, 0);
}

TEST_F(SplitJoinTest, SplitFailuresStopWithTheSystemErrorAndWriteNoList) {
  const std::string source = Pattern(5000);
  // An existing volume name.
  fs.files["C:\\out\\a.002"] = "old";
  EXPECT_EQ(Split("a.bin", source, 2000), 80u);
  EXPECT_EQ(fs.files["C:\\out\\a.002"], "old");
  EXPECT_EQ(fs.files.count("C:\\out\\a.crc"), 0u);
  EXPECT_EQ(progress.ended, 1);

  // A full disk, a read error, a missing folder, and cancel.
  fs.files.clear();
  fs.diskSpace = 3000;
  EXPECT_EQ(Split("a.bin", source, 2000), 112u);
  EXPECT_EQ(fs.files.count("C:\\out\\a.crc"), 0u);
  fs.files.clear();
  fs.diskSpace = UINT64_MAX;
  fs.failingRead = "C:\\data\\a.bin";
  fs.failReadAfter = 2500;
  EXPECT_EQ(Split("a.bin", source, 2000), 30u);
  EXPECT_EQ(fs.files.count("C:\\out\\a.crc"), 0u);
  fs.failingRead.clear();
  fs.files.clear();
  fs.folders = {"C:", "C:\\data"};
  EXPECT_EQ(Split("a.bin", source, 2000), 3u);
  fs.folders = {"C:", "C:\\data", "C:\\out"};
  fs.files.clear();
  progress.cancelAfter = 1;
  EXPECT_EQ(Split("a.bin", source, 2000), kErrorCancelled);
  EXPECT_EQ(fs.files.count("C:\\out\\a.crc"), 0u);
  EXPECT_EQ(fs.files.count("C:\\out\\a.002"), 0u);
}

TEST_F(SplitJoinTest, LargeSizesAreSixtyFourBitAndUnsigned) {
  // The list of a 5 GB source made of 3 GB volumes (written from the recorded volumes, as the
  // split writes it; a test cannot hold 5 GB).
  const std::vector<TSplitVolume> big = {{"x.001", 3000000000ull, 0x1234ABCDu}, {"x.002", 2000000000ull, 0xFFFFFFFFu}};
  const std::vector<std::string> lines = SplitListLines(5000000000ull, big);
  EXPECT_EQ(lines[1], "; TotalSize : 5000000000");
  EXPECT_EQ(lines[3], ";   3000000000 x.001");
  EXPECT_EQ(lines[4], ";   2000000000 x.002");
  EXPECT_EQ(lines[5], "x.001 1234ABCD");
  EXPECT_EQ(lines[6], "x.002 FFFFFFFF");
  EXPECT_EQ(SplitHeader("x.iso", 4294967296ull + 5), "x.iso   4294967301/");
  // A header recording more than 4 GiB is still a header.
  const TJoinHeader header = DetectHeader("x.iso   4294967301/data", latin1);
  EXPECT_TRUE(header.present);
  EXPECT_EQ(header.name, "x.iso");
  EXPECT_EQ(header.dataStart, 19u);
  // Volume totals add up past 4 GiB.
  EXPECT_EQ(VolumesTotal({{"a", 3000000000ull}, {"b", 3000000000ull}}), 6000000000ull);
}

TEST_F(SplitJoinTest, HeaderDetectionRules) {
  // The split's own header; blanks around the name are dropped.
  TJoinHeader h = DetectHeader("  my file.txt   123/rest", latin1);
  EXPECT_TRUE(h.present);
  EXPECT_EQ(h.name, "my file.txt");
  EXPECT_EQ(h.dataStart, 20u);
  // Another tool's volume that happens to hold a blank, a number and "/" is taken as a header.
  h = DetectHeader("GIF89a data 42/x", latin1);
  EXPECT_TRUE(h.present);
  EXPECT_EQ(h.name, "GIF89a data");
  EXPECT_EQ(h.dataStart, 15u);
  // No "/", no blank before it, or no number between them: no header, data from byte 0.
  for (const char* start : {"plain text", "name123/x", "a b12c/x", "a /x", "a 12 /x"}) {
    h = DetectHeader(start, latin1);
    EXPECT_FALSE(h.present) << start;
    EXPECT_EQ(h.dataStart, 0u) << start;
  }
  // Only the first 254 bytes count, and a NUL ends the text.
  EXPECT_FALSE(DetectHeader(std::string(250, 'x') + " 1234/", latin1).present);
  EXPECT_TRUE(DetectHeader(std::string(245, 'x') + " 1234/", latin1).present);
  EXPECT_FALSE(DetectHeader(std::string("a\0b 12/", 7), latin1).present);
}

TEST_F(SplitJoinTest, JoinNamesTheOutputAfterTheHeaderEvenWithoutAFilenameLine) {
  ASSERT_EQ(Split("report.doc", Pattern(3000), 1000), 0u);
  std::string proposed;
  ASSERT_EQ(Join("report", "C:\\out\\joined", &proposed), 0u);
  EXPECT_EQ(proposed, "report.doc");

  // A list's "filename" is used when volume 1 has no header; without either, the base name.
  fs.files.clear();
  fs.files["C:\\out\\set.001"] = "first";
  fs.files["C:\\out\\set.002"] = "second";
  fs.files["C:\\out\\set.crc"] = "filename=whole.bin\r\n";
  ASSERT_EQ(Join("set", "C:\\out\\w", &proposed), 0u);
  EXPECT_EQ(proposed, "whole.bin");
  EXPECT_EQ(fs.files["C:\\out\\w"], "firstsecond");
  fs.files["C:\\out\\set.crc"] = "; nothing here\r\n";
  ASSERT_EQ(Join("set", "C:\\out\\w", &proposed), 0u);
  EXPECT_EQ(proposed, "set");
}

TEST_F(SplitJoinTest, JoiningWithOnlyTheSecondVolumeOrAGapCountsUpToTheGap) {
  fs.files["C:\\out\\n.002"] = "two";
  EXPECT_TRUE(CountVolumes(fs, "C:\\out", "n").empty());
  fs.files["C:\\out\\n.001"] = "one";
  fs.files["C:\\out\\n.004"] = "four";
  const std::vector<TJoinVolume> set = CountVolumes(fs, "C:\\out", "n");
  ASSERT_EQ(set.size(), 2u);
  EXPECT_EQ(VolumesTotal(set), 6u);
}

TEST_F(SplitJoinTest, AJoinChecksEveryVolumeAgainstTheListAndKeepsNothingOnFailure) {
  const std::string source = Pattern(5000);
  ASSERT_EQ(Split("a.bin", source, 2000), 0u);
  fs.files["C:\\data\\result"] = "the old file";

  // One flipped byte in volume 2: reported by name, no output, the old file untouched.
  fs.files["C:\\out\\a.002"][10] ^= 1;
  EXPECT_EQ(Join("a", "C:\\data\\result"), kJoinCrcMismatch);
  EXPECT_EQ(badVolume, "a.002");
  EXPECT_EQ(fs.files["C:\\data\\result"], "the old file");
  EXPECT_EQ(FilesIn("C:\\data"), (std::vector<std::string>{"a.bin", "result"}));
  fs.files["C:\\out\\a.002"][10] ^= 1;

  // A changed header is caught too: it is part of volume 1's CRC.
  fs.files["C:\\out\\a.001"][0] = 'b';
  EXPECT_EQ(Join("a", "C:\\data\\result"), kJoinCrcMismatch);
  EXPECT_EQ(badVolume, "a.001");
  fs.files["C:\\out\\a.001"][0] = 'a';

  // Cancelled, a read error, a full disk: same.
  progress.cancelAfter = 3000;
  EXPECT_EQ(Join("a", "C:\\data\\result"), kErrorCancelled);
  progress.cancelAfter = 0;
  progress.cancelled = false;
  fs.failingRead = "C:\\out\\a.003";
  EXPECT_EQ(Join("a", "C:\\data\\result"), 30u);
  fs.failingRead.clear();
  fs.diskSpace = 4000;
  EXPECT_EQ(Join("a", "C:\\data\\result"), 112u);
  fs.diskSpace = UINT64_MAX;
  EXPECT_EQ(fs.files["C:\\data\\result"], "the old file");
  EXPECT_EQ(FilesIn("C:\\data"), (std::vector<std::string>{"a.bin", "result"}));

  // Complete: the old file is replaced. A temporary name that is taken is left alone.
  fs.files["C:\\data\\result.~qj"] = "someone's";
  ASSERT_EQ(Join("a", "C:\\data\\result"), 0u);
  EXPECT_EQ(fs.files["C:\\data\\result"], source);
  EXPECT_EQ(fs.files["C:\\data\\result.~qj"], "someone's");
  EXPECT_EQ(FilesIn("C:\\data"), (std::vector<std::string>{"a.bin", "result", "result.~qj"}));
}

TEST_F(SplitJoinTest, BadListsAndHostileNamesWriteOnlyWhereTheUserSaved) {
  fs.files["C:\\out\\v.001"] = "..\\evil.exe   12/payload";
  fs.files["C:\\out\\v.002"] = "more";
  std::string proposed;

  // A binary list is ignored: no name from it, no CRCs.
  fs.files["C:\\out\\v.crc"] = std::string("filename=x\0\x01\x02 v.001 00000000", 28);
  ASSERT_EQ(Join("v", "C:\\out\\joined", &proposed), 0u);
  EXPECT_EQ(fs.files["C:\\out\\joined"], "payloadmore");
  // The header's "..\evil.exe" proposes just "evil.exe"; the list's path outside the folder
  // likewise gives only its last part.
  EXPECT_EQ(proposed, "evil.exe");
  fs.files["C:\\out\\v.001"] = "no header here";
  fs.files["C:\\out\\v.crc"] = "filename=..\\..\\x\r\n..\\..\\x 00000000\r\n";
  ASSERT_EQ(Join("v", "C:\\out\\joined", &proposed), 0u);
  EXPECT_EQ(proposed, "x");
  fs.files["C:\\out\\v.crc"] = "filename=..\r\n";
  ASSERT_EQ(Join("v", "C:\\out\\joined", &proposed), 0u);
  EXPECT_EQ(proposed, "v");
  EXPECT_EQ(SafeOutputName("C:\\Windows\\system32\\a.dll", "n"), "a.dll");
  EXPECT_EQ(SafeOutputName("a/b|c", "n"), "n");
  EXPECT_EQ(SafeOutputName("   ", "n"), "n");
  EXPECT_EQ(SafeOutputName(std::string("a\x01", 2), "n"), "n");

  // A list of 100,000 volumes: read in one pass; the join takes the two volumes there are,
  // checked against their lines.
  std::string list = "filename=big.bin\r\n";
  for (int i = 1; i <= 100000; ++i) list += VolumeName("v", i) + " 00000000\r\n";
  fs.files["C:\\out\\v.crc"] = list;
  const TCrcList parsed = ParseCrcList(list, latin1);
  EXPECT_EQ(parsed.crcs.size(), 100000u);
  EXPECT_EQ(Join("v", "C:\\out\\joined", &proposed), kJoinCrcMismatch);
  EXPECT_EQ(badVolume, "v.001");
  EXPECT_EQ(proposed, "big.bin");

  // Every file the joins created lies in the folder of the output.
  for (const std::string& path : fs.created) EXPECT_EQ(path.rfind("C:\\out\\joined", 0), 0u) << path;
}

}  // namespace
}  // namespace quill
