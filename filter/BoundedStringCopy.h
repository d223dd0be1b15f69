// Bounded copy of UTF-16 characters that always terminates the destination.
#pragma once

#include "platform/Platform.h"

// Copies from source until a zero, until maxCount characters are copied, or until the
// destination of destinationSize characters (terminator included, at least 1) is full.
// Returns S_OK, or HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER) when the source was cut.
HRESULT BoundedStringCopy(WCHAR* destination, size_t destinationSize, const WCHAR* source,
                          size_t maxCount);
