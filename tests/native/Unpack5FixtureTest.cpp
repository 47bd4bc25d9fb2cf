// The RAR 5 decoder over archives made by the RAR archiver: every compressed entry of the good
// ones decodes to its own CRC-32 (and to bsdtar's bytes where bsdtar reads the archive right);
// every compressed entry of the damaged ones gives BadData.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "archivers/rarformat/RarArchive.h"
#include "archivers/rarformat/Unpack5.h"

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

class FixtureVolumes : public IVolumeProvider {
 public:
  std::unique_ptr<zipformat::IByteSource> Open(const std::string& name) override {
    std::string bytes = ReadFixture(name);
    if (bytes.empty()) return nullptr;
    kept_.push_back(std::move(bytes));
    return std::make_unique<zipformat::MemorySource>(kept_.back());
  }
  bool AskMissing(std::string&) override { return false; }
  bool Opened(const std::string&) override { return true; }

 private:
  std::vector<std::string> kept_;
};

class StringOut : public IUnpackedOutput {
 public:
  bool Write(const uint8_t* data, size_t count) override {
    bytes.append(reinterpret_cast<const char*>(data), count);
    return true;
  }
  std::string bytes;
};

struct Decoded {
  std::string name;
  UnpackResult result;
  std::string bytes;
  uint32_t expectedCrc;
};

// Every compressed entry in archive order through one decoder, as an extractor would.
std::vector<Decoded> DecodeArchive(const std::string& name, RarStatus& open) {
  std::vector<Decoded> out;
  FixtureVolumes volumes;
  const std::string bytes = ReadFixture(name);
  RarReader reader(std::make_unique<zipformat::MemorySource>(bytes), name, &volumes);
  open = reader.Open();
  if (open != RarStatus::Ok) return out;
  TUnpack5 unpack;
  RarEntry entry;
  while (reader.Next(entry) == RarStatus::Ok) {
    if (entry.directory || entry.Stored()) continue;
    auto input = reader.OpenPacked();
    StringOut bytesOut;
    UnpackResult r = unpack.Unpack(*input, bytesOut, entry.unknownSize ? UINT64_MAX : entry.unpackedSize,
                                   entry.dictionarySize, entry.solid);
    out.push_back({entry.name, r, std::move(bytesOut.bytes), reader.CurrentPart().crc});
  }
  return out;
}

// For archives whose headers the reader refuses: the data areas of their file headers, found
// by walking the headers without checking them. Each entry's fields as stored.
struct RawEntry {
  std::string packed;
  uint64_t unpackedSize, dictionarySize;
  bool solid;
};

std::vector<RawEntry> WalkUnchecked(const std::string& b) {
  std::vector<RawEntry> out;
  size_t p = b.find(std::string("Rar!\x1a\x07\x01\x00", 8));
  if (p == std::string::npos) return out;
  p += 8;
  auto vint = [&](size_t& at) {
    uint64_t v = 0;
    for (int shift = 0; at < b.size() && shift < 64; shift += 7) {
      uint8_t c = uint8_t(b[at++]);
      v |= uint64_t(c & 0x7F) << shift;
      if (!(c & 0x80)) break;
    }
    return v;
  };
  while (p + 4 < b.size()) {
    size_t q = p + 4;
    uint64_t headerSize = vint(q);
    const size_t end = q + size_t(headerSize);
    uint64_t type = vint(q), flags = vint(q), dataSize = 0;
    if (flags & 1) vint(q);
    if (flags & 2) dataSize = vint(q);
    if (end > b.size()) break;
    dataSize = std::min<uint64_t>(dataSize, b.size() - end);  // a cut archive keeps what it has
    if (type == 2) {
      uint64_t fileFlags = vint(q), unpacked = vint(q);
      vint(q);  // attributes
      if (fileFlags & 2) q += 4;
      if (fileFlags & 4) q += 4;
      uint64_t info = vint(q);
      if (((info >> 7) & 7) != 0)
        out.push_back({b.substr(end, size_t(dataSize)), unpacked, uint64_t(128 << 10) << ((info >> 10) & 15),
                       (info & 0x40) != 0});
    }
    if (type == 5) break;
    p = end + size_t(dataSize);
  }
  return out;
}

class StringIn : public IPackedInput {
 public:
  explicit StringIn(std::string bytes) : bytes_(std::move(bytes)) {}
  size_t Read(uint8_t* buffer, size_t count) override {
    size_t n = std::min(count, bytes_.size() - at_);
    if (n) std::memcpy(buffer, bytes_.data() + at_, n);
    at_ += n;
    return n;
  }

 private:
  std::string bytes_;
  size_t at_ = 0;
};

uint32_t Crc(const std::string& s) { return ~zipformat::Crc32Update(0xFFFFFFFF, s.data(), s.size()); }

// bsdtar's bytes for one entry, or nullopt-like "missing" when bsdtar is not installed.
bool BsdtarBytes(const std::string& archive, const std::string& entry, std::string& bytes) {
  if (std::system("command -v bsdtar >/dev/null 2>&1") != 0) return false;
  std::string command = "bsdtar -xOf '" + FixtureDir() + "/" + archive + "' '" + entry + "' 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return false;
  char buffer[65536];
  size_t n;
  bytes.clear();
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) bytes.append(buffer, n);
  return pclose(pipe) == 0;
}

}  // namespace

TEST(Unpack5Fixtures, CompressedEntriesDecodeToTheirChecksums) {
  // Archive -> compressed entries it holds; bsdtar is right on the first four.
  const std::map<std::string, size_t> archives = {
      {"rar5_compressed.rar", 1},       {"rar5_multiple_files.rar", 4}, {"rar5_solid.rar", 7},
      {"rar5_win32.rar", 7},            {"rar5_multiarchive.part01.rar", 2}};
  const std::vector<std::string> bsdtarRight = {"rar5_compressed.rar", "rar5_multiple_files.rar", "rar5_solid.rar",
                                                "rar5_win32.rar"};
  bool haveBsdtar = true;
  for (const auto& [archive, count] : archives) {
    SCOPED_TRACE(archive);
    RarStatus open;
    std::vector<Decoded> decoded = DecodeArchive(archive, open);
    ASSERT_EQ(open, RarStatus::Ok);
    ASSERT_EQ(decoded.size(), count);
    for (const Decoded& d : decoded) {
      SCOPED_TRACE(d.name);
      ASSERT_EQ(d.result, UnpackResult::Ok);
      EXPECT_EQ(Crc(d.bytes), d.expectedCrc);
      if (std::find(bsdtarRight.begin(), bsdtarRight.end(), archive) == bsdtarRight.end() || !haveBsdtar) continue;
      std::string theirs;
      haveBsdtar = BsdtarBytes(archive, d.name, theirs);
      if (haveBsdtar) {
        EXPECT_TRUE(theirs == d.bytes);
      }
    }
  }
  // Stored-only archives from the same set have nothing for the decoder.
  for (const char* archive : {"rar5_fileattr.rar", "rar5_unicode.rar"}) {
    RarStatus open;
    EXPECT_TRUE(DecodeArchive(archive, open).empty()) << archive;
    EXPECT_EQ(open, RarStatus::Ok) << archive;
  }
}

TEST(Unpack5Fixtures, DamagedArchivesGiveBadData) {
  // Archive -> compressed entries with damaged packed data, found by the reader or, where it
  // refuses the headers, by an unchecked walk.
  const std::map<std::string, size_t> archives = {{"rar5_bad_tables.rar", 1},
                                                  {"rar5_distance_overflow.rar", 1},
                                                  {"rar5_invalid_dict_reference.rar", 1},
                                                  {"rar5_truncated_huff.rar", 0},
                                                  {"rar5_dirdata.rar", 0}};
  for (const auto& [archive, count] : archives) {
    SCOPED_TRACE(archive);
    RarStatus open;
    std::vector<Decoded> decoded = DecodeArchive(archive, open);
    for (const Decoded& d : decoded) EXPECT_EQ(d.result, UnpackResult::BadData) << d.name;
    size_t seen = decoded.size();
    if (open != RarStatus::Ok) {
      TUnpack5 unpack;
      for (const RawEntry& e : WalkUnchecked(ReadFixture(archive))) {
        StringIn in(e.packed);
        StringOut out;
        EXPECT_EQ(unpack.Unpack(in, out, e.unpackedSize, e.dictionarySize, e.solid), UnpackResult::BadData);
        ++seen;
      }
    }
    EXPECT_EQ(seen, count);
  }
}
