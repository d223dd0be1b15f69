#include "filter/BoundedStringCopy.h"

HRESULT BoundedStringCopy(WCHAR* destination, size_t destinationSize, const WCHAR* source,
                          size_t maxCount) {
    size_t copied = 0;
    while (copied < maxCount && source[copied] != 0) {
        if (copied == destinationSize) {
            destination[destinationSize - 1] = 0;
            return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
        }
        destination[copied] = source[copied];
        ++copied;
    }
    if (copied == destinationSize) {
        // Every slot holds a character and the source stopped exactly here: the last one
        // gives way to the terminator.
        destination[destinationSize - 1] = 0;
        return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    }
    destination[copied] = 0;
    return S_OK;
}
