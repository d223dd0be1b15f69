// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/common/HtmlChunkWriter.h"

#include "tests/support/ChunkWriterTest.h"
#include "tests/support/PrintedText.h"
#include "tests/support/TestNames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Units = std::vector<unsigned>;

const std::string Start =
    "<html>\n<head>\n"
    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\n";
const std::string Body = "</head>\n<body>\n";
const std::string End = "</body>\n</html>\n";
const std::string Bad = "\xEF\xBF\xBD"; // U+FFFD

std::vector<WCHAR> Wide(const Units& units) {
    return std::vector<WCHAR>(units.begin(), units.end());
}

class HtmlDocument : public ChunkWriterTest<HtmlChunkWriter> {
protected:
    void Value(ULONG id, const PROPERTYKEY& key, const Units& units, VARTYPE type = VT_LPWSTR) {
        ValueChunk(id, key, Wide(units), type);
    }
    void Text(ULONG id, const std::vector<Units>& portions) {
        std::vector<std::vector<WCHAR>> wide;
        for (const Units& portion : portions) {
            wide.push_back(Wide(portion));
        }
        TextChunk(id, wide);
    }
};

Units U(const char* ascii) {
    return Units(ascii, ascii + std::strlen(ascii));
}

TEST_F(HtmlDocument, PutsTheValuesInTheHeadAndAParagraphPerLine) {
    // Empty lines write nothing, a line of blanks is kept, a line may span portions, and the
    // end of a chunk ends its last line.
    Writer.BeginBook("");
    Value(1, PKEY_Title, U("T"));
    Value(2, PKEY_Author, U("A; B"));
    Text(3, {U("\n\none\n\n\ttwo\nth"), U("ree")});
    Text(4, {U("  \nfour\n")});
    Text(5, {U("fi"), {}, U("ve")});
    Writer.End(FILTER_E_END_OF_CHUNKS);
    EXPECT_EQ(Written(), Start + "<title>T</title>\n<meta name=\"author\" content=\"A; B\">\n" +
                             Body +
                             "<p>one</p>\n<p>\ttwo</p>\n<p>three</p>\n<p>  </p>\n<p>four</p>\n"
                             "<p>five</p>\n" +
                             End);
}

TEST_F(HtmlDocument, WritesTheValuesOnOneLineEscaped) {
    Writer.BeginBook("");
    Value(1, PKEY_Title, {'a',    ' ',  '<',  'b',  '>',  ' ',    '&',    ' ',    '"', 'c',
                          '"',    ' ',  '\'', 'd',  '\'', '\n',   'e',    0x2028, 'f', '\r',
                          0x2029, '\t', 0x01, 0x7F, 0xE9, 0xD83D, 0xDE00, 0xDC00});
    Value(2, PKEY_Author, {'"', 'M', 'o', '"', ' ', '<', '&', '>', ' ', 0xD83D});
    Writer.End(FILTER_E_END_OF_CHUNKS);
    EXPECT_EQ(Written(), Start +
                             "<title>a &lt;b&gt; &amp; &quot;c&quot; 'd' e f  \t  \xC3\xA9"
                             "\xF0\x9F\x98\x80" +
                             Bad +
                             "</title>\n<meta name=\"author\" content=\"&quot;Mo&quot; "
                             "&lt;&amp;&gt; " +
                             Bad + "\">\n" + Body + End);
}

TEST_F(HtmlDocument, GivesRecollTheKeywordsAndTheDescriptionButNoDate) {
    // The book filter's values in its order: the subjects and the description become metas,
    // escaped on one line; a date meta would replace the file's date in Recoll, and publisher
    // and language have no field there.
    Writer.BeginBook("");
    Value(1, PKEY_Title, U("T"));
    Value(2, PKEY_Author, U("A"));
    Value(3, PKEY_Media_Publisher, U("P & Sons"));
    Value(4, PKEY_Keywords, U("Semantics; \"Tides\" & <Salt>"));
    Value(5, PKEY_Comment, {'A', ' ', '<', 'b', '>', '\n', 'w', 'o', 'r', 'd', 0x2029, 0xE9, '.'});
    Value(6, PKEY_Media_DateReleased, U("2024-03-15"));
    Value(7, PKEY_Language, U("fr"));
    Text(8, {U("text")});
    Writer.End(FILTER_E_END_OF_CHUNKS);
    EXPECT_EQ(Written(),
              Start +
                  "<title>T</title>\n<meta name=\"author\" content=\"A\">\n"
                  "<meta name=\"keywords\" content=\"Semantics; &quot;Tides&quot; &amp; "
                  "&lt;Salt&gt;\">\n"
                  "<meta name=\"description\" content=\"A &lt;b&gt; word \xC3\xA9.\">\n" +
                  Body + "<p>text</p>\n" + End);
}

TEST_F(HtmlDocument, LeavesOutKeywordsAndDescriptionThatAreEmptyOrLate) {
    Writer.BeginBook("");
    Value(1, PKEY_Keywords, {});
    Value(2, PKEY_Comment, {}, VT_I4);
    Value(3, PROPERTYKEY{PKEY_Comment.fmtid, 7}, U("Not a comment"));
    Text(4, {U("text")});
    Value(5, PKEY_Keywords, U("Too Late"));
    Value(6, PKEY_Comment, U("Too Late"));
    Writer.End(FILTER_E_END_OF_CHUNKS);
    EXPECT_EQ(Written(), Start + Body + "<p>text</p>\n" + End);
}

TEST_F(HtmlDocument, LeavesOutEmptyLateAndOtherValues) {
    // An empty title, a value that is not a string, a property of no element and a value after
    // the first text all write nothing.
    Writer.BeginBook("");
    Value(1, PKEY_Title, {});
    Value(2, PKEY_Author, {}, VT_I4);
    Value(3, PROPERTYKEY{PKEY_Title.fmtid, 9}, U("Subject"));
    Value(4, PKEY_Search_Contents, U("Contents"));
    Text(5, {U("text")});
    Value(6, PKEY_Author, U("Too Late"));
    Value(7, PKEY_Title, U("Too Late"));
    Writer.End(FILTER_E_END_OF_CHUNKS);
    EXPECT_EQ(Written(), Start + Body + "<p>text</p>\n" + End);
}

TEST_F(HtmlDocument, GivesTheHeadAndAnEmptyBodyForABookOfValuesOnly) {
    // An encrypted book: title and author, no text.
    Writer.BeginBook("");
    Value(1, PKEY_Title, U("Locked"));
    Writer.End(FILTER_E_END_OF_CHUNKS);
    Writer.BeginBook("");
    Writer.End(FILTER_E_END_OF_CHUNKS);
    EXPECT_EQ(Written(), Start + "<title>Locked</title>\n" + Body + End + Start + Body + End);
}

TEST_F(HtmlDocument, WritesNothingForABookThatDoesNotLoad) {
    Writer.BeginBook("a.mobi");
    Writer.LoadFailure(E_FAIL, "empty file");
    EXPECT_EQ(Written(), "");
}

TEST_F(HtmlDocument, ClosesTheDocumentWhereTheChunksStop) {
    // A text cut short by a failed GetText, then the end: the open line is closed, and a book
    // that starts afterwards starts with a fresh head, nothing of the last one carried over.
    Writer.BeginBook("");
    Writer.BeginChunk(Chunk(1, CHUNK_TEXT, PKEY_Search_Contents));
    const WCHAR part[] = {'k', 'e', 0xD83D};
    Writer.Text(part, 3);
    Writer.EndChunk(E_OUTOFMEMORY, nullptr);
    Writer.End(E_OUTOFMEMORY);
    Writer.BeginBook("");
    Value(1, PKEY_Title, U("Next"));
    Writer.End(FILTER_E_END_OF_CHUNKS);
    EXPECT_EQ(Written(), Start + Body + "<p>ke" + Bad + "</p>\n" + End + Start +
                             "<title>Next</title>\n" + Body + End);
}

TEST_F(HtmlDocument, KeepsPairsAndEntitiesWholeAcrossTheWritersOwnBlocks) {
    // One portion far longer than the writer converts at a time, a pair, a quote and a line
    // break at every position near where it cuts.
    Units text;
    std::string expected;
    for (int i = 0; i < 20000; ++i) {
        text.insert(text.end(), {'"', 0xD83D, 0xDE00, '\n'});
        expected += "<p>&quot;\xF0\x9F\x98\x80</p>\n";
    }
    Writer.BeginBook("");
    Text(1, {text});
    Writer.End(FILTER_E_END_OF_CHUNKS);
    EXPECT_EQ(Written(), Start + Body + expected + End);
}

struct BodyCase {
    const char* name;
    Units units;
    std::string expected;
};

void PrintTo(const BodyCase& row, std::ostream* os) {
    *os << row.name << ": " << QuotedUnits(row.units) << " gives " << QuotedBytes(row.expected);
}

class HtmlBody : public ::testing::TestWithParam<BodyCase> {};

// The text of one chunk handed over in portions of every size gives the same body: neither a
// line, an entity nor a surrogate pair depends on where GetText cut the text.
TEST_P(HtmlBody, IsTheSameForEveryPortionSize) {
    const std::vector<WCHAR> text = Wide(GetParam().units);
    for (size_t portion = 1; portion <= std::max<size_t>(text.size(), 1); ++portion) {
        StringSink sink;
        OutputBuffer buffer(&sink);
        HtmlChunkWriter writer(buffer);
        writer.BeginBook("");
        writer.BeginChunk(Chunk(1, CHUNK_TEXT, PKEY_Search_Contents));
        for (size_t at = 0; at < text.size(); at += portion) {
            writer.Text(text.data() + at, std::min(portion, text.size() - at));
        }
        writer.EndChunk(S_OK, nullptr);
        writer.End(FILTER_E_END_OF_CHUNKS);
        buffer.Flush();
        EXPECT_EQ(sink.Text, Start + Body + GetParam().expected + End)
            << GetParam().name << ", portions of " << portion;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HtmlBody,
    ::testing::Values(
        BodyCase{"empty", {}, ""}, BodyCase{"only line breaks", {'\n', '\r', '\n', 0x2028}, ""},
        BodyCase{"markup characters", U("1 < 2 && \"q\" 'p' >"),
                 "<p>1 &lt; 2 &amp;&amp; &quot;q&quot; 'p' &gt;</p>\n"},
        BodyCase{"every line break",
                 {'a', '\n', 'b', '\r', '\n', 'c', 0x2028, 'd', 0x2029, 'e'},
                 "<p>a</p>\n<p>b</p>\n<p>c</p>\n<p>d</p>\n<p>e</p>\n"},
        BodyCase{"controls become spaces, tab stays",
                 {'x', 0x00, 'y', 0x08, 0x0B, 0x0C, 0x0E, 0x1F, 'z', 0x7F, 0x80, 0x9F, 0xA0, '\t'},
                 "<p>x y     z   \xC2\xA0\t</p>\n"},
        BodyCase{"non-ASCII",
                 {0xE9, 0x6E2F, 0x20AC, 0xFEFF},
                 "<p>\xC3\xA9\xE6\xB8\xAF\xE2\x82\xAC\xEF\xBB\xBF</p>\n"},
        BodyCase{"surrogate pairs",
                 {0xD83D, 0xDE00, 0xDBFF, 0xDFFF},
                 "<p>\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF</p>\n"},
        BodyCase{"lone high at the end", {'a', 0xD83D}, "<p>a" + Bad + "</p>\n"},
        BodyCase{"lone high alone on the last line",
                 {'a', '\n', 0xD83D},
                 "<p>a</p>\n<p>" + Bad + "</p>\n"},
        BodyCase{
            "lone high before a line break", {0xD83D, '\n', 'b'}, "<p>" + Bad + "</p>\n<p>b</p>\n"},
        BodyCase{"lone low", {0xDE00, 'c'}, "<p>" + Bad + "c</p>\n"},
        BodyCase{
            "two highs then low", {0xD83D, 0xD83D, 0xDE00}, "<p>" + Bad + "\xF0\x9F\x98\x80</p>\n"},
        BodyCase{"reversed pair", {0xDE00, 0xD83D}, "<p>" + Bad + Bad + "</p>\n"}),
    NamedBy<&BodyCase::name>());

} // namespace
