// The RAR 2.9 decoder against real archives made by RAR: every compressed entry must decode to
// the bytes its CRC-32 describes, and damaged or cut streams must end in an error.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "archivers/rarformat/Unpack29.h"
#include "archivers/rarformat/Unpack29Filters.h"

namespace rarformat {
namespace {

const std::string kFixtures = "/work/shared/fixtures/rar/";

uint32_t Crc32(const std::vector<uint8_t>& data) {
  uint32_t crc = 0xFFFFFFFFu;
  for (uint8_t b : data) {
    crc ^= b;
    for (int k = 0; k < 8; k++) crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
  }
  return ~crc;
}

uint32_t Le(const std::vector<uint8_t>& d, size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; i--) v = v << 8 | d[at + size_t(i)];
  return v;
}

// One file entry of a RAR 4 archive, its packed bytes gathered from every volume.
struct TEntry {
  std::string name;
  uint32_t flags = 0;
  uint8_t method = 0, version = 0;
  uint64_t unpackedSize = 0;
  uint32_t crc = 0;
  std::vector<uint8_t> packed;
  uint64_t Dictionary() const { return uint64_t(0x10000) << ((flags >> 5) & 7); }
  bool Compressed() const { return method != 0x30 && (flags & 0xE0) != 0xE0; }
};

// Just enough of the RAR 4 block walk to find the entries' packed bytes.
std::vector<TEntry> ReadEntries(const std::vector<std::string>& volumes) {
  std::vector<TEntry> entries;
  for (const std::string& volume : volumes) {
    std::ifstream file(kFixtures + volume, std::ios::binary);
    const std::vector<uint8_t> d((std::istreambuf_iterator<char>(file)), {});
    size_t p = 7;
    while (p + 7 <= d.size()) {
      const uint32_t type = d[p + 2], flags = Le(d, p + 3, 2), size = Le(d, p + 5, 2);
      if (size < 7) break;
      uint64_t extra = (flags & 0x8000) && p + 11 <= d.size() ? Le(d, p + 7, 4) : 0;
      if (type == 0x74 && p + 32 <= d.size()) {
        TEntry e;
        e.flags = flags;
        e.unpackedSize = Le(d, p + 11, 4);
        e.crc = Le(d, p + 16, 4);
        e.version = d[p + 24];
        e.method = d[p + 25];
        const size_t nameSize = Le(d, p + 26, 2);
        size_t nameAt = p + 32;
        if (flags & 0x100) {
          extra |= uint64_t(Le(d, p + 32, 4)) << 32;
          e.unpackedSize |= uint64_t(Le(d, p + 36, 4)) << 32;
          nameAt += 8;
        }
        e.name.assign(d.begin() + long(std::min(nameAt, d.size())),
                      d.begin() + long(std::min(nameAt + nameSize, d.size())));
        const size_t from = std::min<size_t>(p + size, d.size());
        const size_t to = std::min<uint64_t>(from + extra, d.size());
        if ((flags & 1) && !entries.empty()) {
          // Continued from the previous volume: the last part carries the whole file's CRC.
          entries.back().packed.insert(entries.back().packed.end(), d.begin() + long(from),
                                       d.begin() + long(to));
          entries.back().crc = e.crc;
        } else {
          e.packed.assign(d.begin() + long(from), d.begin() + long(to));
          entries.push_back(std::move(e));
        }
      }
      p += size + extra;
      if (type == 0x7B) break;
    }
  }
  return entries;
}

class TMemoryInput : public IPackedInput {
 public:
  TMemoryInput(const uint8_t* data, size_t size, size_t chunk = 1 << 20)
      : data_(data), size_(size), chunk_(chunk) {}
  size_t Read(uint8_t* buffer, size_t count) override {
    // Hands out at most `chunk_` bytes a call, as a reader switching volumes might.
    const size_t n = std::min({count, size_ - pos_, chunk_});
    if (n == 0) return 0;
    std::memcpy(buffer, data_ + pos_, n);
    pos_ += n;
    return n;
  }

 private:
  const uint8_t* data_;
  size_t size_, pos_ = 0, chunk_;
};

// Keeps the bytes (or only their CRC and count, for big outputs) and fails the test if the
// decoder writes past the size it was given.
class TCheckedOutput : public IUnpackedOutput {
 public:
  explicit TCheckedOutput(uint64_t limit, bool keep = true, uint64_t stopAfter = ~0ull)
      : limit_(limit), keep_(keep), stopAfter_(stopAfter) {}
  bool Write(const uint8_t* data, size_t count) override {
    EXPECT_LE(size_ + count, limit_);
    for (size_t i = 0; i < count; i++) crc_ = kTable[(crc_ ^ data[i]) & 0xFF] ^ (crc_ >> 8);
    if (keep_) bytes.insert(bytes.end(), data, data + count);
    size_ += count;
    return size_ < stopAfter_;
  }
  uint32_t Crc() const { return ~crc_; }
  uint64_t Size() const { return size_; }
  std::vector<uint8_t> bytes;

 private:
  static inline const struct TTable {
    uint32_t t[256];
    TTable() {
      for (uint32_t i = 0; i < 256; i++) {
        uint32_t c = i;
        for (int k = 0; k < 8; k++) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        t[i] = c;
      }
    }
    uint32_t operator[](size_t i) const { return t[i]; }
  } kTable{};
  uint64_t limit_, size_ = 0;
  bool keep_;
  uint64_t stopAfter_;
  uint32_t crc_ = 0xFFFFFFFFu;
};

UnpackResult Decode(TUnpack29& d, const TEntry& e, TCheckedOutput& out, size_t chunk = 1 << 20) {
  TMemoryInput in(e.packed.data(), e.packed.size(), chunk);
  return d.Unpack(in, out, e.unpackedSize, e.Dictionary(), (e.flags & 0x10) != 0);
}

TEST(Unpack29, EveryCompressedFixtureEntryMatchesItsChecksum) {
  const std::vector<std::vector<std::string>> archives = {
      {"rar.rar"}, {"rar_compress_normal.rar"}, {"rar_filter.rar"},
      {"rar_multi_lzss_blocks.rar"}, {"rar_noeof.rar"}, {"rar_subblock.rar"},
      {"rar_unicode.rar"}, {"rar_windows.rar"},
      {"rar_multivolume.part0001.rar", "rar_multivolume.part0002.rar",
       "rar_multivolume.part0003.rar", "rar_multivolume.part0004.rar"}};
  int compressed = 0;
  for (const auto& volumes : archives) {
    TUnpack29 decoder;  // one per archive, as the reader uses it
    for (const TEntry& e : ReadEntries(volumes)) {
      if (!e.Compressed()) continue;
      SCOPED_TRACE(volumes[0] + ": " + e.name);
      ASSERT_TRUE(e.version == 29 || e.version == 36);
      compressed++;
      // Small reads for one archive, to exercise refills at every boundary.
      const size_t chunk = volumes[0] == "rar_compress_normal.rar" ? 7 : 1 << 20;
      TCheckedOutput out(e.unpackedSize, false);
      EXPECT_EQ(Decode(decoder, e, out, chunk), UnpackResult::Ok);
      EXPECT_EQ(out.Size(), e.unpackedSize);
      EXPECT_EQ(out.Crc(), e.crc);
    }
  }
  // The LZ entries (one with an E8 filter, one of many blocks), and PPMd entries switching to LZ
  // and back across volumes.
  EXPECT_EQ(compressed, 10);
}

// Where Debian's bsdtar is known to extract correctly, our bytes are its bytes.
TEST(Unpack29, AgreesWithBsdtarWhereItIsRight) {
  if (std::system("bsdtar --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "no bsdtar";
  int compared = 0;
  for (const char* archive : {"rar_compress_normal.rar", "rar_filter.rar", "rar_unicode.rar"}) {
    TUnpack29 decoder;
    for (const TEntry& e : ReadEntries({archive})) {
      if (!e.Compressed()) continue;
      SCOPED_TRACE(std::string(archive) + ": " + e.name);
      TCheckedOutput out(e.unpackedSize);
      ASSERT_EQ(Decode(decoder, e, out), UnpackResult::Ok);
      std::string name = e.name.substr(0, e.name.find('\0'));
      std::replace(name.begin(), name.end(), '\\', '/');
      // Stored names here are plain ASCII or UTF-8, which bsdtar matches as they are.
      const std::string command = "bsdtar -xOf '" + kFixtures + archive + "' '" + name + "'";
      FILE* pipe = popen(command.c_str(), "r");
      ASSERT_NE(pipe, nullptr);
      std::vector<uint8_t> theirs;
      uint8_t buffer[65536];
      for (size_t n; (n = fread(buffer, 1, sizeof(buffer), pipe)) > 0;)
        theirs.insert(theirs.end(), buffer, buffer + n);
      pclose(pipe);
      EXPECT_EQ(out.bytes, theirs);
      compared++;
    }
  }
  EXPECT_EQ(compared, 5);
}

TEST(Unpack29, DamagedFixturesFailCleanly) {
  for (const char* name : {"rar_invalid1.rar", "rar_overflow.rar"}) {
    for (const TEntry& e : ReadEntries({name})) {
      SCOPED_TRACE(std::string(name) + ": " + e.name);
      TUnpack29 decoder;
      TCheckedOutput out(e.unpackedSize);
      const UnpackResult r = Decode(decoder, e, out);
      EXPECT_TRUE(r == UnpackResult::BadData || r == UnpackResult::UnknownMethod);
    }
  }
}

// Every cut of a stream (LZ with a filter, and PPMd) ends in BadData, and the decoder object is
// usable again afterwards for a whole entry.
TEST(Unpack29, TruncatedStreamsAreBadDataAndTheDecoderRecovers) {
  const TEntry lz = ReadEntries({"rar_compress_normal.rar"})[0];
  const TEntry filtered = ReadEntries({"rar_filter.rar"})[0];
  const TEntry ppmd = ReadEntries({"rar_multivolume.part0004.rar"})[3];
  ASSERT_EQ(ppmd.packed[0] & 0x80, 0x80);
  TUnpack29 decoder;
  for (const TEntry* e : {&lz, &filtered, &ppmd}) {
    SCOPED_TRACE(e->name);
    const size_t step = std::max<size_t>(1, e->packed.size() / 97);
    for (size_t cut = 0; cut < e->packed.size() - 1; cut += step) {
      TMemoryInput in(e->packed.data(), cut);
      TCheckedOutput out(e->unpackedSize, false);
      EXPECT_EQ(decoder.Unpack(in, out, e->unpackedSize, e->Dictionary(), false),
                UnpackResult::BadData)
          << "cut at " << cut;
    }
    TCheckedOutput out(e->unpackedSize);
    EXPECT_EQ(Decode(decoder, *e, out), UnpackResult::Ok);
    EXPECT_EQ(Crc32(out.bytes), e->crc);
  }
}

TEST(Unpack29, OutputStopsAtTheGivenSizeAndOnCancel) {
  const TEntry e = ReadEntries({"rar_filter.rar"})[0];
  TUnpack29 decoder;
  TCheckedOutput whole(e.unpackedSize);
  ASSERT_EQ(Decode(decoder, e, whole), UnpackResult::Ok);

  // A smaller size: exactly that many bytes, the start of the whole output.
  TMemoryInput in(e.packed.data(), e.packed.size());
  TCheckedOutput part(1000);
  EXPECT_EQ(decoder.Unpack(in, part, 1000, e.Dictionary(), false), UnpackResult::Ok);
  EXPECT_EQ(part.bytes, std::vector<uint8_t>(whole.bytes.begin(), whole.bytes.begin() + 1000));

  // Write refusing: Aborted, and nothing more is written.
  TCheckedOutput cancelled(e.unpackedSize, true, 5000);
  EXPECT_EQ(Decode(decoder, e, cancelled), UnpackResult::Aborted);
  EXPECT_LE(cancelled.Size(), 5000u + 0x40000u);

  // A window larger than RAR 2.9 allows is not this decoder's.
  TMemoryInput again(e.packed.data(), e.packed.size());
  TCheckedOutput none(e.unpackedSize);
  EXPECT_EQ(decoder.Unpack(again, none, e.unpackedSize, 8u << 20, false),
            UnpackResult::UnknownMethod);
  EXPECT_EQ(none.Size(), 0u);
}

// Hand-made LZ streams: one table block in which every bit-length symbol has a 5-bit code (so
// a length is written as its own value) and eight main symbols have 3-bit codes.
class TStream {
 public:
  void Put(uint32_t value, int bits) {
    for (int i = bits - 1; i >= 0; i--) {
      if (used_ % 8 == 0) bytes.push_back(0);
      if ((value >> i) & 1) bytes.back() |= uint8_t(0x80 >> (used_ % 8));
      used_++;
    }
  }
  // 3-bit main codes, in symbol order.
  enum : uint32_t { A, B, EndBlock, Filter, RepeatLast, OldDist0, Short0, Match0 };

  static TStream WithTables() {
    TStream s;
    s.Put(0, 2);  // LZ, old lengths forgotten
    for (int i = 0; i < 20; i++) s.Put(5, 4);
    std::vector<uint8_t> lengths(404, 0);
    for (int sym : {int('a'), int('b'), 256, 257, 258, 259, 263, 271}) lengths[size_t(sym)] = 3;
    lengths[299] = lengths[300] = 1;              // distance slots 0 and 1 (distances 1, 2)
    lengths[299 + 60 + 17] = lengths[299 + 60 + 17 + 1] = 1;  // repeat lengths 2 and 3
    for (uint8_t len : lengths) s.Put(len, 5);
    return s;
  }
  std::vector<uint8_t> bytes;

 private:
  size_t used_ = 0;
};

UnpackResult DecodeStream(const TStream& s, uint64_t size, std::vector<uint8_t>* bytes = nullptr) {
  TUnpack29 decoder;
  TMemoryInput in(s.bytes.data(), s.bytes.size());
  TCheckedOutput out(size);
  const UnpackResult r = decoder.Unpack(in, out, size, 0x10000, false);
  if (bytes) *bytes = out.bytes;
  return r;
}

TEST(Unpack29, HandMadeStreamsDecodeAndTheirFaultsAreCaught) {
  {
    // Literals, a short match, a long match, "the last match again", a repeated old distance
    // with its own length, and the end-of-file marker.
    TStream s = TStream::WithTables();
    s.Put(TStream::A, 3);
    s.Put(TStream::B, 3);
    s.Put(TStream::Short0, 3);
    s.Put(1, 2);  // distance 2, length 2
    s.Put(TStream::Match0, 3);
    s.Put(1, 1);  // length 3, distance slot 1: 2
    s.Put(TStream::RepeatLast, 3);
    s.Put(TStream::OldDist0, 3);
    s.Put(1, 1);  // length 3
    s.Put(TStream::EndBlock, 3);
    s.Put(0, 2);  // end of file, no new tables
    std::vector<uint8_t> bytes;
    EXPECT_EQ(DecodeStream(s, 13, &bytes), UnpackResult::Ok);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "ababababababa");
    // The end marker came early: the entry is short.
    EXPECT_EQ(DecodeStream(s, 14), UnpackResult::BadData);
    // A size the archive does not know: the end marker ends the entry.
    EXPECT_EQ(DecodeStream(s, UINT64_MAX, &bytes), UnpackResult::Ok);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "ababababababa");
  }
  {
    // A distance reaching before the first byte.
    TStream s = TStream::WithTables();
    s.Put(TStream::A, 3);
    s.Put(TStream::Short0, 3);
    s.Put(3, 2);  // distance 4
    s.Put(TStream::EndBlock, 3);
    s.Put(0, 2);
    EXPECT_EQ(DecodeStream(s, 3), UnpackResult::BadData);
  }
  {
    // A filter whose program (XOR check right) is none of RAR's standard ones.
    TStream s = TStream::WithTables();
    s.Put(TStream::A, 3);
    s.Put(TStream::Filter, 3);
    s.Put(0xA6, 8);  // new program number, block length given; record length in the next byte
    s.Put(2, 8);     // 2 + 7 bytes of record
    s.Put(0, 6);     // program 0 (starting over)
    s.Put(0, 6);     // block starts here
    s.Put(0x100 | 16, 10);  // block length 16
    s.Put(5, 6);           // 5 bytes of program
    const uint8_t code[5] = {0x01 ^ 0x02 ^ 0x03 ^ 0x04, 1, 2, 3, 4};
    for (uint8_t b : code) s.Put(b, 8);
    s.Put(0, 4);  // the record's last byte
    for (int i = 0; i < 16; i++) s.Put(TStream::A, 3);
    s.Put(TStream::EndBlock, 3);
    s.Put(0, 2);
    EXPECT_EQ(DecodeStream(s, 17), UnpackResult::UnknownMethod);
  }
  {
    // Tables that do not decode: no bit-length codes at all, and "repeat the previous length"
    // before there is one.
    TStream none;
    none.Put(0, 2);
    for (int i = 0; i < 20; i++) none.Put(0, 4);
    for (int i = 0; i < 40; i++) none.Put(0, 8);
    EXPECT_EQ(DecodeStream(none, 1), UnpackResult::BadData);
    TStream repeat;
    repeat.Put(0, 2);
    for (int i = 0; i < 20; i++) repeat.Put(5, 4);
    repeat.Put(16, 5);
    for (int i = 0; i < 400; i++) repeat.Put(0, 5);
    EXPECT_EQ(DecodeStream(repeat, 1), UnpackResult::BadData);
  }
}

TEST(Unpack29, FilterProgramsAreRecognisedOnlyWhenStandard) {
  // A program whose XOR check holds but which RAR never writes is unknown; a broken check is
  // told apart.
  std::vector<uint8_t> code(53, 0x11);
  code[0] = 0;
  for (size_t i = 1; i < code.size(); i++) code[0] ^= code[i];
  bool checkOk = false;
  EXPECT_EQ(IdentifyFilter29(code.data(), code.size(), checkOk), TFilter29Kind::Unknown);
  EXPECT_TRUE(checkOk);
  code[0] ^= 1;
  IdentifyFilter29(code.data(), code.size(), checkOk);
  EXPECT_FALSE(checkOk);

  // Parameters that do not fit the machine's memory are refused, never run.
  std::vector<uint8_t> memory(kFilter29MemorySize + 4);
  uint32_t offset = 0, size = 0;
  uint32_t regs[7] = {3, 0, 0, 0, kFilter29MemorySize, 0, 0};
  EXPECT_FALSE(RunFilter29(TFilter29Kind::Delta, memory.data(), regs, &offset, &size));
  EXPECT_FALSE(RunFilter29(TFilter29Kind::Audio, memory.data(), regs, &offset, &size));
  regs[0] = 0;
  regs[4] = 300;
  EXPECT_FALSE(RunFilter29(TFilter29Kind::Delta, memory.data(), regs, &offset, &size));
  regs[0] = 9;
  regs[1] = 3;
  EXPECT_FALSE(RunFilter29(TFilter29Kind::Rgb, memory.data(), regs, &offset, &size));

  // Delta with two channels: the differences of each channel are summed back and interleaved.
  const uint8_t deltas[6] = {uint8_t(-1), uint8_t(-1), uint8_t(-1), uint8_t(-10), uint8_t(-20), uint8_t(-30)};
  std::memcpy(memory.data(), deltas, 6);
  regs[0] = 2;
  regs[4] = 6;
  ASSERT_TRUE(RunFilter29(TFilter29Kind::Delta, memory.data(), regs, &offset, &size));
  EXPECT_EQ(offset, 6u);
  EXPECT_EQ(size, 6u);
  const uint8_t expected[6] = {1, 10, 2, 30, 3, 60};
  EXPECT_EQ(0, std::memcmp(memory.data() + 6, expected, 6));

  // RGB, which no fixture uses: a picture put through the packer's side of the filter (red and
  // blue relative to green, then each plane as differences from its Paeth prediction) comes
  // back unchanged.
  for (uint32_t redPos = 0; redPos < 3; redPos++) {
    const uint32_t rowBytes = 3 * 7, rows = 9, total = rowBytes * rows;
    std::vector<uint8_t> picture(total), t(total);
    uint32_t seed = 12345 + redPos;
    for (auto& b : picture) b = uint8_t((seed = seed * 1103515245u + 12345u) >> 24);
    for (uint32_t i = 0; i < total; i++) picture[i] = uint8_t(picture[i] / 4 + i);  // some slope
    t = picture;
    for (uint32_t i = redPos; i + 2 < total; i += 3) {
      t[i] = uint8_t(t[i] - t[i + 1]);
      t[i + 2] = uint8_t(t[i + 2] - t[i + 1]);
    }
    std::vector<uint8_t> packed;
    for (uint32_t ch = 0; ch < 3; ch++) {
      int prev = 0;
      for (uint32_t i = ch; i < total; i += 3) {
        int predicted = prev;
        if (i >= rowBytes + 3) {
          const int up = t[i - rowBytes], upLeft = t[i - rowBytes - 3];
          const int pa = std::abs(up - upLeft), pb = std::abs(prev - upLeft),
                    pc = std::abs(prev + up - 2 * upLeft);
          predicted = pa <= pb && pa <= pc ? prev : pb <= pc ? up : upLeft;
        }
        packed.push_back(uint8_t(predicted - t[i]));
        prev = t[i];
      }
    }
    std::memcpy(memory.data(), packed.data(), total);
    uint32_t rgbRegs[7] = {rowBytes + 3, redPos, 0, 0, total, 0, 0};
    ASSERT_TRUE(RunFilter29(TFilter29Kind::Rgb, memory.data(), rgbRegs, &offset, &size));
    EXPECT_EQ(offset, total);
    EXPECT_EQ(0, std::memcmp(memory.data() + total, picture.data(), total)) << "red at " << redPos;
  }

  // E8: a CALL's absolute target becomes relative to the byte after the opcode's position in
  // the file; targets outside the 16 MiB space are left alone.
  std::memset(memory.data(), 0x90, 16);
  memory[2] = 0xE8;
  const uint32_t absolute = 0x1234;
  std::memcpy(memory.data() + 3, &absolute, 4);
  memory[8] = 0xE8;
  const uint32_t outside = 0x02000000;
  std::memcpy(memory.data() + 9, &outside, 4);
  regs[4] = 16;
  regs[6] = 0x100;
  ASSERT_TRUE(RunFilter29(TFilter29Kind::E8, memory.data(), regs, &offset, &size));
  uint32_t relative = 0, untouched = 0;
  std::memcpy(&relative, memory.data() + 3, 4);
  std::memcpy(&untouched, memory.data() + 9, 4);
  EXPECT_EQ(relative, 0x1234u - (3 + 0x100));
  EXPECT_EQ(untouched, outside);
}

}  // namespace
}  // namespace rarformat
