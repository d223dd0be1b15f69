// Length of a zero-terminated UTF-16 string, in units before the terminator.
#pragma once

#include "platform/Platform.h"

#include <cstdint>

// The first zero among the first `limit` units, or `limit` when there is none. All `limit`
// units must be readable: the scan reads them four at a time, in aligned 8-byte words, and may
// read past the terminator up to the limit. Book text runs to millions of units, and its
// length is known before it is measured.
inline size_t Utf16LengthBounded(const WCHAR* text, size_t limit) {
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

// A string whose size is not known is read one unit at a time, never past its terminator.
inline size_t Utf16Length(const WCHAR* text) {
    size_t length = 0;
    while (text[length] != 0) {
        ++length;
    }
    return length;
}
