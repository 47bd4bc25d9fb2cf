// history.dat over any bytes: the command box gets the file's last ten commands in order (blank
// lines and lines with control bytes are no commands), and what close writes from them reads
// back as the same list.
#include "app/Startup.h"
#include "base/TextFile.h"
#include "fuzz/FuzzInput.h"
#include "tests/native/FakeVolume.h"

namespace quill::fuzz {
namespace {

const TProgramFiles kFiles{"C:\\Quill\\"};

void Check(const std::string& bytes) {
  test::TFakeVolume fs;
  fs.MakeFolder("C:\\Quill");
  const TLatin1CodePage codePage;
  fs.WriteText(kFiles.History(), bytes);
  const std::vector<std::string> history = LoadHistory(fs, codePage, kFiles);
  std::vector<std::string> lines;
  for (const std::string& line : DecodeLines(bytes, codePage)) {
    bool blank = true, control = false;
    for (const char c : line) {
      blank = blank && (c == ' ' || c == '\t');
      control = control || (static_cast<unsigned char>(c) < 0x20 && c != '\t');
    }
    if (!blank && !control) lines.push_back(line);
  }
  Require(history.size() == std::min<size_t>(lines.size(), kHistoryLimit), "at most ten lines, and all of a short file");
  Require(std::equal(history.begin(), history.end(), lines.end() - history.size()), "the file's last lines, in order");

  TQuillView view(fs, codePage);
  view.SetFolder("C:\\");
  TIniFile ini(fs, codePage, kFiles.Settings());
  SaveOnClose(ini, {}, view, history, fs, codePage, kFiles);
  Require(LoadHistory(fs, codePage, kFiles) == history, "the history comes back from what close wrote");
}

}  // namespace
}  // namespace quill::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quill::fuzz::Check(std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
