#include "archivers/rarformat/Unpack29.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "archivers/rarformat/Ppmd29.h"
#include "archivers/rarformat/Unpack29Filters.h"
#include "archivers/rarformat/Unpack29Input.h"

namespace rarformat {
namespace {

// Alphabet sizes: main (literals, lengths, commands), distance slots, low distance bits,
// repeated-distance lengths, and the bit-length code the others are sent with.
constexpr int kMainSize = 299;
constexpr int kDistSize = 60;
constexpr int kLowDistSize = 17;
constexpr int kRepLenSize = 28;
constexpr int kBitLenSize = 20;
constexpr int kTablesSize = kMainSize + kDistSize + kLowDistSize + kRepLenSize;

constexpr uint32_t kMinWindow = 0x10000;
constexpr uint32_t kMaxWindow = 0x400000;
// The longest match is 260 bytes (255 + adjustments); writing keeps that much room free.
constexpr uint32_t kMaxMatch = 260;
constexpr size_t kMaxFilters = 1024;
constexpr uint32_t kMaxGlobalData = 0x2000 - 0x40;

const uint8_t kLenBase[28] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  10,  12,  14,  16,  20,
                              24, 28, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224};
const uint8_t kLenBits[28] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2,
                              2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5};
const uint8_t kShortBase[8] = {0, 4, 8, 16, 32, 64, 128, 192};
const uint8_t kShortBits[8] = {2, 2, 3, 4, 5, 6, 6, 6};

struct TDistSlots {
  uint32_t base[kDistSize];
  uint8_t bits[kDistSize];
  TDistSlots() {
    // Slots per extra-bit count: 4 with none, 2 each for 1..15, 14 with 16, 12 with 18.
    static const uint8_t kSlotsPerBits[19] = {4, 2, 2, 2, 2, 2, 2, 2, 2, 2,
                                              2, 2, 2, 2, 2, 2, 14, 0, 12};
    uint32_t dist = 0;
    int slot = 0;
    for (int b = 0; b < 19; b++)
      for (int j = 0; j < kSlotsPerBits[b]; j++, slot++, dist += 1u << b) {
        base[slot] = dist;
        bits[slot] = uint8_t(b);
      }
  }
};
const TDistSlots kDist;

// Canonical Huffman decoding: codes of up to 10 bits straight from a table, longer ones by
// comparing against each length's left-justified upper bound.
class THuffman {
 public:
  static constexpr int kQuickBits = 10;

  bool Build(const uint8_t* lengths, int count) {
    int perLength[16] = {};
    for (int i = 0; i < count; i++) perLength[lengths[i] & 15]++;
    perLength[0] = 0;
    uint32_t code = 0, index = 0;
    for (int len = 1; len < 16; len++) {
      start_[len] = code << (16 - len);
      first_[len] = index;
      code += uint32_t(perLength[len]);
      upper_[len] = code << (16 - len);
      index += uint32_t(perLength[len]);
      code <<= 1;
    }
    uint32_t next[16];
    std::memcpy(next, first_, sizeof(next));
    for (int i = 0; i < count; i++)
      if (lengths[i]) symbols_[next[lengths[i]]++] = uint16_t(i);
    for (uint32_t q = 0; q < (1u << kQuickBits); q++) {
      const uint32_t bits = q << (16 - kQuickBits);
      quickLen_[q] = 0;
      for (int len = 1; len <= kQuickBits; len++)
        if (bits < upper_[len]) {
          quickLen_[q] = uint8_t(len);
          quickSym_[q] = symbols_[first_[len] + ((bits - start_[len]) >> (16 - len))];
          break;
        }
    }
    return true;
  }

  // The next symbol, or -1 for a bit pattern no code has.
  int Decode(TBitInput29& in) const {
    const uint32_t bits = in.Peek16();
    const uint32_t q = bits >> (16 - kQuickBits);
    if (quickLen_[q]) {
      in.Skip(quickLen_[q]);
      return quickSym_[q];
    }
    for (int len = kQuickBits + 1; len < 16; len++)
      if (bits < upper_[len]) {
        in.Skip(unsigned(len));
        return symbols_[first_[len] + ((bits - start_[len]) >> (16 - len))];
      }
    return -1;
  }

 private:
  uint32_t start_[16] = {}, upper_[16] = {}, first_[16] = {};
  uint16_t symbols_[kMainSize] = {};
  uint8_t quickLen_[1 << kQuickBits] = {};
  uint16_t quickSym_[1 << kQuickBits] = {};
};

// A filter program the stream defined; later blocks refer to it by number.
struct TFilterProgram {
  TFilter29Kind kind = TFilter29Kind::Unknown;
};

// A block of output waiting for its filter.
struct TPendingFilter {
  bool live = true;
  bool nextWindow = false;
  uint32_t program = 0;
  uint32_t blockStart = 0;
  uint32_t blockLength = 0;
  uint32_t regs[7] = {};
  std::vector<uint8_t> globalData;
};

// Bits of a filter record, read from memory; zeros past its end.
class TRecordBits {
 public:
  TRecordBits(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint32_t Peek16() const {
    uint32_t v = 0;
    const size_t byte = pos_ >> 3;
    for (size_t i = 0; i < 3; i++) v = v << 8 | (byte + i < size_ ? data_[byte + i] : 0);
    return (v >> (8 - (pos_ & 7))) & 0xFFFF;
  }
  void Skip(unsigned bits) { pos_ += bits; }
  bool Overrun() const { return pos_ > size_ * 8; }
  size_t BytePos() const { return (pos_ + 7) >> 3; }

  // RAR's variable-length number: 4, 8 (or a small negative), 16 or 32 bits after a 2-bit tag.
  uint32_t Number() {
    uint32_t v = Peek16();
    switch (v & 0xC000) {
      case 0: Skip(6); return (v >> 10) & 0xF;
      case 0x4000:
        if ((v & 0x3C00) == 0) {
          Skip(14);
          return 0xFFFFFF00u | ((v >> 2) & 0xFF);
        }
        Skip(10);
        return (v >> 6) & 0xFF;
      case 0x8000: Skip(2); v = Peek16(); Skip(16); return v;
      default: {
        Skip(2);
        const uint32_t high = Peek16();
        Skip(16);
        const uint32_t low = Peek16();
        Skip(16);
        return high << 16 | low;
      }
    }
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

}  // namespace

struct TUnpack29::TState {
  // The window: its size is a power of two; `filled` counts the bytes it holds (distances may
  // not reach further back).
  std::unique_ptr<uint8_t[]> window;
  uint32_t windowSize = 0, mask = 0, filled = 0;
  uint32_t windowCapacity = 0;  // what is allocated: kept for later archives that need less
  uint32_t unpPtr = 0, wrPtr = 0;

  TBitInput29 in;
  IUnpackedOutput* out = nullptr;
  uint64_t unpackedSize = 0, produced = 0, written = 0, fileOffset = 0;
  UnpackResult failure = UnpackResult::BadData;

  THuffman mainCode, distCode, lowDistCode, repLenCode;
  uint8_t oldLengths[kTablesSize] = {};
  bool tablesRead = false;
  bool ppmBlock = false;
  uint32_t oldDist[4] = {};
  uint32_t lastLength = 0;
  uint32_t prevLowDist = 0, lowDistRepeats = 0;

  TPpmd29 ppm;
  int ppmEscape = 2;

  std::vector<TFilterProgram> programs;
  std::vector<uint32_t> programLengths;  // the last block length each program was given
  uint32_t lastProgram = 0;
  std::vector<TPendingFilter> pending;
  std::unique_ptr<uint8_t[]> vmMemory;

  bool Fail(UnpackResult r) {
    failure = r;
    return false;
  }

  bool SetWindow(uint64_t dictionarySize, bool solid);
  void ResetForNewArchive();
  bool ReadTables();
  bool ReadEndOfBlock(bool& endOfFile);
  bool ReadFilterFromLz();
  bool ReadFilterFromPpm();
  bool AddFilter(uint32_t firstByte, const uint8_t* record, size_t size);
  bool CopyMatch(uint32_t length, uint32_t distance);
  void PutByte(uint8_t b) {
    window[unpPtr] = b;
    unpPtr = (unpPtr + 1) & mask;
    produced++;
    if (filled < windowSize) filled++;
  }
  void InsertOldDist(uint32_t d) {
    oldDist[3] = oldDist[2];
    oldDist[2] = oldDist[1];
    oldDist[1] = oldDist[0];
    oldDist[0] = d;
  }
  bool Emit(const uint8_t* data, size_t size);
  bool WriteArea(uint32_t from, uint32_t to);
  bool WriteBuffer(bool& blocked);
  bool RunFilters(size_t& index, uint32_t& dataOffset, uint32_t& dataSize);
  UnpackResult Run(uint64_t unpackedSize, bool solid);
};

bool TUnpack29::TState::SetWindow(uint64_t dictionarySize, bool solid) {
  uint32_t size = kMinWindow;
  while (size < dictionarySize && size < kMaxWindow) size <<= 1;
  if (!solid || !window) {
    if (!window || windowCapacity < size) {
      window.reset();
      window.reset(new (std::nothrow) uint8_t[size]);
      if (!window) {
        windowCapacity = windowSize = 0;
        return false;
      }
      windowCapacity = size;
    }
    windowSize = size;
    mask = size - 1;
    return true;
  }
  if (size <= windowSize) return true;
  // A later entry of a solid archive may ask for more: keep what the window holds at the same
  // distances behind the current position.
  std::unique_ptr<uint8_t[]> grown(new (std::nothrow) uint8_t[size]);
  if (!grown) return false;
  const uint32_t newMask = size - 1;
  for (uint32_t back = 1; back <= filled; back++)
    grown[(unpPtr - back) & newMask] = window[(unpPtr - back) & mask];
  wrPtr = unpPtr;
  window = std::move(grown);
  windowCapacity = windowSize = size;
  mask = size - 1;
  return true;
}

void TUnpack29::TState::ResetForNewArchive() {
  unpPtr = wrPtr = 0;
  filled = 0;
  std::memset(oldLengths, 0, sizeof(oldLengths));
  std::memset(oldDist, 0, sizeof(oldDist));
  lastLength = 0;
  prevLowDist = lowDistRepeats = 0;
  tablesRead = false;
  ppmBlock = false;
  ppmEscape = 2;
  ppm.Clear();
  programs.clear();
  programLengths.clear();
  lastProgram = 0;
}

bool TUnpack29::TState::ReadTables() {
  in.AlignToByte();
  in.Ensure();
  const uint32_t flags = in.Peek16();
  if (flags & 0x8000) {
    ppmBlock = true;
    switch (ppm.Init(in, ppmEscape)) {
      case TPpmd29::TInit::Ok: return !in.Overrun() || Fail(UnpackResult::BadData);
      case TPpmd29::TInit::OutOfMemory: return Fail(UnpackResult::OutOfMemory);
      case TPpmd29::TInit::Bad: break;
    }
    return Fail(UnpackResult::BadData);
  }
  ppmBlock = false;
  prevLowDist = 0;
  lowDistRepeats = 0;
  if (!(flags & 0x4000)) std::memset(oldLengths, 0, sizeof(oldLengths));
  in.Skip(2);

  uint8_t bitLengths[kBitLenSize];
  for (int i = 0; i < kBitLenSize;) {
    const uint8_t len = uint8_t(in.Bits(4));
    if (len == 15) {
      uint32_t zeros = in.Bits(4);
      if (zeros == 0) {
        bitLengths[i++] = 15;
      } else {
        for (zeros += 2; zeros > 0 && i < kBitLenSize; zeros--) bitLengths[i++] = 0;
      }
    } else {
      bitLengths[i++] = len;
    }
  }
  THuffman bitLenCode;
  bitLenCode.Build(bitLengths, kBitLenSize);

  uint8_t lengths[kTablesSize];
  for (int i = 0; i < kTablesSize;) {
    in.Ensure();
    if (in.Overrun()) return Fail(UnpackResult::BadData);
    const int sym = bitLenCode.Decode(in);
    if (sym < 0) return Fail(UnpackResult::BadData);
    if (sym < 16) {
      lengths[i] = uint8_t((sym + oldLengths[i]) & 15);
      i++;
    } else if (sym < 18) {
      // Repeat the previous length.
      const uint32_t n = sym == 16 ? in.Bits(3) + 3 : in.Bits(7) + 11;
      if (i == 0) return Fail(UnpackResult::BadData);
      for (uint32_t k = 0; k < n && i < kTablesSize; k++, i++) lengths[i] = lengths[i - 1];
    } else {
      const uint32_t n = sym == 18 ? in.Bits(3) + 3 : in.Bits(7) + 11;
      for (uint32_t k = 0; k < n && i < kTablesSize; k++) lengths[i++] = 0;
    }
  }
  if (in.Overrun()) return Fail(UnpackResult::BadData);
  tablesRead = true;
  mainCode.Build(lengths, kMainSize);
  distCode.Build(lengths + kMainSize, kDistSize);
  lowDistCode.Build(lengths + kMainSize + kDistSize, kLowDistSize);
  repLenCode.Build(lengths + kMainSize + kDistSize + kLowDistSize, kRepLenSize);
  std::memcpy(oldLengths, lengths, sizeof(oldLengths));
  return true;
}

bool TUnpack29::TState::ReadEndOfBlock(bool& endOfFile) {
  const uint32_t bits = in.Peek16();
  bool newTables;
  if (bits & 0x8000) {
    newTables = true;
    endOfFile = false;
    in.Skip(1);
  } else {
    endOfFile = true;
    newTables = (bits & 0x4000) != 0;
    in.Skip(2);
  }
  tablesRead = !newTables;
  // At the end of a file the next one (in a solid archive) reads its own tables if asked to.
  if (endOfFile) return true;
  return ReadTables();
}

bool TUnpack29::TState::ReadFilterFromLz() {
  const uint32_t firstByte = in.Bits(8);
  uint32_t length = (firstByte & 7) + 1;
  if (length == 7) {
    length = in.Bits(8) + 7;
  } else if (length == 8) {
    length = in.Bits(16);
  }
  if (length == 0) return Fail(UnpackResult::BadData);
  std::vector<uint8_t> record(length);
  for (uint32_t i = 0; i < length; i++) {
    in.Ensure();
    record[i] = uint8_t(in.Bits(8));
  }
  if (in.Overrun()) return Fail(UnpackResult::BadData);
  return AddFilter(firstByte, record.data(), length);
}

bool TUnpack29::TState::ReadFilterFromPpm() {
  int b = ppm.DecodeChar();
  if (b < 0) return Fail(UnpackResult::BadData);
  const uint32_t firstByte = uint32_t(b);
  uint32_t length = (firstByte & 7) + 1;
  if (length == 7) {
    b = ppm.DecodeChar();
    if (b < 0) return Fail(UnpackResult::BadData);
    length = uint32_t(b) + 7;
  } else if (length == 8) {
    const int high = ppm.DecodeChar();
    const int low = ppm.DecodeChar();
    if (high < 0 || low < 0) return Fail(UnpackResult::BadData);
    length = uint32_t(high) << 8 | uint32_t(low);
  }
  if (length == 0) return Fail(UnpackResult::BadData);
  std::vector<uint8_t> record(length);
  for (uint32_t i = 0; i < length; i++) {
    b = ppm.DecodeChar();
    if (b < 0) return Fail(UnpackResult::BadData);
    record[i] = uint8_t(b);
  }
  if (in.Overrun()) return Fail(UnpackResult::BadData);
  return AddFilter(firstByte, record.data(), length);
}

// A filter record: which program (a new one carries its code), where its block starts relative
// to the current position, its length, register values and global data, each optional as the
// first byte's flags say.
bool TUnpack29::TState::AddFilter(uint32_t firstByte, const uint8_t* record, size_t size) {
  TRecordBits bits(record, size);
  uint32_t number = lastProgram;
  if (firstByte & 0x80) {
    number = bits.Number();
    if (number == 0) {
      programs.clear();
      programLengths.clear();
      pending.clear();
    } else {
      number--;
    }
  }
  if (number > programs.size() || number > kMaxFilters) return Fail(UnpackResult::BadData);
  lastProgram = number;
  const bool newProgram = number == programs.size();
  if (newProgram) {
    programs.emplace_back();
    programLengths.push_back(0);
  }

  pending.erase(std::remove_if(pending.begin(), pending.end(),
                               [](const TPendingFilter& f) { return !f.live; }),
                pending.end());
  if (pending.size() >= kMaxFilters) return Fail(UnpackResult::BadData);
  TPendingFilter f;
  f.program = number;
  uint32_t start = bits.Number();
  if (firstByte & 0x40) start += 258;
  f.blockStart = (start + unpPtr) & mask;
  if (firstByte & 0x20) {
    f.blockLength = bits.Number();
    programLengths[number] = f.blockLength;
  } else {
    f.blockLength = programLengths[number];
  }
  f.nextWindow = wrPtr != unpPtr && ((wrPtr - unpPtr) & mask) <= start;
  f.regs[4] = f.blockLength;
  if (firstByte & 0x10) {
    const uint32_t which = bits.Peek16() >> 9;
    bits.Skip(7);
    for (int r = 0; r < 7; r++)
      if (which & (1u << r)) f.regs[r] = bits.Number();
  }
  if (newProgram) {
    const uint32_t codeSize = bits.Number();
    if (codeSize == 0 || codeSize >= 0x10000 || bits.BytePos() + codeSize > size)
      return Fail(UnpackResult::BadData);
    std::vector<uint8_t> code(codeSize);
    for (uint32_t i = 0; i < codeSize; i++) {
      code[i] = uint8_t(bits.Peek16() >> 8);
      bits.Skip(8);
    }
    bool checkOk = false;
    programs[number].kind = IdentifyFilter29(code.data(), codeSize, checkOk);
    if (!checkOk) return Fail(UnpackResult::BadData);
    // Only the programs RAR writes are run; another would need the whole virtual machine.
    if (programs[number].kind == TFilter29Kind::Unknown) return Fail(UnpackResult::UnknownMethod);
  }
  if (firstByte & 8) {
    const uint32_t dataSize = bits.Number();
    if (dataSize > kMaxGlobalData) return Fail(UnpackResult::BadData);
    f.globalData.resize(dataSize);
    for (uint32_t i = 0; i < dataSize; i++) {
      f.globalData[i] = uint8_t(bits.Peek16() >> 8);
      bits.Skip(8);
    }
  }
  if (bits.Overrun()) return Fail(UnpackResult::BadData);
  // A block the memory or the window cannot hold could never be filtered.
  if (f.blockLength > kFilter29MemorySize || f.blockLength > windowSize - kMaxMatch)
    return Fail(UnpackResult::BadData);
  pending.push_back(std::move(f));
  return true;
}

bool TUnpack29::TState::CopyMatch(uint32_t length, uint32_t distance) {
  if (distance == 0 || distance > filled) return Fail(UnpackResult::BadData);
  uint32_t src = (unpPtr - distance) & mask;
  produced += length;
  filled = std::min<uint64_t>(uint64_t(filled) + length, windowSize);
  uint8_t* w = window.get();
  // A distance within `length` of the whole window reads from just ahead of the write position
  // (the oldest bytes): the two ranges overlap the other way round, so only the byte loop below
  // copies them as the format means.
  if (src + length <= windowSize && unpPtr + length <= windowSize && distance <= windowSize - length) {
    uint8_t* d = w + unpPtr;
    const uint8_t* s = w + src;
    if (distance >= length) {
      std::memcpy(d, s, length);
    } else {
      for (uint32_t i = 0; i < length; i++) d[i] = s[i];
    }
    unpPtr = (unpPtr + length) & mask;
    return true;
  }
  for (uint32_t i = 0; i < length; i++) {
    w[unpPtr] = w[src];
    unpPtr = (unpPtr + 1) & mask;
    src = (src + 1) & mask;
  }
  return true;
}

bool TUnpack29::TState::Emit(const uint8_t* data, size_t size) {
  fileOffset += size;
  const uint64_t room = unpackedSize - written;
  const size_t n = size_t(std::min<uint64_t>(room, size));
  if (n == 0) return true;
  written += n;
  return out->Write(data, n) || Fail(UnpackResult::Aborted);
}

bool TUnpack29::TState::WriteArea(uint32_t from, uint32_t to) {
  if (to < from) {
    if (!Emit(window.get() + from, windowSize - from)) return false;
    from = 0;
  }
  return from == to || Emit(window.get() + from, to - from);
}

// Applies the filter at `index` and any that follow on exactly its output; gives where in the
// machine's memory the result is.
bool TUnpack29::TState::RunFilters(size_t& index, uint32_t& dataOffset, uint32_t& dataSize) {
  TPendingFilter& f = pending[index];
  const uint32_t start = f.blockStart, length = f.blockLength;
  uint8_t* mem = vmMemory.get();
  const uint32_t firstPart = std::min(length, windowSize - start);
  std::memcpy(mem, window.get() + start, firstPart);
  std::memcpy(mem + firstPart, window.get(), length - firstPart);
  for (;;) {
    TPendingFilter& cur = pending[index];
    uint32_t regs[7];
    std::memcpy(regs, cur.regs, sizeof(regs));
    regs[4] = std::min(regs[4], kFilter29MemorySize);
    regs[6] = uint32_t(fileOffset);
    cur.live = false;
    if (!RunFilter29(programs[cur.program].kind, mem, regs, &dataOffset, &dataSize))
      return Fail(UnpackResult::BadData);
    if (index + 1 >= pending.size()) return true;
    const TPendingFilter& next = pending[index + 1];
    if (!next.live || next.blockStart != start || next.blockLength != dataSize || next.nextWindow)
      return true;
    std::memmove(mem, mem + dataOffset, dataSize);
    index++;
  }
}

// Writes what the window holds up to the current position, filtering the blocks that have
// filters; stops (blocked) before a filtered block that is not complete yet.
bool TUnpack29::TState::WriteBuffer(bool& blocked) {
  blocked = false;
  uint32_t border = wrPtr;
  uint32_t available = (unpPtr - border) & mask;
  for (size_t i = 0; i < pending.size(); i++) {
    TPendingFilter& f = pending[i];
    if (!f.live) continue;
    if (f.nextWindow) {
      f.nextWindow = false;
      continue;
    }
    const uint32_t start = f.blockStart, length = f.blockLength;
    if (((start - border) & mask) >= available) continue;
    if (border != start) {
      if (!WriteArea(border, start)) return false;
      border = start;
      available = (unpPtr - border) & mask;
    }
    if (length > available) {
      for (size_t j = i; j < pending.size(); j++) pending[j].nextWindow = false;
      wrPtr = border;
      blocked = true;
      return true;
    }
    uint32_t dataOffset = 0, dataSize = 0;
    if (!RunFilters(i, dataOffset, dataSize)) return false;
    if (!Emit(vmMemory.get() + dataOffset, dataSize)) return false;
    border = (start + length) & mask;
    available = (unpPtr - border) & mask;
  }
  if (!WriteArea(border, unpPtr)) return false;
  wrPtr = unpPtr;
  return true;
}

UnpackResult TUnpack29::TState::Run(uint64_t size, bool solid) {
  unpackedSize = size;
  produced = written = fileOffset = 0;
  failure = UnpackResult::BadData;
  pending.clear();
  wrPtr = unpPtr;

  // Past the entry's size only an end-of-file or new-tables marker is still read (it tells the
  // next entry of a solid archive what to expect); anything else ends the entry, and damage
  // there does not matter any more.
  bool done = false;
  // An entry whose size the archive does not know ends at its end-of-file marker (or where its
  // packed bytes end between two symbols).
  const bool unknownSize = size == UINT64_MAX;
  auto finish = [&]() -> UnpackResult {
    bool blocked = false;
    if (!WriteBuffer(blocked)) return failure;
    if (unknownSize) return blocked ? UnpackResult::BadData : UnpackResult::Ok;
    return written == unpackedSize ? UnpackResult::Ok : UnpackResult::BadData;
  };
  auto fail = [&]() -> UnpackResult {
    if (done && failure == UnpackResult::BadData) return finish();
    return failure;
  };

  if ((!solid || !tablesRead || ppmBlock) && !ReadTables()) return failure;

  for (;;) {
    unpPtr &= mask;
    in.Ensure();
    if (in.Overrun()) return done ? finish() : UnpackResult::BadData;
    if (((wrPtr - unpPtr) & mask) < kMaxMatch && wrPtr != unpPtr) {
      bool blocked = false;
      if (!WriteBuffer(blocked)) return failure;
      // A filtered block longer than the free part of the window would be overwritten.
      if (blocked && ((wrPtr - unpPtr) & mask) < kMaxMatch) return UnpackResult::BadData;
    }
    done = false;
    if (produced >= unpackedSize) {
      // A filtered block may still be short of its end: decode on until it is written.
      done = std::none_of(pending.begin(), pending.end(),
                          [](const TPendingFilter& f) { return f.live; });
      if (!done) {
        bool blocked = false;
        if (!WriteBuffer(blocked)) return failure;
        done = written >= unpackedSize;
      }
    }
    if ((done || unknownSize) && in.Exhausted()) return finish();

    if (ppmBlock) {
      const int ch = ppm.DecodeChar();
      if (ch < 0) {
        ppm.Clear();
        return fail();
      }
      if (ch == ppmEscape) {
        const int command = ppm.DecodeChar();
        if (command < 0) {
          ppm.Clear();
          return fail();
        }
        if (command == 0) {
          if (!ReadTables()) return fail();
          continue;
        }
        if (command == 2) return finish();
        if (done) return finish();
        if (command == 3) {
          if (!ReadFilterFromPpm()) return fail();
          continue;
        }
        if (command == 4) {
          uint32_t distance = 0;
          for (int i = 0; i < 3; i++) {
            const int b = ppm.DecodeChar();
            if (b < 0) return fail();
            distance = distance << 8 | uint32_t(b);
          }
          const int len = ppm.DecodeChar();
          if (len < 0) return fail();
          if (!CopyMatch(uint32_t(len) + 32, distance + 2)) return fail();
          continue;
        }
        if (command == 5) {
          const int len = ppm.DecodeChar();
          if (len < 0) return fail();
          if (!CopyMatch(uint32_t(len) + 4, 1)) return fail();
          continue;
        }
        // Any other command stands for the escape character itself.
      }
      if (done) return finish();
      PutByte(uint8_t(ch));
      continue;
    }

    const int sym = mainCode.Decode(in);
    if (sym < 0) return fail();
    if (sym < 256) {
      if (done) return finish();
      PutByte(uint8_t(sym));
      continue;
    }
    if (sym == 256) {
      bool endOfFile = false;
      if (!ReadEndOfBlock(endOfFile)) return fail();
      if (endOfFile) return finish();
      continue;
    }
    if (done) return finish();
    if (sym >= 271) {
      const int slot = sym - 271;
      uint32_t length = kLenBase[slot] + 3u;
      if (kLenBits[slot]) length += in.Bits(kLenBits[slot]);
      const int distSlot = distCode.Decode(in);
      if (distSlot < 0) return fail();
      uint32_t distance = kDist.base[distSlot] + 1;
      const unsigned extra = kDist.bits[distSlot];
      if (distSlot > 9) {
        // Long distances send their lowest four bits with a code of their own, which may say
        // "the same low bits as last time" for the next 16 distances.
        if (extra > 4) distance += in.Bits(extra - 4) << 4;
        if (lowDistRepeats > 0) {
          lowDistRepeats--;
          distance += prevLowDist;
        } else {
          const int low = lowDistCode.Decode(in);
          if (low < 0) return fail();
          if (low == 16) {
            lowDistRepeats = 15;
            distance += prevLowDist;
          } else {
            distance += uint32_t(low);
            prevLowDist = uint32_t(low);
          }
        }
      } else if (extra) {
        distance += in.Bits(extra);
      }
      if (distance >= 0x2000) {
        length++;
        if (distance >= 0x40000) length++;
      }
      InsertOldDist(distance);
      lastLength = length;
      if (!CopyMatch(length, distance)) return fail();
      continue;
    }
    if (sym == 257) {
      if (!ReadFilterFromLz()) return fail();
      continue;
    }
    if (sym == 258) {
      if (lastLength != 0 && !CopyMatch(lastLength, oldDist[0])) return fail();
      continue;
    }
    if (sym < 263) {
      const int which = sym - 259;
      const uint32_t distance = oldDist[which];
      for (int i = which; i > 0; i--) oldDist[i] = oldDist[i - 1];
      oldDist[0] = distance;
      const int slot = repLenCode.Decode(in);
      if (slot < 0) return fail();
      uint32_t length = kLenBase[slot] + 2u;
      if (kLenBits[slot]) length += in.Bits(kLenBits[slot]);
      lastLength = length;
      if (!CopyMatch(length, distance)) return fail();
      continue;
    }
    const int slot = sym - 263;
    uint32_t distance = kShortBase[slot] + 1u;
    if (kShortBits[slot]) distance += in.Bits(kShortBits[slot]);
    InsertOldDist(distance);
    lastLength = 2;
    if (!CopyMatch(2, distance)) return fail();
  }
}

TUnpack29::TUnpack29() = default;
TUnpack29::~TUnpack29() = default;

UnpackResult TUnpack29::Unpack(IPackedInput& in, IUnpackedOutput& out, uint64_t unpackedSize,
                              uint64_t dictionarySize, bool solid) {
  if (dictionarySize > kMaxWindow) return UnpackResult::UnknownMethod;
  if (!state_) {
    state_.reset(new (std::nothrow) TState);
    if (!state_) return UnpackResult::OutOfMemory;
    solid = false;
  }
  TState& s = *state_;
  if (!s.vmMemory) {
    s.vmMemory.reset(new (std::nothrow) uint8_t[kFilter29MemorySize + 4]);
    if (!s.vmMemory) return UnpackResult::OutOfMemory;
  }
  if (!s.window) solid = false;
  if (!s.SetWindow(dictionarySize, solid)) {
    s.tablesRead = false;  // a solid successor has nothing to continue from
    return UnpackResult::OutOfMemory;
  }
  if (!solid) s.ResetForNewArchive();
  s.in.Reset(&in);
  s.out = &out;
  try {
    return s.Run(unpackedSize, solid);
  } catch (const std::bad_alloc&) {
    return UnpackResult::OutOfMemory;
  }
}

}  // namespace rarformat
