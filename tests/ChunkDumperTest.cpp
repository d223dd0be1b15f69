#include "tools/common/ChunkDumper.h"

#include "support/StringSink.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using Utf16 = std::basic_string<WCHAR>;

struct ScriptedChunk {
    CHUNKSTATE Kind;
    PROPERTYKEY Key;
    Utf16 Text;
};

// An IFilter that hands out a fixed list of chunks with the protocol's GetText and
// GetValue, and that can be told to break the protocol in one way at a time.
class ScriptedFilter final : public IFilter {
public:
    explicit ScriptedFilter(std::vector<ScriptedChunk> chunks) : Chunks(std::move(chunks)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE Init(ULONG, ULONG, const FULLPROPSPEC*, ULONG*) override {
        ++InitCalls;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetChunk(STAT_CHUNK* stat) override {
        if (NothingFirst > 0) {
            --NothingFirst;
            return S_FALSE;
        }
        if (Next == Chunks.size()) {
            return EndCode;
        }
        Current = &Chunks[Next++];
        Position = 0;
        ValueTaken = false;
        std::memset(stat, 0, sizeof(*stat));
        stat->idChunk = static_cast<ULONG>(Next);
        stat->flags = Current->Kind;
        stat->attribute.guidPropSet = Current->Key.fmtid;
        stat->attribute.psProperty.ulKind = PRSPEC_PROPID;
        stat->attribute.psProperty.propid = Current->Key.pid;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetText(ULONG* count, WCHAR* buffer) override {
        ++GetTextCalls;
        if (OnGetText) {
            OnGetText();
        }
        if (Current == nullptr || Current->Kind != CHUNK_TEXT) {
            return FILTER_E_NO_TEXT;
        }
        const ULONG capacity = *count;
        const ULONG remaining = static_cast<ULONG>(Current->Text.size()) - Position;
        ULONG n = std::min(capacity - 1, remaining);
        if (EmptyPortions) {
            *count = 0;
            return S_OK;
        }
        if (n == 0) {
            return FILTER_E_NO_MORE_TEXT;
        }
        std::copy(Current->Text.begin() + Position, Current->Text.begin() + Position + n, buffer);
        buffer[n] = 0;
        Position += n;
        *count = OverReport ? capacity + 5 : n;
        return n == remaining ? FILTER_S_LAST_TEXT : S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetValue(PROPVARIANT** value) override {
        *value = nullptr;
        if (ValueError != S_OK) {
            return ValueError;
        }
        if (Current == nullptr || Current->Kind != CHUNK_VALUE || ValueTaken) {
            return FILTER_E_NO_MORE_VALUES;
        }
        ValueTaken = true;
        // Allocated as a filter does: the host must clear it and free the block.
        auto* result = static_cast<PROPVARIANT*>(CoTaskMemAlloc(sizeof(PROPVARIANT)));
        PropVariantInit(result);
        const size_t bytes = (Current->Text.size() + 1) * sizeof(WCHAR);
        result->vt = VT_LPWSTR;
        result->pwszVal = static_cast<WCHAR*>(CoTaskMemAlloc(bytes));
        std::memcpy(result->pwszVal, Current->Text.c_str(), bytes);
        *value = result;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE BindRegion(FILTERREGION, REFIID, void**) override {
        return E_NOTIMPL;
    }

    HRESULT EndCode = FILTER_E_END_OF_CHUNKS;
    HRESULT ValueError = S_OK;
    bool OverReport = false;
    bool EmptyPortions = false;
    int NothingFirst = 0;
    int InitCalls = 0;
    int GetTextCalls = 0;
    std::function<void()> OnGetText;

private:
    std::vector<ScriptedChunk> Chunks;
    size_t Next = 0;
    const ScriptedChunk* Current = nullptr;
    ULONG Position = 0;
    bool ValueTaken = false;
};

std::vector<ScriptedChunk> Book() {
    // The body holds a surrogate pair that small buffers split between two portions.
    return {{CHUNK_VALUE, PKEY_Title, UTF16("Harbor \"Lights\"")},
            {CHUNK_VALUE, PKEY_Author, UTF16("Ann Writer; Bo Other")},
            {CHUNK_TEXT, PKEY_Search_Contents, UTF16("One\nsmile \xD83D\xDE00 end")},
            {CHUNK_TEXT, PKEY_Search_Contents, UTF16("")},
            {CHUNK_TEXT, PKEY_Search_Contents, UTF16("Two\t\x1B.")}};
}

struct Dump {
    std::string Output;
    HRESULT End;
    unsigned long long Chunks;
    unsigned long long Characters;
};

Dump DumpWith(ScriptedFilter& filter, DumpFormat format, ULONG portion,
              StringSink* sink = nullptr) {
    StringSink ownSink;
    StringSink& out = sink != nullptr ? *sink : ownSink;
    Dump result;
    OutputBuffer buffer(&out);
    const std::unique_ptr<ChunkWriter> writer = MakeChunkWriter(format, buffer);
    ChunkDumper dumper(*writer, portion);
    writer->BeginBook("");
    result.End = dumper.Dump(&filter);
    buffer.Flush();
    result.Output = out.Text;
    result.Chunks = dumper.Chunks();
    result.Characters = dumper.Characters();
    return result;
}

const char BookJson[] =
    "{\"chunk\":1,\"kind\":\"value\",\"propid\":2,\"value\":\"Harbor \\\"Lights\\\"\"}\n"
    "{\"chunk\":2,\"kind\":\"value\",\"propid\":4,\"value\":\"Ann Writer; Bo Other\"}\n"
    "{\"chunk\":3,\"kind\":\"text\",\"propid\":19,\"text\":\"One\\nsmile \xF0\x9F\x98\x80 end\"}\n"
    "{\"chunk\":4,\"kind\":\"text\",\"propid\":19,\"text\":\"\"}\n"
    "{\"chunk\":5,\"kind\":\"text\",\"propid\":19,\"text\":\"Two\\t\\u001b.\"}\n"
    "{\"end\":\"0x80041700\"}\n";

TEST(ChunkDumper, WritesEveryChunkAsOneJsonLineThenTheEndCode) {
    ScriptedFilter filter(Book());
    const Dump dump = DumpWith(filter, DumpFormat::Json, 4096);
    EXPECT_EQ(dump.Output, BookJson);
    EXPECT_EQ(dump.End, FILTER_E_END_OF_CHUNKS);
    EXPECT_EQ(dump.Chunks, 5u);
    EXPECT_EQ(dump.Characters, 15u + 20u + 16u + 0u + 6u);
    EXPECT_EQ(filter.InitCalls, 1);
}

class SmallBuffers : public ::testing::TestWithParam<ULONG> {};

TEST_P(SmallBuffers, GiveTheSameTextAsALargeOne) {
    ScriptedFilter filter(Book());
    EXPECT_EQ(DumpWith(filter, DumpFormat::Json, GetParam()).Output, BookJson);
}

INSTANTIATE_TEST_SUITE_P(Portions, SmallBuffers, ::testing::Values(1u, 2u, 3u, 7u, 16u));

TEST(ChunkDumper, DrainsTextInPortionsOfTheGivenSize) {
    ScriptedFilter filter({{CHUNK_TEXT, PKEY_Search_Contents, UTF16("abcdefg")}});
    DumpWith(filter, DumpFormat::Json, 2);
    // Four portions (2+2+2+1), the last ending with FILTER_S_LAST_TEXT.
    EXPECT_EQ(filter.GetTextCalls, 4);
}

TEST(ChunkDumper, ReportsTheCodeThatEndedTheChunks) {
    ScriptedFilter filter({});
    filter.EndCode = E_UNEXPECTED;
    const Dump dump = DumpWith(filter, DumpFormat::Json, 4096);
    EXPECT_EQ(dump.End, E_UNEXPECTED);
    EXPECT_EQ(dump.Output, "{\"end\":\"0x8000ffff\"}\n");
}

TEST(ChunkDumper, AsksAgainAfterASuccessWithoutAChunk) {
    ScriptedFilter filter({{CHUNK_VALUE, PKEY_Title, UTF16("T")}});
    filter.NothingFirst = 2;
    EXPECT_EQ(DumpWith(filter, DumpFormat::Json, 4096).Output,
              "{\"chunk\":1,\"kind\":\"value\",\"propid\":2,\"value\":\"T\"}\n"
              "{\"end\":\"0x80041700\"}\n");
}

TEST(ChunkDumper, ReportsAFailedGetValueOnItsChunk) {
    ScriptedFilter filter({{CHUNK_VALUE, PKEY_Title, UTF16("T")}});
    filter.ValueError = E_OUTOFMEMORY;
    EXPECT_EQ(DumpWith(filter, DumpFormat::Json, 4096).Output,
              "{\"chunk\":1,\"kind\":\"value\",\"propid\":2,\"value\":null,"
              "\"error\":\"0x8007000e\"}\n{\"end\":\"0x80041700\"}\n");
}

TEST(ChunkDumper, StopsOnAGetTextThatBreaksTheProtocol) {
    // Claiming more characters than the buffer holds must not read past it, and a filter
    // that keeps answering S_OK without text must not hold the host in a loop.
    for (const bool overReport : {true, false}) {
        ScriptedFilter filter({{CHUNK_TEXT, PKEY_Search_Contents, UTF16("abc")}});
        filter.OverReport = overReport;
        filter.EmptyPortions = !overReport;
        const Dump dump = DumpWith(filter, DumpFormat::Json, 4);
        EXPECT_NE(dump.Output.find("\"fault\":"), std::string::npos) << dump.Output;
        EXPECT_EQ(dump.End, FILTER_E_END_OF_CHUNKS);
        EXPECT_LE(filter.GetTextCalls, 1);
    }
}

TEST(ChunkDumper, WritesTextAsItComesNotWhenTheChunkEnds) {
    // A part of a million characters, drained in portions of 4096: the output must reach the
    // sink while the part is still being read, in blocks no larger than the output buffer.
    const Utf16 part(1000000, 'x');
    ScriptedFilter filter({{CHUNK_TEXT, PKEY_Search_Contents, part}});
    StringSink sink;
    std::vector<size_t> seen;
    filter.OnGetText = [&sink, &seen] { seen.push_back(sink.Text.size()); };
    const Dump dump = DumpWith(filter, DumpFormat::Json, 4096, &sink);
    ASSERT_EQ(dump.Characters, part.size());
    ASSERT_GE(seen.size(), 200u);
    EXPECT_GT(seen[seen.size() / 2], 400000u);
    EXPECT_LE(sink.Text.size() / sink.Writes, OutputBuffer::DefaultCapacity);
}

TEST(ChunkDumper, StopsWhenTheOutputFails) {
    // Three parts of 200000 characters: once a write has failed the dump must not drain
    // the rest of the book into nowhere.
    const Utf16 part(200000, 'y');
    ScriptedFilter filter({{CHUNK_TEXT, PKEY_Search_Contents, part},
                           {CHUNK_TEXT, PKEY_Search_Contents, part},
                           {CHUNK_TEXT, PKEY_Search_Contents, part}});
    StringSink sink;
    sink.FailFrom = 1;
    const Dump dump = DumpWith(filter, DumpFormat::Json, 1024, &sink);
    EXPECT_EQ(dump.End, DumpStopped);
    EXPECT_EQ(sink.Text, "");
    EXPECT_LT(filter.GetTextCalls, 200);
    EXPECT_EQ(dump.Chunks, 1u);
}

} // namespace
