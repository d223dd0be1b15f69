// SPDX-License-Identifier: LGPL-3.0-or-later
// Values of a test's row written as one line of ASCII, for the printers gtest shows a
// parameter with. gtest lists a parameterised test with its parameter printed on the same line,
// and ctest names the test after that line: a printer must neither break the line nor write
// bytes that are not ASCII. Plain C++, for the table that the Windows check shares too.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// `value` in hexadecimal, with at least `digits` digits: 0x0411, 0x80070002.
inline std::string Hex(unsigned long value, size_t digits = 8) {
    std::string text;
    do {
        text.insert(text.begin(), "0123456789ABCDEF"[value & 0xF]);
        value >>= 4;
    } while (value != 0 || text.size() < digits);
    return "0x" + text;
}

// Bytes in double quotes as C writes them: printable ASCII as it is, '"' and '\' escaped, any
// other byte as \xHH.
inline std::string QuotedBytes(std::string_view bytes) {
    std::string text = "\"";
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            text += '\\';
            text += c;
        } else if (byte >= 0x20 && byte < 0x7F) {
            text += c;
        } else {
            text += "\\x" + Hex(byte, 2).substr(2);
        }
    }
    return text + "\"";
}

// UTF-16 units (or any units of up to 16 bits) in u"...": printable ASCII as it is, '"' and '\'
// escaped, any other unit as \uHHHH, a half of a surrogate pair too.
template <typename Units> std::string QuotedUnits(const Units& units) {
    std::string text = "u\"";
    for (const auto unit : units) {
        const auto value = static_cast<unsigned long>(unit);
        if (value == '"' || value == '\\') {
            text += '\\';
            text += static_cast<char>(value);
        } else if (value >= 0x20 && value < 0x7F) {
            text += static_cast<char>(value);
        } else {
            text += "\\u" + Hex(value, 4).substr(2);
        }
    }
    return text + "\"";
}
