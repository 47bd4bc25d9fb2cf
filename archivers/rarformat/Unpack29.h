// The RAR 2.9 decoder (archives' unpack versions 29 and 36): LZ blocks with Huffman tables, PPMd
// blocks, and the filters the stream attaches to blocks of output. Portable: no system calls.
#pragma once

#include <cstdint>
#include <memory>

#include "archivers/rarformat/RarUnpack.h"

namespace rarformat {

class TUnpack29 {
 public:
  TUnpack29();
  ~TUnpack29();
  TUnpack29(const TUnpack29&) = delete;
  TUnpack29& operator=(const TUnpack29&) = delete;

  // One object per archive: in a solid archive the window, tables, PPMd model and filters carry
  // over from entry to entry, so the caller decodes every entry in order. `dictionarySize` is the
  // entry's window (64 KiB << n, at most 4 MiB); never more than `unpackedSize` bytes are written.
  // UINT64_MAX stands for a size the archive does not know: the stream's end marker ends it.
  UnpackResult Unpack(IPackedInput& in, IUnpackedOutput& out, uint64_t unpackedSize,
                      uint64_t dictionarySize, bool solid);

 private:
  struct TState;
  std::unique_ptr<TState> state_;
};

}  // namespace rarformat
