// SPDX-License-Identifier: LGPL-3.0-or-later
// Faults of libmobi 0.11 that reach the filter on corrupt books. These tests pin down what the
// filter does with them, so that a change in either shows.
#include "tests/support/BookBinding.h"
#include "tests/support/References.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

// libmobi leaks parts of its markup record when its parse fails half-way, although the record
// is freed; its own allocations are left out of the leak check of this program.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
    return "leak:libmobi.so\nleak:mobi_\n";
}

namespace {

BoundFilter Seed(const std::string& name) {
    auto bytes = ReadFileBytes(std::string(QUILLSIFT_FUZZ_CORPUS) + "/" + name);
    EXPECT_FALSE(bytes.empty()) << name << " is missing";
    return BoundFilter(std::move(bytes));
}

// A mutated KF8 book whose markup parse fails half-way (libmobi answers 3) when it is rebuilt
// for export, a step the filter does not ask for: the title comes, garbled as the book is,
// then the language, then the four text parts the book still has, then the end.
TEST(LibmobiFaults, ABookThatCannotBeRebuiltForExportGivesItsValuesAndItsText) {
    BoundFilter book = Seed("libmobi-parse-leak.azw3");
    const DrainResult result = DrainFilter(book.Filter.Get());
    EXPECT_EQ(book.Bound, S_OK);
    ASSERT_EQ(result.Chunks.size(), 6u);
    ASSERT_EQ(result.ValueCount(), 2u);
    EXPECT_EQ(result.Chunks[0].Content, u"\uFFFDncoding\uFFFD");
    EXPECT_EQ(result.Chunks[1].Content, u"en");
    for (size_t i = 2; i < result.Chunks.size(); ++i) {
        EXPECT_EQ(result.Chunks[i].Kind, CHUNK_TEXT) << i;
    }
    EXPECT_EQ(result.Chunks[2].Content.rfind(u"\n\nChapter 1\n", 0), 0u);
    EXPECT_EQ(result.End, FILTER_E_END_OF_CHUNKS);
    book.Filter.Reset();
    EXPECT_EQ(ReferencesOf(book.Stream), 1);
}

// Leaves freed buffers of the size libmobi decompresses a text record into, each full of a
// marker, as a host's heap holds the text of the books it read before.
void LeaveStaleText(char marker) {
    std::vector<void*> buffers;
    for (int i = 0; i < 64; ++i) {
        void* buffer = std::malloc(4096);
        ASSERT_NE(buffer, nullptr);
        std::memset(buffer, marker, 4096);
        buffers.push_back(buffer);
    }
    for (void* buffer : buffers) {
        std::free(buffer);
    }
}

// Books with one bit flipped in their compressed text: a back-reference of distance 0, which
// libmobi 0.11 follows into the part of its output buffer that it has not written yet. That
// buffer starts cleared, so the reference reads a zero and the part's text ends there: each
// part is the whole book's part, or the start of it up to the flipped byte, whatever the heap
// held before (here a marker, and the text of the book itself).
TEST(LibmobiFaults, BytesThatNothingWroteEndThePartWhereTheyFall) {
    constexpr size_t Whole = SIZE_MAX;
    struct Case {
        const char* Name;
        std::vector<size_t> PartLengths;
    };
    const Case cases[] = {
        {"libmobi-uninit-1.azw3", {965, 31, Whole, Whole}},
        {"libmobi-uninit-3.azw3", {Whole, Whole, 629, Whole}},
    };
    const DrainResult expected = DrainBook(TestBook("harbor-kf8.azw3"));
    const size_t values = expected.ValueCount();
    ASSERT_EQ(expected.Chunks.size(), values + 4);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        LeaveStaleText('Q');
        BoundFilter book = Seed(c.Name);
        const DrainResult result = DrainFilter(book.Filter.Get());
        EXPECT_EQ(book.Bound, S_OK);
        ASSERT_EQ(result.Chunks.size(), expected.Chunks.size());
        for (size_t i = 0; i < values; ++i) {
            EXPECT_EQ(result.Chunks[i].Content, expected.Chunks[i].Content);
        }
        for (size_t part = 0; part < c.PartLengths.size(); ++part) {
            const std::u16string& whole = expected.Chunks[values + part].Content;
            const size_t length = c.PartLengths[part] == Whole ? whole.size() : c.PartLengths[part];
            EXPECT_EQ(result.Chunks[values + part].Content, whole.substr(0, length)) << part;
        }
        EXPECT_EQ(result.End, FILTER_E_END_OF_CHUNKS);
    }
}

// Inputs that a run of the pipeline fuzzer grew, the smallest of their kind: a PalmDOC and a
// Mobipocket book whose compressed text refers to bytes that nothing wrote. Read once over a
// heap full of one marker and once over another, each gives the same text, of the same length
// in every build.
TEST(LibmobiFaults, GrownReproducersGiveTheSameTextWhateverTheHeapHeld) {
    struct Case {
        const char* Name;
        std::vector<size_t> PartLengths;
    };
    const Case cases[] = {
        {"libmobi-uninit-palmdoc.prc", {2827}},
        {"libmobi-uninit-mobi.mobi", {866}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        std::vector<std::u16string> texts[2];
        const char markers[2] = {'Q', '@'};
        for (int pass = 0; pass < 2; ++pass) {
            LeaveStaleText(markers[pass]);
            BoundFilter book = Seed(c.Name);
            ASSERT_EQ(book.Bound, S_OK);
            const DrainResult result = DrainFilter(book.Filter.Get());
            EXPECT_EQ(result.End, FILTER_E_END_OF_CHUNKS);
            for (const auto& chunk : result.Chunks) {
                if (chunk.Kind == CHUNK_TEXT) {
                    texts[pass].push_back(chunk.Content);
                }
            }
        }
        EXPECT_EQ(texts[0], texts[1]);
        ASSERT_EQ(texts[0].size(), c.PartLengths.size());
        for (size_t part = 0; part < c.PartLengths.size(); ++part) {
            EXPECT_EQ(texts[0][part].size(), c.PartLengths[part]) << part;
        }
    }
}

} // namespace
