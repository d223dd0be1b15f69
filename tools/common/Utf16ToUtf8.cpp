#include "tools/Utf16ToUtf8.h"

namespace {

const unsigned long ReplacementCharacter = 0xFFFD;

bool IsHighSurrogate(unsigned long unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(unsigned long unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

} // namespace

unsigned long NextCodePoint(const WCHAR* text, size_t length, size_t* index) {
    // WCHAR is 16 bits on every build; the cast keeps a signed wchar_t from sign-extending.
    const unsigned long unit = static_cast<unsigned short>(text[*index]);
    ++*index;
    if (IsHighSurrogate(unit)) {
        if (*index < length) {
            const unsigned long next = static_cast<unsigned short>(text[*index]);
            if (IsLowSurrogate(next)) {
                ++*index;
                return 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00);
            }
        }
        return ReplacementCharacter;
    }
    if (IsLowSurrogate(unit)) {
        return ReplacementCharacter;
    }
    return unit;
}

void AppendCodePoint(std::string& out, unsigned long codePoint) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

void AppendUtf8(std::string& out, const WCHAR* text, size_t length) {
    size_t index = 0;
    while (index < length) {
        AppendCodePoint(out, NextCodePoint(text, length, &index));
    }
}
