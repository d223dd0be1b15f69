// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/preview/ReadingDirection.h"

namespace {

// Primary language ids (the low ten bits of a locale id).
constexpr LCID RightToLeftLanguages[] = {
    0x01, // Arabic
    0x0d, // Hebrew
    0x20, // Urdu
    0x29, // Persian
    0x3d, // Yiddish
    0x5a, // Syriac
    0x63, // Pashto
    0x65, // Divehi
    0x80, // Uyghur
    0x8c, // Dari
    0x92, // Central Kurdish
};

} // namespace

bool IsRightToLeftLocale(LCID locale) {
    const LCID primary = locale & 0x3ff;
    for (LCID language : RightToLeftLanguages) {
        if (primary == language) {
            return true;
        }
    }
    return false;
}
