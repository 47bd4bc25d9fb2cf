// The RAR 5 decoder against streams written by the test compressor (Rar5Writer.h): every
// operation, block and table form, the filters, solid continuation, and damaged streams.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "Rar5Writer.h"
#include "archivers/rarformat/Unpack5.h"
#include "archivers/rarformat/Unpack5Filters.h"

using namespace rarformat;
using namespace rar5test;

namespace {

class TVectorIn : public IPackedInput {
 public:
  explicit TVectorIn(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
  size_t Read(uint8_t* buffer, size_t count) override {
    size_t n = std::min(count, bytes_.size() - at_);
    if (n) std::memcpy(buffer, bytes_.data() + at_, n);
    at_ += n;
    return n;
  }

 private:
  std::vector<uint8_t> bytes_;
  size_t at_ = 0;
};

class TStringOut : public IUnpackedOutput {
 public:
  bool Write(const uint8_t* data, size_t count) override {
    ++writes;
    bytes.append(reinterpret_cast<const char*>(data), count);
    return stopAfter == 0 || writes < stopAfter;
  }
  std::string bytes;
  int writes = 0;
  int stopAfter = 0;  // Write returns false on this call
};

struct TDecoded {
  UnpackResult result;
  std::string bytes;
  int writes;
};

TDecoded Decode(TUnpack5& unpack, const std::vector<uint8_t>& packed, uint64_t size, uint64_t dict = 128 << 10,
                bool solid = false, int stopAfter = 0) {
  TVectorIn in(packed);
  TStringOut out;
  out.stopAfter = stopAfter;
  UnpackResult r = unpack.Unpack(in, out, size, dict, solid);
  return {r, out.bytes, out.writes};
}

TDecoded Decode(const std::vector<uint8_t>& packed, uint64_t size, uint64_t dict = 128 << 10) {
  TUnpack5 unpack;
  return Decode(unpack, packed, size, dict);
}

// Text-like data: words from a small vocabulary with noise, so there are matches near and far.
std::string SampleData(size_t size, unsigned seed) {
  std::mt19937 rng(seed);
  static const char* words[] = {"quill ", "window ", "archive ", "the ", "of ", "filter ", "block ", "\r\n",
                                "dictionary ", "huffman ", "0123456789", "entry ", "solid "};
  std::string s;
  while (s.size() < size) {
    if (rng() % 16 == 0)
      s += char(rng());
    else
      s += words[rng() % (sizeof(words) / sizeof(words[0]))];
  }
  s.resize(size);
  return s;
}

// Bytes rich in the opcodes the code filters look for.
std::string CodeLikeData(size_t size, unsigned seed) {
  std::mt19937 rng(seed);
  std::string s(size, '\0');
  for (char& c : s) {
    unsigned r = rng() % 8;
    c = char(r == 0 ? 0xE8 : r == 1 ? 0xE9 : r == 2 ? 0xEB : r == 3 ? 0x00 : r == 4 ? 0xFF : rng());
  }
  return s;
}

// The compressor's side of each filter, written from the format description.
std::string DeltaForward(const std::string& d, size_t channels) {
  std::string out;
  for (size_t c = 0; c < channels; ++c) {
    uint8_t prev = 0;
    for (size_t i = c; i < d.size(); i += channels) {
      out += char(uint8_t(prev - uint8_t(d[i])));
      prev = uint8_t(d[i]);
    }
  }
  return out;
}

std::string E8Forward(std::string d, uint32_t fileOffset, bool e9) {
  const int32_t image = 0x1000000;
  for (size_t i = 0; i + 4 < d.size();) {
    uint8_t op = uint8_t(d[i++]);
    if (op != 0xE8 && !(e9 && op == 0xE9)) continue;
    int32_t offset = int32_t((i + fileOffset) % uint32_t(image));
    int32_t rel;
    std::memcpy(&rel, d.data() + i, 4);
    int32_t abs = rel;
    if (rel >= -offset && rel < image - offset)
      abs = rel + offset;
    else if (rel >= image - offset && rel < image)
      abs = rel - image;
    std::memcpy(d.data() + i, &abs, 4);
    i += 4;
  }
  return d;
}

std::string ArmForward(std::string d, uint32_t fileOffset) {
  for (size_t i = 0; i + 3 < d.size(); i += 4) {
    if (uint8_t(d[i + 3]) != 0xEB) continue;
    uint32_t v = uint8_t(d[i]) | (uint32_t(uint8_t(d[i + 1])) << 8) | (uint32_t(uint8_t(d[i + 2])) << 16);
    v += (fileOffset + uint32_t(i)) / 4;
    d[i] = char(v);
    d[i + 1] = char(v >> 8);
    d[i + 2] = char(v >> 16);
  }
  return d;
}

}  // namespace

TEST(Unpack5, HuffmanCodesDecodeEverySymbolAndRefuseOversubscribedSets) {
  // Lengths from skewed frequencies reach past the quick table (over 10 bits).
  std::vector<uint64_t> freq(306);
  for (size_t i = 0; i < freq.size(); ++i) freq[i] = i % 7 == 0 ? 0 : (uint64_t(1) << (i % 19)) + i;
  std::vector<uint8_t> lengths = HuffmanLengths(freq);
  ASSERT_GT(*std::max_element(lengths.begin(), lengths.end()), THuffman5::kQuickBits);
  std::vector<uint32_t> codes = CanonicalCodes(lengths);
  THuffman5 code;
  ASSERT_TRUE(code.Build(lengths.data(), int(lengths.size())));
  for (size_t s = 0; s < lengths.size(); ++s) {
    if (!lengths[s]) continue;
    // The code left-aligned in 16 bits, followed by ones that must not matter.
    uint32_t top16 = (codes[s] << (16 - lengths[s])) | ((1u << (16 - lengths[s])) - 1);
    int bits = 0;
    EXPECT_EQ(code.Decode(top16, bits), int(s)) << s;
    EXPECT_EQ(bits, lengths[s]) << s;
  }

  // An incomplete set builds, but its unassigned codes do not decode.
  const uint8_t incomplete[4] = {1, 2, 0, 0};  // codes 0, 10; 11 is free
  ASSERT_TRUE(code.Build(incomplete, 4));
  int bits = 0;
  EXPECT_EQ(code.Decode(0x0000, bits), 0);
  EXPECT_EQ(code.Decode(0x8000, bits), 1);
  EXPECT_EQ(code.Decode(0xC000, bits), -1);
  const uint8_t none[3] = {0, 0, 0};
  ASSERT_TRUE(code.Build(none, 3));
  EXPECT_EQ(code.Decode(0x1234, bits), -1);

  const uint8_t over[3] = {1, 1, 1};
  EXPECT_FALSE(code.Build(over, 3));
  std::vector<uint8_t> deep(306, 15);  // 306 codes of 15 bits fit; 2^15 + 1 would not
  EXPECT_TRUE(code.Build(deep.data(), 306));
  deep[0] = deep[1] = 1;
  EXPECT_FALSE(code.Build(deep.data(), 306));
}

TEST(Unpack5, LzStreamWithEveryMatchFormBlocksAndTableReuseDecodes) {
  // 3 MiB through a 128 KiB dictionary: the window wraps many times, matches cross its end.
  const std::string data = SampleData(3 << 20, 1);
  TRar5Writer w(true);
  Compress(w, data, 128 << 10, 20000);
  const std::vector<uint8_t> packed = w.Finish();
  ASSERT_LT(packed.size(), data.size() / 2);

  TDecoded d = Decode(packed, data.size());
  ASSERT_EQ(d.result, UnpackResult::Ok);
  EXPECT_TRUE(d.bytes == data);
  EXPECT_GT(d.writes, 2);  // in pieces, not all at the end

  // Unknown size: the last block ends it.
  d = Decode(packed, UINT64_MAX);
  ASSERT_EQ(d.result, UnpackResult::Ok);
  EXPECT_TRUE(d.bytes == data);

  // A bigger dictionary than the entry needs decodes the same; so does a reused object.
  TUnpack5 unpack;
  for (uint64_t dict : {uint64_t(4) << 20, uint64_t(128) << 10}) {
    d = Decode(unpack, packed, data.size(), dict);
    ASSERT_EQ(d.result, UnpackResult::Ok);
    EXPECT_TRUE(d.bytes == data);
  }
}

TEST(Unpack5, FiltersRestoreTheirBlocksAtTheirPositions) {
  const std::string plain = CodeLikeData(300000, 2);
  struct TRegion {
    int type;
    size_t start, length;
    int channels;
  };
  // Delta with 3 channels, E8, E8E9 and ARM at odd offsets, the last one read mid-stream.
  const TRegion regions[] = {{0, 1000, 9001, 3}, {1, 20000, 50000, 0}, {2, 80001, 60000, 0}, {3, 200002, 70000, 0}};
  std::string stored = plain;  // what the compressor saw
  for (const TRegion& r : regions) {
    std::string part = plain.substr(r.start, r.length);
    part = r.type == 0   ? DeltaForward(part, size_t(r.channels))
           : r.type == 3 ? ArmForward(part, uint32_t(r.start))
                         : E8Forward(part, uint32_t(r.start), r.type == 2);
    stored.replace(r.start, r.length, part);
  }
  TRar5Writer w;
  for (int i = 0; i < 3; ++i)
    w.Filter(regions[i].type, uint32_t(regions[i].start), uint32_t(regions[i].length), regions[i].channels);
  const size_t mid = 150000;
  Compress(w, stored.substr(0, mid), 128 << 10);
  w.Filter(regions[3].type, uint32_t(regions[3].start - mid), uint32_t(regions[3].length));
  Compress(w, stored.substr(mid), 128 << 10);
  TDecoded d = Decode(w.Finish(), plain.size());
  ASSERT_EQ(d.result, UnpackResult::Ok);
  EXPECT_TRUE(d.bytes == plain);

  // The largest filter block (4 MiB) through the smallest dictionary: the window must grow so
  // the whole block is held until it can be written.
  const std::string big = CodeLikeData(5 << 20, 3);
  std::string bigStored = big;
  bigStored.replace(100, 4 << 20, E8Forward(big.substr(100, 4 << 20), 100, true));
  TRar5Writer wb;
  wb.Filter(2, 100, 4 << 20);
  Compress(wb, bigStored, 128 << 10);
  d = Decode(wb.Finish(), UINT64_MAX);
  ASSERT_EQ(d.result, UnpackResult::Ok);
  EXPECT_TRUE(d.bytes == big);

  // The filter functions on their own: E8 positions count from the entry's start, modulo 16 MiB.
  std::string x = CodeLikeData(4096, 4);
  std::string y = E8Forward(x, 0x1000000 - 100, false);
  Unfilter5E8(reinterpret_cast<uint8_t*>(y.data()), y.size(), 0x1000000 - 100, false);
  EXPECT_EQ(x, y);
  y = ArmForward(x, 0xFFFFF0);
  Unfilter5Arm(reinterpret_cast<uint8_t*>(y.data()), y.size(), 0xFFFFF0);
  EXPECT_EQ(x, y);
  std::string delta = DeltaForward(x, 32);
  std::string back(x.size(), '\0');
  Unfilter5Delta(reinterpret_cast<const uint8_t*>(delta.data()), reinterpret_cast<uint8_t*>(back.data()), x.size(), 32);
  EXPECT_EQ(x, back);
}

TEST(Unpack5, SolidEntriesCarryWindowTablesAndDistances) {
  const std::string first = SampleData(5000, 5);
  TRar5Writer w1(true);
  Compress(w1, first, 1 << 20);
  w1.Match(40, 3000);  // leaves 3000 as the most recent distance, 40 as the last length
  const std::string firstOut = first + first.substr(first.size() - 3000, 40);
  const std::vector<uint8_t> p1 = w1.Finish();

  // The second entry starts with a block without tables, repeats the last match, repeats the
  // old distance, and reaches back into the first entry; then its own E8 filter at offset 0.
  TRar5Writer w2(true);
  w2.ReuseTablesOf(w1);
  w2.RepeatLast();
  w2.Repeat(0, 10);
  w2.Match(100, 4000);
  const std::string code = CodeLikeData(2000, 6);
  w2.Filter(1, 0, 2000);  // relative to the current position: starts at this entry's byte 150
  w2.Literals(E8Forward(code, 150, false));
  const std::vector<uint8_t> p2 = w2.Finish();

  std::string expected2;
  std::string all = firstOut;
  auto copy = [&](size_t len, size_t dist) {
    for (size_t i = 0; i < len; ++i) {
      char c = all[all.size() - dist];
      all += c;
      expected2 += c;
    }
  };
  copy(40, 3000);
  copy(10, 3000);
  copy(100, 4000);
  expected2 += code;

  TUnpack5 unpack;
  TDecoded d1 = Decode(unpack, p1, firstOut.size(), 1 << 20);  // small entry: small window
  ASSERT_EQ(d1.result, UnpackResult::Ok);
  EXPECT_TRUE(d1.bytes == firstOut);
  TDecoded d2 = Decode(unpack, p2, expected2.size(), 1 << 20, true);  // grows, keeping the first
  ASSERT_EQ(d2.result, UnpackResult::Ok);
  EXPECT_TRUE(d2.bytes == expected2);

  // Not solid, the same stream has no tables, distances or data to refer to.
  EXPECT_EQ(Decode(unpack, p2, expected2.size(), 1 << 20, false).result, UnpackResult::BadData);
  // And a solid entry after a failed one fails too.
  EXPECT_EQ(Decode(unpack, p2, expected2.size(), 1 << 20, true).result, UnpackResult::BadData);
  // A fresh start works again.
  EXPECT_EQ(Decode(unpack, p1, firstOut.size(), 1 << 20).result, UnpackResult::Ok);
}

TEST(Unpack5, OutputStopsAtTheUnpackedSizeAndWhenTheWriterRefuses) {
  const std::string data = SampleData(3 << 20, 7);
  TRar5Writer w;
  Compress(w, data, 1 << 20);
  const std::vector<uint8_t> packed = w.Finish();

  // A stated size below what the stream holds: exactly that much, and done.
  TDecoded d = Decode(packed, 12345, 1 << 20);
  ASSERT_EQ(d.result, UnpackResult::Ok);
  EXPECT_EQ(d.bytes, data.substr(0, 12345));

  TUnpack5 unpack;
  d = Decode(unpack, packed, data.size(), 1 << 20, false, 2);
  EXPECT_EQ(d.result, UnpackResult::Aborted);
  EXPECT_EQ(d.writes, 2);
  EXPECT_LT(d.bytes.size(), data.size());

  // A dictionary this build cannot map is refused before anything is read.
  EXPECT_EQ(Decode(unpack, packed, data.size(), TUnpack5::MaxDictionary() * 2).result, UnpackResult::OutOfMemory);
  // A huge dictionary for a small entry of its own costs only the entry's size.
  d = Decode(unpack, packed, 1000, uint64_t(4) << 30);
  EXPECT_EQ(d.result, UnpackResult::Ok);
}

TEST(Unpack5, DamagedStreamsGiveBadData) {
  const std::string data = SampleData(20000, 8);
  auto build = [&](auto&& tweak) {
    TRar5Writer w;
    tweak(w);
    return w.Finish();
  };
  auto plain = [&](TRar5Writer& w) { Compress(w, data, 128 << 10); };
  const std::vector<uint8_t> good = build(plain);
  ASSERT_EQ(Decode(good, data.size()).result, UnpackResult::Ok);

  struct TCase {
    const char* what;
    std::vector<uint8_t> packed;
    uint64_t size;
  };
  std::vector<TCase> cases;
  cases.push_back({"block check byte", build([&](TRar5Writer& w) { w.checksumDelta = 1, plain(w); }), data.size()});
  cases.push_back({"block size short", build([&](TRar5Writer& w) { w.blockSizeDelta = -1, plain(w); }), data.size()});
  cases.push_back({"block size long", build([&](TRar5Writer& w) { w.blockSizeDelta = 3, plain(w); }), data.size()});
  cases.push_back({"oversubscribed table", build([&](TRar5Writer& w) { w.oversubscribe = true, plain(w); }),
                   data.size()});
  cases.push_back({"distance before the start", build([&](TRar5Writer& w) { w.Literals("abc"), w.Match(4, 4); }), 7});
  cases.push_back({"repeat with no distance yet", build([&](TRar5Writer& w) { w.Literals("abc"), w.Repeat(1, 4); }), 7});
  cases.push_back({"filter past the entry", build([&](TRar5Writer& w) { w.Filter(1, 10, 100), plain(w); }), 100});
  cases.push_back({"filter type 4", build([&](TRar5Writer& w) { w.Filter(4, 0, 100), plain(w); }), data.size()});
  cases.push_back({"filter over 4 MiB", build([&](TRar5Writer& w) { w.Filter(1, 0, 0x400001), plain(w); }),
                   UINT64_MAX});
  cases.push_back({"overlapping filters",
                   build([&](TRar5Writer& w) { w.Filter(1, 0, 100), w.Filter(1, 50, 100), plain(w); }), data.size()});
  cases.push_back({"filter past the last block", build([&](TRar5Writer& w) { w.Filter(1, 19990, 100), plain(w); }),
                   UINT64_MAX});
  cases.push_back({"stream shorter than the entry", good, data.size() + 1});
  cases.push_back({"no stream", {}, 10});
  // A block that gives no tables where none were read yet.
  std::vector<uint8_t> noTables = {0x47, 0, 1, 0};
  noTables[1] = uint8_t(0x5A ^ 0x47 ^ 1);
  cases.push_back({"no tables", noTables, 1});
  // Size field of four bytes does not exist.
  cases.push_back({"four size bytes", {0xDF, uint8_t(0x5A ^ 0xDF ^ 1), 1, 0, 0, 0, 0}, 1});
  for (const TCase& c : cases) EXPECT_EQ(Decode(c.packed, c.size).result, UnpackResult::BadData) << c.what;

  // Every cut of a good stream fails cleanly (or, when only padding bits were cut, still decodes).
  for (size_t cut = 0; cut < good.size(); cut += 1 + cut / 16) {
    std::vector<uint8_t> part(good.begin(), good.begin() + ptrdiff_t(cut));
    UnpackResult r = Decode(part, data.size()).result;
    EXPECT_EQ(r, UnpackResult::BadData) << cut;
  }
}
