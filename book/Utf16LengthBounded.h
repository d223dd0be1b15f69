// SPDX-License-Identifier: LGPL-3.0-or-later
// Length of a UTF-16 string whose units are known to be there: book text, which runs to
// millions of units, measured a block at a time.
#pragma once

#include "filter/ByteBlocks.h"
#include "platform/Platform.h"

#include <cstddef>

// The first zero among the first `limit` units, or `limit` when there is none. All `limit`
// units must be readable: the scan reads them eight at a time and may read past the
// terminator up to the limit.
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
