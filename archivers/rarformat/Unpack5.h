// The RAR 5 decoder: LZ with four canonical Huffman alphabets per block, a sliding window of the
// entry's dictionary size, and four byte filters applied as the data leaves the window.
// Portable: no system calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "RarUnpack.h"

namespace rarformat {

// One canonical Huffman alphabet (codes up to 15 bits, shorter codes first, ties by symbol).
// Codes of up to kQuickBits bits resolve with one table look-up; longer ones by comparing the
// left-aligned code against each length's upper limit.
class THuffman5 {
 public:
  static constexpr int kMaxBits = 15;
  static constexpr int kQuickBits = 10;
  static constexpr int kMaxSymbols = 306;

  // False when the lengths promise more codes than 15 bits hold. An incomplete set is
  // accepted (encoders leave unused codes), but decoding an unassigned code fails.
  bool Build(const uint8_t* lengths, int count);

  // `top16` holds the next 16 input bits, first bit highest. Returns the symbol and sets `bits`
  // to the code's length, or returns -1 when no symbol has that code.
  int Decode(uint32_t top16, int& bits) const {
    uint16_t q = quick_[top16 >> (16 - kQuickBits)];
    if (q != 0) {
      bits = q >> 12;
      return q & 0x0FFF;
    }
    return DecodeLong(top16, bits);
  }

 private:
  int DecodeLong(uint32_t top16, int& bits) const;

  uint16_t quick_[1 << kQuickBits] = {};  // (length << 12) | symbol; 0 = longer or unassigned
  uint32_t limit_[kMaxBits + 1] = {};     // left-aligned end of each length's codes
  uint32_t start_[kMaxBits + 1] = {};     // left-aligned first code of each length
  uint16_t first_[kMaxBits + 1] = {};     // index in sorted_ of each length's first symbol
  uint16_t sorted_[kMaxSymbols] = {};     // symbols ordered by code
};

// One object per archive: in a solid archive the window and tables carry over from entry to
// entry, so the caller decodes every entry in order (skipped ones to a discarding output).
class TUnpack5 {
 public:
  TUnpack5();
  ~TUnpack5();
  TUnpack5(const TUnpack5&) = delete;
  TUnpack5& operator=(const TUnpack5&) = delete;

  // Decodes one entry. `unpackedSize` UINT64_MAX means unknown: decoding ends with the block
  // marked last. `solid` continues the previous entry's window, tables and distances.
  UnpackResult Unpack(IPackedInput& in, IUnpackedOutput& out, uint64_t unpackedSize, uint64_t dictionarySize,
                      bool solid);

  // The largest dictionary this build allocates: a 32-bit process keeps its address space.
  static uint64_t MaxDictionary();

 private:
  struct TFilter {
    uint64_t start = 0;   // window position (since the last non-solid entry)
    uint32_t length = 0;
    uint8_t type = 0;
    uint8_t channels = 0;
  };
  enum class Step { Continue, BlockEnd, Bad };

  bool PrepareWindow(uint64_t unpackedSize, uint64_t dictionarySize, bool solid);
  bool GrowWindow(uint64_t size);
  bool Refill();
  bool ReadBlockHeader();
  bool ReadTables();
  Step Decode(uint64_t stop);
  bool ReadFilter(uint64_t pos);
  bool Flush(IUnpackedOutput& out, uint64_t upTo, bool& aborted);
  bool WriteWindow(IUnpackedOutput& out, uint64_t from, uint64_t to);
  bool ApplyFilter(IUnpackedOutput& out, const TFilter& f);

  uint32_t GetBits(int n);  // n <= 32
  uint64_t AbsoluteBit() const { return inBase_ * 8 + bitPos_; }

  // Input: a buffer of packed bytes with zero padding behind the valid ones.
  IPackedInput* in_ = nullptr;
  std::vector<uint8_t> inBuf_;
  size_t inLen_ = 0;       // valid bytes in inBuf_
  uint64_t inBase_ = 0;    // stream offset of inBuf_[0]
  size_t bitPos_ = 0;      // next bit, counted from inBuf_[0]
  bool inEnd_ = false;     // the packed input has given everything
  size_t refillAt_ = 0;    // byte position in inBuf_ that asks for more input

  // Current block.
  uint64_t blockEndBit_ = 0;  // absolute bit position just past the block
  bool lastBlock_ = false;

  // Window: the last windowSize_ bytes decoded, at position & windowMask_.
  std::unique_ptr<uint8_t[]> window_;
  size_t windowSize_ = 0;
  size_t windowMask_ = 0;
  uint64_t pos_ = 0;        // bytes decoded since the last non-solid entry
  uint64_t written_ = 0;    // bytes of those handed to the output (or skipped before this entry)
  uint64_t fileStart_ = 0;  // pos_ where the current entry begins
  uint64_t limit_ = 0;      // pos_ where the current entry ends (UINT64_MAX: unknown)
  uint64_t maxDistance_ = 0;  // the entry's dictionary: no match reaches further back

  // Carried across blocks, and across entries of a solid archive.
  THuffman5 mainCode_, distCode_, lowDistCode_, lengthCode_;
  bool tablesRead_ = false;
  bool broken_ = false;
  bool outOfMemory_ = false;  // a filter asked for a window that could not be had  // the last entry failed: solid entries behind it cannot decode
  uint64_t oldDist_[4] = {};
  uint32_t lastLength_ = 0;

  std::vector<TFilter> filters_;  // pending, in window order, from filterHead_ on
  size_t filterHead_ = 0;
  std::vector<uint8_t> filterBuf_, filterOut_;
};

}  // namespace rarformat
