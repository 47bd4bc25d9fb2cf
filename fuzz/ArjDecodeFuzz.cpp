// The ARJ decoders over any packed bytes: each ends (the time limit catches a hang), never
// writes more than the original size, and reports success only with exactly that size written.
// The first byte chooses the method (0-4), the next three give the original size (at most
// 256 KiB, so runs stay fast); the rest are the packed data.
#include <algorithm>
#include <cstring>

#include "ArjDecode.h"
#include "fuzz/FuzzInput.h"

namespace quill::fuzz {
namespace {

using namespace arjformat;

class TInput final : public IByteInput {
 public:
  TInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  size_t Read(uint8_t* buffer, size_t count) override {
    // Odd-sized pieces, as a file read might give.
    const size_t n = std::min({count, size_ - pos_, size_t(4093)});
    if (n) std::memcpy(buffer, data_ + pos_, n);
    pos_ += n;
    return n;
  }

 private:
  const uint8_t* data_;
  size_t size_, pos_ = 0;
};

class TOutput final : public IByteOutput {
 public:
  explicit TOutput(uint64_t limit) : limit_(limit) {}
  bool Write(const uint8_t* data, size_t count) override {
    Require(count > 0 && written + count <= limit_, "no write past the original size");
    sum += data[0] + data[count - 1];
    written += count;
    return true;
  }
  uint64_t written = 0;
  unsigned sum = 0;

 private:
  uint64_t limit_;
};

}  // namespace
}  // namespace quill::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace arjformat;
  if (size < 4) return 0;
  const uint8_t method = data[0] % 5;
  const uint64_t original = (uint64_t(data[1]) | uint64_t(data[2]) << 8 | uint64_t(data[3]) << 16) & 0x3FFFF;
  quill::fuzz::TInput in(data + 4, size - 4);
  quill::fuzz::TOutput out(original);
  const DecodeStatus status = Decode(method, in, size - 4, original, out);
  quill::fuzz::Require(status != DecodeStatus::UnknownMethod, "methods 0-4 are known");
  if (status == DecodeStatus::Ok) quill::fuzz::Require(out.written == original, "success means the whole size");
  return 0;
}
