// SPDX-License-Identifier: LGPL-3.0-or-later
// Running out of memory anywhere on the path from the class factory to the last chunk: each
// task allocation of a whole book is made to fail in turn. Every call answers a code, a run
// that gives less than the book holds says so with E_OUTOFMEMORY, nothing leaks (the sanitizer
// build checks), and the module serves the next book as if nothing had happened.
#include "module/DllExports.h"
#include "platform/ComPtr.h"
#include "platform/UniqueAny.h"
#include "platform/native/TaskMemoryTesting.h"
#include "tests/support/BookBinding.h"
#include "tests/support/RecordingStream.h"
#include "tests/support/References.h"
#include "tests/support/TestNames.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

const CLSID BookFilterClass = {
    0x5E1A9C42, 0x7B3D, 0x4C2F, {0x9A, 0x61, 0x3D, 0x8E, 0x2B, 0x7F, 0x1C, 0x05}};

struct Chunk {
    CHUNKSTATE Kind;
    PROPID Property;
    std::u16string Content;
    bool operator==(const Chunk& other) const {
        return Kind == other.Kind && Property == other.Property && Content == other.Content;
    }
};

// One book through the module as an indexer drives it, with the calls that ran out of memory.
struct BookRun {
    std::vector<Chunk> Chunks;
    std::set<std::string> OutOfMemory;
    bool Bound = false;
};

// Records an unexpected code as a test failure that names the call.
void ExpectOneOf(const char* call, HRESULT code, std::initializer_list<HRESULT> allowed,
                 BookRun& run) {
    for (HRESULT ok : allowed) {
        if (code == ok) {
            if (code == E_OUTOFMEMORY) {
                run.OutOfMemory.insert(call);
            }
            return;
        }
    }
    ADD_FAILURE() << call << " answered 0x" << std::hex << static_cast<unsigned long>(code);
}

BookRun RunBook(const std::vector<unsigned char>& bytes) {
    BookRun run;
    RecordingStream stream(bytes);
    {
        ComPtr<IClassFactory> factory;
        HRESULT hr = DllGetClassObject(BookFilterClass, IID_IClassFactory, factory.PutVoid());
        ExpectOneOf("DllGetClassObject", hr, {S_OK, E_OUTOFMEMORY}, run);
        if (FAILED(hr)) {
            EXPECT_FALSE(factory);
            return run;
        }
        ComPtr<IInitializeWithStream> init;
        hr = factory->CreateInstance(nullptr, IID_IInitializeWithStream, init.PutVoid());
        ExpectOneOf("CreateInstance", hr, {S_OK, E_OUTOFMEMORY}, run);
        if (FAILED(hr)) {
            EXPECT_FALSE(init);
            return run;
        }
        hr = init->Initialize(&stream, STGM_READ);
        ExpectOneOf("Initialize", hr, {S_OK, E_OUTOFMEMORY}, run);
        run.Bound = SUCCEEDED(hr);
        ComPtr<IFilter> filter;
        EXPECT_EQ(init->QueryInterface(IID_IFilter, filter.PutVoid()), S_OK);
        EXPECT_EQ(filter->Init(0, 0, nullptr, nullptr), S_OK);
        for (;;) {
            STAT_CHUNK stat;
            hr = filter->GetChunk(&stat);
            ExpectOneOf("GetChunk", hr, {S_OK, FILTER_E_END_OF_CHUNKS, E_OUTOFMEMORY}, run);
            if (hr != S_OK) {
                break;
            }
            Chunk chunk{stat.flags, stat.attribute.psProperty.propid, {}};
            if (stat.flags == CHUNK_VALUE) {
                PropVariantBlock value;
                hr = filter->GetValue(value.Put());
                ExpectOneOf("GetValue", hr, {S_OK, E_OUTOFMEMORY}, run);
                if (FAILED(hr)) {
                    EXPECT_EQ(value.Get(), nullptr);
                    continue;
                }
                chunk.Content = value->pwszVal;
            } else {
                WCHAR buffer[256];
                for (;;) {
                    ULONG count = 256;
                    hr = filter->GetText(&count, buffer);
                    ExpectOneOf("GetText", hr,
                                {S_OK, FILTER_S_LAST_TEXT, FILTER_E_NO_MORE_TEXT, E_OUTOFMEMORY},
                                run);
                    if (FAILED(hr)) {
                        break;
                    }
                    chunk.Content.append(buffer, count);
                }
            }
            run.Chunks.push_back(chunk);
        }
    }
    EXPECT_EQ(ReferencesOf(stream), 1) << "the stream is still held";
    EXPECT_EQ(DllCanUnloadNow(), S_OK) << "an object of the module is still alive";
    return run;
}

// Whether `part` is `whole` with some elements left out, in the same order.
bool IsSubsequence(const std::vector<Chunk>& part, const std::vector<Chunk>& whole) {
    size_t at = 0;
    for (const Chunk& chunk : part) {
        while (at < whole.size() && !(whole[at] == chunk)) {
            ++at;
        }
        if (at == whole.size()) {
            return false;
        }
        ++at;
    }
    return true;
}

class OutOfMemory : public ::testing::TestWithParam<const char*> {};

TEST_P(OutOfMemory, EveryAllocationOfABookMayFailAndTheNextBookIsWhole) {
    const auto bytes = TestBook(GetParam());
    ASSERT_FALSE(bytes.empty());
    TaskMemoryTestFailAllocation(0);
    const BookRun reference = RunBook(bytes);
    ASSERT_TRUE(reference.Bound);
    ASSERT_GE(reference.Chunks.size(), 3u);

    std::set<std::string> failedCalls;
    unsigned long nth = 1;
    for (;; ++nth) {
        SCOPED_TRACE(::testing::Message() << "allocation " << nth << " fails");
        TaskMemoryTestFailAllocation(nth);
        const BookRun run = RunBook(bytes);
        const bool failed = TaskMemoryTestFailureHappened();
        TaskMemoryTestFailAllocation(0);
        if (!failed) {
            EXPECT_EQ(run.Chunks, reference.Chunks);
            break;
        }
        EXPECT_TRUE(IsSubsequence(run.Chunks, reference.Chunks));
        if (run.OutOfMemory.empty()) {
            EXPECT_EQ(run.Chunks, reference.Chunks) << "less output, and no call said why";
        }
        failedCalls.insert(run.OutOfMemory.begin(), run.OutOfMemory.end());
        EXPECT_EQ(RunBook(bytes).Chunks, reference.Chunks) << "the next book is not whole";
    }
    // Each place that reports running out was reached.
    EXPECT_EQ(failedCalls, (std::set<std::string>{"CreateInstance", "DllGetClassObject", "GetChunk",
                                                  "GetValue"}));
    EXPECT_GT(nth, reference.Chunks.size() + 2);
}

INSTANTIATE_TEST_SUITE_P(Books, OutOfMemory,
                         ::testing::Values("harbor-kf8.azw3", "harbor-kf7.mobi", "duet-kf8.azw"),
                         TestBookName);

} // namespace
