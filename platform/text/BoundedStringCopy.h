// SPDX-License-Identifier: LGPL-3.0-or-later
// Bounded copy of UTF-16 characters that always terminates the destination.
#pragma once

#include "platform/Platform.h"

// Copies from source until a zero, until maxCount characters are copied, or until the
// destination of destinationSize characters (terminator included) is full. The source must
// have the smaller of maxCount and destinationSize characters readable.
// Returns S_OK; HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER) when the source was cut; or
// E_INVALIDARG, writing nothing, when the destination has no room even for the terminator.
HRESULT BoundedStringCopy(WCHAR* destination, size_t destinationSize, const WCHAR* source,
                          size_t maxCount);
