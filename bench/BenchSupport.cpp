#include "bench/BenchSupport.h"

#include "platform/UniqueAny.h"

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

long long DrainFilterText(IFilter* filter, ULONG portionCharacters) {
    std::vector<WCHAR> buffer(static_cast<size_t>(portionCharacters) + 1);
    long long characters = 0;
    filter->Init(0, 0, nullptr, nullptr);
    STAT_CHUNK stat;
    while (filter->GetChunk(&stat) == S_OK) {
        if (stat.flags == CHUNK_VALUE) {
            PropVariantBlock value;
            filter->GetValue(value.Put());
            continue;
        }
        for (;;) {
            ULONG count = static_cast<ULONG>(buffer.size());
            const HRESULT hr = filter->GetText(&count, buffer.data());
            if (hr != S_OK && hr != FILTER_S_LAST_TEXT) {
                break;
            }
            characters += count;
        }
    }
    return characters;
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
