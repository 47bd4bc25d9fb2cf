// The method 1 encoder and the archive writer: what they write is read back by our decoder and
// judged by Debian's arj (arj t, arj x), with folders, stored entries, volumes, and entries of
// an existing archive copied into a new one.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ArjArchive.h"
#include "ArjEncode.h"
#include "ArjTestSupport.h"
#include "ArjWriter.h"

namespace {

using namespace arjformat;
using arjtest::HaveArj;
using arjtest::ReadAll;
using arjtest::Shell;
using arjtest::TempDir;
using arjtest::WriteAll;

// Volumes as files under one folder, the way arj.exe writes them.
class FileVolumes final : public IVolumeOutput {
 public:
  explicit FileVolumes(std::string first) : first_(std::move(first)) {}
  bool StartVolume(size_t index) override {
    file_ = std::fopen(VolumeName(first_, index).c_str(), "wb+");
    ++started;
    return file_ != nullptr;
  }
  bool Write(const uint8_t* data, size_t size) override {
    return std::fwrite(data, 1, size, file_) == size;
  }
  bool Rewrite(uint64_t offset, const uint8_t* data, size_t size) override {
    const long end = std::ftell(file_);
    std::fseek(file_, static_cast<long>(offset), SEEK_SET);
    const bool ok = std::fwrite(data, 1, size, file_) == size;
    std::fseek(file_, end, SEEK_SET);
    return ok;
  }
  bool FinishVolume() override { return std::fclose(file_) == 0; }
  int started = 0;

 private:
  std::string first_;
  std::FILE* file_ = nullptr;
};

std::string RoundTrip(const std::string& data) {
  std::vector<uint8_t> packed;
  struct Out final : IByteOutput {
    std::vector<uint8_t>& bytes;
    explicit Out(std::vector<uint8_t>& b) : bytes(b) {}
    bool Write(const uint8_t* d, size_t n) override {
      bytes.insert(bytes.end(), d, d + n);
      return true;
    }
  } out(packed);
  Method1Encoder encoder(out);
  // Fed in uneven pieces, as a file is read.
  for (size_t at = 0; at < data.size();) {
    const size_t n = std::min<size_t>(data.size() - at, 1 + (at * 7919) % 70000);
    encoder.Write(reinterpret_cast<const uint8_t*>(data.data() + at), n);
    at += n;
  }
  EXPECT_TRUE(encoder.Finish());
  EXPECT_EQ(encoder.PackedSize(), packed.size());
  arjtest::StringInput input(std::string(packed.begin(), packed.end()));
  arjtest::StringOutput result;
  EXPECT_EQ(Decode(1, input, packed.size(), data.size(), result), DecodeStatus::Ok);
  return result.bytes;
}

TEST(ArjEncode, RoundTripsThroughOurDecoder) {
  const std::string text = arjtest::SampleText(700 * 1024);
  EXPECT_EQ(RoundTrip(text), text);
  const std::string random = arjtest::RandomBytes(200 * 1024, 5);
  EXPECT_EQ(RoundTrip(random), random);
  const std::string same(300000, 'a');
  EXPECT_EQ(RoundTrip(same), same);
  std::string two;
  for (int i = 0; i < 70000; ++i) two += (i % 3 == 0) ? 'x' : 'y';
  EXPECT_EQ(RoundTrip(two), two);
  EXPECT_EQ(RoundTrip("a"), "a");
  EXPECT_EQ(RoundTrip("abcabcabcabd"), "abcabcabcabd");
  // Every byte value and long runs of skewed frequencies push the code lengths toward 16 bits.
  std::string skewed;
  for (int v = 0; v < 256; ++v) {
    const size_t count = size_t{1} << (v % 18);
    for (size_t k = 0; k < count && skewed.size() < 2000000; ++k) skewed += static_cast<char>(v);
  }
  EXPECT_EQ(RoundTrip(skewed), skewed);
}

struct Item {
  std::string name, data;
  bool folder = false;
};

void WriteArchive(const std::string& path, const std::vector<Item>& items, uint64_t volumeSize,
                  int method, int* volumes = nullptr) {
  FileVolumes out(path);
  ArjWriter writer(out, path, volumeSize, method, 0x5A2B0000);
  for (const auto& item : items) {
    NewEntry entry{item.name, 0x5A2B1234, static_cast<uint16_t>(item.folder ? 0x10 : 0x20)};
    if (item.folder) {
      ASSERT_TRUE(writer.AddFolder(entry));
    } else {
      zipformat::MemorySource source(item.data);
      ASSERT_TRUE(writer.AddFile(entry, source));
    }
  }
  ASSERT_TRUE(writer.Finish());
  if (volumes) *volumes = out.started;
}

TEST(ArjWriter, DebianArjTestsAndExtractsWhatWeWrite) {
  if (!HaveArj()) GTEST_SKIP() << "arj not on PATH";
  TempDir dir;
  const std::vector<Item> items = {
      {"docs", "", true},
      {"docs\\readme.txt", arjtest::SampleText(150000)},
      {"docs\\deep\\noise.bin", arjtest::RandomBytes(50000, 11)},
      {"empty.txt", ""},
      {"one.txt", "x"},
  };
  for (int method : {1, 0}) {
    const std::string archive = dir.path + "/w" + std::to_string(method) + ".arj";
    WriteArchive(archive, items, 0, method);
    EXPECT_EQ(Shell("arj t -y " + archive), 0) << archive;
    const std::string out = dir.path + "/out" + std::to_string(method);
    ASSERT_EQ(Shell("mkdir " + out + " && cd " + out + " && arj x -y " + archive), 0);
    for (const auto& item : items) {
      std::string path = item.name;
      std::replace(path.begin(), path.end(), '\\', '/');
      if (item.folder) {
        EXPECT_EQ(Shell("test -d " + out + "/" + path), 0) << path;
      } else {
        EXPECT_TRUE(ReadAll(out + "/" + path) == item.data) << path;
      }
    }
    ArjArchive read;
    ASSERT_TRUE(read.Open(archive, [](const std::string& name) {
      int error = 0;
      return zipformat::OpenFileSource(name, error);
    }));
    ASSERT_EQ(read.Entries().size(), items.size());
    EXPECT_TRUE(read.Entries()[0].IsFolder());
    EXPECT_EQ(read.Entries()[1].header.name, "docs/readme.txt");
    EXPECT_EQ(read.Entries()[1].header.flags & kFlagPathSym, kFlagPathSym);
    EXPECT_EQ(read.Entries()[1].header.method, method);
    EXPECT_EQ(read.Entries()[1].header.dosTime, 0x5A2B1234u);
    EXPECT_EQ(read.Entries()[2].header.method, 0) << "random bytes are stored, not grown";
  }
}

TEST(ArjWriter, VolumesSplitFilesThatArjJoins) {
  if (!HaveArj()) GTEST_SKIP() << "arj not on PATH";
  TempDir dir;
  const std::vector<Item> items = {
      {"a.txt", arjtest::SampleText(400000)},
      {"sub", "", true},
      {"sub\\b.bin", arjtest::RandomBytes(120000, 4)},
      {"c.txt", arjtest::SampleText(3000)},
  };
  const std::string archive = dir.path + "/vol.arj";
  int volumes = 0;
  const uint64_t volumeSize = 50000;
  WriteArchive(archive, items, volumeSize, 1, &volumes);
  EXPECT_GE(volumes, 4);
  for (int i = 0; i < volumes; ++i) {
    const std::string name = VolumeName(archive, static_cast<size_t>(i));
    const std::string bytes = ReadAll(name);
    EXPECT_LE(bytes.size(), volumeSize) << name;
    EXPECT_GT(bytes.size(), i + 1 < volumes ? volumeSize * 9 / 10 : 0) << name;
  }
  EXPECT_EQ(Shell("arj t -y -v " + archive), 0);
  const std::string out = dir.path + "/out";
  ASSERT_EQ(Shell("mkdir " + out + " && cd " + out + " && arj x -y -v " + archive), 0);
  EXPECT_TRUE(ReadAll(out + "/a.txt") == items[0].data);
  EXPECT_TRUE(ReadAll(out + "/sub/b.bin") == items[2].data);
  EXPECT_TRUE(ReadAll(out + "/c.txt") == items[3].data);

  // Our reader joins the pieces; copied into a single-file archive, the split entry is packed
  // again whole and the others keep their packed bytes.
  ArjArchive read;
  ASSERT_TRUE(read.Open(archive, [](const std::string& name) {
    int error = 0;
    return zipformat::OpenFileSource(name, error);
  }));
  ASSERT_EQ(read.Entries().size(), items.size());
  EXPECT_GT(read.Entries()[0].parts.size(), 1u);
  // Text split across volumes stays packed piece by piece; random bytes are stored.
  for (const auto& part : read.Entries()[0].parts) EXPECT_EQ(part.header.method, 1);
  for (const auto& part : read.Entries()[2].parts) EXPECT_EQ(part.header.method, 0);
  const std::string copy = dir.path + "/copy.arj";
  {
    FileVolumes copyOut(copy);
    ArjWriter writer(copyOut, copy, 0, 1, 0);
    for (const auto& entry : read.Entries()) ASSERT_TRUE(writer.CopyEntry(read, entry));
    ASSERT_TRUE(writer.Finish());
  }
  EXPECT_EQ(Shell("arj t -y " + copy), 0);
  ArjArchive copied;
  ASSERT_TRUE(copied.Open(copy, [](const std::string& name) {
    int error = 0;
    return zipformat::OpenFileSource(name, error);
  }));
  ASSERT_EQ(copied.Entries().size(), items.size());
  EXPECT_EQ(copied.Entries()[0].parts.size(), 1u);
  EXPECT_EQ(copied.Entries()[3].header.compressedSize, read.Entries()[3].header.compressedSize);
  EXPECT_EQ(copied.Entries()[3].header.fileCrc, read.Entries()[3].header.fileCrc);
}

}  // namespace
