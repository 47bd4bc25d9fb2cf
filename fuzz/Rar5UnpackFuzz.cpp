// The RAR 5 decoder over any packed bytes: it ends (no crash, no hang, no read outside its
// buffers), never writes more than the unpacked size, writes exactly that much when it says Ok,
// and gives the same result (and, when Ok, the same bytes) again from a reused object. Four
// leading bytes choose the decoding: byte 0 bits 0-1 the dictionary (128 KiB << n), bit 2 an
// unknown size, bit 3 a second, solid entry over the rest of the bytes, bits 4-6 a scale for the
// size in bytes 1-2 (little-endian, times 2^scale, at most 256 KiB); byte 3 where the second
// entry's bytes begin.
#include <algorithm>
#include <cstring>
#include <string>

#include "archivers/rarformat/Unpack5.h"
#include "fuzz/FuzzInput.h"

namespace quill::fuzz {
namespace {

using namespace rarformat;

class TBytesIn : public IPackedInput {
 public:
  explicit TBytesIn(std::string_view bytes) : bytes_(bytes) {}
  size_t Read(uint8_t* buffer, size_t count) override {
    size_t n = std::min(count, bytes_.size() - at_);
    std::memcpy(buffer, bytes_.data() + at_, n);
    at_ += n;
    return n;
  }

 private:
  std::string_view bytes_;
  size_t at_ = 0;
};

// Refuses more than kOutputCap bytes (an unknown size can mean megabytes from a few packed
// bytes), which keeps each run short.
constexpr size_t kOutputCap = 512 << 10;

class TBytesOut : public IUnpackedOutput {
 public:
  bool Write(const uint8_t* data, size_t count) override {
    Require(count > 0, "no empty writes");
    Require(!refused, "no writes after a refusal");
    bytes.append(reinterpret_cast<const char*>(data), count);
    refused = bytes.size() > kOutputCap;
    return !refused;
  }
  std::string bytes;
  bool refused = false;
};

struct TRun {
  UnpackResult first, second;
  std::string out1, out2;
  bool refused1 = false, refused2 = false;
};

TRun Decode(TUnpack5& unpack, std::string_view a, std::string_view b, bool two, uint64_t size, uint64_t dict) {
  TRun run;
  TBytesIn in1(a);
  TBytesOut out1;
  run.first = unpack.Unpack(in1, out1, size, dict, false);
  run.out1 = std::move(out1.bytes);
  run.refused1 = out1.refused;
  run.second = UnpackResult::Ok;
  if (two) {
    TBytesIn in2(b);
    TBytesOut out2;
    run.second = unpack.Unpack(in2, out2, size, dict, true);
    run.out2 = std::move(out2.bytes);
    run.refused2 = out2.refused;
  }
  return run;
}

void CheckRun(const TRun& run, bool two, uint64_t size) {
  Require((run.first == UnpackResult::Aborted) == run.refused1, "Aborted exactly when the output refused");
  if (two && run.first == UnpackResult::Ok)
    Require((run.second == UnpackResult::Aborted) == run.refused2, "Aborted exactly when the output refused");
  Require(run.first != UnpackResult::UnknownMethod, "every stream is RAR 5");
  for (int i = 0; i < (two ? 2 : 1); ++i) {
    UnpackResult r = i == 0 ? run.first : run.second;
    const std::string& out = i == 0 ? run.out1 : run.out2;
    if (size != UINT64_MAX) {
      Require(out.size() <= size, "never more than the unpacked size");
      if (r == UnpackResult::Ok) Require(out.size() == size, "Ok means the whole size");
    }
  }
  if (two && run.first != UnpackResult::Ok)
    Require(run.second == UnpackResult::BadData, "a solid entry after a failure fails");
}

}  // namespace
}  // namespace quill::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quill::fuzz;
  if (size < 4) return 0;
  const uint64_t dict = uint64_t(128 * 1024) << (data[0] & 3);
  const bool unknown = (data[0] & 4) != 0;
  const bool two = (data[0] & 8) != 0;
  const uint64_t scaled = (uint64_t(data[1]) | (uint64_t(data[2]) << 8)) << ((data[0] >> 4) & 7);
  const uint64_t unpacked = unknown ? UINT64_MAX : std::min<uint64_t>(scaled, 1 << 18);
  std::string_view packed(reinterpret_cast<const char*>(data) + 4, size - 4);
  size_t split = two ? packed.size() * data[3] / 255 : packed.size();
  std::string_view a = packed.substr(0, split), b = packed.substr(split);

  rarformat::TUnpack5 unpack;
  TRun run = Decode(unpack, a, b, two, unpacked, dict);
  CheckRun(run, two, unpacked);
  // The same object again, from a non-solid start: nothing of the first run may leak in.
  TRun again = Decode(unpack, a, b, two, unpacked, dict);
  // (Unless the output cap cut either run: how far a failing run gets before it fails depends
  // on where output pieces were cut.)
  if (!run.refused1 && !again.refused1 && !run.refused2 && !again.refused2)
    Require(again.first == run.first && again.second == run.second, "the same result again");
  // Bytes written before a failure depend on where output pieces were cut (the window an
  // earlier run left behind may be bigger); a complete entry must not.
  if (run.first == UnpackResult::Ok) Require(again.out1 == run.out1, "the same bytes again");
  if (two && run.second == UnpackResult::Ok) Require(again.out2 == run.out2, "the same bytes again");
  return 0;
}
