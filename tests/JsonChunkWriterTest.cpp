// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/common/JsonChunkWriter.h"

#include "tests/support/ChunkWriterTest.h"
#include "tests/support/PrintedText.h"
#include "tests/support/StringSink.h"
#include "tests/support/TestNames.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Utf16 = std::vector<WCHAR>;

// The keys of a chunk of the contents and of the title with no locale and no break.
const std::string TextKeys =
    "\"fmtid\":\"{B725F130-47EF-101A-A5F1-02608C9EEBAC}\",\"propid\":19,\"locale\":0,\"break\":0";
const std::string TitleKeys =
    "\"fmtid\":\"{F29F85E0-4FF9-1068-AB91-08002B27B3D9}\",\"propid\":2,\"locale\":0,\"break\":0";

struct EscapeCase {
    const char* name;
    std::vector<unsigned> units;
    std::string expected;
};

void PrintTo(const EscapeCase& row, std::ostream* os) {
    *os << row.name << ": " << QuotedUnits(row.units) << " gives " << QuotedBytes(row.expected);
}

class JsonEscaping : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(JsonEscaping, GivesValidUtf8WithTheRfc8259Escapes) {
    Utf16 text(GetParam().units.begin(), GetParam().units.end());
    std::string out;
    AppendJsonString(out, text.data(), text.size());
    EXPECT_EQ(out, GetParam().expected) << GetParam().name;
}

// The same string written as a text chunk in portions of every size gives the same bytes:
// the escapes and the surrogate pairs do not depend on where GetText cut the text.
TEST_P(JsonEscaping, IsTheSameForEveryPortionSize) {
    const Utf16 text(GetParam().units.begin(), GetParam().units.end());
    for (size_t portion = 1; portion <= text.size(); ++portion) {
        StringSink sink;
        OutputBuffer buffer(&sink);
        JsonChunkWriter writer(buffer);
        STAT_CHUNK stat;
        std::memset(&stat, 0, sizeof(stat));
        stat.flags = CHUNK_TEXT;
        stat.attribute.guidPropSet = PKEY_Search_Contents.fmtid;
        stat.attribute.psProperty.ulKind = PRSPEC_PROPID;
        stat.attribute.psProperty.propid = PKEY_Search_Contents.pid;
        writer.BeginBook("");
        writer.BeginChunk(stat);
        for (size_t at = 0; at < text.size(); at += portion) {
            writer.Text(text.data() + at, std::min(portion, text.size() - at));
        }
        writer.EndChunk(S_OK, nullptr);
        buffer.Flush();
        EXPECT_EQ(sink.Text, "{\"chunk\":0,\"kind\":\"text\"," + TextKeys +
                                 ",\"text\":" + GetParam().expected + "}\n")
            << GetParam().name << ", portions of " << portion;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JsonEscaping,
    ::testing::Values(
        EscapeCase{"empty", {}, "\"\""}, EscapeCase{"ascii", {'H', 'i', '/'}, "\"Hi/\""},
        EscapeCase{"quote and backslash", {'a', '"', '\\', 'b'}, "\"a\\\"\\\\b\""},
        EscapeCase{"short escapes", {'\b', '\f', '\n', '\r', '\t'}, "\"\\b\\f\\n\\r\\t\""},
        EscapeCase{"other controls", {0x00, 0x01, 0x1B, 0x1F}, "\"\\u0000\\u0001\\u001b\\u001f\""},
        EscapeCase{"delete and space pass", {0x7F, ' '}, "\"\x7F \""},
        EscapeCase{"two-byte", {0xE9}, "\"\xC3\xA9\""},
        EscapeCase{"three-byte", {0x6E2F, 0x20AC}, "\"\xE6\xB8\xAF\xE2\x82\xAC\""},
        EscapeCase{"line separator kept", {0x2028}, "\"\xE2\x80\xA8\""},
        EscapeCase{"surrogate pair", {0xD83D, 0xDE00}, "\"\xF0\x9F\x98\x80\""},
        EscapeCase{"highest code point", {0xDBFF, 0xDFFF}, "\"\xF4\x8F\xBF\xBF\""},
        EscapeCase{"lone high at end", {'a', 0xD83D}, "\"a\xEF\xBF\xBD\""},
        EscapeCase{"lone high before text",
                   {0xD83D, 'b'},
                   "\"\xEF\xBF\xBD"
                   "b\""},
        EscapeCase{"lone low",
                   {0xDE00, 'c'},
                   "\"\xEF\xBF\xBD"
                   "c\""},
        EscapeCase{
            "two highs then low", {0xD83D, 0xD83D, 0xDE00}, "\"\xEF\xBF\xBD\xF0\x9F\x98\x80\""},
        EscapeCase{"reversed pair", {0xDE00, 0xD83D}, "\"\xEF\xBF\xBD\xEF\xBF\xBD\""},
        EscapeCase{"pairs and escapes mixed",
                   {'"', 0xD83D, 0xDE00, '\n', 0xD83D, 0xDE01, 0xDBFF},
                   "\"\\\"\xF0\x9F\x98\x80\\n\xF0\x9F\x98\x81\xEF\xBF\xBD\""}),
    NamedBy<&EscapeCase::name>());

class JsonLines : public ChunkWriterTest<JsonChunkWriter> {};

TEST_F(JsonLines, NamesTheBookOnEveryLineWhenLabelled) {
    const WCHAR title[] = UTF16("T");
    Writer.BeginBook("d/a.azw");
    ValueChunk(1, PKEY_Title, {title, title + 1});
    Writer.End(FILTER_E_END_OF_CHUNKS);
    Writer.BeginBook("");
    Writer.LoadFailure(E_FAIL, "");
    Writer.BeginBook("d/b.mobi");
    Writer.LoadFailure(E_FAIL, "a Palm database of another kind (DATA/\"T\"), not a book");
    EXPECT_EQ(Written(), "{\"file\":\"d/a.azw\",\"chunk\":1,\"kind\":\"value\"," + TitleKeys +
                             ",\"value\":\"T\"}\n"
                             "{\"file\":\"d/a.azw\",\"end\":\"0x80041700\"}\n"
                             "{\"load\":\"0x80004005\"}\n"
                             "{\"file\":\"d/b.mobi\",\"load\":\"0x80004005\",\"reason\":\"a Palm "
                             "database of another kind (DATA/\\\"T\\\"), not a book\"}\n");
}

TEST_F(JsonLines, ReplacesMalformedUtf8InTheFileName) {
    // A file name is bytes: a stray continuation byte must not make the line invalid UTF-8.
    Writer.BeginBook("a\x80/b\"\xC3\xA9");
    Writer.End(S_OK);
    EXPECT_EQ(Written(), "{\"file\":\"a\xEF\xBF\xBD/b\\\"\xC3\xA9\",\"end\":\"0x00000000\"}\n");
}

TEST_F(JsonLines, ShowsWhatTheChunkHasBeyondTheUsual) {
    // Flags that are neither text nor value are shown, a known property's included, and a
    // property named by string gives its name in place of the id.
    STAT_CHUNK odd = Chunk(7, static_cast<CHUNKSTATE>(CHUNK_TEXT | CHUNK_VALUE), PKEY_Title);
    odd.breakType = CHUNK_EOC;
    odd.locale = 1033;
    Writer.BeginBook("");
    Writer.BeginChunk(odd);
    Writer.EndChunk(S_OK, nullptr);
    STAT_CHUNK named = Chunk(8, CHUNK_VALUE, PKEY_Title);
    WCHAR name[] = UTF16("Sub\"ject");
    named.attribute.psProperty.ulKind = PRSPEC_LPWSTR;
    named.attribute.psProperty.lpwstr = name;
    Writer.BeginChunk(named);
    Writer.Value(nullptr, 0, VT_I4);
    Writer.EndChunk(S_OK, "GetValue said so");
    EXPECT_EQ(
        Written(),
        "{\"chunk\":7,\"kind\":\"text\",\"flags\":3,"
        "\"fmtid\":\"{F29F85E0-4FF9-1068-AB91-08002B27B3D9}\",\"propid\":2,\"locale\":1033,"
        "\"break\":4,\"text\":\"\"}\n"
        "{\"chunk\":8,\"kind\":\"value\",\"fmtid\":\"{F29F85E0-4FF9-1068-AB91-08002B27B3D9}\","
        "\"propname\":\"Sub\\\"ject\",\"locale\":0,\"break\":0,\"vt\":3,\"value\":null,"
        "\"fault\":\"GetValue said so\"}\n");
}

struct KeyCase {
    const char* name;
    PROPERTYKEY key;
    CHUNKSTATE flags;
    CHUNK_BREAKTYPE breakType;
    LCID locale;
    std::string expected;
};

// For gtest's messages: the name and the chunk's own keys, without the expected line.
void PrintTo(const KeyCase& row, std::ostream* os) {
    *os << row.name << ": " << (row.flags == CHUNK_VALUE ? "a value" : "a text") << " of property "
        << row.key.pid << ", locale " << Hex(row.locale, 4) << ", break " << row.breakType;
}

class JsonChunkKeys : public ::testing::TestWithParam<KeyCase> {};

// Every chunk names its property set, its property, its locale and its break, in that order,
// whatever the property: a reader of the lines needs no table of the filter's properties.
TEST_P(JsonChunkKeys, AreAllWrittenInTheirOrder) {
    StringSink sink;
    OutputBuffer buffer(&sink);
    JsonChunkWriter writer(buffer);
    STAT_CHUNK stat = Chunk(3, GetParam().flags, GetParam().key);
    stat.breakType = GetParam().breakType;
    stat.locale = GetParam().locale;
    const WCHAR value[] = UTF16("v");
    writer.BeginBook("");
    writer.BeginChunk(stat);
    if (GetParam().flags == CHUNK_VALUE) {
        writer.Value(value, 1, VT_LPWSTR);
    }
    writer.EndChunk(S_OK, nullptr);
    buffer.Flush();
    const char* const kind = GetParam().flags == CHUNK_VALUE ? "value" : "text";
    const char* const tail =
        GetParam().flags == CHUNK_VALUE ? ",\"value\":\"v\"}\n" : ",\"text\":\"\"}\n";
    EXPECT_EQ(sink.Text,
              std::string("{\"chunk\":3,\"kind\":\"") + kind + "\"," + GetParam().expected + tail)
        << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JsonChunkKeys,
    ::testing::Values(
        KeyCase{"publisher", PKEY_Media_Publisher, CHUNK_VALUE, CHUNK_NO_BREAK, 1033,
                "\"fmtid\":\"{64440492-4C8B-11D1-8B70-080036B11A03}\",\"propid\":30,"
                "\"locale\":1033,\"break\":0"},
        KeyCase{"keywords", PKEY_Keywords, CHUNK_VALUE, CHUNK_NO_BREAK, 0x040C,
                "\"fmtid\":\"{F29F85E0-4FF9-1068-AB91-08002B27B3D9}\",\"propid\":5,"
                "\"locale\":1036,\"break\":0"},
        KeyCase{"comment", PKEY_Comment, CHUNK_VALUE, CHUNK_NO_BREAK, 0x0411,
                "\"fmtid\":\"{F29F85E0-4FF9-1068-AB91-08002B27B3D9}\",\"propid\":6,"
                "\"locale\":1041,\"break\":0"},
        KeyCase{"date released", PKEY_Media_DateReleased, CHUNK_VALUE, CHUNK_NO_BREAK, 1033,
                "\"fmtid\":\"{DE41CC29-6971-4290-B472-F59F2E2F31E2}\",\"propid\":100,"
                "\"locale\":1033,\"break\":0"},
        KeyCase{"language", PKEY_Language, CHUNK_VALUE, CHUNK_NO_BREAK, 1033,
                "\"fmtid\":\"{D5CDD502-2E9C-101B-9397-08002B2CF9AE}\",\"propid\":28,"
                "\"locale\":1033,\"break\":0"},
        KeyCase{"contents at the end of a paragraph", PKEY_Search_Contents, CHUNK_TEXT, CHUNK_EOP,
                0x0411,
                "\"fmtid\":\"{B725F130-47EF-101A-A5F1-02608C9EEBAC}\",\"propid\":19,"
                "\"locale\":1041,\"break\":3"},
        KeyCase{"largest locale and break", PROPERTYKEY{PKEY_Title.fmtid, 0xFFFFFFFF}, CHUNK_TEXT,
                CHUNK_EOC, 0xFFFFFFFF,
                "\"fmtid\":\"{F29F85E0-4FF9-1068-AB91-08002B27B3D9}\",\"propid\":4294967295,"
                "\"locale\":4294967295,\"break\":4"}),
    NamedBy<&KeyCase::name>());

TEST_F(JsonLines, ClosesATextWithItsFailureCode) {
    const WCHAR text[] = {'a', 0xD83D};
    Writer.BeginBook("");
    Writer.BeginChunk(Chunk(3, CHUNK_TEXT, PKEY_Search_Contents));
    Writer.Text(text, 2);
    Writer.EndChunk(E_OUTOFMEMORY, nullptr);
    EXPECT_EQ(Written(), "{\"chunk\":3,\"kind\":\"text\"," + TextKeys +
                             ",\"text\":\"a\xEF\xBF\xBD\","
                             "\"error\":\"0x8007000e\"}\n");
}

TEST_F(JsonLines, KeepsAPairWholeAcrossTheWritersOwnBlocks) {
    // One portion far longer than the writer converts at a time, with a pair at every
    // position near where it cuts: each pair must come out as one four-byte character.
    Utf16 text;
    std::string expected;
    for (int i = 0; i < 20000; ++i) {
        text.push_back('a');
        text.push_back(0xD83D);
        text.push_back(0xDE00);
        expected += "a\xF0\x9F\x98\x80";
    }
    Writer.BeginBook("");
    Writer.BeginChunk(Chunk(1, CHUNK_TEXT, PKEY_Search_Contents));
    Writer.Text(text.data(), text.size());
    Writer.EndChunk(S_OK, nullptr);
    EXPECT_EQ(Written(),
              "{\"chunk\":1,\"kind\":\"text\"," + TextKeys + ",\"text\":\"" + expected + "\"}\n");
}

} // namespace
