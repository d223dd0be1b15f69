// SPDX-License-Identifier: LGPL-3.0-or-later
// One pass over a stretch of an HTML part's markup, writing its text: the conversion's rules,
// for a part held whole (MarkupToText) and for one that comes in pieces (MarkupStream).
#pragma once

#include "book/markup/Utf16Builder.h"

#include <cstddef>

// What a scan carries from one stretch of a part to the next.
struct MarkupScanState {
    // A removed block tag waits to separate the next byte written from the last one.
    bool SeparatorPending = false;
    // The last byte written; zero before any.
    char LastWritten = 0;
    // Line feeds written in a row.
    int LineBreakRun = 0;
};

// The most bytes past its first byte that deciding what a tag, an entity or a run of text
// starting there reads: a tag's '<', its longest content and its '>', then a block.
constexpr size_t MarkupLookahead = 1 + 255 + 1 + 16;

// Converts the markup of [read, end), whose first zero byte is `firstZero` (null for none),
// from `read` on, writing its text to `out`: tags removed, paragraph, heading, break and rule
// tags turned into line feeds (at most two in a row), a line feed between two words that only a
// removed block tag kept apart, carriage returns dropped, five named entities decoded,
// accented-letter entities reduced to their base letter, other entities removed. When
// `partEnds`, the part ends at `end` and all of it is converted. Otherwise more of the part
// follows: the scan stops where less than MarkupLookahead bytes remain, and returns where to go
// on, with those bytes and the ones that follow them in memory. Every byte converted gives at
// most one unit, one more for a separator that a block tag left pending; `out` writes whole
// blocks and needs room for ByteBlocks::Size units more. Nothing outside [read, end) is read.
const char* ScanMarkup(const char* read, const char* end, const char* firstZero, bool partEnds,
                       MarkupScanState& state, Utf16Builder& out);
