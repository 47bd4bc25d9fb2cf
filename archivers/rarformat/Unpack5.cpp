#include "Unpack5.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "Unpack5Filters.h"

namespace rarformat {

namespace {

// Alphabet sizes: main (256 literals, filter, repeat, four old distances, 44 length slots),
// distance slots, low distance bits, length slots after an old distance.
constexpr int kMainSymbols = 306;
constexpr int kDistSymbols = 64;
constexpr int kLowDistSymbols = 16;
constexpr int kLengthSymbols = 44;
constexpr int kTableSymbols = kMainSymbols + kDistSymbols + kLowDistSymbols + kLengthSymbols;
constexpr int kBitLengthSymbols = 20;

constexpr uint32_t kMaxFilterLength = 0x400000;
constexpr size_t kMaxPendingFilters = 8192;

// The longest match is 0x1001 + 3 bytes; decoding stops this far short of unflushed data.
constexpr uint64_t kMaxStep = 0x1100;
// A window that holds the whole entry keeps this much room behind it.
constexpr uint64_t kEntryMargin = 0x2000;
constexpr uint64_t kMinDictionary = 128u << 10;
// Output goes out in pieces of about this size.
constexpr uint64_t kChunk = 1u << 20;

constexpr size_t kInputSize = 64u << 10;
// Bytes past the refill point that one decoding step may read (a step takes under 16 bytes;
// the 8-byte look-ahead needs 8 more).
constexpr size_t kInputReserve = 32;
constexpr size_t kInputPadding = 64;

inline uint64_t Peek(const uint8_t* buf, size_t bitPos) {
  uint64_t v;
  std::memcpy(&v, buf + (bitPos >> 3), 8);
  return __builtin_bswap64(v) << (bitPos & 7);
}

// The next 25 or more bits, first bit highest: what the decoding loop reads at a time.
inline uint32_t Peek32(const uint8_t* buf, size_t bitPos) {
  uint32_t v;
  std::memcpy(&v, buf + (bitPos >> 3), 4);
  return __builtin_bswap32(v) << (bitPos & 7);
}

uint64_t RoundUpPow2(uint64_t v) {
  uint64_t p = 1;
  while (p < v) p <<= 1;
  return p;
}

}  // namespace

// ---------------------------------------------------------------------------------------------

bool THuffman5::Build(const uint8_t* lengths, int count) {
  int perLength[kMaxBits + 1] = {};
  for (int i = 0; i < count; ++i) {
    if (lengths[i] > kMaxBits) return false;
    ++perLength[lengths[i]];
  }
  perLength[0] = 0;

  uint32_t code = 0;  // first code of the current length
  uint16_t index = 0;
  uint32_t firstCode[kMaxBits + 1] = {};
  for (int len = 1; len <= kMaxBits; ++len) {
    code = (code + uint32_t(perLength[len - 1])) << 1;
    if (code + uint32_t(perLength[len]) > (1u << len)) return false;
    firstCode[len] = code;
    start_[len] = code << (16 - len);
    limit_[len] = (code + uint32_t(perLength[len])) << (16 - len);
    first_[len] = index;
    index = uint16_t(index + perLength[len]);
  }

  uint16_t next[kMaxBits + 1];
  std::memcpy(next, first_, sizeof(next));
  for (int sym = 0; sym < count; ++sym)
    if (lengths[sym] != 0) sorted_[next[lengths[sym]]++] = uint16_t(sym);

  std::memset(quick_, 0, sizeof(quick_));
  for (int len = 1; len <= kQuickBits; ++len) {
    for (int k = 0; k < perLength[len]; ++k) {
      uint16_t entry = uint16_t((len << 12) | sorted_[first_[len] + k]);
      uint32_t base = (firstCode[len] + uint32_t(k)) << (kQuickBits - len);
      for (uint32_t j = 0; j < (1u << (kQuickBits - len)); ++j) quick_[base + j] = entry;
    }
  }
  return true;
}

int THuffman5::DecodeLong(uint32_t top16, int& bits) const {
  // Codes are ordered by length, so the first length whose codes end above the input is the one.
  for (int len = kQuickBits + 1; len <= kMaxBits; ++len) {
    if (top16 < limit_[len]) {
      bits = len;
      return sorted_[first_[len] + ((top16 - start_[len]) >> (16 - len))];
    }
  }
  return -1;
}

// ---------------------------------------------------------------------------------------------

TUnpack5::TUnpack5() = default;
TUnpack5::~TUnpack5() = default;

uint64_t TUnpack5::MaxDictionary() {
  // RAR 5 dictionaries go up to 4 GiB (RAR 7 further); a 32-bit process could never map that.
  return sizeof(void*) < 8 ? (uint64_t(1) << 30) : (uint64_t(1) << 36);
}

bool TUnpack5::PrepareWindow(uint64_t unpackedSize, uint64_t dictionarySize, bool solid) {
  uint64_t need = std::max(dictionarySize, kMinDictionary);
  // An entry of its own never reaches further back than itself.
  if (!solid && unpackedSize != UINT64_MAX) need = std::min(need, unpackedSize + kEntryMargin);
  const uint64_t size = RoundUpPow2(need);
  if (size > std::max(MaxDictionary(), kMinDictionary)) return false;
  if (window_ && windowSize_ >= size && (solid || windowSize_ <= size * 4)) return true;
  if (!solid) window_.reset();
  return GrowWindow(size);
}

bool TUnpack5::GrowWindow(uint64_t size) {
  if (size > SIZE_MAX) return false;
  uint8_t* fresh = new (std::nothrow) uint8_t[size_t(size)];
  if (!fresh) return false;
  if (window_) {
    // Keep what may still be referred to or written, at its position in the bigger window.
    const size_t newMask = size_t(size) - 1;
    uint64_t from = pos_ - std::min<uint64_t>(pos_, windowSize_);
    while (from < pos_) {
      size_t src = size_t(from) & windowMask_, dst = size_t(from) & newMask;
      size_t n = size_t(std::min<uint64_t>({pos_ - from, windowSize_ - src, size - dst}));
      std::memcpy(fresh + dst, window_.get() + src, n);
      from += n;
    }
  }
  window_.reset(fresh);
  windowSize_ = size_t(size);
  windowMask_ = windowSize_ - 1;
  return true;
}

bool TUnpack5::Refill() {
  if (!inEnd_) {
    size_t consumed = std::min(bitPos_ >> 3, inLen_);
    std::memmove(inBuf_.data(), inBuf_.data() + consumed, inLen_ - consumed);
    inLen_ -= consumed;
    inBase_ += consumed;
    bitPos_ -= consumed * 8;
    while (inLen_ < kInputSize && !inEnd_) {
      size_t want = kInputSize - inLen_;
      size_t got = std::min(in_->Read(inBuf_.data() + inLen_, want), want);
      inLen_ += got;
      if (got < want) inEnd_ = true;
    }
    std::memset(inBuf_.data() + inLen_, 0, kInputPadding);
  }
  refillAt_ = inEnd_ ? inLen_ : inLen_ - kInputReserve;
  // Past the last packed bit: the stream was cut short.
  return bitPos_ <= inLen_ * 8;
}

uint32_t TUnpack5::GetBits(int n) {
  if (n == 0) return 0;
  uint32_t v = uint32_t(Peek(inBuf_.data(), bitPos_) >> (64 - n));
  bitPos_ += size_t(n);
  return v;
}

bool TUnpack5::ReadBlockHeader() {
  bitPos_ = (bitPos_ + 7) & ~size_t(7);
  if ((bitPos_ >> 3) >= refillAt_ && !Refill()) return false;
  const uint32_t flags = GetBits(8);
  const uint32_t check = GetBits(8);
  const int sizeBytes = int((flags >> 3) & 3) + 1;
  if (sizeBytes == 4) return false;
  uint32_t size = 0;
  for (int i = 0; i < sizeBytes; ++i) size |= GetBits(8) << (8 * i);
  if (inEnd_ && bitPos_ > inLen_ * 8) return false;
  if (uint8_t(0x5A ^ flags ^ size ^ (size >> 8) ^ (size >> 16)) != check) return false;
  if (size == 0) return false;
  // The last byte of the block holds 1 to 8 of its bits.
  blockEndBit_ = (AbsoluteBit() / 8 + size - 1) * 8 + (flags & 7) + 1;
  lastBlock_ = (flags & 0x40) != 0;
  if (flags & 0x80) {
    if (!ReadTables()) return false;
  } else if (!tablesRead_) {
    return false;
  }
  return AbsoluteBit() <= blockEndBit_;
}

bool TUnpack5::ReadTables() {
  tablesRead_ = false;
  uint8_t bitLengths[kBitLengthSymbols];
  for (int i = 0; i < kBitLengthSymbols;) {
    if ((bitPos_ >> 3) >= refillAt_ && !Refill()) return false;
    uint8_t len = uint8_t(GetBits(4));
    if (len == 15) {
      // 15 is an escape: a count of zeros follows (none meaning a real 15).
      uint32_t zeros = GetBits(4);
      if (zeros == 0) {
        bitLengths[i++] = 15;
      } else {
        for (uint32_t k = 0; k < zeros + 2 && i < kBitLengthSymbols; ++k) bitLengths[i++] = 0;
      }
    } else {
      bitLengths[i++] = len;
    }
  }
  THuffman5 bitLengthCode;
  if (!bitLengthCode.Build(bitLengths, kBitLengthSymbols)) return false;

  uint8_t lengths[kTableSymbols];
  for (int i = 0; i < kTableSymbols;) {
    if ((bitPos_ >> 3) >= refillAt_ && !Refill()) return false;
    int bits = 0;
    int sym = bitLengthCode.Decode(uint32_t(Peek(inBuf_.data(), bitPos_) >> 48), bits);
    if (sym < 0) return false;
    bitPos_ += size_t(bits);
    if (sym < 16) {
      lengths[i++] = uint8_t(sym);
      continue;
    }
    uint32_t run = (sym & 1) == 0 ? 3 + GetBits(3) : 11 + GetBits(7);
    uint8_t value = 0;
    if (sym < 18) {  // repeat the previous length
      if (i == 0) return false;
      value = lengths[i - 1];
    }
    for (uint32_t k = 0; k < run && i < kTableSymbols; ++k) lengths[i++] = value;
  }
  if (inEnd_ && bitPos_ > inLen_ * 8) return false;
  const uint8_t* p = lengths;
  if (!mainCode_.Build(p, kMainSymbols)) return false;
  p += kMainSymbols;
  if (!distCode_.Build(p, kDistSymbols)) return false;
  p += kDistSymbols;
  if (!lowDistCode_.Build(p, kLowDistSymbols)) return false;
  p += kLowDistSymbols;
  if (!lengthCode_.Build(p, kLengthSymbols)) return false;
  tablesRead_ = true;
  return true;
}

bool TUnpack5::ReadFilter(uint64_t pos) {
  auto readNumber = [this] {
    int bytes = int(GetBits(2)) + 1;
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= GetBits(8) << (8 * i);
    return v;
  };
  TFilter f;
  f.start = pos + readNumber();
  uint32_t length = readNumber();
  f.type = uint8_t(GetBits(3));
  if (f.type == uint8_t(Filter5Type::Delta)) f.channels = uint8_t(GetBits(5) + 1);
  if (f.type > uint8_t(Filter5Type::Arm) || length > kMaxFilterLength) return false;
  f.length = length;
  if (length == 0) return true;
  if (limit_ != UINT64_MAX && f.start + length > limit_) return false;
  // The filtered block is written only once decoded in full, so all of it must fit in the
  // window beside the step that completes it.
  if (length + 2 * kMaxStep > windowSize_ && !GrowWindow(RoundUpPow2(length + 2 * kMaxStep))) {
    outOfMemory_ = true;
    return false;
  }
  if (filterHead_ < filters_.size()) {
    const TFilter& last = filters_.back();
    if (f.start < last.start + last.length) return false;
  }
  filters_.push_back(f);
  return true;
}

namespace {

inline void CopyMatch(uint8_t* win, size_t mask, size_t dst, size_t dist, size_t len) {
  const size_t size = mask + 1;
  size_t src = (dst - dist) & mask;
  if (dst + len <= size && src + len <= size && dist <= size - len) {
    uint8_t* d = win + dst;
    const uint8_t* s = win + src;
    if (dist >= len) {
      if (len > 32) {
        std::memcpy(d, s, len);
        return;
      }
      // Short copies inline: a library call costs more than the bytes.
      for (; len >= 8; len -= 8, d += 8, s += 8) std::memcpy(d, s, 8);
      while (len--) *d++ = *s++;
      return;
    }
    // The match repeats a period of `dist` bytes, so each copy may take everything written so
    // far as its source: the pieces double, and none overlaps its own source.
    for (size_t step = dist; len > 0; step += step) {
      size_t n = std::min(step, len);
      std::memcpy(d, d - step, n);
      d += n;
      len -= n;
    }
    return;
  }
  for (size_t i = 0; i < len; ++i) win[(dst + i) & mask] = win[(src + i) & mask];
}

}  // namespace

TUnpack5::Step TUnpack5::Decode(uint64_t stop) {
  // Locals, kept narrow, so that the loop stays in registers on a 32-bit target too.
  uint8_t* win = window_.get();
  size_t mask = windowMask_;
  const uint64_t start = pos_;
  const size_t room = size_t(stop - start);  // at most kChunk
  size_t done = 0;                           // bytes decoded by this call
  size_t wp = size_t(start) & mask;
  const uint8_t* buf = inBuf_.data();
  size_t bitPos = bitPos_;
  size_t blockEnd = 0, checkAt = 0;  // bits; checkAt = the nearer of block end and refill point
  auto limits = [&] {
    const uint64_t base = inBase_ * 8;
    const uint64_t end = blockEndBit_ > base ? blockEndBit_ - base : 0;
    blockEnd = size_t(std::min<uint64_t>(end, SIZE_MAX));
    checkAt = std::min(blockEnd, refillAt_ * 8);
  };
  limits();
  auto bits = [&](int n) -> uint32_t {  // n <= 25
    if (n == 0) return 0;
    uint32_t v = Peek32(buf, bitPos) >> (32 - n);
    bitPos += size_t(n);
    return v;
  };
  auto slotToLength = [&](uint32_t slot) -> uint32_t {
    if (slot < 8) return slot + 2;
    int n = int(slot / 4) - 1;
    return 2 + ((4 | (slot & 3)) << n) + bits(n);
  };
  Step result = Step::Continue;

  while (done < room) {
    if (bitPos >= checkAt) {
      if (bitPos >= blockEnd) {
        result = Step::BlockEnd;
        break;
      }
      bitPos_ = bitPos;
      if (!Refill()) {
        result = Step::Bad;
        break;
      }
      bitPos = bitPos_;
      buf = inBuf_.data();
      limits();
      if (bitPos >= blockEnd) {
        result = Step::BlockEnd;
        break;
      }
    }

    int n;
    int sym = mainCode_.Decode(Peek32(buf, bitPos) >> 16, n);
    if (sym < 0) {
      result = Step::Bad;
      break;
    }
    bitPos += size_t(n);
    if (sym < 256) {
      win[wp] = uint8_t(sym);
      wp = (wp + 1) & mask;
      ++done;
      continue;
    }

    uint64_t dist;
    uint32_t len;
    if (sym >= 262) {
      len = slotToLength(uint32_t(sym - 262));
      int slot = distCode_.Decode(Peek32(buf, bitPos) >> 16, n);
      if (slot < 0) {
        result = Step::Bad;
        break;
      }
      bitPos += size_t(n);
      if (slot < 4) {
        dist = 1 + uint32_t(slot);
      } else {
        int extra = slot / 2 - 1;
        dist = 1 + (uint64_t(2 | (slot & 1)) << extra);
        if (extra >= 4) {
          // The low four bits have an alphabet of their own; the rest come plain.
          int high = extra - 4;
          if (high > 16) {
            dist += uint64_t(bits(high - 16)) << 20;
            high = 16;
          }
          dist += uint64_t(bits(high)) << 4;
          int low = lowDistCode_.Decode(Peek32(buf, bitPos) >> 16, n);
          if (low < 0) {
            result = Step::Bad;
            break;
          }
          bitPos += size_t(n);
          dist += uint32_t(low);
        } else {
          dist += bits(extra);
        }
      }
      // Far matches are never shorter than these; the encoder leaves the difference out.
      if (dist > 0x100) {
        ++len;
        if (dist > 0x2000) {
          ++len;
          if (dist > 0x40000) ++len;
        }
      }
      oldDist_[3] = oldDist_[2];
      oldDist_[2] = oldDist_[1];
      oldDist_[1] = oldDist_[0];
      oldDist_[0] = dist;
      lastLength_ = len;
    } else if (sym == 256) {
      bitPos_ = bitPos;
      pos_ = start + done;
      bool ok = ReadFilter(pos_);
      bitPos = bitPos_;
      // The window may have grown.
      win = window_.get();
      mask = windowMask_;
      wp = size_t(pos_) & mask;
      if (!ok) {
        result = Step::Bad;
        break;
      }
      if (filters_.size() - filterHead_ >= kMaxPendingFilters) break;  // flush first
      continue;
    } else if (sym == 257) {
      if (lastLength_ == 0) continue;
      dist = oldDist_[0];
      len = lastLength_;
    } else {
      int index = sym - 258;
      dist = oldDist_[index];
      for (int i = index; i > 0; --i) oldDist_[i] = oldDist_[i - 1];
      oldDist_[0] = dist;
      int slot = lengthCode_.Decode(Peek32(buf, bitPos) >> 16, n);
      if (slot < 0) {
        result = Step::Bad;
        break;
      }
      bitPos += size_t(n);
      len = slotToLength(uint32_t(slot));
      lastLength_ = len;
    }

    // Against the dictionary, not the window (which may be bigger), so that acceptance never
    // depends on what an earlier entry left allocated.
    if (dist == 0 || dist > start + done || dist > maxDistance_ || dist > mask + 1) {
      result = Step::Bad;
      break;
    }
    CopyMatch(win, mask, wp, size_t(dist), len);
    wp = (wp + len) & mask;
    done += len;
  }

  pos_ = start + done;
  bitPos_ = bitPos;
  return result;
}

bool TUnpack5::WriteWindow(IUnpackedOutput& out, uint64_t from, uint64_t to) {
  while (from < to) {
    size_t index = size_t(from) & windowMask_;
    size_t n = size_t(std::min<uint64_t>(to - from, windowSize_ - index));
    if (!out.Write(window_.get() + index, n)) return false;
    from += n;
  }
  return true;
}

bool TUnpack5::ApplyFilter(IUnpackedOutput& out, const TFilter& f) {
  if (filterBuf_.size() < f.length) filterBuf_.resize(f.length);
  if (f.type == uint8_t(Filter5Type::Delta) && filterOut_.size() < f.length) filterOut_.resize(f.length);
  uint8_t* data = filterBuf_.data();
  for (uint64_t p = f.start; p < f.start + f.length;) {
    size_t index = size_t(p) & windowMask_;
    size_t n = size_t(std::min<uint64_t>(f.start + f.length - p, windowSize_ - index));
    std::memcpy(data + (p - f.start), window_.get() + index, n);
    p += n;
  }
  const uint32_t fileOffset = uint32_t(f.start - fileStart_);
  switch (Filter5Type(f.type)) {
    case Filter5Type::Delta:
      Unfilter5Delta(data, filterOut_.data(), f.length, f.channels);
      data = filterOut_.data();
      break;
    case Filter5Type::E8:
    case Filter5Type::E8E9:
      Unfilter5E8(data, f.length, fileOffset, Filter5Type(f.type) == Filter5Type::E8E9);
      break;
    case Filter5Type::Arm:
      Unfilter5Arm(data, f.length, fileOffset);
      break;
  }
  return out.Write(data, f.length);
}

bool TUnpack5::Flush(IUnpackedOutput& out, uint64_t upTo, bool& aborted) {
  aborted = false;
  const uint64_t end = std::min(upTo, limit_);
  while (written_ < end) {
    if (filterHead_ < filters_.size()) {
      const TFilter& f = filters_[filterHead_];
      if (f.start > written_) {
        uint64_t to = std::min(end, f.start);
        if (!WriteWindow(out, written_, to)) return aborted = true, false;
        written_ = to;
        continue;
      }
      if (pos_ < f.start + f.length) break;  // the rest of the filtered block is not decoded yet
      if (!ApplyFilter(out, f)) return aborted = true, false;
      written_ = f.start + f.length;
      ++filterHead_;
      continue;
    }
    if (!WriteWindow(out, written_, end)) return aborted = true, false;
    written_ = end;
  }
  if (filterHead_ == filters_.size()) {
    filters_.clear();
    filterHead_ = 0;
  } else if (filterHead_ >= 1024) {
    filters_.erase(filters_.begin(), filters_.begin() + ptrdiff_t(filterHead_));
    filterHead_ = 0;
  }
  return true;
}

UnpackResult TUnpack5::Unpack(IPackedInput& in, IUnpackedOutput& out, uint64_t unpackedSize, uint64_t dictionarySize,
                              bool solid) {
  // After a failure the shared state is meaningless, so the solid entries behind it fail too.
  if (solid && broken_) return UnpackResult::BadData;
  broken_ = true;
  if (!solid) {
    pos_ = 0;
    tablesRead_ = false;
    std::fill(std::begin(oldDist_), std::end(oldDist_), 0);
    lastLength_ = 0;
  }
  if (dictionarySize > MaxDictionary()) return UnpackResult::OutOfMemory;
  try {
    if (!PrepareWindow(unpackedSize, dictionarySize, solid)) return UnpackResult::OutOfMemory;
    if (inBuf_.empty()) inBuf_.resize(kInputSize + kInputPadding);
    filters_.clear();
    filters_.reserve(64);
  } catch (const std::bad_alloc&) {
    return UnpackResult::OutOfMemory;
  }
  filterHead_ = 0;
  outOfMemory_ = false;
  maxDistance_ = std::max(dictionarySize, kMinDictionary);
  fileStart_ = written_ = pos_;
  limit_ = unpackedSize == UINT64_MAX || unpackedSize > UINT64_MAX - pos_ ? UINT64_MAX : pos_ + unpackedSize;

  in_ = &in;
  inLen_ = 0;
  inBase_ = 0;
  bitPos_ = 0;
  inEnd_ = false;
  Refill();
  if (unpackedSize == 0 && inLen_ == 0) {
    broken_ = false;
    return UnpackResult::Ok;
  }

  UnpackResult result = UnpackResult::BadData;
  try {
    if (!ReadBlockHeader()) return UnpackResult::BadData;
    bool aborted = false;
    for (;;) {
      uint64_t stop = std::min({limit_, written_ + windowSize_ - kMaxStep, pos_ + kChunk});
      if (stop <= pos_ && pos_ < limit_) return UnpackResult::BadData;  // nothing can be flushed
      Step step = Decode(stop);
      if (step == Step::Bad) return outOfMemory_ ? UnpackResult::OutOfMemory : UnpackResult::BadData;
      bool done = pos_ >= limit_;
      if (step == Step::BlockEnd && !done) {
        if (AbsoluteBit() != blockEndBit_) return UnpackResult::BadData;
        if (lastBlock_) {
          done = true;
        } else if (!ReadBlockHeader()) {
          return UnpackResult::BadData;
        }
      }
      if (!Flush(out, pos_, aborted)) return aborted ? UnpackResult::Aborted : UnpackResult::BadData;
      if (done) break;
      if (filters_.size() - filterHead_ >= kMaxPendingFilters) return UnpackResult::BadData;
    }
    // Whether the size or the last block ended it, the block must hold what was decoded, and
    // the input must hold the block.
    if (AbsoluteBit() > blockEndBit_) return UnpackResult::BadData;
    while (!inEnd_ && blockEndBit_ > (inBase_ + inLen_) * 8) {
      bitPos_ = inLen_ * 8;
      Refill();
    }
    if (blockEndBit_ > (inBase_ + inLen_) * 8) return UnpackResult::BadData;
    if (filterHead_ != filters_.size()) return UnpackResult::BadData;  // a filter reaches past the end
    if (limit_ != UINT64_MAX && written_ != limit_) return UnpackResult::BadData;
    result = UnpackResult::Ok;
  } catch (const std::bad_alloc&) {
    return UnpackResult::OutOfMemory;
  }
  broken_ = false;
  return result;
}

}  // namespace rarformat
