// An archive rar.exe is asked to update, read from any bytes: reading never overruns, and a
// clean read keeps its promises (every entry and kept header lies inside the file, in order,
// without overlapping); the entries copied into a new archive by the writer read back the same.
#include <algorithm>

#include "archivers/rar/RarExisting.h"
#include "archivers/rar/RarWriter.h"
#include "fuzz/FuzzInput.h"

namespace quill::fuzz {
namespace {

using namespace rarexe;

class TBytes : public IArchiveBytes {
 public:
  explicit TBytes(const std::string& bytes) : bytes_(bytes) {}
  uint64_t Size() override { return bytes_.size(); }
  bool ReadAt(uint64_t offset, uint8_t* data, size_t size) override {
    if (offset > bytes_.size() || size > bytes_.size() - offset) return false;
    std::copy_n(bytes_.begin() + static_cast<long>(offset), size, data);
    return true;
  }

 private:
  const std::string& bytes_;
};

class TMemoryOutput : public IVolumeOutput {
 public:
  std::string bytes;
  bool StartVolume(unsigned) override { return true; }
  bool Write(const uint8_t* data, size_t size) override {
    bytes.append(reinterpret_cast<const char*>(data), size);
    return true;
  }
  bool Rewrite(uint64_t offset, const uint8_t* data, size_t size) override {
    bytes.replace(offset, size, reinterpret_cast<const char*>(data), size);
    return true;
  }
  bool FinishVolume() override { return true; }
};

class TSpan : public IEntryData {
 public:
  TSpan(const std::string& bytes, uint64_t offset, uint64_t size) : bytes_(bytes), at_(offset), left_(size) {}
  bool Read(uint8_t* buffer, size_t count, size_t& got) override {
    got = static_cast<size_t>(std::min<uint64_t>(count, left_));
    std::copy_n(bytes_.begin() + static_cast<long>(at_), got, buffer);
    at_ += got;
    left_ -= got;
    return true;
  }

 private:
  const std::string& bytes_;
  uint64_t at_, left_;
};

}  // namespace
}  // namespace quill::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quill::fuzz;
  TFuzzInput input(data, size);
  const std::string file = input.File();
  TBytes bytes(file);
  const ExistingArchive archive = ReadExisting(bytes);
  if (archive.state != ExistingState::Ok) return 0;

  std::vector<ExistingEntry> spans = archive.kept;
  spans.insert(spans.end(), archive.entries.begin(), archive.entries.end());
  std::sort(spans.begin(), spans.end(), [](const auto& a, const auto& b) { return a.offset < b.offset; });
  uint64_t end = 8;
  for (const auto& span : spans) {
    Require(span.offset >= end, "entries follow one another without overlapping", span.name);
    Require(span.length > 0 && span.length <= file.size() - span.offset, "an entry lies inside the file", span.name);
    end = span.offset + span.length;
  }

  TMemoryOutput output;
  TRar5Writer writer(output, {});
  Require(writer.Begin(), "the writer starts", "");
  for (const auto* list : {&archive.kept, &archive.entries})
    for (const auto& entry : *list) {
      TSpan span(file, entry.offset, entry.length);
      Require(writer.Copy(span, entry.length), "an entry copies", entry.name);
    }
  Require(writer.End(), "the writer ends", "");
  TBytes copied(output.bytes);
  const ExistingArchive again = ReadExisting(copied);
  Require(again.state == ExistingState::Ok, "the copy reads as cleanly as the original", "");
  Require(again.entries.size() == archive.entries.size() && again.kept.size() == archive.kept.size(),
          "the copy has the same entries", "");
  for (size_t i = 0; i < again.entries.size(); ++i) {
    const auto& a = archive.entries[i];
    const auto& b = again.entries[i];
    Require(a.name == b.name && a.folder == b.folder && a.modified == b.modified && a.wholeSeconds == b.wholeSeconds &&
                a.length == b.length,
            "an entry reads back the same", a.name);
  }
  return 0;
}
