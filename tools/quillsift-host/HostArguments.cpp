// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/quillsift-host/HostArguments.h"

bool Equals(const WCHAR* argument, const char* name) {
    for (; *argument != 0 && *name != 0; ++argument, ++name) {
        if (*argument != static_cast<WCHAR>(static_cast<unsigned char>(*name))) {
            return false;
        }
    }
    return *argument == 0 && *name == 0;
}

bool ParseNumber(const WCHAR*& text, WCHAR end, uint64_t limit, uint64_t& value) {
    value = 0;
    const WCHAR* start = text;
    for (; *text != end; ++text) {
        if (*text < '0' || *text > '9' || value > limit) {
            return false;
        }
        value = value * 10 + static_cast<uint64_t>(*text - '0');
    }
    return text != start && value >= 1 && value <= limit;
}
