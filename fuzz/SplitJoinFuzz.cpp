// A volume set's outside bytes: the input is both the ".crc" list and volume 1 (a second volume
// follows it). Whatever they hold, the proposed output name is one plain file name, the join
// creates files only beside the output, and a join that succeeds wrote volume 1 from its data
// start followed by volume 2.
#include "app/SplitJoin.h"
#include "base/CodePage.h"
#include "fuzz/FuzzInput.h"
#include "tests/native/MemoryFileStreams.h"

namespace quill::fuzz {
namespace {

void Check(const std::string& bytes) {
  test::TMemoryFileStreams fs;
  const TLatin1CodePage codePage;
  fs.files["C:\\data\\n.001"] = bytes;
  fs.files["C:\\data\\n.002"] = "tail";
  fs.files["C:\\data\\n.crc"] = bytes;
  const TCrcList list = ParseCrcList(bytes, codePage);
  const TJoinHeader header = DetectHeader(bytes, codePage);
  Require(header.dataStart <= bytes.size() && header.dataStart <= kJoinHeaderScan, "data starts inside the scan");
  const std::string name = JoinOutputName("n", list, header);
  Require(!name.empty() && name != "." && name != "..", "a name to save under");
  Require(name.find_first_of("\\/:") == std::string::npos, "one path component", name);

  const std::vector<TJoinVolume> set = CountVolumes(fs, "C:\\data", "n");
  Require(set.size() == 2, "both volumes counted");
  TJoiner joiner(fs, nullptr);
  const std::string output = "C:\\out\\" + name;
  const uint32_t result = joiner.Run("C:\\data", set, header.dataStart, list, output, "Join Files");
  for (const std::string& path : fs.created) Require(path.rfind(output, 0) == 0, "created beside the output", path);
  if (result == 0)
    Require(fs.files[output] == bytes.substr(header.dataStart) + "tail", "volume 1's data, then volume 2");
  else
    Require(result == kJoinCrcMismatch && !fs.files.count(output), "only a CRC mismatch fails, leaving nothing");
  Require(fs.files.count(joiner.TemporaryName()) == 0, "no temporary file left");
}

}  // namespace
}  // namespace quill::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quill::fuzz::Check(std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
