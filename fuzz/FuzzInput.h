// What every fuzz target shares: the input is a file's bytes, optionally followed by kOpsMarker
// and a script of operations read with libFuzzer's FuzzedDataProvider, so a seed can be a real
// file as it is and the fuzzer still steers what is done with it. A broken property prints what
// broke and aborts, which libFuzzer reports as a crash with the input saved.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "base/CodePage.h"
#include "base/Text.h"

namespace quill::fuzz {

// Chosen to be rare in text files; the dictionaries name it so the fuzzer finds it quickly.
inline constexpr std::string_view kOpsMarker{"\0ops\0", 5};

class TFuzzInput {
public:
  TFuzzInput(const uint8_t* data, size_t size)
      : whole_(reinterpret_cast<const char*>(data), size),
        at_(whole_.find(kOpsMarker)),
        ops_(at_ == std::string_view::npos ? nullptr : data + at_ + kOpsMarker.size(),
             at_ == std::string_view::npos ? 0 : size - at_ - kOpsMarker.size()) {}
  std::string File() const { return std::string(whole_.substr(0, at_)); }
  // The operations; empty (every Consume gives its least value) when the input has no marker.
  FuzzedDataProvider& Ops() { return ops_; }

private:
  std::string_view whole_;
  size_t at_;
  FuzzedDataProvider ops_;
};

[[noreturn]] inline void Fail(const char* what, std::string_view detail = {}) {
  std::fprintf(stderr, "\nBROKEN PROPERTY: %s\n", what);
  if (!detail.empty()) {
    std::fprintf(stderr, "  detail (%zu bytes):", detail.size());
    for (unsigned char c : detail.substr(0, 200)) std::fprintf(stderr, c >= 0x20 && c < 0x7F ? " %c" : " \\x%02X", c);
    std::fprintf(stderr, "\n");
  }
  std::abort();
}

inline void Require(bool holds, const char* what, std::string_view detail = {}) {
  if (!holds) Fail(what, detail);
}

// Raw fuzz bytes as the program's own text: valid UTF-8 (bytes that are not are taken as
// Latin-1), on one line (CR and LF become blanks). What a caller could hand to a writer.
inline std::string OneLineText(std::string raw) {
  if (!IsValidUtf8(raw)) raw = TLatin1CodePage().ToUtf8(raw);
  for (char& c : raw)
    if (c == '\r' || c == '\n') c = ' ';
  return raw;
}

// An item of `items` chosen by the script, or "" when there are none.
inline std::string Pick(FuzzedDataProvider& ops, const std::vector<std::string>& items) {
  if (items.empty()) return {};
  return items[ops.ConsumeIntegralInRange<size_t>(0, items.size() - 1)];
}

}  // namespace quill::fuzz
