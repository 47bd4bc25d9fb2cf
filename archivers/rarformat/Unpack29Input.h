// Buffered bit input over one entry's packed bytes, most significant bit first, as the RAR 2.9
// LZ and PPMd coders read it. Reading past the end gives zero bits; Overrun() says whether any
// were consumed, so truncated input is seen without bounds checks in the hot loop.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "archivers/rarformat/RarUnpack.h"

namespace rarformat {

class TBitInput29 {
 public:
  static constexpr size_t kBufferSize = 0x10000;
  static constexpr size_t kSlack = 64;

  TBitInput29() : buffer_(kBufferSize + kSlack, 0) {}

  void Reset(IPackedInput* source) {
    source_ = source;
    pos_ = bit_ = end_ = 0;
    sourceDone_ = false;
    Fill();
  }

  // Keeps at least 32 bytes ahead of the read position while the source has any.
  void Ensure() {
    if (end_ - pos_ < 32 && !sourceDone_ && pos_ <= end_) Fill();
  }

  uint32_t Peek16() const {
    if (pos_ + 3 > end_ + kSlack) return 0;
    const uint8_t* p = buffer_.data() + pos_;
    const uint32_t v = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
    return (v >> (8 - bit_)) & 0xFFFF;
  }

  void Skip(unsigned bits) {
    bits += bit_;
    pos_ += bits >> 3;
    bit_ = bits & 7;
  }

  uint32_t Bits(unsigned count) {
    const uint32_t v = Peek16() >> (16 - count);
    Skip(count);
    return v;
  }

  void AlignToByte() {
    if (bit_) Skip(8 - bit_);
  }

  // Whole bytes, for the PPMd coder (which starts byte-aligned).
  uint8_t Byte() {
    if (end_ - pos_ < 4 && !sourceDone_ && pos_ <= end_) Fill();
    const uint8_t b = pos_ < end_ ? buffer_[pos_] : 0;
    pos_++;
    return b;
  }

  bool Overrun() const { return sourceDone_ && (pos_ > end_ || (pos_ == end_ && bit_ > 0)); }
  bool Exhausted() const { return sourceDone_ && pos_ >= end_; }

 private:
  void Fill() {
    const size_t keep = end_ - pos_;
    std::memmove(buffer_.data(), buffer_.data() + pos_, keep);
    pos_ = 0;
    end_ = keep;
    while (end_ < kBufferSize && !sourceDone_) {
      const size_t want = kBufferSize - end_;
      const size_t got = source_->Read(buffer_.data() + end_, want);
      end_ += got;
      // Only an empty read is taken as the end, so a reader may hand out less at a time.
      if (got == 0) sourceDone_ = true;
    }
    std::memset(buffer_.data() + end_, 0, kSlack);
  }

  std::vector<uint8_t> buffer_;
  IPackedInput* source_ = nullptr;
  size_t pos_ = 0, end_ = 0;
  unsigned bit_ = 0;
  bool sourceDone_ = false;
};

}  // namespace rarformat
