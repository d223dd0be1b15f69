// SPDX-License-Identifier: LGPL-3.0-or-later
#include "platform/Platform.h"
#include "tests/support/MalformedUtf8Cases.h"
#include "tests/support/PrintedText.h"
#include "tests/support/TestNames.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::u16string Convert(const std::string& utf8) {
    const int needed =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::u16string out(static_cast<size_t>(needed), u'\0');
    const int written = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                            out.data(), needed);
    EXPECT_EQ(written, needed);
    return out;
}

struct Utf8Case {
    const char* name;
    std::string input;
    std::u16string expected;
};

void PrintTo(const Utf8Case& row, std::ostream* os) {
    *os << row.name << ": " << QuotedBytes(row.input) << " gives " << QuotedUnits(row.expected);
}

class Utf8Conversion : public ::testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8Conversion, GivesTheExpectedUnits) {
    EXPECT_EQ(Convert(GetParam().input), GetParam().expected) << GetParam().name;
}

const char16_t R = 0xFFFD;

INSTANTIATE_TEST_SUITE_P(
    Cases, Utf8Conversion,
    ::testing::Values(Utf8Case{"ascii", "Hello", u"Hello"},
                      Utf8Case{"two-byte e acute", "\xC3\xA9", u"\u00E9"},
                      Utf8Case{"three-byte euro", "\xE2\x82\xAC", u"\u20AC"},
                      Utf8Case{"CJK", "\xE6\xB8\xAF", u"\u6E2F"},
                      Utf8Case{"four-byte emoji is a surrogate pair", "\xF0\x9F\x98\x80",
                               std::u16string{char16_t(0xD83D), char16_t(0xDE00)}},
                      Utf8Case{"largest code point", "\xF4\x8F\xBF\xBF",
                               std::u16string{char16_t(0xDBFF), char16_t(0xDFFF)}},
                      Utf8Case{"overlong slash (C0 AF)", "\xC0\xAF", std::u16string{R, R}},
                      Utf8Case{"F5 lead byte", "\xF5\x80", std::u16string{R, R}},
                      Utf8Case{"FF byte", "x\xFF", std::u16string{u'x', R}},
                      Utf8Case{"embedded zero is converted", std::string("a\0b", 3),
                               std::u16string(u"a\0b", 3)}),
    NamedBy<&Utf8Case::name>());

// Malformed input gives as many U+FFFD as Windows gives; the same table runs through Wine's own
// function in tests/mingw/Utf8ConversionCheck.cpp.
class MalformedUtf8 : public ::testing::TestWithParam<MalformedUtf8Case> {};

TEST_P(MalformedUtf8, GivesTheReplacementsOfWindows) {
    EXPECT_EQ(Convert(GetParam().Bytes), GetParam().Units);
}

INSTANTIATE_TEST_SUITE_P(Cases, MalformedUtf8, ::testing::ValuesIn(MalformedUtf8Cases()),
                         NamedBy<&MalformedUtf8Case::Name>());

TEST(Utf8ConversionBuffers, MinusOneLengthIncludesTheTerminator) {
    WCHAR out[8];
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "ab", -1, out, 8), 3);
    EXPECT_EQ(out[0], u'a');
    EXPECT_EQ(out[1], u'b');
    EXPECT_EQ(out[2], 0);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "ab", -1, nullptr, 0), 3);
}

TEST(Utf8ConversionBuffers, TooSmallDestinationFailsWithInsufficientBuffer) {
    WCHAR out[2];
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", 3, out, 2), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    // A surrogate pair never goes half into the last slot.
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "\xF0\x9F\x98\x80", 4, out, 1), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

TEST(Utf8ConversionBuffers, ResultNeverHasMoreUnitsThanBytes) {
    // Every byte string of up to three bytes over a set of interesting bytes.
    const std::vector<unsigned char> bytes = {0x00, 0x41, 0x7F, 0x80, 0xBF, 0xC0, 0xC2,
                                              0xDF, 0xE0, 0xED, 0xEF, 0xF0, 0xF4, 0xF5};
    for (unsigned char a : bytes) {
        for (unsigned char b : bytes) {
            for (unsigned char c : bytes) {
                const std::string s{char(a), char(b), char(c)};
                EXPECT_LE(Convert(s).size(), s.size());
            }
        }
    }
}

TEST(Utf8ConversionBuffers, RefusesOtherCodePagesAndBadArguments) {
    WCHAR out[4];
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "a", 1, out, 4), 0);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 1, "a", 1, out, 4), 0);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "a", 0, out, 4), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

} // namespace
