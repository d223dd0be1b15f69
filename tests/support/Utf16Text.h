// SPDX-License-Identifier: LGPL-3.0-or-later
// UTF-16 text for tests, and back to something a failure message can show.
#pragma once

#include "platform/Platform.h"

#include <string>

// `utf8` through the platform's conversion, whole, embedded zeros included.
inline std::u16string Utf16(const std::string& utf8) {
    std::u16string out(utf8.size(), u'\0');
    const int units =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                            reinterpret_cast<WCHAR*>(out.data()), static_cast<int>(out.size()));
    out.resize(static_cast<size_t>(units > 0 ? units : 0));
    return out;
}

// ASCII as it is, anything else as '?'.
inline std::string Narrow(const std::u16string& text) {
    std::string result;
    for (char16_t c : text) {
        result += c < 0x80 ? static_cast<char>(c) : '?';
    }
    return result;
}
