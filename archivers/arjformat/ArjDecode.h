// The ARJ decoders: methods 1-3 (LZ77 with Huffman-coded literals, lengths and positions, sent
// in blocks with their own code tables) and method 4 (unary-prefixed lengths and positions), plus
// method 0 (stored). Streaming with bounded memory: a 64 KiB history and a 64 KiB input buffer.
// The decoder never writes more than `originalSize` bytes; the caller checks the CRC-32.
#pragma once

#include <cstddef>
#include <cstdint>

namespace arjformat {

// Where packed bytes come from: Read returns up to `count` bytes, 0 at the end (or on failure).
class IByteInput {
 public:
  virtual ~IByteInput() = default;
  virtual size_t Read(uint8_t* buffer, size_t count) = 0;
};

// Where unpacked bytes go: false stops the decoding (write failure or cancellation).
class IByteOutput {
 public:
  virtual ~IByteOutput() = default;
  virtual bool Write(const uint8_t* data, size_t count) = 0;
};

enum class DecodeStatus {
  Ok,
  BadData,        // a code table that does not decode, a position before the start, ...
  Truncated,      // the packed data ended before `originalSize` bytes were produced
  WriteFailed,    // the output refused bytes
  UnknownMethod,
};

// Decodes one entry's packed data: at most `compressedSize` bytes are read from `input`, exactly
// `originalSize` bytes are written when the result is Ok (never more in any case).
DecodeStatus Decode(uint8_t method, IByteInput& input, uint64_t compressedSize,
                    uint64_t originalSize, IByteOutput& output);

}  // namespace arjformat
