// SPDX-License-Identifier: LGPL-3.0-or-later
// Sixteen bytes of text at a time, in a vector register: the block scans of the markup
// conversion, of book text and of the text a filter hands out (BoundedStringCopy). GCC and clang
// turn the vector types into SSE2 on x86-64, where a flag mask is read in one instruction;
// elsewhere it is read byte by byte.
#pragma once

#include "platform/Platform.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

struct ByteBlocks {
    static constexpr size_t Size = 16;
    typedef unsigned char Block __attribute__((vector_size(16)));
    // A flag is a byte of all ones; every other byte is zero.
    typedef Block Flags;

    static Block Load(const char* at) {
        Block block;
        std::memcpy(&block, at, sizeof(block));
        return block;
    }

    // The bytes of `block` that equal `byte`.
    static Flags Equal(Block block, unsigned char byte) {
        return reinterpret_cast<Flags>(block == (Block{} + byte));
    }

    static bool Any(Flags flags) { return Mask(flags) != 0; }

    // The position in memory of the first flagged byte; at least one must be flagged.
    static size_t First(Flags flags) { return static_cast<size_t>(__builtin_ctz(Mask(flags))); }

    // The position in memory of the last flagged byte; at least one must be flagged.
    static size_t Last(Flags flags) { return static_cast<size_t>(31 - __builtin_clz(Mask(flags))); }

    // The UTF-16 units of `block` (eight) that are zero, as two flagged bytes each.
    static Flags ZeroUnits(Block block) {
        typedef uint16_t Units __attribute__((vector_size(16)));
        return reinterpret_cast<Flags>(reinterpret_cast<Units>(block) == Units{});
    }

    // Whether every byte is below 0x80.
    static bool IsAscii(Block block) { return Mask(block) == 0; }

    // Each byte of an ASCII block as one UTF-16 unit.
    static void Widen(Block block, WCHAR* out) {
        typedef uint16_t Units __attribute__((vector_size(32)));
        const Units units = __builtin_convertvector(block, Units);
        std::memcpy(out, &units, sizeof(units));
    }

private:
    // The high bit of each byte, the first byte's lowest.
    static unsigned Mask(Block block) {
#if defined(__SSE2__)
        return static_cast<unsigned>(_mm_movemask_epi8(reinterpret_cast<__m128i>(block)));
#else
        unsigned mask = 0;
        for (size_t i = 0; i < Size; ++i) {
            mask |= static_cast<unsigned>(block[i] >> 7) << i;
        }
        return mask;
#endif
    }
};
