// SPDX-License-Identifier: LGPL-3.0-or-later
#include "bench/BenchSupport.h"

#include "tools/common/ChunkDumper.h"
#include "tools/common/ChunkSink.h"

#include <cstdlib>
#include <fstream>
#include <string>

namespace {

// Counts the characters of text; values are taken and freed by the dumper.
class TextCount final : public ChunkSink {
public:
    void BeginChunk(const STAT_CHUNK&) override {}
    void Text(const WCHAR*, size_t length) override {
        Characters += static_cast<long long>(length);
    }
    void Value(const WCHAR*, size_t, VARTYPE) override {}
    void EndChunk(HRESULT, const char*) override {}
    void End(HRESULT) override {}

    long long Characters = 0;
};

} // namespace

long long DrainFilterText(IFilter* filter, ULONG portionCharacters) {
    TextCount count;
    ChunkDumper(count, portionCharacters).Dump(filter);
    return count.Characters;
}

long StatusKiB(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(field) + ":";
    while (std::getline(status, line)) {
        if (line.compare(0, prefix.size(), prefix) == 0) {
            return std::strtol(line.c_str() + prefix.size(), nullptr, 10);
        }
    }
    return -1;
}
