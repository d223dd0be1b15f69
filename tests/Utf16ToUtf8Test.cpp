// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/common/Utf16ToUtf8.h"
#include "tests/support/PrintedText.h"
#include "tests/support/TestNames.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

namespace {

struct Utf8Case {
    const char* name;
    std::vector<unsigned> units;
    std::string expected;
};

void PrintTo(const Utf8Case& row, std::ostream* os) {
    *os << row.name << ": " << QuotedUnits(row.units) << " gives " << QuotedBytes(row.expected);
}

class Utf16ToUtf8 : public ::testing::TestWithParam<Utf8Case> {};

std::string DecodeInPortions(const std::vector<WCHAR>& text, const std::vector<size_t>& cuts) {
    std::string out;
    auto append = [&out](unsigned long codePoint) {
        char bytes[4];
        out.append(bytes, PutUtf8(bytes, codePoint));
    };
    Utf16Decoder decoder;
    size_t start = 0;
    for (size_t cut : cuts) {
        decoder.Decode(text.data() + start, cut - start, append);
        start = cut;
    }
    decoder.Decode(text.data() + start, text.size() - start, append);
    decoder.Finish(append);
    return out;
}

TEST_P(Utf16ToUtf8, GivesTheSameBytesWhereverThePortionsAreCut) {
    const std::vector<WCHAR> text(GetParam().units.begin(), GetParam().units.end());
    std::string whole;
    AppendUtf8(whole, text.data(), text.size());
    EXPECT_EQ(whole, GetParam().expected) << GetParam().name;
    // Every cut into two and three portions, empty portions included.
    for (size_t first = 0; first <= text.size(); ++first) {
        EXPECT_EQ(DecodeInPortions(text, {first}), whole) << GetParam().name << " cut at " << first;
        for (size_t second = first; second <= text.size(); ++second) {
            EXPECT_EQ(DecodeInPortions(text, {first, second}), whole)
                << GetParam().name << " cut at " << first << " and " << second;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Utf16ToUtf8,
    ::testing::Values(
        Utf8Case{"every length",
                 {'A', 0xE9, 0x20AC, 0xD83D, 0xDE00},
                 "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"},
        Utf8Case{"highest", {0xDBFF, 0xDFFF, 0xFFFF}, "\xF4\x8F\xBF\xBF\xEF\xBF\xBF"},
        Utf8Case{"lone high at the end", {'a', 0xD800}, "a\xEF\xBF\xBD"},
        Utf8Case{"two highs then a low", {0xD83D, 0xD83D, 0xDE00}, "\xEF\xBF\xBD\xF0\x9F\x98\x80"},
        Utf8Case{"lows alone", {0xDC00, 'x', 0xDFFF}, "\xEF\xBF\xBDx\xEF\xBF\xBD"},
        Utf8Case{
            "high, zero, low", {0xD83D, 0, 0xDE00}, std::string("\xEF\xBF\xBD\0\xEF\xBF\xBD", 7)},
        Utf8Case{"empty", {}, ""}),
    NamedBy<&Utf8Case::name>());

TEST(Utf16ToUtf8, ConvertsAZeroTerminatedString) {
    const WCHAR text[] = {'k', 0x00E9, 'y', 0xD83D, 0};
    EXPECT_EQ(ToUtf8(text), "k\xC3\xA9y\xEF\xBF\xBD");
}

} // namespace
