#include "tools/JsonWriter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct EscapeCase {
    const char* name;
    std::vector<unsigned> units;
    std::string expected;
};

class JsonEscaping : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(JsonEscaping, GivesValidUtf8WithTheRfc8259Escapes) {
    std::vector<WCHAR> text(GetParam().units.begin(), GetParam().units.end());
    std::string out;
    AppendJsonString(out, text.data(), text.size());
    EXPECT_EQ(out, GetParam().expected) << GetParam().name;
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
        EscapeCase{"reversed pair", {0xDE00, 0xD83D}, "\"\xEF\xBF\xBD\xEF\xBF\xBD\""}));

TEST(JsonWriter, WritesKeysInOrderOnOneLine) {
    const WCHAR text[] = {'x', '"', 'y'};
    JsonWriter line;
    line.Number("chunk", 3).Utf8String("kind", "text").Number("propid", 19).String("text", text, 3);
    EXPECT_EQ(line.Line(), "{\"chunk\":3,\"kind\":\"text\",\"propid\":19,\"text\":\"x\\\"y\"}\n");
}

TEST(JsonWriter, WritesCodesAsEightLowerCaseHexDigits) {
    EXPECT_EQ(JsonWriter().Code("end", FILTER_E_END_OF_CHUNKS).Line(),
              "{\"end\":\"0x80041700\"}\n");
    EXPECT_EQ(JsonWriter().Code("load", E_FAIL).Line(), "{\"load\":\"0x80004005\"}\n");
    EXPECT_EQ(FormatCode(S_OK), "0x00000000");
    EXPECT_EQ(FormatCode(E_UNEXPECTED), "0x8000ffff");
}

TEST(JsonWriter, ReplacesMalformedUtf8InNames) {
    // A file name is bytes: a stray continuation byte must not make the line invalid UTF-8.
    EXPECT_EQ(JsonWriter().Utf8String("file", "a\x80/b\"\xC3\xA9").Line(),
              "{\"file\":\"a\xEF\xBF\xBD/b\\\"\xC3\xA9\"}\n");
    EXPECT_EQ(JsonWriter().Utf8String("file", "").Null("value").Line(),
              "{\"file\":\"\",\"value\":null}\n");
}

} // namespace
