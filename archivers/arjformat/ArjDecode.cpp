#include "ArjDecode.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "ArjBits.h"
#include "ArjHuffman.h"

namespace arjformat {
namespace {

// The history: ARJ's own window is 26,624 bytes, but any distance a 16-bit position code can
// express decodes correctly in 64 KiB.
constexpr uint32_t kWindow = 1u << 16;

class Window {
 public:
  Window(IByteOutput& output, uint64_t total) : output_(output), left_(total), bytes_(kWindow) {}

  bool Full() const { return left_ == 0; }
  uint64_t Produced() const { return produced_; }
  bool Literal(uint8_t byte) {
    bytes_[pos_++] = byte;
    --left_;
    ++produced_;
    return pos_ == kWindow ? Flush() : true;
  }
  // Copies `length` bytes from `distance` back (1 = the previous byte), cut at the entry's end.
  bool Match(uint32_t distance, uint32_t length) {
    if (length > left_) length = static_cast<uint32_t>(left_);
    uint32_t from = (pos_ - distance) & (kWindow - 1);
    while (length-- > 0) {
      const uint8_t byte = bytes_[from];
      from = (from + 1) & (kWindow - 1);
      if (!Literal(byte)) return false;
    }
    return true;
  }
  bool Flush() {
    const bool ok = pos_ == 0 || output_.Write(bytes_.data(), pos_);
    pos_ = 0;
    return ok;
  }

 private:
  IByteOutput& output_;
  uint64_t left_;
  uint64_t produced_ = 0;
  std::vector<uint8_t> bytes_;
  uint32_t pos_ = 0;
};

// Code-table sizes of methods 1-3.
constexpr int kNC = 256 + 256 + 2 - 3;  // literals and lengths 3..256
constexpr int kNP = 17;                 // position bit lengths 0..16
constexpr int kNT = 19;                 // code lengths of the literal table, with zero runs
constexpr int kCBits = 9, kPBits = 5, kTBits = 5;

class BlockDecoder {
 public:
  BlockDecoder(BitReader& bits) : bits_(bits) {}

  DecodeStatus Run(Window& window) {
    uint32_t blockLeft = 0;
    while (!window.Full()) {
      if (blockLeft == 0) {
        blockLeft = bits_.Get(16);
        if (blockLeft == 0 || !ReadTables()) return Failure();
      }
      --blockLeft;
      const int c = c_.Decode(bits_);
      if (c < 0) return Failure();
      if (c < 256) {
        if (!window.Literal(static_cast<uint8_t>(c))) return DecodeStatus::WriteFailed;
      } else {
        const uint32_t length = static_cast<uint32_t>(c) - 253;
        int j = p_.Decode(bits_);
        if (j < 0) return Failure();
        uint32_t position = static_cast<uint32_t>(j);
        if (j > 1) position = (1u << (j - 1)) + bits_.Get(j - 1);
        if (position + 1u > window.Produced()) return Failure();
        if (!window.Match(position + 1, length)) return DecodeStatus::WriteFailed;
      }
      if (bits_.Truncated()) return DecodeStatus::Truncated;
    }
    return DecodeStatus::Ok;
  }

 private:
  DecodeStatus Failure() const {
    return bits_.Truncated() ? DecodeStatus::Truncated : DecodeStatus::BadData;
  }

  bool ReadTables() {
    return ReadPtLengths(kNT, kTBits, 3, t_) && ReadCLengths() && ReadPtLengths(kNP, kPBits, -1, p_);
  }

  // The small tables: 3-bit lengths, 7 and longer as 111 followed by a unary tail. After the
  // `special`-th length a 2-bit count of zero lengths follows.
  bool ReadPtLengths(int nn, int nbit, int special, Huffman& table) {
    std::array<uint8_t, kNT> lengths{};
    const int n = static_cast<int>(bits_.Get(nbit));
    if (n == 0) {
      const int constant = static_cast<int>(bits_.Get(nbit));
      return constant < nn && table.SetConstant(constant);
    }
    if (n > nn) return false;
    int i = 0;
    while (i < n) {
      const uint32_t peek = bits_.Peek16();
      int c = static_cast<int>(peek >> 13);
      if (c == 7) {
        for (uint32_t mask = 1u << 12; (mask & peek) != 0; mask >>= 1) ++c;
        if (c > 16) return false;
      }
      bits_.Skip(c < 7 ? 3 : c - 3);
      lengths[i++] = static_cast<uint8_t>(c);
      if (i == special) {
        int zeros = static_cast<int>(bits_.Get(2));
        if (i + zeros > nn) return false;
        while (zeros-- > 0) lengths[i++] = 0;
      }
    }
    return table.Build(lengths.data(), nn, 8);
  }

  bool ReadCLengths() {
    std::array<uint8_t, kNC> lengths{};
    const int n = static_cast<int>(bits_.Get(kCBits));
    if (n == 0) {
      const int constant = static_cast<int>(bits_.Get(kCBits));
      return constant < kNC && c_.SetConstant(constant);
    }
    if (n > kNC) return false;
    int i = 0;
    while (i < n) {
      const int c = t_.Decode(bits_);
      if (c < 0) return false;
      if (c <= 2) {
        const int zeros = c == 0 ? 1 : c == 1 ? static_cast<int>(bits_.Get(4)) + 3
                                              : static_cast<int>(bits_.Get(kCBits)) + 20;
        if (i + zeros > kNC) return false;
        i += zeros;  // already zero
      } else {
        lengths[i++] = static_cast<uint8_t>(c - 2);
      }
    }
    return c_.Build(lengths.data(), kNC, 12);
  }

  BitReader& bits_;
  Huffman t_, c_, p_;
};

// Method 4: a length as a unary prefix of up to 7 ones choosing a 0..7-bit tail (0: a literal
// of 8 bits follows), a position as up to 4 ones choosing a 9..13-bit tail.
DecodeStatus DecodeFastest(BitReader& bits, Window& window) {
  while (!window.Full()) {
    uint32_t plus = 0, power = 1;
    int width = 0;
    for (; width < 7; ++width) {
      if (bits.Get(1) == 0) break;
      plus += power;
      power <<= 1;
    }
    const uint32_t c = bits.Get(width) + plus;
    if (c == 0) {
      if (!window.Literal(static_cast<uint8_t>(bits.Get(8)))) return DecodeStatus::WriteFailed;
    } else {
      const uint32_t length = c + 2;
      plus = 0;
      power = 1u << 9;
      width = 9;
      for (; width < 13; ++width) {
        if (bits.Get(1) == 0) break;
        plus += power;
        power <<= 1;
      }
      const uint32_t position = bits.Get(width) + plus;
      if (bits.Truncated()) return DecodeStatus::Truncated;
      if (position + 1u > window.Produced()) return DecodeStatus::BadData;
      if (!window.Match(position + 1, length)) return DecodeStatus::WriteFailed;
    }
    if (bits.Truncated()) return DecodeStatus::Truncated;
  }
  return DecodeStatus::Ok;
}

DecodeStatus CopyStored(IByteInput& input, uint64_t compressedSize, uint64_t originalSize,
                        IByteOutput& output) {
  std::vector<uint8_t> buffer(1 << 16);
  uint64_t left = std::min(compressedSize, originalSize);
  while (left > 0) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(left, buffer.size()));
    const size_t got = input.Read(buffer.data(), want);
    if (got == 0) return DecodeStatus::Truncated;
    if (!output.Write(buffer.data(), got)) return DecodeStatus::WriteFailed;
    left -= got;
  }
  return compressedSize < originalSize ? DecodeStatus::Truncated : DecodeStatus::Ok;
}

}  // namespace

DecodeStatus Decode(uint8_t method, IByteInput& input, uint64_t compressedSize,
                    uint64_t originalSize, IByteOutput& output) {
  if (method == 0) return CopyStored(input, compressedSize, originalSize, output);
  if (method > 4) return DecodeStatus::UnknownMethod;
  if (originalSize == 0) return DecodeStatus::Ok;
  BitReader bits(input, compressedSize);
  Window window(output, originalSize);
  DecodeStatus status;
  if (method == 4) {
    status = DecodeFastest(bits, window);
  } else {
    BlockDecoder decoder(bits);
    status = decoder.Run(window);
  }
  if (!window.Flush() && status == DecodeStatus::Ok) status = DecodeStatus::WriteFailed;
  return status;
}

}  // namespace arjformat
