// A small RAR 5 compressor for the decoder's tests: it writes the packed stream of a sequence of
// operations (literals, matches, repeats, filters, block ends) with Huffman tables built from
// the symbols' frequencies, and a greedy LZ matcher turns plain data into such operations. It
// aims at covering the decoder's paths, not at compressing well.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <queue>
#include <stdexcept>
#include <string>
#include <vector>

namespace rar5test {

class TBitWriter {
 public:
  void Put(uint32_t value, int bits) {
    for (int i = bits - 1; i >= 0; --i) {
      if (used_ % 8 == 0) bytes_.push_back(0);
      if ((value >> i) & 1) bytes_.back() |= uint8_t(0x80 >> (used_ % 8));
      ++used_;
    }
  }
  size_t Bits() const { return used_; }
  const std::vector<uint8_t>& Bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
  size_t used_ = 0;
};

// Code lengths (at most 15 bits) for the given frequencies; unused symbols get 0.
inline std::vector<uint8_t> HuffmanLengths(std::vector<uint64_t> freq) {
  const size_t n = freq.size();
  std::vector<uint8_t> lengths(n, 0);
  for (;;) {
    struct Node {
      uint64_t weight;
      int left, right;
    };
    std::vector<Node> nodes;
    using Item = std::pair<uint64_t, int>;
    std::priority_queue<Item, std::vector<Item>, std::greater<Item>> queue;
    for (size_t i = 0; i < n; ++i)
      if (freq[i]) {
        nodes.push_back({freq[i], -1, int(i)});
        queue.push({freq[i], int(nodes.size() - 1)});
      }
    if (nodes.empty()) return lengths;
    if (nodes.size() == 1) {
      lengths[size_t(nodes[0].right)] = 1;
      return lengths;
    }
    while (queue.size() > 1) {
      Item a = queue.top();
      queue.pop();
      Item b = queue.top();
      queue.pop();
      nodes.push_back({a.first + b.first, a.second, b.second});
      queue.push({a.first + b.first, int(nodes.size() - 1)});
    }
    int maxLen = 0;
    std::vector<std::pair<int, int>> stack{{queue.top().second, 0}};
    while (!stack.empty()) {
      auto [node, depth] = stack.back();
      stack.pop_back();
      if (nodes[size_t(node)].left < 0) {
        lengths[size_t(nodes[size_t(node)].right)] = uint8_t(depth);
        maxLen = std::max(maxLen, depth);
      } else {
        stack.push_back({nodes[size_t(node)].left, depth + 1});
        stack.push_back({nodes[size_t(node)].right, depth + 1});
      }
    }
    if (maxLen <= 15) return lengths;
    for (uint64_t& f : freq)
      if (f) f = (f + 1) / 2;
  }
}

// Canonical codes for the lengths: shorter first, then by symbol.
inline std::vector<uint32_t> CanonicalCodes(const std::vector<uint8_t>& lengths) {
  std::vector<uint32_t> codes(lengths.size(), 0);
  uint32_t code = 0;
  for (int len = 1; len <= 15; ++len) {
    for (size_t s = 0; s < lengths.size(); ++s)
      if (lengths[s] == len) codes[s] = code++;
    code <<= 1;
  }
  return codes;
}

enum Table { kMain = 0, kDist = 1, kLowDist = 2, kLength = 3 };
constexpr int kTableSizes[4] = {306, 64, 16, 44};

class TRar5Writer {
 public:
  // Every symbol gets a code when `allSymbols` is set, so later blocks can reuse the tables.
  explicit TRar5Writer(bool allSymbols = false) : allSymbols_(allSymbols) {}

  void Literal(uint8_t byte) { Symbol(kMain, byte); }
  void Literals(const std::string& bytes) {
    for (unsigned char c : bytes) Literal(c);
  }
  // A match with a new distance; `length` is what the decoder copies.
  void Match(uint32_t length, uint64_t distance) {
    uint32_t adjust = (distance > 0x100) + (distance > 0x2000) + (distance > 0x40000);
    if (length < 2 + adjust) throw std::logic_error("match too short for its distance");
    LengthSymbol(kMain, 262, length - adjust);
    uint64_t v = distance - 1;
    if (v < 4) {
      Symbol(kDist, uint32_t(v));
      return;
    }
    int dbits = 63 - __builtin_clzll(v) - 1;
    uint32_t slot = uint32_t(2 * (dbits + 1)) + uint32_t((v >> dbits) & 1);
    Symbol(kDist, slot);
    uint64_t extra = v - (uint64_t(2 | (slot & 1)) << dbits);
    if (dbits >= 4) {
      if (dbits > 4) Raw(uint32_t(extra >> 4), dbits - 4);
      Symbol(kLowDist, uint32_t(extra & 15));
    } else {
      Raw(uint32_t(extra), dbits);
    }
  }
  // A match with the `index`-th most recent distance (0..3).
  void Repeat(int index, uint32_t length) { LengthSymbol(kLength, 0, length, 258 + index); }
  // The last match again, same length and distance.
  void RepeatLast() { Symbol(kMain, 257); }
  // A filter over `length` bytes starting `start` bytes after the current output position.
  void Filter(int type, uint32_t start, uint32_t length, int channels = 1) {
    Symbol(kMain, 256);
    Number(start);
    Number(length);
    Raw(uint32_t(type), 3);
    if (type == 0) Raw(uint32_t(channels - 1), 5);
  }
  // Ends the current block; the next one reuses its tables unless `newTables`.
  void EndBlock(bool last, bool newTables = true) {
    Flush(last);
    nextTables_ = newTables;
  }
  // Starts with a block that uses `other`'s last tables: a solid entry after `other`'s.
  void ReuseTablesOf(const TRar5Writer& other) {
    for (int t = 0; t < 4; ++t) {
      lengths_[t] = other.lengths_[t];
      codes_[t] = other.codes_[t];
    }
    nextTables_ = false;
  }
  // The whole packed stream; ends with a last block unless one was ended already.
  std::vector<uint8_t> Finish() {
    if (!items_.empty() || out_.empty()) Flush(true);
    return out_;
  }

  // Knobs for making damaged streams.
  int checksumDelta = 0;      // added to each block header's check byte
  int blockSizeDelta = 0;     // added to each block's stated size
  bool oversubscribe = false;  // the main table promises one code too many

 private:
  struct Item {
    int table;  // -1 = raw bits
    uint32_t value;
    int bits;
  };

  void Symbol(int table, uint32_t sym) { items_.push_back({table, sym, 0}); }
  void Raw(uint32_t value, int bits) {
    if (bits > 0) items_.push_back({-1, value, bits});
  }
  void Number(uint32_t v) {
    int bytes = v < 0x100 ? 1 : v < 0x10000 ? 2 : v < 0x1000000 ? 3 : 4;
    Raw(uint32_t(bytes - 1), 2);
    for (int i = 0; i < bytes; ++i) Raw((v >> (8 * i)) & 0xFF, 8);
  }
  void LengthSymbol(int table, uint32_t base, uint32_t length, uint32_t mainSym = 0) {
    uint32_t v = length - 2, slot, bits = 0, extra = 0;
    if (v < 8) {
      slot = v;
    } else {
      for (slot = 8;; ++slot) {
        bits = slot / 4 - 1;
        uint32_t start = (4 | (slot & 3)) << bits;
        if (v >= start && v < start + (1u << bits)) {
          extra = v - start;
          break;
        }
        if (slot == 43) throw std::logic_error("length too long");
      }
    }
    if (table == kLength) Symbol(kMain, mainSym);
    Symbol(table, base + slot);
    Raw(extra, int(bits));
  }

  void Flush(bool last) {
    TBitWriter bits;
    if (nextTables_) {
      for (int t = 0; t < 4; ++t) {
        std::vector<uint64_t> freq(size_t(kTableSizes[t]), allSymbols_ ? 1 : 0);
        for (const Item& it : items_)
          if (it.table == t) ++freq[it.value];
        lengths_[t] = HuffmanLengths(freq);
        if (t == kMain && oversubscribe) {
          // One more code of the shortest length than the code space holds.
          auto shortest = std::min_element(lengths_[t].begin(), lengths_[t].end(),
                                           [](uint8_t a, uint8_t b) { return (a ? a : 99) < (b ? b : 99); });
          for (uint8_t& l : lengths_[t])
            if (l == 0) {
              l = *shortest;
              break;
            }
        }
        codes_[t] = CanonicalCodes(lengths_[t]);
      }
      WriteTables(bits);
    }
    for (const Item& it : items_) {
      if (it.table < 0) {
        bits.Put(it.value, it.bits);
      } else {
        uint8_t len = lengths_[it.table][it.value];
        if (len == 0) throw std::logic_error("symbol without a code in reused tables");
        bits.Put(codes_[it.table][it.value], len);
      }
    }
    items_.clear();
    if (bits.Bits() == 0) bits.Put(0, 1);  // a block holds at least one bit
    uint32_t size = uint32_t(bits.Bytes().size() + size_t(blockSizeDelta));
    uint32_t lastBits = uint32_t((bits.Bits() - 1) % 8 + 1);
    int sizeBytes = size < 0x100 ? 1 : size < 0x10000 ? 2 : 3;
    uint8_t flags = uint8_t((lastBits - 1) | ((sizeBytes - 1) << 3) | (last ? 0x40 : 0) | (nextTables_ ? 0x80 : 0));
    uint8_t check = uint8_t(0x5A ^ flags ^ size ^ (size >> 8) ^ (size >> 16));
    out_.push_back(flags);
    out_.push_back(uint8_t(check + checksumDelta));
    for (int i = 0; i < sizeBytes; ++i) out_.push_back(uint8_t(size >> (8 * i)));
    out_.insert(out_.end(), bits.Bytes().begin(), bits.Bytes().end());
  }

  void WriteTables(TBitWriter& bits) {
    std::vector<uint8_t> all;
    for (int t = 0; t < 4; ++t) all.insert(all.end(), lengths_[t].begin(), lengths_[t].end());
    // Run-length form: 16/17 repeat the previous length, 18/19 give zeros.
    std::vector<std::pair<uint32_t, uint32_t>> codes;  // symbol, extra value
    for (size_t i = 0; i < all.size();) {
      size_t run = 1;
      while (i + run < all.size() && all[i + run] == all[i]) ++run;
      if (all[i] == 0 && run >= 3) {
        run = std::min<size_t>(run, 138);
        codes.push_back(run <= 10 ? std::pair<uint32_t, uint32_t>{18, uint32_t(run - 3)}
                                  : std::pair<uint32_t, uint32_t>{19, uint32_t(run - 11)});
        i += run;
      } else if (i > 0 && all[i] == all[i - 1] && run >= 3) {
        run = std::min<size_t>(run, 138);
        codes.push_back(run <= 10 ? std::pair<uint32_t, uint32_t>{16, uint32_t(run - 3)}
                                  : std::pair<uint32_t, uint32_t>{17, uint32_t(run - 11)});
        i += run;
      } else {
        codes.push_back({all[i], 0});
        ++i;
      }
    }
    std::vector<uint64_t> freq(20, 0);
    for (auto& c : codes) ++freq[c.first];
    std::vector<uint8_t> bl = HuffmanLengths(freq);
    for (size_t i = 0; i < 20;) {
      if (bl[i] == 0) {  // a run of zeros takes the escape when it is long enough
        size_t run = 1;
        while (i + run < 20 && bl[i + run] == 0 && run < 17) ++run;
        if (run >= 3) {
          bits.Put(15, 4);
          bits.Put(uint32_t(run - 2), 4);
          i += run;
          continue;
        }
      }
      bits.Put(bl[i], 4);
      if (bl[i] == 15) bits.Put(0, 4);
      ++i;
    }
    std::vector<uint32_t> blCodes = CanonicalCodes(bl);
    for (auto& c : codes) {
      bits.Put(blCodes[c.first], bl[c.first]);
      if (c.first == 16 || c.first == 18) bits.Put(c.second, 3);
      if (c.first == 17 || c.first == 19) bits.Put(c.second, 7);
    }
  }

  bool allSymbols_;
  bool nextTables_ = true;
  std::vector<Item> items_;
  std::vector<uint8_t> lengths_[4];
  std::vector<uint32_t> codes_[4];
  std::vector<uint8_t> out_;
};

// Greedy LZ over `data` into `w`, matches within `window` bytes: a repeat of the last match as
// 257, recent distances as 258-261, new ones as plain matches; a block ends every `blockOps`
// operations, every other one reusing the tables (needs a writer with all symbols coded).
inline void Compress(TRar5Writer& w, const std::string& data, uint64_t window, size_t blockOps = 0) {
  std::vector<int64_t> head(1 << 16, -1);
  std::vector<int64_t> prev(data.size(), -1);
  uint64_t recent[4] = {0, 0, 0, 0};
  uint32_t lastLength = 0;
  size_t ops = 0;
  int blocks = 0;
  auto hash = [&](size_t i) {
    uint32_t v;
    std::memcpy(&v, data.data() + i, 4);
    return (v * 2654435761u) >> 16;
  };
  for (size_t i = 0; i < data.size();) {
    if (blockOps && ++ops % blockOps == 0) w.EndBlock(false, ++blocks % 2 == 0);
    size_t bestLen = 0;
    uint64_t bestDist = 0;
    if (i + 4 <= data.size()) {
      uint32_t h = hash(i);
      int64_t cand = head[h];
      for (int tries = 0; cand >= 0 && tries < 8; ++tries, cand = prev[size_t(cand)]) {
        uint64_t dist = i - size_t(cand);
        if (dist > window) break;
        size_t len = 0;
        while (i + len < data.size() && len < 0x1000 && data[size_t(cand) + len] == data[i + len]) ++len;
        if (len > bestLen) {
          bestLen = len;
          bestDist = dist;
        }
      }
    }
    size_t step = 1;
    if (bestLen >= 5) {
      int index = -1;
      for (int k = 0; k < 4; ++k)
        if (recent[k] == bestDist) index = k;
      if (index == 0 && bestLen == lastLength) {
        w.RepeatLast();
      } else if (index >= 0) {
        w.Repeat(index, uint32_t(bestLen));
        for (int k = index; k > 0; --k) recent[k] = recent[k - 1];
        recent[0] = bestDist;
      } else {
        w.Match(uint32_t(bestLen), bestDist);
        for (int k = 3; k > 0; --k) recent[k] = recent[k - 1];
        recent[0] = bestDist;
      }
      lastLength = uint32_t(bestLen);
      step = bestLen;
    } else {
      w.Literal(uint8_t(data[i]));
    }
    for (size_t k = 0; k < step; ++k, ++i)
      if (i + 4 <= data.size()) {
        uint32_t h = hash(i);
        prev[i] = head[h];
        head[h] = int64_t(i);
      }
  }
}

}  // namespace rar5test
