// The whole filtering path on the large books, side by side with libmobi's own load and parse
// of the same bytes: what the filter adds on top of the library is the ratio of the two.
// Pipeline: a stream over the book's bytes is bound, then every chunk is drained, text in
// portions of 4,096 characters. Library: the same bytes loaded from a memory FILE and parsed
// into markup.
#include "book/CFilterSample.h"
#include "platform/ComObject.h"
#include "tests/support/RecordingStream.h"

#include <benchmark/benchmark.h>
#include <mobi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {

std::vector<unsigned char> FixtureBytes(const char* name) {
    const char* folder = std::getenv("QUILLSIFT_FIXTURES");
    return ReadFileBytes(std::string(folder != nullptr ? folder : QUILLSIFT_FIXTURES) + "/" + name);
}

// A stream over borrowed bytes that records nothing, so that only the filter is timed.
class ByteStream : public RecordingStream {
public:
    using RecordingStream::RecordingStream;
    HRESULT STDMETHODCALLTYPE Read(void* pv, ULONG cb, ULONG* pcbRead) override {
        const HRESULT hr = RecordingStream::Read(pv, cb, pcbRead);
        Calls.clear();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin,
                                   ULARGE_INTEGER* position) override {
        const HRESULT hr = RecordingStream::Seek(move, origin, position);
        Calls.clear();
        return hr;
    }
};

void Pipeline(benchmark::State& state, const char* name) {
    const std::vector<unsigned char> bytes = FixtureBytes(name);
    if (bytes.empty()) {
        state.SkipWithError("fixture book not found (set QUILLSIFT_FIXTURES)");
        return;
    }
    ByteStream stream(bytes);
    std::vector<WCHAR> buffer(4096);
    size_t characters = 0;
    for (auto _ : state) {
        auto* filter = new (std::nothrow) ComObject<CFilterSample>();
        if (filter->Initialize(&stream, 0) != S_OK) {
            state.SkipWithError("the book did not load");
        }
        filter->Init(0, 0, nullptr, nullptr);
        STAT_CHUNK stat;
        while (filter->GetChunk(&stat) == S_OK) {
            if (stat.flags == CHUNK_VALUE) {
                PROPVARIANT* value = nullptr;
                filter->GetValue(&value);
                PropVariantClear(value);
                CoTaskMemFree(value);
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
        static_cast<IFilter*>(filter)->Release();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
    state.counters["chars"] = benchmark::Counter(static_cast<double>(characters) /
                                                 static_cast<double>(state.iterations()));
}

void Library(benchmark::State& state, const char* name) {
    std::vector<unsigned char> bytes = FixtureBytes(name);
    if (bytes.empty()) {
        state.SkipWithError("fixture book not found (set QUILLSIFT_FIXTURES)");
        return;
    }
    for (auto _ : state) {
        FILE* file = fmemopen(bytes.data(), bytes.size(), "rb");
        MOBIData* book = mobi_init();
        const MOBI_RET loaded = mobi_load_file(book, file);
        fclose(file);
        MOBIRawml* markup = mobi_init_rawml(book);
        if (loaded != MOBI_SUCCESS || mobi_parse_rawml(markup, book) != MOBI_SUCCESS) {
            state.SkipWithError("the book did not load");
        }
        benchmark::DoNotOptimize(markup->markup);
        mobi_free_rawml(markup);
        mobi_free(book);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}

void PeakMemory(benchmark::State& state) {
    for (auto _ : state) {
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_MiB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

} // namespace

BENCHMARK_CAPTURE(Library, kf7, "ledger-large-kf7.mobi")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Pipeline, kf7, "ledger-large-kf7.mobi")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Library, kf8, "ledger-large-kf8.azw3")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Pipeline, kf8, "ledger-large-kf8.azw3")->Unit(benchmark::kMillisecond);
BENCHMARK(PeakMemory)->Iterations(1);

BENCHMARK_MAIN();
