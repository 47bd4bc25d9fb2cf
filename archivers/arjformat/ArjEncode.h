// The method 1 encoder: LZ77 over ARJ's 26 KiB window with hash chains and one step of lazy
// matching, the literals, lengths and positions Huffman-coded in blocks the way ARJ's decoder
// reads them (each block sends its own code tables).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "ArjDecode.h"

namespace arjformat {

class Method1Encoder {
 public:
  explicit Method1Encoder(IByteOutput& output);
  ~Method1Encoder();
  Method1Encoder(const Method1Encoder&) = delete;
  Method1Encoder& operator=(const Method1Encoder&) = delete;

  // Feeds bytes in order; false once the output has failed.
  bool Write(const uint8_t* data, size_t size);
  // Packs what is left and pads the last byte; false when the output failed.
  bool Finish();
  uint64_t PackedSize() const;

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace arjformat
