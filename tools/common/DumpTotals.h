// What a run of the dump has done, for its progress line and its closing summary.
#pragma once

#include <string>

struct DumpTotals {
    unsigned long long Books = 0;
    unsigned long long FailedLoads = 0;
    unsigned long long Chunks = 0;
    unsigned long long Characters = 0;
    unsigned long long Bytes = 0;

    // "5 books, 1 failed load, 23 chunks, 51234 characters, 0.06 MB in 10.0 ms (6.10 MB/s)"
    std::string Summary(double seconds) const;
};

// "[3/120] path", cut to `width` bytes at a character boundary.
std::string FormatProgress(unsigned long long index, unsigned long long total,
                           const std::string& path, size_t width);
