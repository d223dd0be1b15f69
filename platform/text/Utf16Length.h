// SPDX-License-Identifier: LGPL-3.0-or-later
// Length of a UTF-16 string, in units before its terminator.
#pragma once

#include "platform/Platform.h"
#include "platform/text/ByteBlocks.h"

#include <cstddef>

// A string whose size is not known is read one unit at a time, never past its terminator.
inline size_t Utf16Length(const WCHAR* text) {
    size_t length = 0;
    while (text[length] != 0) {
        ++length;
    }
    return length;
}

// The first zero among the first `limit` units, or `limit` when there is none. All `limit`
// units must be readable: book text, which runs to millions of units, is scanned eight units
// at a time and may be read past the terminator up to the limit.
inline size_t Utf16LengthBounded(const WCHAR* text, size_t limit) {
    constexpr size_t UnitsPerBlock = ByteBlocks::Size / sizeof(WCHAR);
    size_t length = 0;
    while (limit - length >= UnitsPerBlock) {
        const ByteBlocks::Flags zeros =
            ByteBlocks::ZeroUnits(ByteBlocks::Load(reinterpret_cast<const char*>(text + length)));
        if (ByteBlocks::Any(zeros)) {
            return length + ByteBlocks::First(zeros) / sizeof(WCHAR);
        }
        length += UnitsPerBlock;
    }
    while (length < limit && text[length] != 0) {
        ++length;
    }
    return length;
}
