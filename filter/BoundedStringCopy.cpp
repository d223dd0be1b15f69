#include "filter/BoundedStringCopy.h"

#include "platform/Utf16Length.h"

#include <cstring>

HRESULT BoundedStringCopy(WCHAR* destination, size_t destinationSize, const WCHAR* source,
                          size_t maxCount) {
    if (destinationSize == 0) {
        return E_INVALIDARG;
    }
    // The source ends at its zero or at maxCount; the destination holds destinationSize - 1
    // characters and the terminator.
    const size_t limit = maxCount < destinationSize ? maxCount : destinationSize;
    const size_t length = Utf16LengthBounded(source, limit);
    if (length == destinationSize) {
        std::memcpy(destination, source, (destinationSize - 1) * sizeof(WCHAR));
        destination[destinationSize - 1] = 0;
        return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    }
    std::memcpy(destination, source, length * sizeof(WCHAR));
    destination[length] = 0;
    return S_OK;
}
