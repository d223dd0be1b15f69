// Sixteen bytes of text at a time, in a vector register where the machine has one: the block
// scans of the markup conversion. GCC and clang turn these vector types into SSE2 on x86-64.
#pragma once

#include "platform/Platform.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

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

    static bool Any(Flags flags) {
        uint64_t halves[2];
        std::memcpy(halves, &flags, sizeof(halves));
        return (halves[0] | halves[1]) != 0;
    }

    // The position in memory of the first flagged byte; at least one must be flagged.
    static size_t First(Flags flags) {
        uint64_t halves[2];
        std::memcpy(halves, &flags, sizeof(halves));
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
        return halves[0] != 0 ? __builtin_clzll(halves[0]) / 8 : 8 + __builtin_clzll(halves[1]) / 8;
#else
        return halves[0] != 0 ? __builtin_ctzll(halves[0]) / 8 : 8 + __builtin_ctzll(halves[1]) / 8;
#endif
    }

    static bool IsAscii(Block block) {
        uint64_t halves[2];
        std::memcpy(halves, &block, sizeof(halves));
        return ((halves[0] | halves[1]) & 0x8080808080808080ull) == 0;
    }

    // Each byte of an ASCII block as one UTF-16 unit.
    static void Widen(Block block, WCHAR* out) {
        typedef uint16_t Units __attribute__((vector_size(32)));
        const Units units = __builtin_convertvector(block, Units);
        std::memcpy(out, &units, sizeof(units));
    }
};
