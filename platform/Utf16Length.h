// SPDX-License-Identifier: LGPL-3.0-or-later
// Length of a zero-terminated UTF-16 string, in units before the terminator.
#pragma once

#include "platform/Platform.h"

#include <cstddef>

// A string whose size is not known is read one unit at a time, never past its terminator.
inline size_t Utf16Length(const WCHAR* text) {
    size_t length = 0;
    while (text[length] != 0) {
        ++length;
    }
    return length;
}
