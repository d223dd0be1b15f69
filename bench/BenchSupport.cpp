// SPDX-License-Identifier: LGPL-3.0-or-later
#include "bench/BenchSupport.h"

#include "tools/common/ChunkDumper.h"
#include "tools/common/ChunkSink.h"

#include <cstdlib>
#include <fstream>
#include <string>

namespace {

// Counts the characters of text, and notes when the first came; values are taken and freed by
// the dumper.
class TextCount final : public ChunkSink {
public:
    explicit TextCount(std::chrono::steady_clock::time_point* firstText) : FirstText(firstText) {}
    void BeginChunk(const STAT_CHUNK&) override {}
    void Text(const WCHAR*, size_t length) override {
        if (Characters == 0 && length > 0 && FirstText != nullptr) {
            *FirstText = std::chrono::steady_clock::now();
        }
        Characters += static_cast<long long>(length);
    }
    void Value(const WCHAR*, size_t, VARTYPE) override {}
    void EndChunk(HRESULT, const char*) override {}
    void End(HRESULT) override {}

    long long Characters = 0;

private:
    std::chrono::steady_clock::time_point* FirstText;
};

} // namespace

long long DrainFilterText(IFilter* filter, ULONG portionCharacters,
                          std::chrono::steady_clock::time_point* firstText) {
    TextCount count(firstText);
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
