// Bit reading for the ARJ decoders: most significant bit first, the way ARJ's 16-bit bit buffer
// is filled. Reads past the packed data yield zero bits (the decoder may look ahead up to 16 bits
// beyond the last code); consuming any of those sets `Truncated()`.
#pragma once

#include <cstdint>
#include <vector>

#include "ArjDecode.h"

namespace arjformat {

class BitReader {
 public:
  BitReader(IByteInput& input, uint64_t limit) : input_(input), left_(limit), buffer_(1 << 16) {}

  // The next 16 bits, not consumed.
  uint32_t Peek16() {
    if (count_ < 16) Refill();
    return bits_ >> 16;
  }
  void Skip(int n) {
    if (count_ < n) Refill();
    bits_ <<= n;
    count_ -= n;
    if (static_cast<uint64_t>(count_) < phantom_ * 8) truncated_ = true;
  }
  // Up to 16 bits.
  uint32_t Get(int n) {
    if (n == 0) return 0;
    const uint32_t value = Peek16() >> (16 - n);
    Skip(n);
    return value;
  }
  bool Truncated() const { return truncated_; }

 private:
  void Refill() {
    while (count_ <= 24) {
      uint32_t byte = 0;
      if (pos_ == size_) Fill();
      if (pos_ < size_) {
        byte = buffer_[pos_++];
      } else {
        ++phantom_;
      }
      bits_ |= byte << (24 - count_);
      count_ += 8;
    }
  }
  void Fill() {
    pos_ = size_ = 0;
    if (left_ == 0) return;
    const size_t want = left_ < buffer_.size() ? static_cast<size_t>(left_) : buffer_.size();
    size_ = input_.Read(buffer_.data(), want);
    left_ -= size_;
    if (size_ == 0) left_ = 0;
  }

  IByteInput& input_;
  uint64_t left_;
  std::vector<uint8_t> buffer_;
  size_t pos_ = 0, size_ = 0;
  uint32_t bits_ = 0;  // left-aligned
  int count_ = 0;
  uint64_t phantom_ = 0;
  bool truncated_ = false;
};

}  // namespace arjformat
