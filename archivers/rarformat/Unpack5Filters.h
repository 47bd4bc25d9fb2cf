// The byte filters of the RAR 5 format. The compressor applies the forward transform before
// compressing a stretch of data; these undo it on the decoded bytes before they are written.
// Portable: no system calls.
#pragma once

#include <cstddef>
#include <cstdint>

namespace rarformat {

enum class Filter5Type : uint8_t { Delta = 0, E8 = 1, E8E9 = 2, Arm = 3 };

// Bytes were stored channel after channel, each as differences from its previous byte:
// `src` holds them in that order, `dst` receives them interleaved again. 1 to 32 channels.
void Unfilter5Delta(const uint8_t* src, uint8_t* dst, size_t size, unsigned channels);

// x86 CALL (E8) and, with `e9`, JMP (E9) targets were made absolute; `fileOffset` is the
// position of data[0] in the entry (the transform works modulo 16 MiB).
void Unfilter5E8(uint8_t* data, size_t size, uint32_t fileOffset, bool e9);

// ARM BL targets (instructions whose top byte is EB) were made absolute.
void Unfilter5Arm(uint8_t* data, size_t size, uint32_t fileOffset);

}  // namespace rarformat
