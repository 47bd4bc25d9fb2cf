// A RAR archive's headers over any bytes, RAR 5 and RAR 1.5-4 alike: the walk ends, every entry
// it gives lies where it says (data after its header), a packed stream gives exactly the packed
// size or says why it stopped, and volumes that repeat themselves (the script decides how many
// the provider hands out) never loop. The Unicode name decoder and BLAKE2sp take the bytes too.
#include "archivers/rarformat/Blake2sp.h"
#include "archivers/rarformat/RarArchive.h"
#include "fuzz/FuzzInput.h"

namespace quill::fuzz {
namespace {

using namespace rarformat;

class RepeatingVolumes : public IVolumeProvider {
 public:
  RepeatingVolumes(const std::string& bytes, unsigned count) : bytes_(bytes), left_(count) {}
  std::unique_ptr<zipformat::IByteSource> Open(const std::string&) override {
    if (left_ == 0) return nullptr;
    --left_;
    return std::make_unique<zipformat::MemorySource>(bytes_);
  }
  bool AskMissing(std::string&) override { return false; }
  bool Opened(const std::string&) override { return true; }

 private:
  const std::string& bytes_;
  unsigned left_;
};

void Check(TFuzzInput& input) {
  const std::string file = input.File();
  FuzzedDataProvider& ops = input.Ops();
  RepeatingVolumes volumes(file, ops.ConsumeIntegralInRange<unsigned>(0, 3));
  RarReader reader(std::make_unique<zipformat::MemorySource>(file), "fuzz.part1.rar", &volumes);
  if (reader.Open() != RarStatus::Ok) return;
  const bool readData = ops.ConsumeBool();
  RarEntry entry;
  size_t entries = 0;
  while (reader.Next(entry) == RarStatus::Ok) {
    ++entries;
    // Each entry needs a header of at least a few bytes in one of at most four copies.
    Require(entries <= 4 * (file.size() / 7 + 1), "the walk ends");
    Require(entry.dataOffset > entry.headerOffset, "the data follows its header", entry.name);
    if (!readData) continue;
    auto packed = reader.OpenPacked();
    Require(packed != nullptr, "an entry has a stream");
    uint64_t total = 0;
    uint8_t buffer[4096];
    while (size_t got = packed->Read(buffer, sizeof buffer)) total += got;
    const RarEntry& last = reader.CurrentPart();
    if (!entry.splitAfter) {
      bool whole = total == entry.packedSize;
      Require(whole || reader.StreamError() != RarStatus::Ok, "a short stream says why", entry.name);
      Require(total <= entry.packedSize, "a stream never gives more than its size", entry.name);
    }
    Require(!last.splitAfter || reader.StreamError() != RarStatus::Ok, "a split stream ends at its last part",
            entry.name);
  }

  std::string oem = ops.ConsumeRandomLengthString(64);
  std::u16string name = DecodeRar4UnicodeName(oem, file.substr(0, 512));
  Require(name.size() <= 0x10000, "a decoded name is bounded");
  Utf16ToUtf8(name);
  Blake2sp hash;
  hash.Update(reinterpret_cast<const uint8_t*>(file.data()), file.size());
  hash.Final();
  NextVolumeName(oem, ops.ConsumeBool());
}

}  // namespace
}  // namespace quill::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quill::fuzz::TFuzzInput input(data, size);
  quill::fuzz::Check(input);
  return 0;
}
