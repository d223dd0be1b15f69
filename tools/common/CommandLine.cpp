// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/common/CommandLine.h"

#include <cerrno>
#include <cstdlib>

bool ParseBufferSize(const std::string& text, ULONG& size) {
    if (text.empty() || text[0] < '0' || text[0] > '9') {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text.c_str(), &end, 10);
    if (errno != 0 || *end != 0 || value == 0 || value > MaxBufferSize) {
        return false;
    }
    size = static_cast<ULONG>(value);
    return true;
}

std::string BufferSizeError() {
    return "--buffer needs a number of characters from 1 to " + std::to_string(MaxBufferSize);
}
