// SPDX-License-Identifier: LGPL-3.0-or-later
// A book larger than the memory its host allows: a Windows Search filter host runs under a job
// that limits its memory, and a text-heavy book makes libmobi allocate far more than its file
// size while it loads the book and rebuilds its markup. Each run filters the large KF8 test
// book (about 100 parts, 3.5 million characters) in a child process whose address space is capped a
// little higher each time, so that allocations fail wherever the cap falls: in the load, in
// libmobi's rebuilding of the markup, in the conversion of a part. The child never crashes,
// and what it hands out is the book's chunks with some left out, in order: never a part cut
// short or altered.
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

// Filters the book in a child whose address space may grow by `headroomMiB` above what it
// has; false when the child did not end normally.
bool RunCapped(const std::string& path, long headroomMiB, RunReport& report) {
    int channel[2];
    if (pipe(channel) != 0) {
        return false;
    }
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        static RunReport own;
        const rlim_t cap = static_cast<rlim_t>(VmSizeKiB() + headroomMiB * 1024) * 1024;
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

// Whether the first `count` of `part` are `whole` with some left out, in the same order.
bool IsSubsequence(const ChunkDigest* part, int count, const RunReport& whole) {
    int at = 0;
    for (int i = 0; i < count; ++i) {
        while (at < whole.Count && !(whole.Chunks[at] == part[i])) {
            ++at;
        }
        if (at == whole.Count) {
            return false;
        }
        ++at;
    }
    return true;
}

TEST(MemoryLimit, ATextHeavyBookBeyondTheLimitGivesWholeChunksOrNone) {
#ifdef QUILLSIFT_SANITIZED
    GTEST_SKIP() << "a sanitizer's shadow memory needs more address space than any cap";
#endif
    const std::string path = TestBookPath("ledger-large-kf8.azw3");
    static RunReport whole;
    ASSERT_TRUE(RunCapped(path, 4096, whole));
    ASSERT_EQ(whole.Bound, S_OK);
    ASSERT_EQ(whole.End, FILTER_E_END_OF_CHUNKS);
    ASSERT_GT(whole.Count, 100); // the values, the parts
    int values = 0;
    while (values < whole.Count && whole.Chunks[values].Kind == CHUNK_VALUE) {
        ++values;
    }

    bool loadFailed = false;
    bool headOnly = false;
    long headroom = 0;
    for (; headroom <= 64; ++headroom) {
        static RunReport run;
        ASSERT_TRUE(RunCapped(path, headroom, run))
            << "the child crashed at " << headroom << " MiB";
        if (FAILED(run.Bound)) {
            // Nothing of the book: the host indexes its file name and properties only.
            EXPECT_EQ(run.Bound, E_FAIL) << headroom;
            loadFailed = true;
            continue;
        }
        EXPECT_EQ(run.End, FILTER_E_END_OF_CHUNKS) << headroom;
        EXPECT_TRUE(IsSubsequence(run.Chunks, run.Count, whole)) << headroom << " MiB";
        if (run.Count == whole.Count) {
            break;
        }
        headOnly = headOnly || run.Count == values;
    }
    // The cap fell in the load (nothing), then in libmobi's rebuilding of the markup (the
    // values only), before the whole book fitted.
    EXPECT_TRUE(loadFailed);
    EXPECT_TRUE(headOnly);
    EXPECT_LE(headroom, 64) << "the whole book never fitted";
    std::printf("the whole book fitted %ld MiB above the process\n", headroom);
}

} // namespace
