#include "archivers/rarformat/Ppmd29.h"

#include <cstring>
#include <new>

namespace rarformat {
namespace {

constexpr int kMaxOrder = 64;
constexpr int kPeriodBits = 7;
constexpr int kTotalBits = 14;
constexpr int kInterval = 1 << 7;
constexpr int kBinScale = 1 << kTotalBits;
constexpr int kMaxFreq = 124;
// The heap is carved in units of 12 bytes: a context, two symbol states or a free block.
constexpr uint32_t kUnit = 12;
constexpr int kIndexes = 38;
constexpr uint32_t kTop = 1u << 24;
constexpr uint32_t kBottom = 1u << 15;
const uint8_t kExpEscape[16] = {25, 14, 9, 7, 5, 5, 4, 4, 4, 3, 3, 3, 2, 2, 2, 2};
const uint16_t kInitBinEscape[8] = {0x3CDD, 0x1F3F, 0x59BF, 0x48F3,
                                    0x64A1, 0x5ABC, 0x6632, 0x6051};

// Secondary escape estimation: an adaptive average of how often escapes happened.
struct TSee {
  uint16_t summ = 0;
  uint8_t shift = 0;
  uint8_t count = 0;
  void Init(int value) {
    shift = kPeriodBits - 4;
    summ = uint16_t(value << shift);
    count = 4;
  }
  uint32_t Mean() {
    const uint32_t r = uint32_t(summ >> shift);
    summ = uint16_t(summ - r);
    return r + (r == 0);
  }
  void Update() {
    if (shift < kPeriodBits && --count == 0) {
      summ = uint16_t(summ * 2);
      count = uint8_t(3 << shift++);
    }
  }
};

// A symbol state held outside the heap.
struct TStateValue {
  uint8_t symbol = 0, freq = 0;
  uint32_t successor = 0;
};

}  // namespace

// Heap layout (offsets; 0 is null and also the free-block list head used while gluing):
//   state   (6 bytes): symbol, freq, successor
//   context (12 bytes): numStats u16, summFreq u16, stats u32, suffix u32; a context with one
//                       state keeps it in place of summFreq and stats (at +2)
//   free block (12 bytes): stamp u16, units u16, next u32, prev u32
struct TPpmd29::TModel {
  std::unique_ptr<uint8_t[]> heapMemory;
  uint8_t* h = nullptr;
  uint32_t heapSize = 0;  // the model's own size, as the stream asked
  size_t heapCapacity = 0;
  uint32_t heapStart = kUnit, heapEnd = 0;
  uint32_t text = 0, unitsStart = 0, fakeUnitsStart = 0, loUnit = 0, hiUnit = 0;
  uint32_t freeList[kIndexes] = {};
  uint8_t indexToUnits[kIndexes] = {};
  uint8_t unitsToIndex[128] = {};
  int glueCount = 0;

  TSee see[25][16], dummySee;
  uint32_t minContext = 0, maxContext = 0, foundState = 0;
  int numMasked = 0, initEscape = 0, orderFall = 0, maxOrder = 0, runLength = 0, initRunLength = 0;
  uint8_t charMask[256] = {}, ns2Index[256] = {}, ns2BinIndex[256] = {}, highBitFlag[256] = {};
  uint8_t escCount = 0, prevSuccess = 0, hiBitsFlag = 0;
  uint16_t binSumm[128][64] = {};

  TBitInput29* in = nullptr;
  uint32_t low = 0, code = 0, range = 0;
  uint32_t lowCount = 0, highCount = 0, scale = 0;
  bool broken = false;

  TModel() {
    int i = 0, k = 1;
    for (; i < 4; i++, k += 1) indexToUnits[i] = uint8_t(k);
    for (k++; i < 8; i++, k += 2) indexToUnits[i] = uint8_t(k);
    for (k++; i < 12; i++, k += 3) indexToUnits[i] = uint8_t(k);
    for (k++; i < kIndexes; i++, k += 4) indexToUnits[i] = uint8_t(k);
    for (k = 0, i = 0; k < 128; k++) {
      i += indexToUnits[i] < k + 1;
      unitsToIndex[k] = uint8_t(i);
    }
    ns2BinIndex[0] = 0;
    ns2BinIndex[1] = 2;
    std::memset(ns2BinIndex + 2, 4, 9);
    std::memset(ns2BinIndex + 11, 6, 256 - 11);
    for (i = 0; i < 3; i++) ns2Index[i] = uint8_t(i);
    int m = i, step = 1;
    k = 1;
    for (; i < 256; i++) {
      ns2Index[i] = uint8_t(m);
      if (!--k) {
        k = ++step;
        m++;
      }
    }
    std::memset(highBitFlag + 0x40, 0x08, 0x100 - 0x40);
    dummySee.shift = kPeriodBits;
  }

  // Field access.
  uint16_t Get16(uint32_t at) const {
    uint16_t v;
    std::memcpy(&v, h + at, 2);
    return v;
  }
  uint32_t Get32(uint32_t at) const {
    uint32_t v;
    std::memcpy(&v, h + at, 4);
    return v;
  }
  void Put16(uint32_t at, uint32_t v) {
    const uint16_t x = uint16_t(v);
    std::memcpy(h + at, &x, 2);
  }
  void Put32(uint32_t at, uint32_t v) { std::memcpy(h + at, &v, 4); }
  uint8_t& Symbol(uint32_t s) { return h[s]; }
  uint8_t& Freq(uint32_t s) { return h[s + 1]; }
  uint32_t Successor(uint32_t s) const { return Get32(s + 2); }
  void SetSuccessor(uint32_t s, uint32_t v) { Put32(s + 2, v); }
  uint32_t NumStats(uint32_t c) const { return Get16(c); }
  void SetNumStats(uint32_t c, uint32_t v) { Put16(c, v); }
  uint32_t SummFreq(uint32_t c) const { return Get16(c + 2); }
  void SetSummFreq(uint32_t c, uint32_t v) { Put16(c + 2, v); }
  uint32_t Stats(uint32_t c) const { return Get32(c + 4); }
  void SetStats(uint32_t c, uint32_t v) { Put32(c + 4, v); }
  uint32_t Suffix(uint32_t c) const { return Get32(c + 8); }
  void SetSuffix(uint32_t c, uint32_t v) { Put32(c + 8, v); }
  static uint32_t OneState(uint32_t c) { return c + 2; }
  TStateValue Load(uint32_t s) const { return {h[s], h[s + 1], Get32(s + 2)}; }
  void Store(uint32_t s, const TStateValue& v) {
    h[s] = v.symbol;
    h[s + 1] = v.freq;
    Put32(s + 2, v.successor);
  }
  void Swap(uint32_t a, uint32_t b) {
    uint8_t t[6];
    std::memcpy(t, h + a, 6);
    std::memmove(h + a, h + b, 6);
    std::memcpy(h + b, t, 6);
  }

  // --- The heap's allocator -------------------------------------------------------------
  void InsertNode(uint32_t p, int index) {
    Put32(p + 4, freeList[index]);
    freeList[index] = p;
  }
  uint32_t RemoveNode(int index) {
    const uint32_t p = freeList[index];
    freeList[index] = Get32(p + 4);
    return p;
  }
  uint32_t BlockNext(uint32_t b) const { return Get32(b + 4); }
  uint32_t BlockPrev(uint32_t b) const { return Get32(b + 8); }
  void LinkAfterHead(uint32_t b) {
    const uint32_t next = BlockNext(0);
    Put32(b + 4, next);
    Put32(b + 8, 0);
    Put32(next + 8, b);
    Put32(4, b);
  }
  void Unlink(uint32_t b) {
    const uint32_t prev = BlockPrev(b), next = BlockNext(b);
    Put32(prev + 4, next);
    Put32(next + 8, prev);
  }

  bool StartAllocator(uint32_t megabytes) {
    const uint32_t size = megabytes << 20;
    // The sentinel unit in front, and two units behind that gluing may look at.
    const size_t total = size_t(kUnit) + size + 2 * kUnit;
    if (!heapMemory || heapCapacity < total) {
      heapMemory.reset();
      h = nullptr;
      heapSize = 0;
      heapCapacity = 0;
      heapMemory.reset(new (std::nothrow) uint8_t[total]);
      if (!heapMemory) return false;
      heapCapacity = total;
    }
    // A bigger heap from an earlier model is reused; the model only ever sees `size` of it.
    h = heapMemory.get();
    std::memset(h, 0, kUnit);
    std::memset(h + kUnit + size, 0, 2 * kUnit);
    heapSize = size;
    heapEnd = heapStart + size / kUnit * kUnit;
    return true;
  }

  void InitAllocator() {
    std::memset(freeList, 0, sizeof(freeList));
    text = heapStart;
    const uint32_t size2 = kUnit * (heapSize / 8 / kUnit * 7);
    const uint32_t size1 = heapSize - size2;
    loUnit = unitsStart = fakeUnitsStart = heapStart + size1;
    hiUnit = loUnit + size2;
    glueCount = 0;
  }

  void SplitBlock(uint32_t block, int oldIndex, int newIndex) {
    uint32_t diff = uint32_t(indexToUnits[oldIndex] - indexToUnits[newIndex]);
    uint32_t p = block + kUnit * indexToUnits[newIndex];
    int i = unitsToIndex[diff - 1];
    if (indexToUnits[i] != diff) {
      InsertNode(p, --i);
      p += kUnit * indexToUnits[i];
      diff -= indexToUnits[i];
    }
    InsertNode(p, unitsToIndex[diff - 1]);
  }

  // Merges neighbouring free blocks and sorts them back into the free lists by size.
  void GlueFreeBlocks() {
    if (loUnit != hiUnit) h[loUnit] = 0;
    Put32(4, 0);
    Put32(8, 0);
    for (int i = 0; i < kIndexes; i++)
      while (freeList[i]) {
        const uint32_t p = RemoveNode(i);
        LinkAfterHead(p);
        Put16(p, 0xFFFF);
        Put16(p + 2, indexToUnits[i]);
      }
    for (uint32_t p = BlockNext(0); p != 0; p = BlockNext(p))
      for (;;) {
        const uint32_t p1 = p + kUnit * Get16(p + 2);
        if (Get16(p1) != 0xFFFF || uint32_t(Get16(p + 2)) + Get16(p1 + 2) >= 0x10000) break;
        Unlink(p1);
        Put16(p + 2, Get16(p + 2) + Get16(p1 + 2));
      }
    for (uint32_t p; (p = BlockNext(0)) != 0;) {
      Unlink(p);
      uint32_t units = Get16(p + 2);
      for (; units > 128; units -= 128, p += 128 * kUnit) InsertNode(p, kIndexes - 1);
      int i = unitsToIndex[units - 1];
      if (indexToUnits[i] != units) {
        const uint32_t rest = units - indexToUnits[--i];
        InsertNode(p + (units - rest) * kUnit, int(rest) - 1);
      }
      InsertNode(p, i);
    }
  }

  uint32_t AllocUnitsRare(int index) {
    if (glueCount == 0) {
      glueCount = 255;
      GlueFreeBlocks();
      if (freeList[index]) return RemoveNode(index);
    }
    int i = index;
    do {
      if (++i == kIndexes) {
        glueCount--;
        const uint32_t bytes = kUnit * indexToUnits[index];
        if (int64_t(fakeUnitsStart) - int64_t(text) > int64_t(bytes)) {
          fakeUnitsStart -= bytes;
          unitsStart -= bytes;
          return unitsStart;
        }
        return 0;
      }
    } while (!freeList[i]);
    const uint32_t block = RemoveNode(i);
    SplitBlock(block, i, index);
    return block;
  }

  uint32_t AllocUnits(uint32_t units) {
    const int index = unitsToIndex[units - 1];
    if (freeList[index]) return RemoveNode(index);
    const uint32_t block = loUnit;
    const uint32_t bytes = kUnit * indexToUnits[index];
    if (hiUnit - loUnit >= bytes) {
      loUnit += bytes;
      return block;
    }
    return AllocUnitsRare(index);
  }

  uint32_t AllocContext() {
    if (hiUnit != loUnit) return hiUnit -= kUnit;
    if (freeList[0]) return RemoveNode(0);
    return AllocUnitsRare(0);
  }

  uint32_t ExpandUnits(uint32_t old, uint32_t oldUnits) {
    const int i0 = unitsToIndex[oldUnits - 1], i1 = unitsToIndex[oldUnits];
    if (i0 == i1) return old;
    const uint32_t block = AllocUnits(oldUnits + 1);
    if (block) {
      std::memmove(h + block, h + old, kUnit * oldUnits);
      InsertNode(old, i0);
    }
    return block;
  }

  uint32_t ShrinkUnits(uint32_t old, uint32_t oldUnits, uint32_t newUnits) {
    const int i0 = unitsToIndex[oldUnits - 1], i1 = unitsToIndex[newUnits - 1];
    if (i0 == i1) return old;
    if (freeList[i1]) {
      const uint32_t block = RemoveNode(i1);
      std::memmove(h + block, h + old, kUnit * newUnits);
      InsertNode(old, i0);
      return block;
    }
    SplitBlock(old, i0, i1);
    return old;
  }

  // --- The model -------------------------------------------------------------------------
  void ClearMask() {
    escCount = 1;
    std::memset(charMask, 0, sizeof(charMask));
  }

  void Restart() {
    std::memset(charMask, 0, sizeof(charMask));
    InitAllocator();
    initRunLength = -(maxOrder < 12 ? maxOrder : 12) - 1;
    minContext = maxContext = AllocContext();
    SetSuffix(minContext, 0);
    orderFall = maxOrder;
    SetNumStats(minContext, 256);
    SetSummFreq(minContext, 257);
    const uint32_t stats = AllocUnits(256 / 2);
    SetStats(minContext, stats);
    foundState = stats;
    runLength = initRunLength;
    prevSuccess = 0;
    for (uint32_t i = 0; i < 256; i++) Store(stats + 6 * i, {uint8_t(i), 1, 0});
    for (int i = 0; i < 128; i++)
      for (int k = 0; k < 8; k++)
        for (int m = 0; m < 64; m += 8) binSumm[i][k + m] = uint16_t(kBinScale - kInitBinEscape[k] / (i + 2));
    for (int i = 0; i < 25; i++)
      for (int k = 0; k < 16; k++) see[i][k].Init(5 * i + 10);
  }

  void Start(int order) {
    escCount = 1;
    maxOrder = order;
    Restart();
  }

  // Finds `symbol` among the states of context `c` (which has more than one).
  bool FindState(uint32_t c, uint8_t symbol, uint32_t& p) {
    p = Stats(c);
    for (uint32_t n = NumStats(c); h[p] != symbol; p += 6)
      if (--n == 0) return false;
    return true;
  }

  void Rescale(uint32_t c) {
    const uint32_t oldStats = NumStats(c);
    const uint32_t stats = Stats(c);
    uint32_t p = foundState;
    for (; p != stats; p -= 6) Swap(p, p - 6);
    Freq(stats) = uint8_t(Freq(stats) + 4);
    SetSummFreq(c, SummFreq(c) + 4);
    int escFreq = int(SummFreq(c)) - Freq(p);
    const int adder = orderFall != 0;
    Freq(p) = uint8_t((Freq(p) + adder) >> 1);
    uint32_t summ = Freq(p);
    uint32_t i = oldStats - 1;
    do {
      p += 6;
      escFreq -= Freq(p);
      Freq(p) = uint8_t((Freq(p) + adder) >> 1);
      summ += Freq(p);
      if (Freq(p) > Freq(p - 6)) {
        const TStateValue moving = Load(p);
        uint32_t q = p;
        do {
          std::memmove(h + q, h + q - 6, 6);
          q -= 6;
        } while (q != stats && moving.freq > Freq(q - 6));
        Store(q, moving);
      }
    } while (--i);
    SetSummFreq(c, summ);
    if (Freq(p) == 0) {
      do {
        i++;
        p -= 6;
      } while (Freq(p) == 0);
      escFreq += int(i);
      SetNumStats(c, NumStats(c) - i);
      if (NumStats(c) == 1) {
        TStateValue only = Load(stats);
        do {
          only.freq = uint8_t(only.freq - (only.freq >> 1));
          escFreq >>= 1;
        } while (escFreq > 1);
        InsertNode(stats, unitsToIndex[((oldStats + 1) >> 1) - 1]);
        foundState = OneState(c);
        Store(foundState, only);
        return;
      }
    }
    escFreq -= escFreq >> 1;
    SetSummFreq(c, SummFreq(c) + uint32_t(escFreq));
    const uint32_t n0 = (oldStats + 1) >> 1, n1 = (NumStats(c) + 1) >> 1;
    if (n0 != n1) SetStats(c, ShrinkUnits(stats, n0, n1));
    foundState = Stats(c);
  }

  uint32_t CreateChild(uint32_t parent, uint32_t state, const TStateValue& first) {
    const uint32_t c = AllocContext();
    if (c) {
      SetNumStats(c, 1);
      Store(OneState(c), first);
      SetSuffix(c, parent);
      SetSuccessor(state, c);
    }
    return c;
  }

  // Builds the contexts of higher order for the symbol just seen, up to the one it leads to.
  uint32_t CreateSuccessors(bool skip, uint32_t p1) {
    uint32_t pc = minContext;
    const uint32_t upBranch = Successor(foundState);
    uint32_t states[kMaxOrder];
    int n = 0;
    bool searched = true;
    if (!skip) {
      states[n++] = foundState;
      if (!Suffix(pc)) searched = false;
    }
    if (searched) {
      uint32_t p = 0;
      bool haveState = false;
      if (p1) {
        p = p1;
        pc = Suffix(pc);
        haveState = true;
      }
      do {
        if (!haveState) {
          pc = Suffix(pc);
          if (NumStats(pc) != 1) {
            if (!FindState(pc, Symbol(foundState), p)) return 0;
          } else {
            p = OneState(pc);
          }
        }
        haveState = false;
        if (Successor(p) != upBranch) {
          pc = Successor(p);
          break;
        }
        if (n >= kMaxOrder) return 0;
        states[n++] = p;
      } while (Suffix(pc));
    }
    if (n == 0) return pc;
    if (upBranch <= heapStart || upBranch >= heapStart + heapSize) return 0;
    TStateValue up;
    up.symbol = h[upBranch];
    up.successor = upBranch + 1;
    if (NumStats(pc) != 1) {
      if (pc <= text) return 0;
      uint32_t p;
      if (!FindState(pc, up.symbol, p)) return 0;
      const uint32_t cf = Freq(p) - 1u;
      uint32_t s0 = SummFreq(pc) - NumStats(pc) - cf;
      if (s0 == 0) s0 = 1;
      up.freq = uint8_t(1 + ((2 * cf <= s0) ? (5 * cf > s0) : ((2 * cf + 3 * s0 - 1) / (2 * s0))));
    } else {
      up.freq = Freq(OneState(pc));
    }
    do {
      pc = CreateChild(pc, states[--n], up);
      if (!pc) return 0;
    } while (n);
    return pc;
  }

  void UpdateModel() {
    TStateValue fs = Load(foundState);
    uint32_t p = 0, pc;
    if (fs.freq < kMaxFreq / 4 && (pc = Suffix(minContext)) != 0) {
      if (NumStats(pc) != 1) {
        p = Stats(pc);
        if (Symbol(p) != fs.symbol) {
          if (!FindState(pc, fs.symbol, p)) return RestartAfterFull();
          if (Freq(p) >= Freq(p - 6)) {
            Swap(p, p - 6);
            p -= 6;
          }
        }
        if (Freq(p) < kMaxFreq - 9) {
          Freq(p) = uint8_t(Freq(p) + 2);
          SetSummFreq(pc, SummFreq(pc) + 2);
        }
      } else {
        p = OneState(pc);
        Freq(p) = uint8_t(Freq(p) + (Freq(p) < 32));
      }
    }
    if (!orderFall) {
      minContext = maxContext = CreateSuccessors(true, p);
      SetSuccessor(foundState, minContext);
      if (!minContext) return RestartAfterFull();
      return;
    }
    h[text++] = fs.symbol;
    uint32_t successor = text;
    if (text >= fakeUnitsStart) return RestartAfterFull();
    if (fs.successor) {
      if (fs.successor <= text && (fs.successor = CreateSuccessors(false, p)) == 0)
        return RestartAfterFull();
      if (!--orderFall) {
        successor = fs.successor;
        text -= maxContext != minContext;
      }
    } else {
      SetSuccessor(foundState, successor);
      fs.successor = minContext;
    }
    const uint32_t ns = NumStats(minContext);
    const uint32_t s0 = SummFreq(minContext) - ns - (fs.freq - 1u);
    for (pc = maxContext; pc != minContext; pc = Suffix(pc)) {
      uint32_t ns1 = NumStats(pc);
      if (ns1 != 1) {
        if ((ns1 & 1) == 0) {
          const uint32_t stats = ExpandUnits(Stats(pc), ns1 >> 1);
          SetStats(pc, stats);
          if (!stats) return RestartAfterFull();
        }
        const uint32_t summ = SummFreq(pc);
        SetSummFreq(pc, summ + (2 * ns1 < ns) + 2 * ((4 * ns1 <= ns) & (summ <= 8 * ns1)));
      } else {
        p = AllocUnits(1);
        if (!p) return RestartAfterFull();
        Store(p, Load(OneState(pc)));
        SetStats(pc, p);
        if (Freq(p) < kMaxFreq / 4 - 1)
          Freq(p) = uint8_t(Freq(p) * 2);
        else
          Freq(p) = kMaxFreq - 4;
        SetSummFreq(pc, Freq(p) + uint32_t(initEscape) + (ns > 3));
      }
      uint32_t cf = 2 * fs.freq * (SummFreq(pc) + 6);
      const uint32_t sf = s0 + SummFreq(pc);
      if (cf < 6 * sf) {
        cf = 1 + (cf > sf) + (cf >= 4 * sf);
        SetSummFreq(pc, SummFreq(pc) + 3);
      } else {
        cf = 4 + (cf >= 9 * sf) + (cf >= 12 * sf) + (cf >= 15 * sf);
        SetSummFreq(pc, SummFreq(pc) + cf);
      }
      p = Stats(pc) + 6 * ns1;
      Store(p, {fs.symbol, uint8_t(cf), successor});
      SetNumStats(pc, ++ns1);
    }
    maxContext = minContext = fs.successor;
  }

  void RestartAfterFull() {
    Restart();
    escCount = 0;
  }

  // --- Range decoding ---------------------------------------------------------------------
  uint32_t CurrentCount() {
    if (scale == 0 || range / scale == 0) {
      broken = true;
      return 0;
    }
    range /= scale;
    return (code - low) / range;
  }
  uint32_t CurrentShiftCount(int shift) {
    range >>= shift;
    if (range == 0) {
      broken = true;
      return 0;
    }
    return (code - low) / range;
  }
  void Decode() {
    low += range * lowCount;
    range *= highCount - lowCount;
  }
  void Normalize() {
    for (int steps = 0;; steps++) {
      if ((low ^ (low + range)) >= kTop) {
        if (range >= kBottom) break;
        range = (0u - low) & (kBottom - 1);
      }
      if (range == 0 || steps > 8) {
        broken = true;
        return;
      }
      code = code << 8 | in->Byte();
      range <<= 8;
      low <<= 8;
    }
  }

  void DecodeBinSymbol(uint32_t c) {
    const uint32_t rs = OneState(c);
    hiBitsFlag = highBitFlag[Symbol(foundState)];
    const uint32_t suffix = Suffix(c);
    const uint32_t freq = Freq(rs);
    if (suffix == 0 || freq == 0 || freq > 128) {
      broken = true;
      return;
    }
    uint16_t& bs = binSumm[freq - 1][prevSuccess + ns2BinIndex[(NumStats(suffix) - 1) & 0xFF] +
                                     hiBitsFlag + 2 * highBitFlag[Symbol(rs)] +
                                     ((runLength >> 26) & 0x20)];
    const uint32_t mean = (bs + (1u << (kPeriodBits - 2))) >> kPeriodBits;
    if (CurrentShiftCount(kTotalBits) < bs) {
      foundState = rs;
      Freq(rs) = uint8_t(freq + (freq < 128));
      lowCount = 0;
      highCount = bs;
      bs = uint16_t(bs + kInterval - mean);
      prevSuccess = 1;
      runLength++;
    } else {
      lowCount = bs;
      bs = uint16_t(bs - mean);
      highCount = kBinScale;
      initEscape = kExpEscape[(bs >> 10) & 15];
      numMasked = 1;
      charMask[Symbol(rs)] = escCount;
      prevSuccess = 0;
      foundState = 0;
    }
  }

  void Update1(uint32_t c, uint32_t p) {
    foundState = p;
    Freq(p) = uint8_t(Freq(p) + 4);
    SetSummFreq(c, SummFreq(c) + 4);
    if (Freq(p) > Freq(p - 6)) {
      Swap(p, p - 6);
      foundState = p -= 6;
      if (Freq(p) > kMaxFreq) Rescale(c);
    }
  }

  bool DecodeSymbol1(uint32_t c) {
    scale = SummFreq(c);
    uint32_t p = Stats(c);
    const uint32_t count = CurrentCount();
    if (broken || count >= scale) return false;
    uint32_t hiCnt = Freq(p);
    if (count < hiCnt) {
      highCount = hiCnt;
      prevSuccess = 2 * hiCnt > scale;
      runLength += prevSuccess;
      hiCnt += 4;
      foundState = p;
      Freq(p) = uint8_t(hiCnt);
      SetSummFreq(c, SummFreq(c) + 4);
      if (hiCnt > kMaxFreq) Rescale(c);
      lowCount = 0;
      return true;
    }
    if (!foundState) return false;
    prevSuccess = 0;
    uint32_t i = NumStats(c) - 1;
    while ((hiCnt += Freq(p += 6)) <= count)
      if (--i == 0) {
        hiBitsFlag = highBitFlag[Symbol(foundState)];
        lowCount = hiCnt;
        charMask[Symbol(p)] = escCount;
        numMasked = int(NumStats(c));
        i = NumStats(c) - 1;
        foundState = 0;
        do {
          p -= 6;
          charMask[Symbol(p)] = escCount;
        } while (--i);
        highCount = scale;
        return true;
      }
    highCount = hiCnt;
    lowCount = hiCnt - Freq(p);
    Update1(c, p);
    return true;
  }

  TSee* EscapeFreq(uint32_t c, uint32_t diff) {
    const uint32_t ns = NumStats(c);
    if (ns == 256) {
      scale = 1;
      return &dummySee;
    }
    const uint32_t suffix = Suffix(c);
    const int suffixStats = suffix ? int(NumStats(suffix)) : 0;
    TSee* s = &see[ns2Index[(diff - 1) & 0xFF]]
                  [(int(diff) < suffixStats - int(ns)) + 2 * (SummFreq(c) < 11 * ns) +
                   4 * (uint32_t(numMasked) > diff) + hiBitsFlag];
    scale = s->Mean();
    return s;
  }

  bool DecodeSymbol2(uint32_t c) {
    const uint32_t ns = NumStats(c);
    if (int(ns) <= numMasked) return false;
    uint32_t left = ns - uint32_t(numMasked);
    TSee* s = EscapeFreq(c, left);
    uint32_t states[256];
    uint32_t n = 0, hiCnt = 0;
    uint32_t p = Stats(c);
    const uint32_t end = p + 6 * ns;
    for (; p < end && n < 256; p += 6) {
      if (charMask[Symbol(p)] == escCount) continue;
      hiCnt += Freq(p);
      states[n++] = p;
      if (n == left) break;
    }
    if (n != left) return false;
    scale += hiCnt;
    const uint32_t count = CurrentCount();
    if (broken || count >= scale) return false;
    if (count < hiCnt) {
      uint32_t k = 0;
      hiCnt = 0;
      p = states[0];
      while ((hiCnt += Freq(p)) <= count) p = states[++k];
      highCount = hiCnt;
      lowCount = hiCnt - Freq(p);
      s->Update();
      foundState = p;
      Freq(p) = uint8_t(Freq(p) + 4);
      SetSummFreq(c, SummFreq(c) + 4);
      if (Freq(p) > kMaxFreq) Rescale(c);
      escCount++;
      runLength = initRunLength;
    } else {
      lowCount = hiCnt;
      highCount = scale;
      for (uint32_t k = 0; k < n; k++) charMask[Symbol(states[k])] = escCount;
      s->summ = uint16_t(s->summ + scale);
      numMasked = int(ns);
    }
    return true;
  }

  bool ValidContext(uint32_t c) const { return c > text && c <= heapEnd; }

  int DecodeChar() {
    if (!h || broken || !ValidContext(minContext)) return -1;
    if (NumStats(minContext) != 1) {
      const uint32_t stats = Stats(minContext);
      if (stats <= text || stats > heapEnd) return -1;
      if (!DecodeSymbol1(minContext)) return -1;
    } else {
      DecodeBinSymbol(minContext);
    }
    if (broken) return -1;
    Decode();
    while (!foundState) {
      Normalize();
      do {
        orderFall++;
        minContext = Suffix(minContext);
        if (!ValidContext(minContext)) return -1;
      } while (int(NumStats(minContext)) == numMasked);
      if (!DecodeSymbol2(minContext) || broken) return -1;
      Decode();
    }
    const int symbol = Symbol(foundState);
    if (!orderFall && Successor(foundState) > text) {
      minContext = maxContext = Successor(foundState);
    } else {
      UpdateModel();
      if (escCount == 0) ClearMask();
    }
    Normalize();
    return broken ? -1 : symbol;
  }
};

TPpmd29::TPpmd29() = default;
TPpmd29::~TPpmd29() = default;

void TPpmd29::Clear() {
  // The heap is kept for the next model of the same size; only continuing is ruled out.
  if (model_) model_->minContext = 0;
}

TPpmd29::TInit TPpmd29::Init(TBitInput29& in, int& escChar) {
  if (!model_) {
    model_.reset(new (std::nothrow) TModel);
    if (!model_) return TInit::OutOfMemory;
  }
  TModel& m = *model_;
  const int flags = in.Byte();
  const bool reset = (flags & 0x20) != 0;
  uint32_t megabytes = 0;
  if (reset) {
    megabytes = uint32_t(in.Byte()) + 1;
  } else if (!m.h || !m.minContext) {
    return TInit::Bad;
  }
  if (flags & 0x40) escChar = in.Byte();
  m.in = &in;
  m.broken = false;
  m.low = m.code = 0;
  m.range = 0xFFFFFFFFu;
  for (int i = 0; i < 4; i++) m.code = m.code << 8 | in.Byte();
  if (reset) {
    int order = (flags & 0x1F) + 1;
    if (order > 16) order = 16 + (order - 16) * 3;
    if (order == 1) {
      Clear();
      return TInit::Bad;
    }
    if (!m.StartAllocator(megabytes)) return TInit::OutOfMemory;
    m.Start(order);
  }
  return m.minContext ? TInit::Ok : TInit::Bad;
}

int TPpmd29::DecodeChar() { return model_ ? model_->DecodeChar() : -1; }

}  // namespace rarformat
