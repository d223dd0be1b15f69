// SPDX-License-Identifier: LGPL-3.0-or-later
// Up to eight bytes of markup packed into one number, the first byte lowest, so that comparing
// two short names of the same length is comparing two numbers: the names of tags and entities.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

constexpr size_t MaxPackedLength = sizeof(uint64_t);

// The lowest `length` bytes of a number set, up to all eight.
constexpr uint64_t LowBytes(size_t length) {
    return length >= MaxPackedLength ? ~uint64_t{0} : (uint64_t{1} << (8 * length)) - 1;
}

// The first `length` bytes of `text`, at most eight.
constexpr uint64_t PackBytes(const char* text, size_t length) {
    uint64_t packed = 0;
    for (size_t i = 0; i < length; ++i) {
        packed |= uint64_t{static_cast<unsigned char>(text[i])} << (8 * i);
    }
    return packed;
}

// PackBytes for text whose memory runs on to `end`: with eight bytes readable, on little-endian
// machines one load.
inline uint64_t PackBytesWithin(const char* text, size_t length, const char* end) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    if (static_cast<size_t>(end - text) >= MaxPackedLength) {
        uint64_t word;
        std::memcpy(&word, text, sizeof(word));
        return word & LowBytes(length);
    }
#else
    (void)end;
#endif
    return PackBytes(text, length);
}
