// SPDX-License-Identifier: LGPL-3.0-or-later
// Malformed UTF-8 and the UTF-16 that MultiByteToWideChar (CP_UTF8, no flags) gives for it on
// Windows: one table, which the native layer's test checks and which
// tests/mingw/Utf8ConversionCheck.cpp runs through Wine's own function.
//
// The rule: a byte that cannot start a sequence (80..C1, F5..FF) gives one U+FFFD. A lead byte
// takes the continuation bytes (80..BF) that follow, up to its length; the sequence ends at the
// first byte that is no continuation byte (that byte is not taken) or at the end of the input,
// and gives one U+FFFD unless complete. A second byte outside the lead's range (an overlong
// form, an encoded surrogate, a value above U+10FFFF) is still taken, and the two give one
// U+FFFD: ED A0 80 is two U+FFFD, not three.
#pragma once

#include "tests/support/PrintedText.h"

#include <ostream>
#include <string>
#include <vector>

struct MalformedUtf8Case {
    const char* Name;
    std::string Bytes;
    std::u16string Units;
    // Wine's own answer where it differs: at the very end of the input Wine drops whatever the
    // lead byte's length would have covered, even a byte that is no continuation byte.
    std::u16string WineUnits;
};

// For gtest's messages: the name, the bytes and the units.
inline void PrintTo(const MalformedUtf8Case& row, std::ostream* os) {
    *os << row.Name << ": " << QuotedBytes(row.Bytes) << " gives " << QuotedUnits(row.Units);
    if (!row.WineUnits.empty()) {
        *os << ", " << QuotedUnits(row.WineUnits) << " in Wine";
    }
}

inline const std::vector<MalformedUtf8Case>& MalformedUtf8Cases() {
    const char16_t R = 0xFFFD;
    static const std::vector<MalformedUtf8Case> cases = {
        {"LoneContinuationByte", "a\x80z", {u'a', R, u'z'}, {}},
        {"TwoContinuationBytes", "\x80\xBF", {R, R}, {}},
        {"OverlongTwoByteLeads", "\xC0\xAF\xC1\xBF", {R, R, R, R}, {}},
        {"OverlongThreeByte", "\xE0\x80\xAF", {R, R}, {}},
        {"OverlongFourByte", "\xF0\x80\x80\xAF", {R, R, R}, {}},
        {"EncodedHighSurrogate", "surr\xED\xA0\x80gate", u"surr\uFFFD\uFFFDgate", {}},
        {"EncodedLowSurrogate", "\xED\xBF\xBF", {R, R}, {}},
        {"AboveU10FFFF", "\xF4\x90\x80\x80", {R, R, R}, {}},
        {"LeadBytesF5ToFF", "\xF5\x80\xF8\x88\x80\x80\xFE\xFF", {R, R, R, R, R, R, R, R}, {}},
        {"TruncatedThreeByteBeforeAscii", "\xE2\x82z", {R, u'z'}, {}},
        {"TruncatedFourByteBeforeAscii", "\xF0\x9F\x98z", {R, u'z'}, {}},
        {"LeadByteAfterALeadByte", "\xC3\xC3\xA9", {R, 0xE9}, {}},
        {"TruncatedAtTheEnd", "ab\xE2\x82", {u'a', u'b', R}, {}},
        {"TruncatedFourByteAtTheEnd", "\xF0\x9F\x98", {R}, {}},
        {"OverlongPrefixAtTheEnd", "z\xE0\x9F", {u'z', R}, {}},
        {"SurrogatePrefixAtTheEnd", "\xED\xA0", {R}, {}},
        {"LastOfSeveral", "\xE2\x82z\xE2\x82", {R, u'z', R}, {}},
        {"GoodAfterTruncated", "\xF0\x9F\x98\x80\xF0\x9F\x98", {0xD83D, 0xDE00, R}, {}},
        {"LeadThenAsciiAtTheEnd", "\xE2z", {R, u'z'}, {R}},
        {"LeadThenLeadAtTheEnd", "\xE2\xC3", {R, R}, {R}},
        {"BoundariesStayValid",
         "\xED\x9F\xBF\xEE\x80\x80\xF4\x8F\xBF\xBF\xF0\x90\x80\x80",
         {0xD7FF, 0xE000, 0xDBFF, 0xDFFF, 0xD800, 0xDC00},
         {}},
    };
    return cases;
}
