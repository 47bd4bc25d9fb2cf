// What the RAR decoders share: where packed bytes come from, where unpacked bytes go, and how a
// decoder ends. A decoder sees one entry's packed bytes as one stream even when the entry is
// split across volumes (the reader behind IPackedInput switches volumes), and writes exactly the
// entry's unpacked size. Portable: no system calls.
#pragma once

#include <cstddef>
#include <cstdint>

namespace rarformat {

// The packed bytes of one entry, in order. Read returns the number of bytes given: fewer than
// `count` only at the end of the entry's packed data (or on a read failure, which the reader
// remembers and reports itself); 0 when nothing is left.
class IPackedInput {
 public:
  virtual ~IPackedInput() = default;
  virtual size_t Read(uint8_t* buffer, size_t count) = 0;
};

// The unpacked bytes, in order. Write returns false to stop the decoder (the user cancelled or
// the file could not be written); the decoder then returns UnpackResult::Aborted.
class IUnpackedOutput {
 public:
  virtual ~IUnpackedOutput() = default;
  virtual bool Write(const uint8_t* data, size_t count) = 0;
};

enum class UnpackResult {
  Ok,             // exactly the unpacked size was written
  BadData,        // the packed stream does not decode (bad tables, distances, filters, early end)
  Aborted,        // IUnpackedOutput::Write returned false
  UnknownMethod,  // a scheme or variant this decoder does not unpack
  OutOfMemory,    // the window the entry asks for could not be had
};

}  // namespace rarformat
