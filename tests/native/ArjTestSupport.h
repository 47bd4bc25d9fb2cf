// Helpers for the ARJ tests: temporary folders, files as strings, and running Debian's arj.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "ArjDecode.h"

namespace arjtest {

inline int Shell(const std::string& command) {
  const int status = std::system((command + " >/dev/null 2>&1").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline bool HaveArj() { return Shell("command -v arj") == 0; }

struct TempDir {
  std::string path;
  TempDir() {
    char name[] = "/tmp/arjtestXXXXXX";
    path = mkdtemp(name);
  }
  ~TempDir() { if (!std::getenv("ARJ_KEEP")) Shell("rm -rf '" + path + "'"); }
};

inline void WriteAll(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

inline std::string RandomBytes(size_t size, unsigned seed) {
  std::mt19937 rng(seed);
  std::string bytes(size, '\0');
  for (auto& b : bytes) b = static_cast<char>(rng());
  return bytes;
}

// Text with words repeating at varying distances, like real prose.
inline std::string SampleText(size_t size) {
  static const char* words[] = {"archive", "window",  "quill", "folder", "header", "volume",
                                "the",     "of",      "and",   "data",   "entry",  "method",
                                "packed",  "huffman", "table", "length", "block",  "position"};
  std::mt19937 rng(1);
  std::string text;
  while (text.size() < size) {
    text += words[rng() % 18];
    text += (rng() % 11 == 0) ? ".\n" : " ";
    if (rng() % 97 == 0) text += std::to_string(rng());
  }
  text.resize(size);
  return text;
}

struct StringOutput final : arjformat::IByteOutput {
  std::string bytes;
  bool Write(const uint8_t* data, size_t count) override {
    bytes.append(reinterpret_cast<const char*>(data), count);
    return true;
  }
};

struct StringInput final : arjformat::IByteInput {
  std::string bytes;
  size_t at = 0;
  explicit StringInput(std::string b) : bytes(std::move(b)) {}
  size_t Read(uint8_t* buffer, size_t count) override {
    const size_t n = std::min(count, bytes.size() - at);
    std::copy(bytes.begin() + at, bytes.begin() + at + n, buffer);
    at += n;
    return n;
  }
};

}  // namespace arjtest
