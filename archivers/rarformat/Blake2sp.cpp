#include "Blake2sp.h"

#include <cstring>

namespace rarformat {

namespace {

constexpr uint32_t kIv[8] = {0x6A09E667, 0xBB67AE85, 0x3C6EF372, 0xA54FF53A,
                             0x510E527F, 0x9B05688C, 0x1F83D9AB, 0x5BE0CD19};

constexpr uint8_t kSigma[10][16] = {
    {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}, {14, 10, 4, 8, 9, 15, 13, 6, 1, 12, 0, 2, 11, 7, 5, 3},
    {11, 8, 12, 0, 5, 2, 15, 13, 10, 14, 3, 6, 7, 1, 9, 4}, {7, 9, 3, 1, 13, 12, 11, 14, 2, 6, 5, 10, 4, 0, 15, 8},
    {9, 0, 5, 7, 2, 4, 10, 15, 14, 1, 11, 12, 6, 8, 3, 13}, {2, 12, 6, 10, 0, 11, 8, 3, 4, 13, 7, 5, 15, 14, 1, 9},
    {12, 5, 1, 15, 14, 13, 4, 10, 0, 7, 6, 3, 9, 2, 8, 11}, {13, 11, 7, 14, 12, 1, 3, 9, 5, 0, 15, 4, 8, 6, 2, 10},
    {6, 15, 14, 9, 11, 3, 0, 8, 12, 2, 13, 7, 1, 4, 10, 5}, {10, 2, 8, 4, 7, 6, 1, 5, 15, 11, 9, 14, 3, 12, 13, 0},
};

inline uint32_t Rotr(uint32_t x, unsigned n) { return (x >> n) | (x << (32 - n)); }

inline uint32_t Load32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

}  // namespace

Blake2s::Blake2s(const Params& p) : lastNode_(p.lastNode) {
  // The parameter block's eight words, as the BLAKE2 paper lays them out.
  uint32_t param[8] = {};
  param[0] = 32u | uint32_t(p.keyLength) << 8 | uint32_t(p.fanout) << 16 | uint32_t(p.depth) << 24;
  param[1] = 0;  // leaf length: unlimited
  param[2] = uint32_t(p.nodeOffset);
  param[3] = uint32_t(p.nodeOffset >> 32) & 0xFFFF;
  param[3] |= uint32_t(p.nodeDepth) << 16 | uint32_t(p.innerLength) << 24;
  for (int i = 0; i < 8; ++i) h_[i] = kIv[i] ^ param[i];
}

void Blake2s::Compress(const uint8_t block[64], bool last) {
  uint32_t m[16], v[16];
  for (int i = 0; i < 16; ++i) m[i] = Load32(block + 4 * i);
  for (int i = 0; i < 8; ++i) {
    v[i] = h_[i];
    v[i + 8] = kIv[i];
  }
  v[12] ^= uint32_t(counter_);
  v[13] ^= uint32_t(counter_ >> 32);
  if (last) {
    v[14] = ~v[14];
    if (lastNode_) v[15] = ~v[15];
  }
  auto g = [&](int a, int b, int c, int d, uint32_t x, uint32_t y) {
    v[a] = v[a] + v[b] + x;
    v[d] = Rotr(v[d] ^ v[a], 16);
    v[c] = v[c] + v[d];
    v[b] = Rotr(v[b] ^ v[c], 12);
    v[a] = v[a] + v[b] + y;
    v[d] = Rotr(v[d] ^ v[a], 8);
    v[c] = v[c] + v[d];
    v[b] = Rotr(v[b] ^ v[c], 7);
  };
  for (const auto& s : kSigma) {
    g(0, 4, 8, 12, m[s[0]], m[s[1]]);
    g(1, 5, 9, 13, m[s[2]], m[s[3]]);
    g(2, 6, 10, 14, m[s[4]], m[s[5]]);
    g(3, 7, 11, 15, m[s[6]], m[s[7]]);
    g(0, 5, 10, 15, m[s[8]], m[s[9]]);
    g(1, 6, 11, 12, m[s[10]], m[s[11]]);
    g(2, 7, 8, 13, m[s[12]], m[s[13]]);
    g(3, 4, 9, 14, m[s[14]], m[s[15]]);
  }
  for (int i = 0; i < 8; ++i) h_[i] ^= v[i] ^ v[i + 8];
}

void Blake2s::Update(const uint8_t* data, size_t size) {
  // The last block is held back: only Final knows it is the last.
  while (size > 0) {
    if (buffered_ == 64) {
      counter_ += 64;
      Compress(buffer_, false);
      buffered_ = 0;
    }
    size_t take = std::min<size_t>(64 - buffered_, size);
    std::memcpy(buffer_ + buffered_, data, take);
    buffered_ += take;
    data += take;
    size -= take;
  }
}

std::array<uint8_t, 32> Blake2s::Final() {
  counter_ += buffered_;
  std::memset(buffer_ + buffered_, 0, 64 - buffered_);
  Compress(buffer_, true);
  std::array<uint8_t, 32> out;
  for (int i = 0; i < 8; ++i)
    for (int b = 0; b < 4; ++b) out[4 * i + b] = uint8_t(h_[i] >> (8 * b));
  return out;
}

Blake2sp::Blake2sp(const uint8_t* key, size_t keySize) : keyLength_(uint8_t(keySize > 32 ? 32 : keySize)) {
  for (unsigned i = 0; i < kLeaves; ++i) {
    Blake2s::Params p;
    p.keyLength = keyLength_;
    p.fanout = kLeaves;
    p.depth = 2;
    p.nodeOffset = i;
    p.innerLength = 32;
    p.lastNode = i == kLeaves - 1;
    leaves_[i] = Blake2s(p);
  }
  if (keyLength_ > 0) {
    uint8_t block[64] = {};
    std::memcpy(block, key, keyLength_);
    for (auto& leaf : leaves_) leaf.Update(block, 64);
  }
}

void Blake2sp::Update(const uint8_t* data, size_t size) {
  while (size > 0) {
    unsigned leaf = unsigned((total_ / 64) % kLeaves);
    size_t take = std::min<size_t>(64 - total_ % 64, size);
    leaves_[leaf].Update(data, take);
    total_ += take;
    data += take;
    size -= take;
  }
}

std::array<uint8_t, 32> Blake2sp::Final() {
  Blake2s::Params p;
  p.keyLength = keyLength_;
  p.fanout = kLeaves;
  p.depth = 2;
  p.nodeDepth = 1;
  p.innerLength = 32;
  p.lastNode = true;
  Blake2s root(p);
  for (auto& leaf : leaves_) {
    std::array<uint8_t, 32> digest = leaf.Final();
    root.Update(digest.data(), digest.size());
  }
  return root.Final();
}

}  // namespace rarformat
