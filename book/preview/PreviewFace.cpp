// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/preview/PreviewFace.h"

#include <cstdint>

namespace {

// A face Windows ships, and the primary language it is tried first for (0: any script).
struct FallbackFace {
    const WCHAR* Name;
    LCID Language;
};

constexpr LCID Chinese = 0x04;
constexpr LCID Japanese = 0x11;
constexpr LCID Korean = 0x12;

// In the order they are tried once the book's own language has had its faces: CJK faces first,
// since they also hold Latin, Greek and Cyrillic, then the other scripts' UI faces.
const FallbackFace FallbackFaces[] = {
    {UTF16("Yu Gothic UI"), Japanese},
    {UTF16("Meiryo UI"), Japanese},
    {UTF16("MS UI Gothic"), Japanese},
    {UTF16("Microsoft YaHei UI"), Chinese},
    {UTF16("Microsoft JhengHei UI"), Chinese},
    {UTF16("Malgun Gothic"), Korean},
    {UTF16("Segoe UI"), 0},
    {UTF16("Nirmala UI"), 0},
    {UTF16("Leelawadee UI"), 0},
    {UTF16("Ebrima"), 0},
    {UTF16("Segoe UI Historic"), 0},
    {UTF16("Segoe UI Symbol"), 0},
};

// One bit per UTF-16 unit.
class UnitSet {
public:
    bool Has(WCHAR unit) const { return (Bits[unit >> 3] & Bit(unit)) != 0; }
    void Add(WCHAR unit) { Bits[unit >> 3] |= Bit(unit); }

private:
    static uint8_t Bit(WCHAR unit) { return static_cast<uint8_t>(1u << (unit & 7)); }
    uint8_t Bits[0x10000 / 8] = {};
};

// Neither drawn nor looked up: controls, spaces, formatting marks, surrogates.
bool NeedsNoGlyph(WCHAR unit) {
    return unit <= 0x20 || (unit >= 0x7f && unit <= 0xa0) || unit == 0xad ||
           (unit >= 0x2000 && unit <= 0x200f) || (unit >= 0x2028 && unit <= 0x202f) ||
           (unit >= 0x2060 && unit <= 0x206f) || (unit >= 0xd800 && unit <= 0xdfff) ||
           unit == 0xfeff;
}

// How many of `sample`'s characters `face` has, marked in `present`; 0 when it cannot be told.
size_t CountPresent(FaceGlyphFinder find, const WCHAR* face, const WCHAR* sample, size_t length,
                    bool* present) {
    if (FAILED(find(face, sample, length, present))) {
        return 0;
    }
    size_t count = 0;
    for (size_t i = 0; i < length; ++i) {
        count += present[i] ? 1 : 0;
    }
    return count;
}

} // namespace

size_t FaceSample(const PreviewLine* lines, size_t count, WCHAR (&sample)[MaxFaceSample]) {
    UnitSet seen;
    size_t length = 0;
    for (size_t line = 0; line < count; ++line) {
        for (size_t i = 0; i < lines[line].Length && length < MaxFaceSample; ++i) {
            const WCHAR unit = lines[line].Text[i];
            if (!NeedsNoGlyph(unit) && !seen.Has(unit)) {
                seen.Add(unit);
                sample[length++] = unit;
            }
        }
    }
    return length;
}

const WCHAR* ChoosePreviewFaces(PreviewLine* lines, size_t count, LCID locale,
                                const WCHAR* paneFace, FaceGlyphFinder find) {
    for (size_t line = 0; line < count; ++line) {
        lines[line].OtherFace = false;
    }
    WCHAR sample[MaxFaceSample];
    const size_t length = FaceSample(lines, count, sample);
    bool present[MaxFaceSample];
    if (length == 0 || FAILED(find(paneFace, sample, length, present))) {
        return nullptr;
    }
    // What the pane's face lacks is what another face must have.
    WCHAR lacking[MaxFaceSample];
    size_t lackingLength = 0;
    for (size_t i = 0; i < length; ++i) {
        if (!present[i]) {
            lacking[lackingLength++] = sample[i];
        }
    }
    if (lackingLength == 0) {
        return nullptr;
    }
    const WCHAR* chosen = nullptr;
    size_t best = 0;
    const LCID language = locale & 0x3ff;
    // The book's own language's faces, then every other.
    for (int pass = 0; pass < 2 && best < lackingLength; ++pass) {
        for (const FallbackFace& face : FallbackFaces) {
            const bool own = face.Language != 0 && face.Language == language;
            if (own != (pass == 0)) {
                continue;
            }
            const size_t has = CountPresent(find, face.Name, lacking, lackingLength, present);
            if (has > best) {
                best = has;
                chosen = face.Name;
                if (best == lackingLength) {
                    break;
                }
            }
        }
    }
    if (chosen == nullptr) {
        return nullptr;
    }
    UnitSet missing;
    for (size_t i = 0; i < lackingLength; ++i) {
        missing.Add(lacking[i]);
    }
    for (size_t line = 0; line < count; ++line) {
        for (size_t i = 0; i < lines[line].Length && !lines[line].OtherFace; ++i) {
            lines[line].OtherFace = missing.Has(lines[line].Text[i]);
        }
    }
    return chosen;
}
