#include "tools/DumpTotals.h"

#include <cstdio>

namespace {

std::string Counted(unsigned long long count, const char* singular, const char* plural) {
    return std::to_string(count) + " " + (count == 1 ? singular : plural);
}

} // namespace

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

std::string FormatProgress(unsigned long long index, unsigned long long total,
                           const std::string& path, size_t width) {
    std::string line = "[" + std::to_string(index) + "/" + std::to_string(total) + "] " + path;
    if (line.size() > width) {
        size_t cut = width;
        // Never split a UTF-8 sequence: back up over continuation bytes.
        while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) {
            --cut;
        }
        line.resize(cut);
    }
    return line;
}
