#include "archivers/rarformat/Unpack29Filters.h"

#include <array>
#include <cstdlib>
#include <cstring>

namespace rarformat {
namespace {

uint32_t Crc32Of(const uint8_t* data, size_t size) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; i++) {
      uint32_t c = i;
      for (int k = 0; k < 8; k++) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < size; i++) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

uint32_t Load32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void Store32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v >> 16);
  p[3] = uint8_t(v >> 24);
}

// x86 CALL (and JMP) targets were turned from relative into absolute addresses by the packer,
// which makes repeated calls to one function compress; this turns them back.
bool UndoE8(uint8_t* mem, uint32_t size, uint32_t fileOffset, bool alsoE9) {
  if (size > kFilter29MemorySize || size < 4) return false;
  constexpr uint32_t kAddressSpace = 0x1000000;
  for (uint32_t pos = 0; pos + 4 < size;) {
    const uint8_t op = mem[pos++];
    if (op != 0xE8 && !(alsoE9 && op == 0xE9)) continue;
    const uint32_t here = pos + fileOffset;
    const uint32_t addr = Load32(mem + pos);
    if (addr & 0x80000000u) {
      if (((addr + here) & 0x80000000u) == 0) Store32(mem + pos, addr + kAddressSpace);
    } else if ((addr - kAddressSpace) & 0x80000000u) {
      Store32(mem + pos, addr - here);
    }
    pos += 4;
  }
  return true;
}

uint32_t BundleBits(const uint8_t* bundle, uint32_t bitPos, uint32_t count) {
  const uint8_t* p = bundle + bitPos / 8;
  const uint32_t v = Load32(p) >> (bitPos & 7);
  return v & ((1u << count) - 1);
}

void SetBundleBits(uint8_t* bundle, uint32_t value, uint32_t bitPos, uint32_t count) {
  uint8_t* p = bundle + bitPos / 8;
  const uint32_t shift = bitPos & 7;
  const uint32_t mask = ~(((1u << count) - 1) << shift);
  Store32(p, (Load32(p) & mask) | (value << shift));
}

// IA-64 bundles: the branch slots' 20-bit targets were made absolute, per 16-byte bundle.
bool UndoItanium(uint8_t* mem, uint32_t size, uint32_t fileOffset) {
  if (size > kFilter29MemorySize || size < 21) return false;
  static const uint8_t kBranchSlots[16] = {4, 4, 6, 6, 0, 0, 7, 7, 4, 4, 0, 0, 4, 4, 0, 0};
  uint32_t bundleNumber = fileOffset >> 4;
  for (uint32_t pos = 0; pos < size - 21; pos += 16, bundleNumber++) {
    uint8_t* bundle = mem + pos;
    const int templ = (bundle[0] & 0x1F) - 0x10;
    if (templ < 0) continue;
    const uint8_t slots = kBranchSlots[templ];
    for (uint32_t slot = 0; slot < 3; slot++) {
      if (!(slots & (1u << slot))) continue;
      const uint32_t start = slot * 41 + 5;
      if (BundleBits(bundle, start + 37, 4) != 5) continue;
      const uint32_t target = BundleBits(bundle, start + 13, 20);
      SetBundleBits(bundle, (target - bundleNumber) & 0xFFFFF, start + 13, 20);
    }
  }
  return true;
}

// Interleaved channels were stored one after another as byte differences.
bool UndoDelta(uint8_t* mem, uint32_t size, uint32_t channels) {
  if (size > kFilter29MemorySize / 2 || channels == 0 || channels > 1024) return false;
  uint32_t src = 0;
  for (uint32_t ch = 0; ch < channels; ch++) {
    uint8_t prev = 0;
    for (uint32_t dst = size + ch; dst < 2 * size; dst += channels) {
      prev = uint8_t(prev - mem[src++]);
      mem[dst] = prev;
    }
  }
  return true;
}

// 24-bit pictures: each colour plane predicted from its left, upper and upper-left neighbours
// (Paeth), and red and blue stored relative to green.
bool UndoRgb(uint8_t* mem, uint32_t size, uint32_t rowBytes, uint32_t redPos) {
  const uint32_t width = rowBytes - 3;
  if (size > kFilter29MemorySize / 2 || size < 3 || width > size || redPos > 2) return false;
  const uint8_t* src = mem;
  uint8_t* dst = mem + size;
  for (uint32_t ch = 0; ch < 3; ch++) {
    uint32_t prev = 0;
    for (uint32_t i = ch; i < size; i += 3) {
      uint32_t predicted = prev;
      if (i >= width + 3) {
        const uint32_t up = dst[i - width];
        const uint32_t upLeft = dst[i - width - 3];
        const uint32_t guess = prev + up - upLeft;
        const int pa = std::abs(int(guess - prev));
        const int pb = std::abs(int(guess - up));
        const int pc = std::abs(int(guess - upLeft));
        predicted = (pa <= pb && pa <= pc) ? prev : (pb <= pc ? up : upLeft);
      }
      prev = uint8_t(predicted - *src++);
      dst[i] = uint8_t(prev);
    }
  }
  for (uint32_t i = redPos; i + 2 < size; i += 3) {
    const uint8_t green = dst[i + 1];
    dst[i] = uint8_t(dst[i] + green);
    dst[i + 2] = uint8_t(dst[i + 2] + green);
  }
  return true;
}

// Sampled sound: per channel a linear predictor whose three weights adapt every 32 samples to
// whichever nudge would have given the smallest error.
bool UndoAudio(uint8_t* mem, uint32_t size, uint32_t channels) {
  if (size > kFilter29MemorySize / 2 || channels == 0 || channels > 128) return false;
  const uint8_t* src = mem;
  uint8_t* dst = mem + size;
  for (uint32_t ch = 0; ch < channels; ch++) {
    uint32_t prevByte = 0, prevDelta = 0, errors[7] = {};
    int d1 = 0, d2 = 0, d3 = 0, k1 = 0, k2 = 0, k3 = 0;
    for (uint32_t i = ch, n = 0; i < size; i += channels, n++) {
      d3 = d2;
      d2 = int(prevDelta) - d1;
      d1 = int(prevDelta);
      uint32_t predicted = 8 * prevByte + uint32_t(k1 * d1 + k2 * d2 + k3 * d3);
      predicted = (predicted >> 3) & 0xFF;
      const uint32_t cur = *src++;
      predicted -= cur;
      dst[i] = uint8_t(predicted);
      prevDelta = uint32_t(int(int8_t(uint8_t(predicted - prevByte))));
      prevByte = predicted & 0xFF;
      const int d = int(int8_t(uint8_t(cur))) * 8;
      errors[0] += uint32_t(std::abs(d));
      errors[1] += uint32_t(std::abs(d - d1));
      errors[2] += uint32_t(std::abs(d + d1));
      errors[3] += uint32_t(std::abs(d - d2));
      errors[4] += uint32_t(std::abs(d + d2));
      errors[5] += uint32_t(std::abs(d - d3));
      errors[6] += uint32_t(std::abs(d + d3));
      if ((n & 0x1F) == 0) {
        uint32_t best = errors[0], bestIndex = 0;
        errors[0] = 0;
        for (uint32_t j = 1; j < 7; j++) {
          if (errors[j] < best) {
            best = errors[j];
            bestIndex = j;
          }
          errors[j] = 0;
        }
        switch (bestIndex) {
          case 1: if (k1 >= -16) k1--; break;
          case 2: if (k1 < 16) k1++; break;
          case 3: if (k2 >= -16) k2--; break;
          case 4: if (k2 < 16) k2++; break;
          case 5: if (k3 >= -16) k3--; break;
          case 6: if (k3 < 16) k3++; break;
          default: break;
        }
      }
    }
  }
  return true;
}

}  // namespace

TFilter29Kind IdentifyFilter29(const uint8_t* code, size_t size, bool& checkOk) {
  checkOk = false;
  if (size == 0) return TFilter29Kind::Unknown;
  uint8_t x = 0;
  for (size_t i = 1; i < size; i++) x ^= code[i];
  checkOk = x == code[0];
  if (!checkOk) return TFilter29Kind::Unknown;
  struct TKnown {
    size_t size;
    uint32_t crc;
    TFilter29Kind kind;
  };
  static const TKnown kKnown[] = {
      {53, 0xAD576887u, TFilter29Kind::E8},        {57, 0x3CD7E57Eu, TFilter29Kind::E8E9},
      {120, 0x3769893Fu, TFilter29Kind::Itanium},  {29, 0x0E06077Du, TFilter29Kind::Delta},
      {149, 0x1C2C5DC8u, TFilter29Kind::Rgb},      {216, 0xBC85E701u, TFilter29Kind::Audio},
  };
  const uint32_t crc = Crc32Of(code, size);
  for (const TKnown& k : kKnown)
    if (k.size == size && k.crc == crc) return k.kind;
  return TFilter29Kind::Unknown;
}

bool RunFilter29(TFilter29Kind kind, uint8_t* memory, const uint32_t regs[7], uint32_t* outOffset,
                 uint32_t* outSize) {
  const uint32_t size = regs[4];
  *outOffset = 0;
  *outSize = size;
  switch (kind) {
    case TFilter29Kind::E8: return UndoE8(memory, size, regs[6], false);
    case TFilter29Kind::E8E9: return UndoE8(memory, size, regs[6], true);
    case TFilter29Kind::Itanium: return UndoItanium(memory, size, regs[6]);
    case TFilter29Kind::Delta: *outOffset = size; return UndoDelta(memory, size, regs[0]);
    case TFilter29Kind::Rgb: *outOffset = size; return UndoRgb(memory, size, regs[0], regs[1]);
    case TFilter29Kind::Audio: *outOffset = size; return UndoAudio(memory, size, regs[0]);
    case TFilter29Kind::Unknown: break;
  }
  return false;
}

}  // namespace rarformat
