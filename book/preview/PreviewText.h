// SPDX-License-Identifier: LGPL-3.0-or-later
// A book's first pages: the text of its first parts, as the book's text source gives it, up to
// a budget, ending with an ellipsis where it was cut.
#pragma once

#include "book/text/TextSource.h"
#include "platform/Platform.h"
#include "platform/UniqueAny.h"

#include <cstddef>

// About this many UTF-16 units of a book's text are shown.
constexpr size_t PreviewTextBudget = 20000;

struct PreviewText {
    // Terminated; the parts' texts joined by a line feed. Null when nothing was read.
    CoTaskMemPtr<WCHAR> Units;
    size_t Length = 0;
    // The book has more text than is held: it ends with "…".
    bool Cut = false;
};

// Reads `source` from its first part: the parts' text, in order, until more than `budget` units
// have come or the parts end; a part is read no further than the budget needs, and no part
// after it is asked for. S_OK (the text possibly empty) or E_OUTOFMEMORY.
HRESULT ReadPreviewText(TextSource& source, size_t budget, PreviewText& text);

// Where to cut `length` units of text that must end by `budget`: at a whole character (never
// between a surrogate pair, nor before a combining mark or a joiner, which belong to the
// character before them), at the end of a word when one ends in the last 64 units, and with
// no space or line break left before the cut. `length` when it is within the budget.
size_t PreviewCutLength(const WCHAR* text, size_t length, size_t budget);
