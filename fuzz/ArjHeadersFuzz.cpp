// ARJ headers over any bytes: the main header search and the header loop end, never read past
// the end, and give names of at most 512 bytes; the archive reader over the same bytes (as a
// set of up to three volumes) lists without a crash, and extracting each entry into a capped
// output never writes more than the entry's size.
#include <algorithm>
#include <memory>
#include <string>

#include "ArjArchive.h"
#include "ArjHeaders.h"
#include "fuzz/FuzzInput.h"

namespace quill::fuzz {
namespace {

using namespace arjformat;

class TCapped final : public IByteOutput {
 public:
  explicit TCapped(uint64_t limit) : limit_(limit) {}
  bool Write(const uint8_t* data, size_t count) override {
    written += count;
    Require(written <= limit_, "no write past the entry's size");
    sum += data[0] + data[count - 1];
    return true;
  }
  uint64_t written = 0;
  unsigned sum = 0;

 private:
  uint64_t limit_;
};

void Headers(zipformat::MemorySource& source) {
  const auto main = FindMainHeader(source);
  if (!main) return;
  Require(*main + 2 <= source.Size(), "the main header lies inside the bytes");
  uint64_t offset = *main;
  for (int i = 0; i < 10000; ++i) {
    ArjHeader header;
    uint64_t data = 0;
    const HeaderStatus status = ReadHeader(source, offset, header, data);
    if (status != HeaderStatus::Ok) break;
    Require(data > offset && data <= source.Size(), "the data offset follows the header, inside the bytes");
    Require(header.name.size() <= kMaxNameLength, "at most 512 name bytes");
    Require(header.firstHeaderSize >= kMinFirstHeaderSize, "a fixed part of 30 bytes at least");
    offset = data + (i == 0 ? 0 : header.compressedSize);
    if (offset > source.Size()) break;
  }
}

}  // namespace
}  // namespace quill::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace arjformat;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  zipformat::MemorySource source(bytes);
  quill::fuzz::Headers(source);

  ArjArchive archive;
  int opened = 0;
  const bool ok = archive.Open("f.arj", [&](const std::string&) -> std::unique_ptr<zipformat::IByteSource> {
    if (++opened > 3) return nullptr;
    return std::make_unique<zipformat::MemorySource>(bytes);
  });
  if (!ok) return 0;
  size_t budget = 1 << 20;  // keeps each run short
  for (const auto& entry : archive.Entries()) {
    if (entry.header.originalSize > budget) continue;
    budget -= entry.header.originalSize;
    quill::fuzz::TCapped out(entry.header.originalSize);
    archive.Extract(entry, out);
  }
  return 0;
}
