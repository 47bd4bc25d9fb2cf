// The filters a RAR 2.9 stream attaches to blocks of its output. The stream sends each filter as
// a program for RAR's virtual machine; the programs RAR itself writes are few and fixed, so they
// are recognised by their length and CRC-32 and run natively. Anything else is refused.
#pragma once

#include <cstddef>
#include <cstdint>

namespace rarformat {

enum class TFilter29Kind { Unknown, E8, E8E9, Itanium, Delta, Rgb, Audio };

// The virtual machine's memory: filters read their block at offset 0.
constexpr uint32_t kFilter29MemorySize = 0x40000;

// Which standard program `code` is (the first byte is an XOR check of the rest); BadCheck is
// reported through `checkOk` so a damaged program is told apart from a foreign one.
TFilter29Kind IdentifyFilter29(const uint8_t* code, size_t size, bool& checkOk);

// Runs a standard filter over `memory` (kFilter29MemorySize bytes plus 4 of slack) holding the
// block at offset 0. `regs` are the program's registers r0..r6 as the stream set them (r4 the
// block length, r6 the block's offset in the file). On success the filtered bytes are
// memory[*outOffset, *outOffset + *outSize); false when the parameters do not fit the memory.
bool RunFilter29(TFilter29Kind kind, uint8_t* memory, const uint32_t regs[7], uint32_t* outOffset,
                 uint32_t* outSize);

}  // namespace rarformat
