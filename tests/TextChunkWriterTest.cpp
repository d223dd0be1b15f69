// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/common/TextChunkWriter.h"

#include "tests/support/ChunkWriterTest.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

class ReadableText : public ChunkWriterTest<TextChunkWriter> {};

TEST_F(ReadableText, NamesTheBookAndThePropertiesAndEndsEveryChunkOnANewLine) {
    const WCHAR title[] = UTF16("Harbor \"Lights\"");
    Writer.BeginBook("books/harbor.mobi");
    ValueChunk(1, PKEY_Title, {title, title + 15});
    TextChunk(2, {{'O', 'n', 'e', '\n', 's'}, {'m', 'i', 'l', 'e', ' ', 0xD83D}, {0xDE00}});
    TextChunk(3, {});
    TextChunk(4, {{'T', 'w', 'o', '\t', 0x1B, 0x85, '.', '\n'}});
    TextChunk(5, {{'x'}, {}}, E_OUTOFMEMORY);
    Writer.End(FILTER_E_END_OF_CHUNKS);
    EXPECT_EQ(Written(), "== books/harbor.mobi ==\n"
                         "chunk 1 value Title: Harbor \"Lights\"\n"
                         "chunk 2 text Contents:\n"
                         "One\nsmile \xF0\x9F\x98\x80\n"
                         "chunk 3 text Contents:\n"
                         "chunk 4 text Contents:\n"
                         "Two\t\\u001b\\u0085.\n"
                         "chunk 5 text Contents:\n"
                         "x\n"
                         "  failed: 0x8007000e\n"
                         "end 0x80041700\n");
}

TEST_F(ReadableText, GivesALoneSurrogateAsTheReplacementCharacter) {
    // A high surrogate that ends the text is not a pair: U+FFFD, and the line still ends.
    TextChunk(1, {{'a', 0xD83D}});
    TextChunk(2, {{0xD83D}, {'b', 0xDE00}});
    EXPECT_EQ(Written(), "chunk 1 text Contents:\na\xEF\xBF\xBD\n"
                         "chunk 2 text Contents:\n\xEF\xBF\xBD"
                         "b\xEF\xBF\xBD\n");
}

TEST_F(ReadableText, SaysWhatAValueWithoutAStringAndAnOddChunkAre) {
    STAT_CHUNK odd = Chunk(2, static_cast<CHUNKSTATE>(0), PROPERTYKEY{PKEY_Title.fmtid, 9});
    Writer.BeginBook("");
    Writer.BeginChunk(Chunk(1, CHUNK_VALUE, PKEY_Author));
    Writer.Value(nullptr, 0, VT_EMPTY);
    Writer.EndChunk(E_FAIL, "GetValue succeeded without a value");
    Writer.BeginChunk(odd);
    Writer.EndChunk(S_OK, nullptr);
    Writer.LoadFailure(E_FAIL, "");
    Writer.LoadFailure(E_FAIL, "empty file");
    EXPECT_EQ(Written(), "chunk 1 value Author: (no string, type 0)\n"
                         "  failed: 0x80004005\n"
                         "  fault: GetValue succeeded without a value\n"
                         "chunk 2 none {F29F85E0-4FF9-1068-AB91-08002B27B3D9} 9: (flags 0)\n"
                         "load failed 0x80004005\n"
                         "load failed 0x80004005: empty file\n");
}

TEST_F(ReadableText, NamesEveryPropertyOfTheBookFilter) {
    // Each of the filter's values by its name; a property of a known set with another id is
    // not one of them.
    const struct {
        PROPERTYKEY key;
        const char* name;
    } properties[] = {
        {PKEY_Title, "Title"},
        {PKEY_Author, "Author"},
        {PKEY_Media_Publisher, "Publisher"},
        {PKEY_Keywords, "Keywords"},
        {PKEY_Comment, "Comment"},
        {PKEY_Media_DateReleased, "Date released"},
        {PKEY_Language, "Language"},
        {PKEY_Search_Contents, "Contents"},
        {PROPERTYKEY{PKEY_Media_Publisher.fmtid, 5}, "{64440492-4C8B-11D1-8B70-080036B11A03} 5"}};
    std::string expected;
    ULONG id = 0;
    for (const auto& property : properties) {
        ValueChunk(++id, property.key, {'v'});
        expected += "chunk " + std::to_string(id) + " value " + property.name + ": v\n";
    }
    EXPECT_EQ(Written(), expected);
}

} // namespace
