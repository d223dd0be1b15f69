// SPDX-License-Identifier: LGPL-3.0-or-later
// Times the load of books from the file streams the indexer hands a filter
// (SHCreateStreamOnFileEx, read-only): the binding of a book filter object, which loads the
// whole book through the stream, several rounds per book. Prints per book the Read and Seek
// calls of one load, and the fastest and the median load. A Windows program: run it under
// Wine (winelib build) or on Windows.
//   stream_load_timing [--rounds N] BOOK...
#include "book/CFilterSample.h"
#include "platform/ComObject.h"
#include "platform/ComPtr.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Passes every call on to the file stream and counts the reads and seeks.
class CountingStream : public IStream {
public:
    explicit CountingStream(IStream* inner) : Inner(inner) {}
    ULONG Reads = 0;
    ULONG Seeks = 0;

    virtual ~CountingStream() = default;

    template <typename Self> static const QITAB* Interfaces() { return StreamInterfaces<Self>(); }
    HRESULT STDMETHODCALLTYPE Read(void* pv, ULONG cb, ULONG* read) override {
        ++Reads;
        return Inner->Read(pv, cb, read);
    }
    HRESULT STDMETHODCALLTYPE Write(const void* pv, ULONG cb, ULONG* written) override {
        return Inner->Write(pv, cb, written);
    }
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin,
                                   ULARGE_INTEGER* position) override {
        ++Seeks;
        return Inner->Seek(move, origin, position);
    }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER size) override { return Inner->SetSize(size); }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream* to, ULARGE_INTEGER cb, ULARGE_INTEGER* read,
                                     ULARGE_INTEGER* written) override {
        return Inner->CopyTo(to, cb, read, written);
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD flags) override { return Inner->Commit(flags); }
    HRESULT STDMETHODCALLTYPE Revert() override { return Inner->Revert(); }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER at, ULARGE_INTEGER cb,
                                         DWORD type) override {
        return Inner->LockRegion(at, cb, type);
    }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER at, ULARGE_INTEGER cb,
                                           DWORD type) override {
        return Inner->UnlockRegion(at, cb, type);
    }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD flags) override {
        return Inner->Stat(stat, flags);
    }
    HRESULT STDMETHODCALLTYPE Clone(IStream** clone) override { return Inner->Clone(clone); }

private:
    IStream* Inner;
};

std::string Narrow(const WCHAR* text) {
    std::string result;
    for (; *text != 0; ++text) {
        result += *text < 0x80 ? static_cast<char>(*text) : '?';
    }
    return result;
}

// One load of the book at `path` in milliseconds; negative when it did not load.
double TimeLoad(const WCHAR* path, ULONG& reads, ULONG& seeks) {
    ComPtr<IStream> file;
    if (FAILED(SHCreateStreamOnFileEx(path, STGM_READ | STGM_SHARE_DENY_WRITE,
                                      FILE_ATTRIBUTE_NORMAL, FALSE, nullptr, file.Put()))) {
        return -1;
    }
    HostObject<CountingStream> stream(file.Get());
    ComPtr<IInitializeWithStream> filter;
    if (FAILED(CreateInstance<CFilterSample>(IID_IInitializeWithStream, filter.PutVoid()))) {
        return -1;
    }
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    const HRESULT bound = filter->Initialize(&stream, STGM_READ);
    QueryPerformanceCounter(&end);
    filter.Reset();
    reads = stream.Reads;
    seeks = stream.Seeks;
    if (FAILED(bound)) {
        return -1;
    }
    return 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

} // namespace

extern "C" int wmain(int argc, WCHAR** argv) {
    int rounds = 30;
    int first = 1;
    if (argc > 2 && Narrow(argv[1]) == "--rounds") {
        rounds = std::max(1, std::atoi(Narrow(argv[2]).c_str()));
        first = 3;
    }
    if (first >= argc) {
        std::printf("usage: stream_load_timing [--rounds N] BOOK...\n");
        return 2;
    }
    int status = 0;
    std::printf("%8s %8s %10s %10s  book\n", "reads", "seeks", "min ms", "median ms");
    for (int index = first; index < argc; ++index) {
        std::vector<double> times;
        ULONG reads = 0;
        ULONG seeks = 0;
        for (int round = 0; round < rounds; ++round) {
            const double time = TimeLoad(argv[index], reads, seeks);
            if (time < 0) {
                break;
            }
            times.push_back(time);
        }
        if (times.empty()) {
            std::printf("did not load: %s\n", Narrow(argv[index]).c_str());
            status = 1;
            continue;
        }
        std::sort(times.begin(), times.end());
        std::printf("%8lu %8lu %10.2f %10.2f  %s\n", static_cast<unsigned long>(reads),
                    static_cast<unsigned long>(seeks), times.front(), times[times.size() / 2],
                    Narrow(argv[index]).c_str());
    }
    return status;
}
