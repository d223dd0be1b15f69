// What a dump has done: for one book, and summed over a run.
#pragma once

#include <string>

struct DumpTotals {
    unsigned long long Books = 0;
    unsigned long long FailedLoads = 0;
    unsigned long long Chunks = 0;
    unsigned long long Characters = 0;
    unsigned long long Bytes = 0;

    DumpTotals& operator+=(const DumpTotals& other);

    // "5 books, 1 failed load, 23 chunks, 51234 characters, 0.06 MB in 10.0 ms (6.10 MB/s)"
    std::string Summary(double seconds) const;
};
