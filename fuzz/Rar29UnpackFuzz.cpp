// The RAR 2.9 decoder over any packed bytes: it ends (the time limit catches a hang), never
// writes more than the size it was given, and reports success only with exactly that size
// written. The first byte chooses the window (64 KiB << n), whether the same bytes are then
// decoded again as the next entry of a solid archive (0x10) and whether the size is unknown
// (0x20); the next three give the unpacked size (at most 256 KiB, so runs stay fast); the rest
// are the packed stream.
#include <algorithm>
#include <cstring>

#include "archivers/rarformat/Unpack29.h"
#include "fuzz/FuzzInput.h"

namespace quill::fuzz {
namespace {

using namespace rarformat;

class TInput : public IPackedInput {
 public:
  TInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  size_t Read(uint8_t* buffer, size_t count) override {
    // Odd-sized pieces, as a reader crossing volumes might give.
    const size_t n = std::min({count, size_ - pos_, size_t(4093)});
    if (n) std::memcpy(buffer, data_ + pos_, n);
    pos_ += n;
    return n;
  }

 private:
  const uint8_t* data_;
  size_t size_, pos_ = 0;
};

// An unknown size (UINT64_MAX) is cut off by refusing writes past kUnknownSizeCap.
constexpr uint64_t kUnknownSizeCap = 0x40000;

class TOutput : public IUnpackedOutput {
 public:
  explicit TOutput(uint64_t limit) : limit_(limit) {}
  bool Write(const uint8_t* data, size_t count) override {
    Require(count > 0 && written + count <= limit_, "no write past the unpacked size");
    sum += data[0] + data[count - 1];  // touch the bytes so ASan checks they are real
    written += count;
    return written < kUnknownSizeCap || limit_ != UINT64_MAX;
  }
  uint64_t written = 0;
  unsigned sum = 0;

 private:
  uint64_t limit_;
};

void DecodeOnce(TUnpack29& decoder, const uint8_t* data, size_t size, uint64_t unpacked,
                uint64_t window, bool solid) {
  TInput in(data, size);
  TOutput out(unpacked);
  const UnpackResult r = decoder.Unpack(in, out, unpacked, window, solid);
  Require(r == UnpackResult::Ok || r == UnpackResult::BadData ||
              r == UnpackResult::UnknownMethod || r == UnpackResult::OutOfMemory ||
              (r == UnpackResult::Aborted && unpacked == UINT64_MAX),
          "a known result (only the cut-off of an unknown size cancels)");
  if (r == UnpackResult::Ok && unpacked != UINT64_MAX)
    Require(out.written == unpacked, "success means the whole size");
}

}  // namespace
}  // namespace quill::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const uint64_t window = uint64_t(0x10000) << std::min(data[0] & 7, 6);
  const bool again = (data[0] & 0x10) != 0;
  uint64_t unpacked = (uint64_t(data[1]) | uint64_t(data[2]) << 8 | uint64_t(data[3]) << 16) & 0x3FFFF;
  if (data[0] & 0x20) unpacked = UINT64_MAX;
  // One decoder for every input, as a reader keeps it across archives: each input starts as a
  // new archive (not solid), which must forget everything the previous one left.
  static rarformat::TUnpack29 decoder;
  quill::fuzz::DecodeOnce(decoder, data + 4, size - 4, unpacked, window, false);
  if (again) quill::fuzz::DecodeOnce(decoder, data + 4, size - 4, unpacked, window, true);
  return 0;
}
