// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/preview/PreviewFace.h"

#include <cstdint>

namespace {

// A face Windows ships, and the primary language it is drawn for first (0: any script).
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

// Neither drawn nor looked up: controls, spaces, formatting marks, surrogates.
bool NeedsNoGlyph(WCHAR unit) {
    return unit <= 0x20 || (unit >= 0x7f && unit <= 0xa0) || unit == 0xad ||
           (unit >= 0x2000 && unit <= 0x200f) || (unit >= 0x2028 && unit <= 0x202f) ||
           (unit >= 0x2060 && unit <= 0x206f) || (unit >= 0xd800 && unit <= 0xdfff) ||
           unit == 0xfeff;
}

} // namespace

size_t FaceSample(const PreviewPage& page, WCHAR (&sample)[MaxFaceSample]) {
    // One bit per UTF-16 unit.
    uint8_t seen[0x10000 / 8] = {};
    size_t length = 0;
    for (size_t line = 0; line < page.LineCount; ++line) {
        const PreviewLine& shown = page.Lines[line];
        for (size_t i = 0; i < shown.Length && length < MaxFaceSample; ++i) {
            const WCHAR unit = shown.Text[i];
            const uint8_t bit = static_cast<uint8_t>(1u << (unit & 7));
            if (NeedsNoGlyph(unit) || (seen[unit >> 3] & bit) != 0) {
                continue;
            }
            seen[unit >> 3] |= bit;
            sample[length++] = unit;
        }
    }
    return length;
}

const WCHAR* ChoosePreviewFace(const WCHAR* paneFace, LCID locale, const WCHAR* sample,
                               size_t length, FaceGlyphCounter count) {
    size_t best = 0;
    if (length == 0 || FAILED(count(paneFace, sample, length, &best)) || best == length) {
        return paneFace;
    }
    const WCHAR* chosen = paneFace;
    const LCID language = locale & 0x3ff;
    // The book's own language's faces, then every other.
    for (int pass = 0; pass < 2; ++pass) {
        for (const FallbackFace& face : FallbackFaces) {
            const bool own = face.Language != 0 && face.Language == language;
            if (own != (pass == 0)) {
                continue;
            }
            size_t covered = 0;
            if (FAILED(count(face.Name, sample, length, &covered))) {
                continue;
            }
            if (covered == length) {
                return face.Name;
            }
            if (covered > best) {
                best = covered;
                chosen = face.Name;
            }
        }
    }
    return chosen;
}
