// SPDX-License-Identifier: LGPL-3.0-or-later
#include "platform/text/BoundedStringCopy.h"

#include "platform/text/ByteBlocks.h"

#include <cstring>

HRESULT BoundedStringCopy(WCHAR* destination, size_t destinationSize, const WCHAR* source,
                          size_t maxCount) {
    if (destinationSize == 0) {
        return E_INVALIDARG;
    }
    // The source ends at its zero or at maxCount; the destination holds destinationSize - 1
    // characters and the terminator. Text is copied eight characters at a time, each block
    // looked at for a zero on its way.
    constexpr size_t UnitsPerBlock = ByteBlocks::Size / sizeof(WCHAR);
    const size_t limit = maxCount < destinationSize ? maxCount : destinationSize;
    size_t length = 0;
    while (limit - length >= UnitsPerBlock) {
        const ByteBlocks::Block block =
            ByteBlocks::Load(reinterpret_cast<const char*>(source + length));
        if (ByteBlocks::Any(ByteBlocks::ZeroUnits(block))) {
            break;
        }
        std::memcpy(destination + length, &block, sizeof(block));
        length += UnitsPerBlock;
    }
    while (length < limit && source[length] != 0) {
        destination[length] = source[length];
        ++length;
    }
    if (length == destinationSize) {
        destination[destinationSize - 1] = 0;
        return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    }
    destination[length] = 0;
    return S_OK;
}
