// Eight bytes of text at a time, in a plain 64-bit integer: the word-at-a-time searches of the
// markup conversion.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

struct ByteWords {
    static constexpr size_t Size = sizeof(uint64_t);

    // The byte b in every byte of a word.
    static constexpr uint64_t Every(unsigned char b) { return 0x0101010101010101ull * b; }

    static uint64_t Load(const char* at) {
        uint64_t word;
        std::memcpy(&word, at, sizeof(word));
        return word;
    }

    // Not zero exactly when v has a zero byte. Only the lowest flag is sure: a flag above it
    // may be spurious.
    static uint64_t ZeroFlags(uint64_t v) { return (v - Every(1)) & ~v & Every(0x80); }

    // The high bit of each zero byte of v, and of no other byte.
    static uint64_t Zeros(uint64_t v) {
        const uint64_t low7 = Every(0x7F);
        return ~(((v & low7) + low7) | v | low7);
    }

    // Whether a loaded word has its first byte in memory as its lowest byte.
    static bool IsLittleEndian() {
        const uint16_t one = 1;
        unsigned char first;
        std::memcpy(&first, &one, 1);
        return first == 1;
    }

    // The position in memory of the lowest flagged byte, on a little-endian machine: each byte
    // below it adds one to the top byte of the product.
    static size_t LowestFlagged(uint64_t flags) {
        const uint64_t lowest = flags & (~flags + 1);
        return static_cast<size_t>(((((lowest >> 7) - 1) & Every(1)) * Every(1)) >> 56);
    }
};
