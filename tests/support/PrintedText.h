// SPDX-License-Identifier: LGPL-3.0-or-later
// Values of a test's row written as one line of ASCII, for the printers gtest shows a
// parameter with. gtest lists a parameterised test with its parameter printed on the same line,
// and ctest names the test after that line: a printer must neither break the line nor write
// bytes that are not ASCII. Plain C++, for the table that the Windows check shares too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// A code, a locale or a unit in hexadecimal, with at least `digits` digits: 0x0411, 0x80070002.
inline std::string Hex(uint32_t value, size_t digits = 8) {
    std::string text;
    do {
        text.insert(text.begin(), "0123456789ABCDEF"[value & 0xF]);
        value >>= 4;
    } while (value != 0 || text.size() < digits);
    return "0x" + text;
}

// A count and what it counts: "1 property", "3 properties".
inline std::string Counted(size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

// Appends a byte or a unit of a quoted text as C writes it: printable ASCII as it is, '"' and
// '\' escaped, a line feed, a carriage return and a tab as \n, \r and \t; any other as `escape`
// and its `digits` hexadecimal digits.
inline void AppendQuoted(std::string& text, uint32_t value, const char* escape, size_t digits) {
    const char* const shown = value == '"'    ? "\\\""
                              : value == '\\' ? "\\\\"
                              : value == '\n' ? "\\n"
                              : value == '\r' ? "\\r"
                              : value == '\t' ? "\\t"
                                              : nullptr;
    if (shown != nullptr) {
        text += shown;
    } else if (value >= 0x20 && value < 0x7F) {
        text += static_cast<char>(value);
    } else {
        text += escape + Hex(value, digits).substr(2);
    }
}

// Bytes in double quotes, any byte that is not printable ASCII as \xHH: "\xC3\xA9".
inline std::string QuotedBytes(std::string_view bytes) {
    std::string text = "\"";
    for (const char c : bytes) {
        AppendQuoted(text, static_cast<unsigned char>(c), "\\x", 2);
    }
    return text + "\"";
}

// UTF-16 units (or any units of up to 16 bits) in u"...", any unit that is not printable ASCII
// as \uHHHH, a half of a surrogate pair too: u"\u00E9\uD83D\uDE00".
template <typename Units> std::string QuotedUnits(const Units& units) {
    std::string text = "u\"";
    for (const auto unit : units) {
        AppendQuoted(text, static_cast<uint32_t>(unit), "\\u", 4);
    }
    return text + "\"";
}
