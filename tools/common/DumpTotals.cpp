#include "tools/common/DumpTotals.h"

#include <cstdio>

namespace {

std::string Counted(unsigned long long count, const char* singular, const char* plural) {
    return std::to_string(count) + " " + (count == 1 ? singular : plural);
}

} // namespace

DumpTotals& DumpTotals::operator+=(const DumpTotals& other) {
    Books += other.Books;
    FailedLoads += other.FailedLoads;
    Chunks += other.Chunks;
    Characters += other.Characters;
    Bytes += other.Bytes;
    return *this;
}

std::string DumpTotals::Summary(double seconds) const {
    const double megabytes = static_cast<double>(Bytes) / 1e6;
    char rate[96];
    if (seconds >= 1) {
        std::snprintf(rate, sizeof(rate), "%.2f MB in %.2f s (%.2f MB/s)", megabytes, seconds,
                      megabytes / seconds);
    } else if (seconds > 0) {
        std::snprintf(rate, sizeof(rate), "%.2f MB in %.1f ms (%.2f MB/s)", megabytes,
                      seconds * 1000, megabytes / seconds);
    } else {
        std::snprintf(rate, sizeof(rate), "%.2f MB", megabytes);
    }
    return Counted(Books, "book", "books") + ", " +
           Counted(FailedLoads, "failed load", "failed loads") + ", " +
           Counted(Chunks, "chunk", "chunks") + ", " +
           Counted(Characters, "character", "characters") + ", " + rate;
}
