// SPDX-License-Identifier: LGPL-3.0-or-later
// How long a step of a command took, for the lines quillsift-host prints ("12.3 ms").
#pragma once

#include "platform/Platform.h"

#include <cstdio>
#include <string>

class Stopwatch {
public:
    Stopwatch() {
        QueryPerformanceFrequency(&Frequency);
        QueryPerformanceCounter(&Started);
    }

    // The milliseconds since it was made, with one decimal.
    std::string Elapsed() const {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        const double milliseconds = static_cast<double>(now.QuadPart - Started.QuadPart) * 1000.0 /
                                    static_cast<double>(Frequency.QuadPart);
        char text[32];
        std::snprintf(text, sizeof(text), "%.1f", milliseconds);
        return text;
    }

private:
    LARGE_INTEGER Frequency;
    LARGE_INTEGER Started;
};
