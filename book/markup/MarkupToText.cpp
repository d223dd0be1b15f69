// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/markup/MarkupToText.h"

#include "book/markup/BodyMarker.h"
#include "book/markup/MarkupScanner.h"
#include "book/markup/Utf16Builder.h"
#include "platform/AllocationFailures.h"
#include "platform/LargeTextBlock.h"
#include "platform/text/Utf16Length.h"

#include <cstddef>
#include <cstring>

WCHAR* MarkupToText(const char* data, ULONG size, size_t* length) {
    if (size == 0 || data[0] == 0) {
        return nullptr;
    }
    // Every byte of the part gives at most one unit: room for all of them and a terminator,
    // the rest given back once the text is written.
    const size_t capacity = static_cast<size_t>(size) + 1;
    auto* text = TaskAllocate<WCHAR>(capacity);
    if (text == nullptr) {
        return nullptr;
    }
    AdviseLargeTextBlock(text, capacity * sizeof(WCHAR));
    const char* firstZero = static_cast<const char*>(std::memchr(data, 0, size));
    Utf16Builder out(text);
    // The text starts at the body marker, or at the part's start; the search stops at the first
    // zero byte, as every search for a '>' or a ';' does.
    const char* end = data + size;
    const char* body = FindBodyMarker(data, firstZero != nullptr ? firstZero : end);
    MarkupScanState state;
    ScanMarkup(body != nullptr ? body : data, end, firstZero, true, state, out);
    EndPartText(out, size);
    const size_t units = out.Finish();
    if (units + 1 < capacity) {
        if (auto* fitted =
                static_cast<WCHAR*>(CoTaskMemRealloc(text, (units + 1) * sizeof(WCHAR)))) {
            text = fitted;
        }
    }
    if (length != nullptr) {
        // Only a zero byte of the part puts a zero unit into the text.
        *length = firstZero == nullptr ? units : Utf16LengthBounded(text, units);
    }
    return text;
}
