#include "platform/Platform.h"

#include <cstring>

namespace {

constexpr char16_t ReplacementCharacter = 0xFFFD;

// The range of the byte after a lead byte; every later continuation byte is 0x80..0xBF.
// Ranges exclude overlong forms, encoded surrogates and values above U+10FFFF.
struct LeadByte {
    int continuationCount;
    unsigned char secondLow;
    unsigned char secondHigh;
};

LeadByte ClassifyLead(unsigned char b) {
    if (b >= 0xC2 && b <= 0xDF) {
        return {1, 0x80, 0xBF};
    }
    if (b == 0xE0) {
        return {2, 0xA0, 0xBF};
    }
    if ((b >= 0xE1 && b <= 0xEC) || b == 0xEE || b == 0xEF) {
        return {2, 0x80, 0xBF};
    }
    if (b == 0xED) {
        return {2, 0x80, 0x9F};
    }
    if (b == 0xF0) {
        return {3, 0x90, 0xBF};
    }
    if (b >= 0xF1 && b <= 0xF3) {
        return {3, 0x80, 0xBF};
    }
    if (b == 0xF4) {
        return {3, 0x80, 0x8F};
    }
    return {-1, 0, 0};
}

// Decodes one code point at `at`, or U+FFFD for the longest ill-formed prefix there.
// Returns the number of bytes consumed (at least 1).
size_t DecodeOne(const unsigned char* at, size_t available, uint32_t* codePoint) {
    const unsigned char lead = at[0];
    if (lead < 0x80) {
        *codePoint = lead;
        return 1;
    }
    const LeadByte kind = ClassifyLead(lead);
    if (kind.continuationCount < 0) {
        *codePoint = ReplacementCharacter;
        return 1;
    }
    uint32_t value = lead & (0x3F >> kind.continuationCount);
    size_t used = 1;
    for (int i = 0; i < kind.continuationCount; ++i, ++used) {
        if (used >= available) {
            *codePoint = ReplacementCharacter;
            return used;
        }
        const unsigned char next = at[used];
        const unsigned char low = i == 0 ? kind.secondLow : 0x80;
        const unsigned char high = i == 0 ? kind.secondHigh : 0xBF;
        if (next < low || next > high) {
            *codePoint = ReplacementCharacter;
            return used;
        }
        value = (value << 6) | (next & 0x3F);
    }
    *codePoint = value;
    return used;
}

} // namespace

extern "C" int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr,
                                   int cbMultiByte, LPWSTR lpWideCharStr, int cchWideChar) {
    if (CodePage != CP_UTF8 || dwFlags != 0 || lpMultiByteStr == nullptr || cbMultiByte == 0 ||
        cbMultiByte < -1 || cchWideChar < 0 || (cchWideChar > 0 && lpWideCharStr == nullptr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const auto* source = reinterpret_cast<const unsigned char*>(lpMultiByteStr);
    const size_t sourceLength =
        cbMultiByte == -1 ? std::strlen(lpMultiByteStr) + 1 : static_cast<size_t>(cbMultiByte);
    const bool measureOnly = cchWideChar == 0;

    size_t written = 0;
    for (size_t at = 0; at < sourceLength;) {
        // Runs of ASCII, the bulk of book text, go straight across.
        if (source[at] < 0x80) {
            if (!measureOnly && written >= static_cast<size_t>(cchWideChar)) {
                SetLastError(ERROR_INSUFFICIENT_BUFFER);
                return 0;
            }
            if (!measureOnly) {
                lpWideCharStr[written] = source[at];
            }
            ++written;
            ++at;
            continue;
        }
        uint32_t codePoint = 0;
        at += DecodeOne(source + at, sourceLength - at, &codePoint);
        const size_t units = codePoint >= 0x10000 ? 2 : 1;
        if (!measureOnly) {
            if (written + units > static_cast<size_t>(cchWideChar)) {
                SetLastError(ERROR_INSUFFICIENT_BUFFER);
                return 0;
            }
            if (units == 2) {
                const uint32_t offset = codePoint - 0x10000;
                lpWideCharStr[written] = static_cast<WCHAR>(0xD800 + (offset >> 10));
                lpWideCharStr[written + 1] = static_cast<WCHAR>(0xDC00 + (offset & 0x3FF));
            } else {
                lpWideCharStr[written] = static_cast<WCHAR>(codePoint);
            }
        }
        written += units;
    }
    return static_cast<int>(written);
}
