// Canonical Huffman codes as ARJ sends them: code lengths 1..16, codes assigned in order of length
// and then of symbol, and the lengths must fill the code space exactly.
#pragma once

#include <cstdint>
#include <vector>

#include "ArjBits.h"

namespace arjformat {

class Huffman {
 public:
  // A table whose only symbol takes no bits.
  bool SetConstant(int symbol) {
    constant_ = symbol;
    empty_ = false;
    return true;
  }

  // False when the lengths do not form a complete prefix code (over- or under-subscribed). A
  // table of all-zero lengths is accepted, as ARJ does, but any use of it fails.
  bool Build(const uint8_t* lengths, int n, int tableBits);

  // The next symbol, or -1 when the table cannot decode.
  int Decode(BitReader& bits) const {
    if (constant_ >= 0) return constant_;
    if (empty_) return -1;
    const uint32_t peek = bits.Peek16();
    const uint16_t entry = lookup_[peek >> (16 - tableBits_)];
    if (entry != 0) {
      bits.Skip(entry & 31);
      return entry >> 5;
    }
    for (int len = tableBits_ + 1; len <= 16; ++len) {
      if (peek < limit_[len]) {
        bits.Skip(len);
        return symbols_[offset_[len] + ((peek - start_[len]) >> (16 - len))];
      }
    }
    return -1;
  }

 private:
  int constant_ = -1;
  bool empty_ = true;
  int tableBits_ = 0;
  std::vector<uint16_t> lookup_;   // symbol << 5 | length; 0: longer than tableBits_
  std::vector<uint16_t> symbols_;  // by length, then symbol
  uint32_t start_[18] = {}, limit_[18] = {}, offset_[18] = {};
};

inline bool Huffman::Build(const uint8_t* lengths, int n, int tableBits) {
  constant_ = -1;
  empty_ = true;
  tableBits_ = tableBits;
  uint32_t count[17] = {};
  for (int i = 0; i < n; ++i) {
    if (lengths[i] > 16) return false;
    ++count[lengths[i]];
  }
  if (count[0] == static_cast<uint32_t>(n)) return true;
  uint32_t next = 0, index = 0;
  for (int len = 1; len <= 16; ++len) {
    start_[len] = next;
    offset_[len] = index;
    next += count[len] << (16 - len);
    limit_[len] = next;
    index += count[len];
  }
  if (next != (1u << 16)) return false;
  symbols_.assign(index, 0);
  lookup_.assign(size_t{1} << tableBits, 0);
  uint32_t fill[17];
  for (int len = 1; len <= 16; ++len) fill[len] = offset_[len];
  for (int s = 0; s < n; ++s) {
    const int len = lengths[s];
    if (len == 0) continue;
    const uint32_t k = fill[len]++;
    symbols_[k] = static_cast<uint16_t>(s);
    if (len <= tableBits) {
      const uint32_t code = start_[len] + ((k - offset_[len]) << (16 - len));
      const uint32_t first = code >> (16 - tableBits), span = 1u << (tableBits - len);
      for (uint32_t e = 0; e < span; ++e) lookup_[first + e] = static_cast<uint16_t>(s << 5 | len);
    }
  }
  empty_ = false;
  return true;
}

}  // namespace arjformat
