// SPDX-License-Identifier: LGPL-3.0-or-later
// A book larger than the memory its host allows: a Windows Search filter host runs under a job
// that limits its memory. The filter makes every buffer its text needs when the book is bound,
// and reads the text part by part into them, so the binding fails up front or every chunk
// comes. Each run filters the large KF8 test book (about 100 parts, 3.5 million characters) in
// a child process whose address space is capped a little higher each time, so that allocations
// fail wherever the cap falls: in libmobi's load, in the reader's buffers. The child never
// crashes, and what it hands out is nothing, or the whole book.
#include "book/CFilterSample.h"
#include "platform/ComObject.h"
#include "platform/native/FileStream.h"
#include "platform/text/Utf16Length.h"
#include "tests/support/BookBinding.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define QUILLSIFT_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define QUILLSIFT_SANITIZED 1
#endif
#endif

namespace {

// One chunk as the host got it: its kind, property and a digest of its whole content.
struct ChunkDigest {
    int Kind;
    PROPID Property;
    uint64_t Length;
    uint64_t Hash;
    bool operator==(const ChunkDigest& other) const {
        return Kind == other.Kind && Property == other.Property && Length == other.Length &&
               Hash == other.Hash;
    }
};

// What one run handed out. Fixed size: the child makes no allocation of its own.
struct RunReport {
    HRESULT Bound;
    HRESULT End;
    int Count;
    ChunkDigest Chunks[256];
};

void Digest(ChunkDigest& chunk, const WCHAR* units, ULONG count) {
    for (ULONG i = 0; i < count; ++i) {
        chunk.Hash = (chunk.Hash ^ units[i]) * 1099511628211ull; // FNV-1a
    }
    chunk.Length += count;
}

// Binds the book as a read-only file stream and drains it as an indexer does.
void Filter(const std::string& path, RunReport& report) {
    report = RunReport{E_FAIL, S_OK, 0, {}};
    IStream* stream = nullptr;
    if (FAILED(FileStream::Open(path.c_str(), &stream))) {
        return;
    }
    auto* object = new (std::nothrow) ComObject<CFilterSample>();
    if (object == nullptr) {
        stream->Release();
        report.Bound = E_OUTOFMEMORY;
        return;
    }
    IFilter* filter = object;
    report.Bound = object->Initialize(stream, STGM_READ);
    stream->Release();
    if (SUCCEEDED(report.Bound)) {
        filter->Init(0, 0, nullptr, nullptr);
        STAT_CHUNK stat;
        while ((report.End = filter->GetChunk(&stat)) == S_OK && report.Count < 256) {
            ChunkDigest& chunk = report.Chunks[report.Count];
            chunk = ChunkDigest{static_cast<int>(stat.flags), stat.attribute.psProperty.propid, 0,
                                14695981039346656037ull};
            if (stat.flags == CHUNK_VALUE) {
                PROPVARIANT* value = nullptr;
                if (FAILED(filter->GetValue(&value))) {
                    continue;
                }
                Digest(chunk, value->pwszVal, static_cast<ULONG>(Utf16Length(value->pwszVal)));
                PropVariantClear(value);
                CoTaskMemFree(value);
            } else {
                WCHAR portion[4096];
                ULONG count = 4096;
                HRESULT got;
                while (SUCCEEDED(got = filter->GetText(&count, portion))) {
                    Digest(chunk, portion, count);
                    count = 4096;
                }
            }
            ++report.Count;
        }
    }
    filter->Release();
}

long VmSizeKiB() {
    FILE* status = std::fopen("/proc/self/status", "r");
    long kib = -1;
    char line[256];
    while (status != nullptr && std::fgets(line, sizeof(line), status) != nullptr) {
        if (std::strncmp(line, "VmSize:", 7) == 0) {
            kib = std::strtol(line + 7, nullptr, 10);
        }
    }
    if (status != nullptr) {
        std::fclose(status);
    }
    return kib;
}

// Filters the book in a child whose address space may grow by `headroomKiB` above what it
// has; false when the child did not end normally.
bool RunCapped(const std::string& path, long headroomKiB, RunReport& report) {
    int channel[2];
    if (pipe(channel) != 0) {
        return false;
    }
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        static RunReport own;
        const rlim_t cap = static_cast<rlim_t>(VmSizeKiB() + headroomKiB) * 1024;
        const rlimit limit{cap, cap};
        setrlimit(RLIMIT_AS, &limit);
        Filter(path, own);
        const ssize_t written = write(channel[1], &own, sizeof(own));
        _exit(written == static_cast<ssize_t>(sizeof(own)) ? 0 : 3);
    }
    close(channel[1]);
    size_t received = 0;
    auto* into = reinterpret_cast<char*>(&report);
    ssize_t got;
    while (received < sizeof(report) &&
           (got = read(channel[0], into + received, sizeof(report) - received)) > 0) {
        received += static_cast<size_t>(got);
    }
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && received == sizeof(report);
}

bool SameRun(const RunReport& run, const RunReport& whole) {
    if (run.Count != whole.Count || run.End != whole.End) {
        return false;
    }
    for (int i = 0; i < run.Count; ++i) {
        if (!(run.Chunks[i] == whole.Chunks[i])) {
            return false;
        }
    }
    return true;
}

TEST(MemoryLimit, ATextHeavyBookBeyondTheLimitFailsToBindOrGivesEveryChunk) {
#ifdef QUILLSIFT_SANITIZED
    GTEST_SKIP() << "a sanitizer's shadow memory needs more address space than any cap";
#endif
    const std::string path = TestBookPath("ledger-large-kf8.azw3");
    static RunReport whole;
    ASSERT_TRUE(RunCapped(path, 4096 * 1024, whole));
    ASSERT_EQ(whole.Bound, S_OK);
    ASSERT_EQ(whole.End, FILTER_E_END_OF_CHUNKS);
    ASSERT_GT(whole.Count, 100); // the values, the parts

    // From no room at all to a MiB past the first cap that the book fits under.
    bool bindingFailed = false;
    constexpr long StepKiB = 64;
    constexpr long MostKiB = 64 * 1024;
    long fitted = -1;
    for (long headroom = 0; headroom <= MostKiB && (fitted < 0 || headroom <= fitted + 1024);
         headroom += StepKiB) {
        static RunReport run;
        ASSERT_TRUE(RunCapped(path, headroom, run))
            << "the child crashed at " << headroom << " KiB";
        if (FAILED(run.Bound)) {
            // Nothing of the book: the host indexes its file name and properties only.
            EXPECT_TRUE(run.Bound == E_FAIL || run.Bound == E_OUTOFMEMORY) << headroom;
            bindingFailed = true;
            continue;
        }
        EXPECT_TRUE(SameRun(run, whole)) << "bound at " << headroom << " KiB, then " << run.Count
                                         << " chunks of " << whole.Count;
        fitted = fitted < 0 ? headroom : fitted;
    }
    EXPECT_TRUE(bindingFailed);
    EXPECT_GE(fitted, 0) << "the whole book never fitted";
    std::printf("the whole book fitted %ld KiB above the process\n", fitted);
}

} // namespace
