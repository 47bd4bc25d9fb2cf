// ACE headers over any bytes: the header walk ends, every entry lies inside the file after its
// header, and UnACE.dll's session lists, tests and extracts (into memory) over volumes the script
// hands out, without ever naming a file outside the destination or giving more bytes than an
// entry's size.
#include <map>

#include "archivers/aceformat/AceFormat.h"
#include "archivers/unace/UnaceSession.h"
#include "fuzz/FuzzInput.h"

namespace quill::fuzz {
namespace {

using namespace aceformat;

class Host : public unace::IUnaceHost {
 public:
  Host(const std::string& bytes, FuzzedDataProvider& ops) : bytes_(bytes), ops_(ops) {}
  std::unique_ptr<zipformat::IByteSource> OpenVolume(const std::string&) override {
    // The same bytes again as every volume, as long as the script says they are there.
    if (opened_++ > 0 && !ops_.ConsumeBool()) return nullptr;
    return std::make_unique<zipformat::MemorySource>(bytes_);
  }
  bool VolumeMissing(std::string&) override { return ops_.ConsumeBool(); }
  bool VolumeOpened(const std::string&) override { return ops_.ConsumeBool(); }
  bool Data(const uint8_t*, size_t size) override {
    written += size;
    return true;
  }
  std::string NameToUtf8(const std::string& stored, uint8_t) override { return stored; }
  bool MakeFolders(const std::string& path) override {
    Require(path == "dest" || path.rfind("dest\\", 0) == 0, "folders stay in the destination", path);
    return true;
  }
  void StampFolder(const std::string&, const unace::Stamp&) override {}
  class Output : public unace::IOutputFile {
   public:
    int Write(const uint8_t*, size_t) override { return 0; }
    bool Commit() override { return true; }
  };
  std::unique_ptr<unace::IOutputFile> CreateOutput(const std::string& target, const unace::Stamp&) override {
    Require(target.rfind("dest\\", 0) == 0 && target.find("..") == std::string::npos,
            "files stay in the destination", target);
    return std::make_unique<Output>();
  }
  uint64_t written = 0;

 private:
  const std::string& bytes_;
  FuzzedDataProvider& ops_;
  unsigned opened_ = 0;
};

void Check(TFuzzInput& input) {
  const std::string file = input.File();
  FuzzedDataProvider& ops = input.Ops();

  zipformat::MemorySource source(file);
  AceReader reader(source);
  if (reader.Open() == AceStatus::Ok) {
    Require(reader.Main().end <= file.size(), "the main header lies inside the file");
    FileEntry entry;
    uint64_t last = reader.Main().end;
    while (reader.Next(entry) == AceStatus::Ok) {
      Require(entry.headerOffset >= last, "headers come in order");
      Require(entry.dataOffset > entry.headerOffset && entry.End() <= file.size(), "an entry lies inside the file",
              entry.name);
      last = entry.End();
    }
  }

  Host host(file, ops);
  unace::Session session(host, ops.ConsumeBool() ? unaceapi::kAceOpenExtract : unaceapi::kAceOpenList);
  if (session.Open("fuzz.ace") != unaceapi::kAceOk) return;
  FileEntry entry;
  for (int count = 0; session.ReadHeader(entry) == unaceapi::kAceOk; ++count) {
    Require(count <= 1000 + int(file.size()), "the walk ends");
    const uint64_t before = host.written;
    session.Process(ops.ConsumeIntegralInRange<int>(0, 2), "dest");
    Require(host.written - before <= entry.size, "an entry never gives more than its size", entry.name);
  }
  NextVolumeName(ops.ConsumeRandomLengthString(40));
}

}  // namespace
}  // namespace quill::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quill::fuzz::TFuzzInput input(data, size);
  quill::fuzz::Check(input);
  return 0;
}
