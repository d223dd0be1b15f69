// SPDX-License-Identifier: LGPL-3.0-or-later
// The IFilter chunk engine driven by a scripted producer.
#include "filter/CFilterBase.h"
#include "platform/ComObject.h"
#include "platform/UniqueAny.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace {

const PROPERTYKEY& TextKey = PKEY_Search_Contents;
const PROPERTYKEY& ValueKey = PKEY_Title;

// One answer of the producer: what it does to the record, then what it returns.
struct Step {
    HRESULT Result;
    std::function<void(ChunkValue&)> Fill;
};

// A text that comes in runs of `runLength` units (the last may be shorter), as a book's parts
// do when they are converted while the host reads them.
class RunsOf final : public TextRuns {
public:
    RunsOf(std::u16string text, size_t runLength) : Whole(std::move(text)), RunLength(runLength) {}
    HRESULT NextTextRun(const WCHAR** units, ULONG* count) override {
        ++Calls;
        if (At == Whole.size()) {
            return S_FALSE;
        }
        const size_t length = std::min(RunLength, Whole.size() - At);
        *units = reinterpret_cast<const WCHAR*>(Whole.data()) + At;
        *count = static_cast<ULONG>(length);
        At += length;
        return S_OK;
    }
    int Calls = 0;

private:
    std::u16string Whole;
    size_t RunLength;
    size_t At = 0;
};

Step TextInRuns(RunsOf& source) {
    return {S_OK, [&source](ChunkValue& chunk) { chunk.SetText(TextKey, source); }};
}
// A text held whole: one run, from a source the step keeps.
Step Text(const std::u16string& text) {
    const auto source = std::make_shared<RunsOf>(text, text.size() + 1);
    return {S_OK, [source](ChunkValue& chunk) { chunk.SetText(TextKey, *source); }};
}
Step Value(const std::u16string& value) {
    return {S_OK, [value](ChunkValue& chunk) { chunk.SetStringValue(ValueKey, value.c_str()); }};
}
Step Answer(HRESULT result) {
    return {result, nullptr};
}
// Describes a chunk without ever setting it, then answers `result`.
Step KeyedOnly(CHUNKSTATE kind, HRESULT result) {
    return {result, [kind](ChunkValue& chunk) {
                chunk.SetKeyAndKind(kind == CHUNK_TEXT ? TextKey : ValueKey, kind);
            }};
}

// Answers from a script; once the script is used up, FILTER_E_END_OF_CHUNKS.
class ScriptedFilter : public CFilterBase {
public:
    std::deque<Step> Script;
    int ProduceCalls = 0;
    // TextPosition as each call of the producer found it.
    std::vector<ULONG> PositionsSeen;
    int PrepareCalls = 0;
    HRESULT PrepareResult = S_OK;
    HRESULT PrepareContent() override {
        ++PrepareCalls;
        return PrepareResult;
    }
    HRESULT ProduceChunkValue(ChunkValue& chunk) override {
        ++ProduceCalls;
        PositionsSeen.push_back(TextPosition);
        if (Script.empty()) {
            return FILTER_E_END_OF_CHUNKS;
        }
        // Kept until the next one: a text's source lives in its step.
        LastStep = Script.front();
        Script.pop_front();
        if (LastStep.Fill) {
            LastStep.Fill(chunk);
        }
        return LastStep.Result;
    }
    const ChunkValue& Current() const { return Chunk; }

private:
    Step LastStep;
};

// On the stack: the test holds its one reference throughout.
using Scripted = HostObject<ScriptedFilter>;

STAT_CHUNK FreshStat() {
    STAT_CHUNK stat;
    std::memset(&stat, 0x5A, sizeof(stat));
    return stat;
}

// Drains the current text chunk with a buffer of `size`, returning the text and the codes seen.
std::u16string Drain(ScriptedFilter& filter, ULONG size, std::vector<HRESULT>* codes = nullptr) {
    std::u16string text;
    std::vector<WCHAR> buffer(size);
    for (;;) {
        ULONG count = size;
        const HRESULT hr = filter.GetText(&count, buffer.data());
        if (codes != nullptr) {
            codes->push_back(hr);
        }
        if (hr != S_OK && hr != FILTER_S_LAST_TEXT) {
            return text;
        }
        EXPECT_EQ(buffer[count], 0);
        text.append(buffer.data(), count);
    }
}

TEST(ChunkEngine, NumbersChunksFromOneWithoutGapsAcrossFalseAnswers) {
    Scripted filter;
    filter.Script = {Value(u"t"),  Answer(S_FALSE), Answer(S_FALSE),
                     Text(u"abc"), Answer(S_FALSE), Value(u"v")};
    STAT_CHUNK stat = FreshStat();
    for (ULONG expected = 1; expected <= 3; ++expected) {
        ASSERT_EQ(filter.GetChunk(&stat), S_OK);
        EXPECT_EQ(stat.idChunk, expected);
    }
    EXPECT_EQ(stat.flags, CHUNK_VALUE);

    stat = FreshStat();
    EXPECT_EQ(filter.GetChunk(&stat), FILTER_E_END_OF_CHUNKS);
    EXPECT_EQ(stat.idChunk, 3u);
    // Only idChunk is written on failure.
    EXPECT_EQ(stat.locale, FreshStat().locale);
}

TEST(ChunkEngine, StatDescribesTheChunk) {
    Scripted filter;
    filter.Script = {Text(u"x")};
    STAT_CHUNK stat = FreshStat();
    ASSERT_EQ(filter.GetChunk(&stat), S_OK);
    EXPECT_EQ(stat.idChunk, 1u);
    EXPECT_EQ(stat.breakType, CHUNK_NO_BREAK);
    EXPECT_EQ(stat.flags, CHUNK_TEXT);
    EXPECT_EQ(stat.locale, 0u);
    EXPECT_TRUE(IsEqualGUID(stat.attribute.guidPropSet, TextKey.fmtid));
    EXPECT_EQ(stat.attribute.psProperty.ulKind, static_cast<ULONG>(PRSPEC_PROPID));
    EXPECT_EQ(stat.attribute.psProperty.propid, 19u);
    EXPECT_EQ(stat.idChunkSource, 0u);
    EXPECT_EQ(stat.cwcStartSource, 0u);
    EXPECT_EQ(stat.cwcLenSource, 0u);
}

TEST(ChunkEngine, FalseAnswersAreBoundedAtExactly256PerCall) {
    Scripted filter;
    for (int i = 0; i < 256 + 255; ++i) {
        filter.Script.push_back(Answer(S_FALSE));
    }
    filter.Script.push_back(Value(u"late"));
    STAT_CHUNK stat = FreshStat();
    EXPECT_EQ(filter.GetChunk(&stat), S_FALSE);
    EXPECT_EQ(filter.ProduceCalls, 256);
    EXPECT_EQ(stat.idChunk, 0u);
    // A fresh count: 255 more S_FALSE, then the value on the 256th call.
    EXPECT_EQ(filter.GetChunk(&stat), S_OK);
    EXPECT_EQ(filter.ProduceCalls, 512);
    EXPECT_EQ(stat.idChunk, 1u);
}

TEST(ChunkEngine, ProducerCodesPassThroughUnchanged) {
    const HRESULT codes[] = {FILTER_E_END_OF_CHUNKS, E_UNEXPECTED, E_OUTOFMEMORY,
                             FILTER_S_LAST_TEXT, static_cast<HRESULT>(0x00000002)};
    for (HRESULT code : codes) {
        Scripted filter;
        filter.Script = {Answer(code)};
        STAT_CHUNK stat = FreshStat();
        EXPECT_EQ(filter.GetChunk(&stat), code);
        EXPECT_EQ(stat.idChunk, 0u);
    }
}

TEST(ChunkEngine, SuccessWithoutASetChunkIsInvalidAndTakesNoId) {
    Scripted filter;
    filter.Script = {Answer(S_OK), Value(u"v")};
    STAT_CHUNK stat = FreshStat();
    EXPECT_EQ(filter.GetChunk(&stat), E_INVALIDARG);
    EXPECT_EQ(filter.GetChunk(&stat), S_OK);
    EXPECT_EQ(stat.idChunk, 1u);
}

TEST(ChunkEngine, NullStatIsRefusedWithoutAskingTheProducer) {
    Scripted filter;
    filter.Script = {Value(u"v")};
    EXPECT_EQ(filter.GetChunk(nullptr), E_INVALIDARG);
    EXPECT_EQ(filter.ProduceCalls, 0);
}

TEST(ChunkEngine, InitRestartsIdsEmptiesTheChunkAndClearsTheFlagsButNotTheProducer) {
    Scripted filter;
    filter.Script = {Value(u"a"), Value(u"b")};
    STAT_CHUNK stat = FreshStat();
    ASSERT_EQ(filter.GetChunk(&stat), S_OK);
    ULONG flags = 0xDEADBEEF;
    EXPECT_EQ(filter.Init(IFILTER_INIT_APPLY_INDEX_ATTRIBUTES, 0, nullptr, &flags), S_OK);
    EXPECT_EQ(flags, 0u) << "no OLE property sets, whatever the variable held";
    EXPECT_EQ(filter.Init(IFILTER_INIT_APPLY_INDEX_ATTRIBUTES, 0, nullptr, nullptr), S_OK);
    EXPECT_FALSE(filter.Current().IsSet);
    PropVariantBlock value;
    EXPECT_EQ(filter.GetValue(value.Put()), FILTER_E_NO_MORE_VALUES);
    ASSERT_EQ(filter.GetChunk(&stat), S_OK);
    EXPECT_EQ(stat.idChunk, 1u);
    ASSERT_EQ(filter.GetValue(value.Put()), S_OK);
    EXPECT_EQ(std::u16string(value->pwszVal), u"b");
}

struct PortionCase {
    ULONG TextLength;
    ULONG BufferSize;
    std::vector<ULONG> Counts; // characters of each portion; the last one is FILTER_S_LAST_TEXT
};

// Each case with the text held whole (run length 0) and coming in runs of several lengths:
// the portions are the same, each buffer filled across runs.
using PortionRow = std::tuple<PortionCase, size_t>;

std::string PortionRowName(const PortionRow& row) {
    const PortionCase& c = std::get<0>(row);
    const size_t runs = std::get<1>(row);
    return "Text" + std::to_string(c.TextLength) + "Buffer" + std::to_string(c.BufferSize) +
           (runs == 0 ? std::string("Whole") : "RunsOf" + std::to_string(runs));
}

// For gtest's messages: the name and the portions expected.
void PrintTo(const PortionRow& row, std::ostream* os) {
    *os << PortionRowName(row) << ": portions of";
    const char* separator = " ";
    for (const ULONG count : std::get<0>(row).Counts) {
        *os << separator << count;
        separator = ", ";
    }
}

class TextPortions : public ::testing::TestWithParam<PortionRow> {};

TEST_P(TextPortions, KeepOneSlotForTheTerminator) {
    const PortionCase& c = std::get<0>(GetParam());
    const size_t runLength = std::get<1>(GetParam());
    std::u16string text;
    for (ULONG i = 0; i < c.TextLength; ++i) {
        text.push_back(static_cast<char16_t>(u'a' + i % 26));
    }
    RunsOf runs(text, runLength);
    Scripted filter;
    filter.Script = {runLength == 0 ? Text(text) : TextInRuns(runs)};
    STAT_CHUNK stat;
    ASSERT_EQ(filter.GetChunk(&stat), S_OK);

    std::vector<WCHAR> buffer(c.BufferSize + 1, 0x7777);
    std::u16string got;
    for (size_t i = 0; i < c.Counts.size(); ++i) {
        ULONG count = c.BufferSize;
        const HRESULT hr = filter.GetText(&count, buffer.data());
        EXPECT_EQ(hr, i + 1 == c.Counts.size() ? FILTER_S_LAST_TEXT : S_OK);
        EXPECT_EQ(count, c.Counts[i]);
        EXPECT_EQ(buffer[count], 0);
        EXPECT_EQ(buffer[c.BufferSize], 0x7777) << "wrote past the buffer";
        got.append(buffer.data(), count);
    }
    ULONG count = c.BufferSize;
    EXPECT_EQ(filter.GetText(&count, buffer.data()), FILTER_E_NO_MORE_TEXT);
    EXPECT_EQ(count, c.BufferSize);
    EXPECT_EQ(got, text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextPortions,
    ::testing::Combine(::testing::Values(PortionCase{10, 11, {10}}, PortionCase{10, 10, {9, 1}},
                                         PortionCase{10, 2, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
                                         PortionCase{10, 4, {3, 3, 3, 1}},
                                         PortionCase{9, 4, {3, 3, 3}}, PortionCase{1, 4096, {1}}),
                       ::testing::Values(size_t{0}, size_t{1}, size_t{3}, size_t{4}, size_t{64})),
    [](const ::testing::TestParamInfo<PortionRow>& info) { return PortionRowName(info.param); });

// A text of no unit from a source is no text at all, and a chunk left half read asks the
// source no further.
TEST(ChunkEngine, TextInRunsEndsWhereTheSourceEnds) {
    RunsOf empty(u"", 4);
    RunsOf half(u"abcdefgh", 2);
    Scripted filter;
    filter.Script = {TextInRuns(empty), TextInRuns(half), Value(u"v")};
    STAT_CHUNK stat;
    ASSERT_EQ(filter.GetChunk(&stat), S_OK);
    std::vector<HRESULT> codes;
    EXPECT_EQ(Drain(filter, 16, &codes), u"");
    EXPECT_EQ(codes, std::vector<HRESULT>{FILTER_E_NO_MORE_TEXT});
    ASSERT_EQ(filter.GetChunk(&stat), S_OK);
    WCHAR buffer[4];
    ULONG count = 4;
    ASSERT_EQ(filter.GetText(&count, buffer), S_OK);
    EXPECT_EQ(std::u16string(buffer, count), u"abc");
    // The next run is asked for only to learn that more follows.
    EXPECT_EQ(half.Calls, 2);
    ASSERT_EQ(filter.GetChunk(&stat), S_OK);
    EXPECT_EQ(stat.flags, CHUNK_VALUE);
    EXPECT_EQ(half.Calls, 2);
}

TEST(ChunkEngine, BufferOfOneGivesNoTextAndWritesNothing) {
    Scripted filter;
    filter.Script = {Text(u"abc")};
    STAT_CHUNK stat;
    ASSERT_EQ(filter.GetChunk(&stat), S_OK);
    WCHAR buffer[1] = {0x7777};
    ULONG count = 1;
    EXPECT_EQ(filter.GetText(&count, buffer), FILTER_E_NO_MORE_TEXT);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(buffer[0], 0x7777);
    // The text is still all there for a larger buffer.
    EXPECT_EQ(Drain(filter, 8), u"abc");
}

TEST(ChunkEngine, EmptyTextNeverReportsLastText) {
    Scripted filter;
    filter.Script = {Text(u"")};
    STAT_CHUNK stat;
    ASSERT_EQ(filter.GetChunk(&stat), S_OK);
    std::vector<HRESULT> codes;
    EXPECT_EQ(Drain(filter, 16, &codes), u"");
    EXPECT_EQ(codes, std::vector<HRESULT>{FILTER_E_NO_MORE_TEXT});
}

TEST(ChunkEngine, GetTextArgumentChecksComeFirst) {
    Scripted filter; // no chunk at all
    WCHAR buffer[4];
    ULONG zero = 0;
    ULONG four = 4;
    ULONG huge = 0x80000000u;
    EXPECT_EQ(filter.GetText(nullptr, buffer), E_INVALIDARG);
    EXPECT_EQ(filter.GetText(&zero, buffer), E_INVALIDARG);
    EXPECT_EQ(filter.GetText(&four, nullptr), E_INVALIDARG);
    EXPECT_EQ(filter.GetText(&huge, buffer), E_INVALIDARG);
    EXPECT_EQ(filter.GetText(&four, buffer), FILTER_E_NO_MORE_TEXT);
}

TEST(ChunkEngine, ValueIsHandedOutOnceAndTheHostOwnsIt) {
    Scripted filter;
    filter.Script = {Value(u"Title")};
    STAT_CHUNK stat;
    ASSERT_EQ(filter.GetChunk(&stat), S_OK);

    WCHAR buffer[8];
    ULONG count = 8;
    EXPECT_EQ(filter.GetText(&count, buffer), FILTER_E_NO_TEXT);
    EXPECT_EQ(filter.GetValue(nullptr), E_INVALIDARG);

    PropVariantBlock value;
    ASSERT_EQ(filter.GetValue(value.Put()), S_OK);
    ASSERT_NE(value.Get(), nullptr);
    EXPECT_EQ(value->vt, VT_LPWSTR);
    EXPECT_EQ(std::u16string(value->pwszVal), u"Title");

    PROPVARIANT* again = nullptr;
    EXPECT_EQ(filter.GetValue(&again), FILTER_E_NO_MORE_VALUES);
    EXPECT_EQ(again, nullptr);
    count = 8;
    EXPECT_EQ(filter.GetText(&count, buffer), FILTER_E_NO_MORE_TEXT);
}

TEST(ChunkEngine, GetValueOnTextOrNothingIsNoMoreValuesEvenWithANullPointer) {
    Scripted filter;
    EXPECT_EQ(filter.GetValue(nullptr), FILTER_E_NO_MORE_VALUES);
    filter.Script = {Text(u"abc")};
    STAT_CHUNK stat;
    ASSERT_EQ(filter.GetChunk(&stat), S_OK);
    EXPECT_EQ(filter.GetValue(nullptr), FILTER_E_NO_MORE_VALUES);
    PROPVARIANT* value = nullptr;
    EXPECT_EQ(filter.GetValue(&value), FILTER_E_NO_MORE_VALUES);
    // The text is untouched by the refused GetValue.
    EXPECT_EQ(Drain(filter, 2), u"abc");
}

// A host that drains GetText before it looks at what GetChunk answered must not be handed the
// last chunk again: once GetChunk fails, there is no current chunk.
TEST(ChunkEngine, AFailedGetChunkLeavesNoChunkToHandOutAgain) {
    const HRESULT endings[] = {FILTER_E_END_OF_CHUNKS, E_UNEXPECTED, E_OUTOFMEMORY};
    for (HRESULT ending : endings) {
        for (bool text : {true, false}) {
            SCOPED_TRACE(::testing::Message() << std::hex << ending << (text ? " text" : " value"));
            Scripted filter;
            filter.Script = {text ? Text(u"abcdef") : Value(u"v"), Answer(ending)};
            STAT_CHUNK stat = FreshStat();
            ASSERT_EQ(filter.GetChunk(&stat), S_OK);
            WCHAR buffer[8] = {};
            ULONG count = 3;
            if (text) {
                ASSERT_EQ(filter.GetText(&count, buffer), S_OK); // part of it only
            }
            stat = FreshStat();
            EXPECT_EQ(filter.GetChunk(&stat), ending);
            EXPECT_EQ(stat.idChunk, 1u);
            EXPECT_EQ(stat.locale, FreshStat().locale) << "only idChunk is written";
            count = 8;
            EXPECT_EQ(filter.GetText(&count, buffer), FILTER_E_NO_MORE_TEXT);
            EXPECT_EQ(count, 8u);
            PROPVARIANT* value = nullptr;
            EXPECT_EQ(filter.GetValue(&value), FILTER_E_NO_MORE_VALUES);
            EXPECT_EQ(value, nullptr);
            // The ids go on from the last one handed out.
            filter.Script = {Value(u"w")};
            ASSERT_EQ(filter.GetChunk(&stat), S_OK);
            EXPECT_EQ(stat.idChunk, 2u);
        }
    }
}

// The producer always starts from the beginning of a text, also when the call fails or is
// retried after S_FALSE.
TEST(ChunkEngine, TextPositionIsZeroForEveryCallOfTheProducer) {
    Scripted filter;
    filter.Script = {Text(u"abcdef"), Answer(S_FALSE),      Answer(S_FALSE),
                     Text(u"xyz"),    Answer(E_UNEXPECTED), Text(u"q")};
    STAT_CHUNK stat;
    WCHAR buffer[4];
    for (HRESULT expected : {S_OK, S_OK, E_UNEXPECTED, S_OK}) {
        EXPECT_EQ(filter.GetChunk(&stat), expected);
        ULONG count = 3;
        filter.GetText(&count, buffer);
    }
    EXPECT_EQ(filter.PositionsSeen, std::vector<ULONG>(6, 0));
}

// A value chunk that was described but never set: GetValue tests the kind first, then the
// pointer, then whether the value is there.
TEST(ChunkEngine, GetValueOnAKeyedButUnsetValueTestsKindThenPointerThenValue) {
    Scripted filter;
    filter.Script.push_back(KeyedOnly(CHUNK_VALUE, S_FALSE));
    for (int i = 0; i < 255; ++i) {
        filter.Script.push_back(Answer(S_FALSE));
    }
    STAT_CHUNK stat = FreshStat();
    ASSERT_EQ(filter.GetChunk(&stat), S_FALSE);
    ASSERT_EQ(filter.Current().Stat.flags, static_cast<DWORD>(CHUNK_VALUE));
    ASSERT_FALSE(filter.Current().IsSet);
    EXPECT_EQ(filter.GetValue(nullptr), E_INVALIDARG);
    PROPVARIANT* value = reinterpret_cast<PROPVARIANT*>(0x5A5A5A5A);
    EXPECT_EQ(filter.GetValue(&value), FILTER_E_NO_MORE_VALUES);
    EXPECT_EQ(value, reinterpret_cast<PROPVARIANT*>(0x5A5A5A5A)) << "nothing is written";
    // A described text chunk gives no value whatever the pointer.
    Scripted text;
    text.Script.push_back(KeyedOnly(CHUNK_TEXT, S_FALSE));
    for (int i = 0; i < 255; ++i) {
        text.Script.push_back(Answer(S_FALSE));
    }
    ASSERT_EQ(text.GetChunk(&stat), S_FALSE);
    EXPECT_EQ(text.GetValue(nullptr), FILTER_E_NO_MORE_VALUES);
}

TEST(ChunkEngine, BindRegionIsNotImplementedAndWritesNothing) {
    Scripted filter;
    FILTERREGION region{1, 0, 1};
    void* out = &filter;
    EXPECT_EQ(filter.BindRegion(region, IID_IUnknown, &out), E_NOTIMPL);
    EXPECT_EQ(out, &filter);
}

} // namespace
