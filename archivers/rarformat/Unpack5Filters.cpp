#include "Unpack5Filters.h"

#include <cstring>

namespace rarformat {

namespace {

uint32_t Get32(const uint8_t* p) { return p[0] | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24); }

void Put32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v >> 16);
  p[3] = uint8_t(v >> 24);
}

}  // namespace

void Unfilter5Delta(const uint8_t* src, uint8_t* dst, size_t size, unsigned channels) {
  for (unsigned channel = 0; channel < channels; ++channel) {
    uint8_t previous = 0;
    for (size_t i = channel; i < size; i += channels) {
      previous = uint8_t(previous - *src++);
      dst[i] = previous;
    }
  }
}

void Unfilter5E8(uint8_t* data, size_t size, uint32_t fileOffset, bool e9) {
  // Addresses live in a virtual 16 MiB image: the compressor turned relative targets that land
  // inside it into absolute ones, and negative absolutes that stay negative into +16 MiB ones.
  constexpr uint32_t kImage = 0x1000000;
  size_t i = 0;
  while (i + 4 < size) {
    uint8_t op = data[i++];
    if (op != 0xE8 && !(e9 && op == 0xE9)) continue;
    uint32_t offset = (uint32_t(i) + fileOffset) & (kImage - 1);
    uint32_t address = Get32(data + i);
    if (address & 0x80000000u) {
      if (((address + offset) & 0x80000000u) == 0) Put32(data + i, address + kImage);
    } else if ((address - kImage) & 0x80000000u) {
      Put32(data + i, address - offset);
    }
    i += 4;
  }
}

void Unfilter5Arm(uint8_t* data, size_t size, uint32_t fileOffset) {
  for (size_t i = 0; i + 3 < size; i += 4) {
    uint8_t* op = data + i;
    if (op[3] != 0xEB) continue;
    uint32_t target = op[0] | (uint32_t(op[1]) << 8) | (uint32_t(op[2]) << 16);
    target -= (fileOffset + uint32_t(i)) / 4;
    op[0] = uint8_t(target);
    op[1] = uint8_t(target >> 8);
    op[2] = uint8_t(target >> 16);
  }
}

}  // namespace rarformat
