// SPDX-License-Identifier: LGPL-3.0-or-later
// UTF-16 to UTF-8 for the tools' output. The tools print what the filter hands out, so the
// conversion must accept anything: a surrogate without its partner becomes U+FFFD. Text may
// come in portions, and a pair may be split between two of them.
#pragma once

#include "platform/Platform.h"

#include <cstddef>
#include <string>

const unsigned long ReplacementCharacter = 0xFFFD;

// Decodes one string handed over in portions. A high surrogate that ends a portion waits for
// the next one: followed by a low surrogate it gives one code point, followed by anything
// else (or by the end, Finish) it gives U+FFFD, exactly as if the string had come whole.
class Utf16Decoder {
public:
    // Calls emit(code point) for every code point complete so far.
    template <typename Emit> void Decode(const WCHAR* text, size_t length, Emit&& emit) {
        size_t index = 0;
        if (Pending != 0 && length != 0) {
            const unsigned long next = Unit(text[0]);
            if (IsLowSurrogate(next)) {
                emit(Combine(Pending, next));
                index = 1;
            } else {
                emit(ReplacementCharacter);
            }
            Pending = 0;
        }
        while (index < length) {
            const unsigned long unit = Unit(text[index++]);
            if (unit < 0xD800 || unit > 0xDFFF) {
                emit(unit);
                continue;
            }
            if (unit <= 0xDBFF) {
                if (index == length) {
                    Pending = unit;
                    return;
                }
                const unsigned long next = Unit(text[index]);
                if (IsLowSurrogate(next)) {
                    emit(Combine(unit, next));
                    ++index;
                    continue;
                }
            }
            emit(ReplacementCharacter);
        }
    }

    // The end of the string: a high surrogate still waiting gives U+FFFD.
    template <typename Emit> void Finish(Emit&& emit) {
        if (Pending != 0) {
            Pending = 0;
            emit(ReplacementCharacter);
        }
    }

private:
    // WCHAR is 16 bits on every build; the cast keeps a signed wchar_t from sign-extending.
    static unsigned long Unit(WCHAR c) { return static_cast<unsigned short>(c); }
    static bool IsLowSurrogate(unsigned long unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }
    static unsigned long Combine(unsigned long high, unsigned long low) {
        return 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00);
    }

    unsigned long Pending = 0;
};

// Writes the UTF-8 form of one code point (at most U+10FFFF, so at most four bytes) at `out`
// and returns the end of what it wrote.
inline char* PutUtf8(char* out, unsigned long codePoint) {
    if (codePoint < 0x80) {
        *out++ = static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        *out++ = static_cast<char>(0xC0 | (codePoint >> 6));
        *out++ = static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        *out++ = static_cast<char>(0xE0 | (codePoint >> 12));
        *out++ = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        *out++ = static_cast<char>(0xF0 | (codePoint >> 18));
        *out++ = static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        *out++ = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (codePoint & 0x3F));
    }
    return out;
}

// Appends `length` UTF-16 units, each code point as put(bytes, code point) writes it into a
// buffer of MaxBytes and returns the end of what it wrote.
template <size_t MaxBytes, typename Put>
void AppendDecoded(std::string& out, const WCHAR* text, size_t length, Put put) {
    auto append = [&out, &put](unsigned long codePoint) {
        char bytes[MaxBytes];
        out.append(bytes, static_cast<size_t>(put(bytes, codePoint) - bytes));
    };
    Utf16Decoder decoder;
    decoder.Decode(text, length, append);
    decoder.Finish(append);
}

// Appends the UTF-8 form of `length` UTF-16 units.
inline void AppendUtf8(std::string& out, const WCHAR* text, size_t length) {
    AppendDecoded<4>(out, text, length, PutUtf8);
}

// A zero-terminated string (an argument, a registry value) in UTF-8.
std::string ToUtf8(const WCHAR* text);
