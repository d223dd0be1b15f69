// Length of a zero-terminated UTF-16 string, in units before the terminator.
#pragma once

#include "platform/Platform.h"

#include <cstdint>

// At most `limit` units count. The scan reads aligned 8-byte words, four units at a time, for
// book text runs to millions of units; a word may reach past the terminator, and so past the
// string's block, but an aligned word never crosses a page, so it is always readable. That
// is why address checking is off here, and only here.
#if defined(__GNUC__)
__attribute__((no_sanitize("address")))
#endif
inline size_t
Utf16LengthBounded(const WCHAR* text, size_t limit) {
    typedef uint64_t __attribute__((may_alias)) Word;
    size_t length = 0;
    while (length < limit && (reinterpret_cast<uintptr_t>(text + length) & 7) != 0) {
        if (text[length] == 0) {
            return length;
        }
        ++length;
    }
    while (limit - length >= 4) {
        const Word word = *reinterpret_cast<const Word*>(text + length);
        if (((word - 0x0001000100010001ull) & ~word & 0x8000800080008000ull) != 0) {
            break; // a zero unit in this word
        }
        length += 4;
    }
    while (length < limit && text[length] != 0) {
        ++length;
    }
    return length;
}

inline size_t Utf16Length(const WCHAR* text) {
    return Utf16LengthBounded(text, SIZE_MAX);
}
