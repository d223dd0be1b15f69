// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/metadata/BookYear.h"

bool ReadBookYear(const char* date, ULONG* year) {
    ULONG value = 0;
    for (int i = 0; i < 4; ++i) {
        const char digit = date[i];
        if (digit < '0' || digit > '9') {
            return false;
        }
        value = value * 10 + static_cast<ULONG>(digit - '0');
    }
    if (value < 1000) {
        return false;
    }
    *year = value;
    return true;
}
