#include "ArjEncode.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <queue>
#include <vector>

namespace arjformat {
namespace {

constexpr int kNC = 510, kNP = 17, kNT = 19;
constexpr int kCBits = 9, kPBits = 5, kTBits = 5;
constexpr uint32_t kMinMatch = 3, kMaxMatch = 256;
// ARJ's decoder keeps 26,624 bytes of history.
constexpr uint32_t kMaxDistance = 26624 - 1;
constexpr size_t kBufferSize = 1 << 18;
constexpr int kHashBits = 15;
constexpr uint32_t kChainMask = (1u << 15) - 1;  // more than the window
constexpr int kMaxChain = 64;
constexpr uint32_t kGoodEnough = 128;            // no lazy look beyond a match this long
constexpr size_t kMaxBlockSymbols = 32768;

class BitWriter {
 public:
  explicit BitWriter(IByteOutput& output) : output_(output) { bytes_.reserve(1 << 16); }
  void Put(int count, uint32_t value) {
    for (int i = count - 1; i >= 0; --i) {
      acc_ = static_cast<uint8_t>(acc_ << 1 | ((value >> i) & 1));
      if (++bits_ == 8) {
        bytes_.push_back(acc_);
        bits_ = 0;
        acc_ = 0;
        if (bytes_.size() >= (1 << 16)) Drain();
      }
    }
  }
  bool Finish() {
    if (bits_ > 0) Put(8 - bits_, 0);
    Drain();
    return ok_;
  }
  uint64_t Size() const { return written_ + bytes_.size() + (bits_ > 0 ? 1 : 0); }
  bool Ok() const { return ok_; }

 private:
  void Drain() {
    if (ok_ && !bytes_.empty()) ok_ = output_.Write(bytes_.data(), bytes_.size());
    written_ += bytes_.size();
    bytes_.clear();
  }
  IByteOutput& output_;
  std::vector<uint8_t> bytes_;
  uint8_t acc_ = 0;
  int bits_ = 0;
  uint64_t written_ = 0;
  bool ok_ = true;
};

// Code lengths of at most 16 bits for the given frequencies (0 for unused symbols); returns how
// many symbols are used. With fewer than two, no lengths are set: the caller sends the table as
// a single symbol.
int MakeLengths(const uint32_t* freq, int n, uint8_t* lengths) {
  std::fill(lengths, lengths + n, 0);
  std::vector<int> used;
  for (int i = 0; i < n; ++i)
    if (freq[i] != 0) used.push_back(i);
  if (used.size() < 2) return static_cast<int>(used.size());

  // Huffman's tree, counting the leaves at each depth.
  struct Node {
    uint64_t weight;
    int left, right;
  };
  std::vector<Node> nodes;
  using Item = std::pair<uint64_t, int>;
  std::priority_queue<Item, std::vector<Item>, std::greater<Item>> queue;
  for (int s : used) {
    nodes.push_back({freq[s], -1, -1});
    queue.push({freq[s], static_cast<int>(nodes.size()) - 1});
  }
  while (queue.size() > 1) {
    const Item a = queue.top();
    queue.pop();
    const Item b = queue.top();
    queue.pop();
    nodes.push_back({a.first + b.first, a.second, b.second});
    queue.push({a.first + b.first, static_cast<int>(nodes.size()) - 1});
  }
  std::array<uint32_t, 17> count{};
  std::vector<std::pair<int, int>> stack{{queue.top().second, 0}};
  while (!stack.empty()) {
    const auto [node, depth] = stack.back();
    stack.pop_back();
    if (nodes[node].left < 0) {
      ++count[std::min(depth, 16)];
    } else {
      stack.push_back({nodes[node].left, depth + 1});
      stack.push_back({nodes[node].right, depth + 1});
    }
  }
  // Leaves pushed up to 16 bits overfill the code space: move leaves down until it fits exactly.
  uint64_t total = 0;
  for (int len = 1; len <= 16; ++len) total += static_cast<uint64_t>(count[len]) << (16 - len);
  while (total > (1u << 16)) {
    --count[16];
    for (int len = 15; len >= 1; --len) {
      if (count[len] != 0) {
        --count[len];
        count[len + 1] += 2;
        break;
      }
    }
    --total;
  }
  // The most frequent symbols take the shortest codes.
  std::stable_sort(used.begin(), used.end(), [&](int a, int b) { return freq[a] > freq[b]; });
  size_t k = 0;
  for (int len = 1; len <= 16; ++len)
    for (uint32_t j = 0; j < count[len]; ++j) lengths[used[k++]] = static_cast<uint8_t>(len);
  return static_cast<int>(used.size());
}

// Canonical codes in the order ARJ's decoder assigns them: by length, then by symbol.
void MakeCodes(const uint8_t* lengths, int n, uint16_t* codes) {
  uint32_t count[18] = {}, start[18] = {};
  for (int i = 0; i < n; ++i) ++count[lengths[i]];
  count[0] = 0;
  for (int len = 1; len <= 16; ++len) start[len + 1] = (start[len] + count[len]) << 1;
  for (int i = 0; i < n; ++i)
    if (lengths[i] != 0) codes[i] = static_cast<uint16_t>(start[lengths[i]]++);
}

int BitLength(uint32_t value) {
  int bits = 0;
  while (value != 0) {
    ++bits;
    value >>= 1;
  }
  return bits;
}

}  // namespace

class Method1Encoder::Impl {
 public:
  explicit Impl(IByteOutput& output)
      : bits_(output), buffer_(kBufferSize), head_(size_t{1} << kHashBits, 0), prev_(kChainMask + 1, 0) {}

  bool Write(const uint8_t* data, size_t size) {
    while (size > 0) {
      if (end_ == buffer_.size()) Slide();
      const size_t room = std::min(size, buffer_.size() - end_);
      std::memcpy(&buffer_[end_], data, room);
      end_ += room;
      data += room;
      size -= room;
      // Keep a full match and one lazy step of look-ahead beyond the position being coded.
      if (end_ > kMaxMatch + 2) Parse(end_ - kMaxMatch - 2);
    }
    return bits_.Ok();
  }

  bool Finish() {
    Parse(end_);
    if (!symbols_.empty()) SendBlock();
    return bits_.Finish();
  }

  uint64_t PackedSize() const { return bits_.Size(); }

 private:
  struct Match {
    uint32_t length = 0, distance = 0;
  };

  uint32_t Hash(size_t i) const {
    return ((buffer_[i] << 10) ^ (buffer_[i + 1] << 5) ^ buffer_[i + 2]) & ((1u << kHashBits) - 1);
  }

  // Enters every position before `upTo` that has three bytes after it into the hash chains.
  void InsertUpTo(size_t upTo) {
    while (inserted_ < upTo && inserted_ + 2 < end_) {
      const uint32_t h = Hash(inserted_);
      const uint32_t absolute = static_cast<uint32_t>(base_ + inserted_);
      prev_[absolute & kChainMask] = head_[h];
      head_[h] = absolute + 1;
      ++inserted_;
    }
  }

  Match Find(size_t i) {
    Match best;
    if (i + kMinMatch > end_) return best;
    InsertUpTo(i);
    const uint32_t maxLength = static_cast<uint32_t>(std::min<size_t>(kMaxMatch, end_ - i));
    const uint32_t absolute = static_cast<uint32_t>(base_ + i);
    uint32_t candidate = head_[Hash(i)];
    for (int chain = 0; chain < kMaxChain && candidate != 0; ++chain) {
      const uint32_t at = candidate - 1;
      const uint32_t distance = absolute - at;
      if (distance == 0 || distance > kMaxDistance) break;
      const uint8_t* a = &buffer_[i];
      const uint8_t* b = &buffer_[at - base_];
      if (b[best.length] == a[best.length] || best.length == 0) {
        uint32_t length = 0;
        while (length < maxLength && a[length] == b[length]) ++length;
        if (length > best.length) {
          best = {length, distance};
          if (length == maxLength) break;
        }
      }
      const uint32_t next = prev_[at & kChainMask];
      if (next == 0 || next - 1 >= at) break;
      candidate = next;
    }
    if (best.length < kMinMatch) best = {};
    return best;
  }

  void Parse(size_t limit) {
    while (pos_ < limit) {
      Match match = Find(pos_);
      if (match.length >= kMinMatch && match.length < kGoodEnough && pos_ + 1 < end_) {
        const Match next = Find(pos_ + 1);
        if (next.length > match.length) {
          Literal(buffer_[pos_]);
          ++pos_;
          match = next;
        }
      }
      if (match.length >= kMinMatch) {
        Emit(static_cast<uint16_t>(match.length + 253), static_cast<uint16_t>(match.distance - 1));
        pos_ += match.length;
      } else {
        Literal(buffer_[pos_]);
        ++pos_;
      }
    }
  }

  // Drops the bytes older than the window from the buffer's front.
  void Slide() {
    const size_t keep = std::min<size_t>(pos_, kMaxDistance + 1);
    const size_t drop = pos_ - keep;
    if (drop == 0) return;
    std::memmove(buffer_.data(), buffer_.data() + drop, end_ - drop);
    end_ -= drop;
    pos_ -= drop;
    inserted_ -= std::min(inserted_, drop);
    base_ += drop;
  }

  void Literal(uint8_t byte) { Emit(byte, 0); }

  void Emit(uint16_t c, uint16_t position) {
    symbols_.push_back({c, position});
    if (symbols_.size() == kMaxBlockSymbols) SendBlock();
  }

  void SendCode(const uint8_t* lengths, const uint16_t* codes, int symbol) {
    bits_.Put(lengths[symbol], codes[symbol]);
  }

  void SendBlock() {
    std::array<uint32_t, kNC> cFreq{};
    std::array<uint32_t, kNP> pFreq{};
    for (const auto& s : symbols_) {
      ++cFreq[s.c];
      if (s.c >= 256) ++pFreq[BitLength(s.position)];
    }
    std::array<uint8_t, kNC> cLen{};
    std::array<uint16_t, kNC> cCode{};
    std::array<uint8_t, kNP> pLen{};
    std::array<uint16_t, kNP> pCode{};
    std::array<uint8_t, kNT> tLen{};
    std::array<uint16_t, kNT> tCode{};

    bits_.Put(16, static_cast<uint32_t>(symbols_.size()));
    if (MakeLengths(cFreq.data(), kNC, cLen.data()) >= 2) {
      MakeCodes(cLen.data(), kNC, cCode.data());
      int n = kNC;
      while (n > 0 && cLen[n - 1] == 0) --n;
      std::array<uint32_t, kNT> tFreq{};
      ForEachLengthCode(cLen.data(), n, [&](int t, int, uint32_t) { ++tFreq[t]; });
      if (MakeLengths(tFreq.data(), kNT, tLen.data()) >= 2) {
        MakeCodes(tLen.data(), kNT, tCode.data());
        SendSmallLengths(tLen.data(), kNT, kTBits, 3);
      } else {
        bits_.Put(kTBits, 0);
        bits_.Put(kTBits, static_cast<uint32_t>(OnlySymbol(tFreq.data(), kNT)));
      }
      bits_.Put(kCBits, static_cast<uint32_t>(n));
      ForEachLengthCode(cLen.data(), n, [&](int t, int extraBits, uint32_t extra) {
        SendCode(tLen.data(), tCode.data(), t);
        bits_.Put(extraBits, extra);
      });
    } else {
      bits_.Put(kTBits, 0);
      bits_.Put(kTBits, 0);
      bits_.Put(kCBits, 0);
      bits_.Put(kCBits, static_cast<uint32_t>(OnlySymbol(cFreq.data(), kNC)));
    }
    if (MakeLengths(pFreq.data(), kNP, pLen.data()) >= 2) {
      MakeCodes(pLen.data(), kNP, pCode.data());
      SendSmallLengths(pLen.data(), kNP, kPBits, -1);
    } else {
      bits_.Put(kPBits, 0);
      bits_.Put(kPBits, static_cast<uint32_t>(OnlySymbol(pFreq.data(), kNP)));
    }
    for (const auto& s : symbols_) {
      SendCode(cLen.data(), cCode.data(), s.c);
      if (s.c < 256) continue;
      const int bitsNeeded = BitLength(s.position);
      SendCode(pLen.data(), pCode.data(), bitsNeeded);
      if (bitsNeeded > 1) bits_.Put(bitsNeeded - 1, s.position & ((1u << (bitsNeeded - 1)) - 1));
    }
    symbols_.clear();
  }

  static int OnlySymbol(const uint32_t* freq, int n) {
    for (int i = 0; i < n; ++i)
      if (freq[i] != 0) return i;
    return 0;
  }

  // The literal table's lengths as the small table's symbols: 0 one zero, 1 a run of 3-18 zeros
  // (4 more bits), 2 a run of 20 or more (9 more bits), 3.. a length of symbol - 2.
  template <typename F>
  static void ForEachLengthCode(const uint8_t* lengths, int n, F&& send) {
    int i = 0;
    while (i < n) {
      if (lengths[i] != 0) {
        send(lengths[i] + 2, 0, 0);
        ++i;
        continue;
      }
      int run = 0;
      while (i < n && lengths[i] == 0) {
        ++i;
        ++run;
      }
      while (run > 0) {
        if (run <= 2) {
          send(0, 0, 0);
          --run;
        } else if (run <= 18) {
          send(1, 4, static_cast<uint32_t>(run - 3));
          run = 0;
        } else if (run == 19) {
          send(0, 0, 0);
          send(1, 4, 15);
          run = 0;
        } else {
          const int take = std::min(run, 20 + 511);
          send(2, kCBits, static_cast<uint32_t>(take - 20));
          run -= take;
        }
      }
    }
  }

  // The small tables' lengths: 3 bits up to 6, longer as 111 followed by ones and a zero. After
  // the `special`-th length, a 2-bit count of zero lengths skipped (up to the sixth).
  void SendSmallLengths(const uint8_t* lengths, int nn, int nbit, int special) {
    int n = nn;
    while (n > 0 && lengths[n - 1] == 0) --n;
    bits_.Put(nbit, static_cast<uint32_t>(n));
    int i = 0;
    while (i < n) {
      const int k = lengths[i++];
      if (k <= 6) {
        bits_.Put(3, static_cast<uint32_t>(k));
      } else {
        bits_.Put(k - 3, (1u << (k - 3)) - 2);
      }
      if (i == special) {
        while (i < 6 && lengths[i] == 0) ++i;
        bits_.Put(2, static_cast<uint32_t>(i - 3));
      }
    }
  }

  struct Symbol {
    uint16_t c, position;
  };

  BitWriter bits_;
  std::vector<uint8_t> buffer_;
  std::vector<uint32_t> head_, prev_;  // absolute position + 1; 0 = none
  size_t end_ = 0, pos_ = 0, inserted_ = 0;
  uint64_t base_ = 0;  // absolute position of buffer_[0]
  std::vector<Symbol> symbols_;
};

Method1Encoder::Method1Encoder(IByteOutput& output) : impl_(std::make_unique<Impl>(output)) {}
Method1Encoder::~Method1Encoder() = default;
bool Method1Encoder::Write(const uint8_t* data, size_t size) { return impl_->Write(data, size); }
bool Method1Encoder::Finish() { return impl_->Finish(); }
uint64_t Method1Encoder::PackedSize() const { return impl_->PackedSize(); }

}  // namespace arjformat
