// The program's string table read from resources/strings.rc, so the native tests see the same
// numbered texts as quill.exe. Only the forms the table uses are understood: one `id "text"` per
// line, with \n, \t, \\ escapes and "" for a quote.
#pragma once

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

namespace quill::test {

inline std::map<int, std::string> ReadStringTable() {
  // The build names the source tree: __FILE__ may be relative to the build folder (a compiler
  // cache rewrites paths), which is not where ctest runs the tests.
#ifdef QUILL_SOURCE_DIR
  const std::filesystem::path file = std::filesystem::path(QUILL_SOURCE_DIR) / "resources" / "strings.rc";
#else
  const std::filesystem::path file =
      std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "resources" / "strings.rc";
#endif
  std::map<int, std::string> table;
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    size_t i = line.find_first_not_of(" \t");
    if (i == std::string::npos || line[i] < '0' || line[i] > '9') continue;
    int id = 0;
    while (i < line.size() && line[i] >= '0' && line[i] <= '9') id = id * 10 + (line[i++] - '0');
    const size_t open = line.find('"', i);
    const size_t close = line.rfind('"');
    if (open == std::string::npos || close <= open) continue;
    std::string text;
    for (size_t k = open + 1; k < close; ++k) {
      const char c = line[k];
      if (c == '"' && k + 1 < close && line[k + 1] == '"') {
        text += '"';
        ++k;
      } else if (c == '\\' && k + 1 < close) {
        const char e = line[++k];
        text += e == 'n' ? '\n' : e == 't' ? '\t' : e;
      } else {
        text += c;
      }
    }
    table[id] = text;
  }
  return table;
}

// A loader over the table, as LoadText gives it on Win32.
inline std::string TableText(int id) {
  static const std::map<int, std::string> table = ReadStringTable();
  const auto found = table.find(id);
  return found == table.end() ? std::string() : found->second;
}

}  // namespace quill::test
