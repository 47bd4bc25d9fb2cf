// Our ARJ decoder natively: extracts every entry of an archive into a folder (flat names), with
// the CRC checked, and prints the time and throughput. scripts/bench-arj runs it beside Debian's
// arj and our arj.exe under Wine.
//   arj_bench ARCHIVE OUTPUT_FOLDER
#include <chrono>
#include <cstdio>
#include <string>

#include "ArjArchive.h"

namespace {

class FileOutput final : public arjformat::IByteOutput {
 public:
  explicit FileOutput(std::FILE* file) : file_(file) {}
  bool Write(const uint8_t* data, size_t count) override { return std::fwrite(data, 1, count, file_) == count; }

 private:
  std::FILE* file_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: arj_bench ARCHIVE OUTPUT_FOLDER\n");
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  arjformat::ArjArchive archive;
  if (!archive.Open(argv[1], [](const std::string& name) {
        int error = 0;
        return zipformat::OpenFileSource(name, error);
      })) {
    std::fprintf(stderr, "cannot open %s\n", argv[1]);
    return 6;
  }
  uint64_t bytes = 0;
  for (const auto& entry : archive.Entries()) {
    if (entry.IsFolder()) continue;
    std::string name = arjformat::NativeName(entry.header);
    const size_t slash = name.find_last_of('\\');
    if (slash != std::string::npos) name = name.substr(slash + 1);
    std::FILE* file = std::fopen((std::string(argv[2]) + "/" + name).c_str(), "wb");
    if (!file) return 6;
    FileOutput out(file);
    const auto result = archive.Extract(entry, out);
    std::fclose(file);
    if (result != arjformat::ArjArchive::Result::Ok) {
      std::fprintf(stderr, "%s: extraction failed\n", name.c_str());
      return 3;
    }
    bytes += entry.header.originalSize;
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%.3f s for %.1f MiB (%.1f MiB/s)\n", seconds, bytes / 1048576.0, bytes / 1048576.0 / seconds);
  return 0;
}
