// PPMd variant H as RAR 2.9 uses it: an order-2..64 context model over a fixed-size heap that
// restarts when the heap is full, driven by a carry-less range decoder over the packed bytes.
// The model lives in one byte array addressed by 32-bit offsets, so nothing it stores can point
// outside it.
#pragma once

#include <cstdint>
#include <memory>

#include "archivers/rarformat/Unpack29Input.h"

namespace rarformat {

class TPpmd29 {
 public:
  enum class TInit { Ok, Bad, OutOfMemory };

  TPpmd29();
  ~TPpmd29();

  // Reads a PPMd block's header (flags, heap size, escape character) and starts the range
  // decoder; with the reset flag a new model is built, otherwise the previous one continues.
  TInit Init(TBitInput29& in, int& escChar);
  // The next byte, or -1 when the stream cannot be decoded.
  int DecodeChar();
  // Forgets the model (a damaged stream must not be continued).
  void Clear();

 private:
  struct TModel;
  std::unique_ptr<TModel> model_;
};

}  // namespace rarformat
