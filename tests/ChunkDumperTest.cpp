// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/common/ChunkDumper.h"

#include "tests/support/ScriptedFilter.h"
#include "tests/support/StringSink.h"
#include "tools/common/DumpFormat.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

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

// The keys of a chunk of the title, the author and the contents, as the scripted filter gives
// them: no locale, no break.
const std::string TitleKeys =
    "\"fmtid\":\"{F29F85E0-4FF9-1068-AB91-08002B27B3D9}\",\"propid\":2,\"locale\":0,\"break\":0";
const std::string AuthorKeys =
    "\"fmtid\":\"{F29F85E0-4FF9-1068-AB91-08002B27B3D9}\",\"propid\":4,\"locale\":0,\"break\":0";
const std::string TextKeys =
    "\"fmtid\":\"{B725F130-47EF-101A-A5F1-02608C9EEBAC}\",\"propid\":19,\"locale\":0,\"break\":0";

const std::string BookJson = "{\"chunk\":1,\"kind\":\"value\"," + TitleKeys +
                             ",\"value\":\"Harbor \\\"Lights\\\"\"}\n"
                             "{\"chunk\":2,\"kind\":\"value\"," +
                             AuthorKeys +
                             ",\"value\":\"Ann Writer; Bo Other\"}\n"
                             "{\"chunk\":3,\"kind\":\"text\"," +
                             TextKeys +
                             ",\"text\":\"One\\nsmile \xF0\x9F\x98\x80 end\"}\n"
                             "{\"chunk\":4,\"kind\":\"text\"," +
                             TextKeys +
                             ",\"text\":\"\"}\n"
                             "{\"chunk\":5,\"kind\":\"text\"," +
                             TextKeys +
                             ",\"text\":\"Two\\t\\u001b.\"}\n"
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

INSTANTIATE_TEST_SUITE_P(Portions, SmallBuffers, ::testing::Values(1u, 2u, 3u, 7u, 16u),
                         [](const ::testing::TestParamInfo<ULONG>& info) {
                             return "PortionsOf" + std::to_string(info.param);
                         });

TEST(ChunkDumper, DrainsTextInPortionsOfTheGivenSize) {
    ScriptedFilter filter({{CHUNK_TEXT, PKEY_Search_Contents, UTF16("abcdefg")}});
    DumpWith(filter, DumpFormat::Json, 2);
    // Four portions (2+2+2+1), the last ending with FILTER_S_LAST_TEXT.
    EXPECT_EQ(filter.GetTextCalls, 4);
}

TEST(ChunkDumper, ReportsTheCodeThatEndedTheChunks) {
    ScriptedFilter filter(std::vector<ScriptedChunk>{});
    filter.EndCode = E_UNEXPECTED;
    const Dump dump = DumpWith(filter, DumpFormat::Json, 4096);
    EXPECT_EQ(dump.End, E_UNEXPECTED);
    EXPECT_EQ(dump.Output, "{\"end\":\"0x8000ffff\"}\n");
}

TEST(ChunkDumper, AsksAgainAfterASuccessWithoutAChunk) {
    ScriptedFilter filter({{CHUNK_VALUE, PKEY_Title, UTF16("T")}});
    filter.NothingFirst = 2;
    EXPECT_EQ(DumpWith(filter, DumpFormat::Json, 4096).Output, "{\"chunk\":1,\"kind\":\"value\"," +
                                                                   TitleKeys +
                                                                   ",\"value\":\"T\"}\n"
                                                                   "{\"end\":\"0x80041700\"}\n");
}

TEST(ChunkDumper, ReportsAFailedGetValueOnItsChunk) {
    ScriptedFilter filter({{CHUNK_VALUE, PKEY_Title, UTF16("T")}});
    filter.ValueError = E_OUTOFMEMORY;
    EXPECT_EQ(DumpWith(filter, DumpFormat::Json, 4096).Output,
              "{\"chunk\":1,\"kind\":\"value\"," + TitleKeys +
                  ",\"value\":null,"
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
    // A part of a million characters on one line, drained in portions of 4096: in every format
    // the output must reach the sink while the part is still being read, in blocks no larger
    // than the output buffer.
    const Utf16 part(1000000, 'x');
    for (const DumpFormat format : {DumpFormat::Json, DumpFormat::Text, DumpFormat::Html}) {
        ScriptedFilter filter({{CHUNK_TEXT, PKEY_Search_Contents, part}});
        StringSink sink;
        std::vector<size_t> seen;
        filter.OnGetText = [&sink, &seen] { seen.push_back(sink.Text.size()); };
        const Dump dump = DumpWith(filter, format, 4096, &sink);
        ASSERT_EQ(dump.Characters, part.size());
        ASSERT_GE(seen.size(), 200u);
        EXPECT_GT(seen[seen.size() / 2], 400000u);
        EXPECT_LE(sink.Text.size() / sink.Writes, OutputBuffer::DefaultCapacity);
    }
}

const char HtmlHead[] = "<html>\n<head>\n"
                        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\n"
                        "<title>T</title>\n</head>\n<body>\n";

TEST(ChunkDumper, EndsTheBookAtAFailedChunkForAFormatThatCannotRecordIt) {
    // HTML has no place for a failure: the second GetText fails part way through a line,
    // which is closed, and the document with it; no chunk is asked for after that one.
    std::vector<ScriptedChunk> chunks = {{CHUNK_VALUE, PKEY_Title, UTF16("T")},
                                         {CHUNK_TEXT, PKEY_Search_Contents, UTF16("kept\npart")},
                                         {CHUNK_TEXT, PKEY_Search_Contents, UTF16("never")}};
    ScriptedFilter html(chunks);
    html.FailingGetText = 2;
    const Dump stopped = DumpWith(html, DumpFormat::Html, 7);
    EXPECT_EQ(stopped.End, E_OUTOFMEMORY);
    EXPECT_EQ(stopped.Output, std::string(HtmlHead) + "<p>kept</p>\n<p>pa</p>\n</body>\n</html>\n");
    EXPECT_EQ(html.GetChunkCalls, 2);

    // A failed GetValue ends it the same way; JSON records the failure and goes on.
    ScriptedFilter value(chunks);
    value.ValueError = E_ACCESSDENIED;
    EXPECT_EQ(DumpWith(value, DumpFormat::Html, 4096).End, E_ACCESSDENIED);
    EXPECT_EQ(value.GetChunkCalls, 1);
    ScriptedFilter json(chunks);
    json.FailingGetText = 2;
    EXPECT_EQ(DumpWith(json, DumpFormat::Json, 7).End, FILTER_E_END_OF_CHUNKS);
}

TEST(ChunkDumper, EndsTheBookAtABrokenPromiseForAFormatThatCannotRecordIt) {
    StringSink sink;
    OutputBuffer buffer(&sink);
    const std::unique_ptr<ChunkWriter> writer = MakeChunkWriter(DumpFormat::Html, buffer);
    ChunkDumper dumper(*writer, 4);
    ScriptedFilter filter({{CHUNK_TEXT, PKEY_Search_Contents, UTF16("abc")},
                           {CHUNK_TEXT, PKEY_Search_Contents, UTF16("def")}});
    filter.OverReport = true;
    writer->BeginBook("");
    EXPECT_EQ(dumper.Dump(&filter), E_UNEXPECTED);
    EXPECT_STREQ(dumper.StopFault(), "GetText reported more characters than the buffer holds");
    EXPECT_EQ(filter.GetChunkCalls, 1);
    // The next book starts without it.
    ScriptedFilter next(std::vector<ScriptedChunk>{});
    writer->BeginBook("");
    EXPECT_EQ(dumper.Dump(&next), FILTER_E_END_OF_CHUNKS);
    EXPECT_EQ(dumper.StopFault(), nullptr);
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
