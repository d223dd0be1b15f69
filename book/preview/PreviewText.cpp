// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/preview/PreviewText.h"

#include "platform/AllocationFailures.h"

#include <cstring>

namespace {

constexpr WCHAR Ellipsis = 0x2026;
// How far back a cut looks for the end of a word.
constexpr size_t WordReach = 64;

bool IsSpace(WCHAR unit) {
    return unit == ' ' || unit == '\t' || unit == '\n' || unit == '\r' || unit == 0xa0 ||
           unit == 0x3000;
}

bool IsHighSurrogate(WCHAR unit) {
    return unit >= 0xd800 && unit <= 0xdbff;
}

// A unit that belongs to the character before it: a combining mark, a variation selector, a
// joiner, the second half of a surrogate pair.
bool ContinuesCharacter(WCHAR unit) {
    return (unit >= 0x0300 && unit <= 0x036f) || (unit >= 0x1ab0 && unit <= 0x1aff) ||
           (unit >= 0x1dc0 && unit <= 0x1dff) || (unit >= 0x20d0 && unit <= 0x20ff) ||
           (unit >= 0xfe00 && unit <= 0xfe0f) || (unit >= 0xfe20 && unit <= 0xfe2f) ||
           unit == 0x200c || unit == 0x200d || (unit >= 0xdc00 && unit <= 0xdfff);
}

} // namespace

size_t PreviewCutLength(const WCHAR* text, size_t length, size_t budget) {
    if (length <= budget) {
        return length;
    }
    size_t cut = budget;
    while (cut > 0 && (ContinuesCharacter(text[cut]) || IsHighSurrogate(text[cut - 1]))) {
        --cut;
    }
    // Where the cut falls inside a word, the word goes too, when it started not long before.
    if (!IsSpace(text[cut])) {
        for (size_t back = cut; back > 0 && cut - back < WordReach; --back) {
            if (IsSpace(text[back - 1])) {
                cut = back;
                break;
            }
        }
    }
    while (cut > 0 && IsSpace(text[cut - 1])) {
        --cut;
    }
    return cut;
}

HRESULT ReadPreviewText(TextSource& source, size_t budget, PreviewText& text) {
    text.Units.Reset();
    text.Length = 0;
    text.Cut = false;
    // The budget, a line feed and one unit beyond it (which tells that there is more), and the
    // terminator; the ellipsis takes the place of what the cut drops.
    const size_t capacity = budget + 3;
    text.Units.Reset(TaskAllocate<WCHAR>(capacity));
    if (!text.Units) {
        return E_OUTOFMEMORY;
    }
    WCHAR* units = text.Units.Get();
    size_t length = 0;
    while (length <= budget && source.NextPart()) {
        // Each part is a paragraph of its own; a part without text adds nothing.
        const size_t start = length;
        if (length > 0) {
            units[length++] = '\n';
        }
        bool read = false;
        const WCHAR* run = nullptr;
        size_t count = 0;
        while ((length <= budget || (!read && length == budget + 1)) &&
               source.NextRun(&run, &count)) {
            const size_t taken = count < capacity - 1 - length ? count : capacity - 1 - length;
            std::memcpy(units + length, run, taken * sizeof(WCHAR));
            length += taken;
            read = read || taken > 0;
        }
        if (!read) {
            length = start;
        }
    }
    if (length > budget) {
        length = PreviewCutLength(units, length, budget);
        units[length++] = Ellipsis;
        text.Cut = true;
    }
    units[length] = 0;
    text.Length = length;
    return S_OK;
}
