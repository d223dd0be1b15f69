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
    // When the scan stopped at the '<' of a long tag whose '>' had not come: how many bytes
    // after the '<' are known to hold no '>', no '<' and no zero byte, so that the next scan,
    // which starts at that '<', searches on from there; 0 otherwise.
    size_t OpenTagSearched = 0;
};

// The most bytes past its first byte that deciding what a tag of at most 255 bytes of content,
// an entity or a run of text starting there reads: a tag's '<', its content and its '>', then a
// block.
constexpr size_t MarkupLookahead = 1 + 255 + 1 + 16;
// The longest content of a tag of 256 bytes or more, which holds no '<'.
constexpr size_t MaxLongTagContent = 65535;
// The most bytes a scan leaves for the next stretch: MarkupLookahead, or, while a long tag's '>'
// has not come, its '<' and its content so far.
constexpr size_t MarkupMostCarried = 1 + MaxLongTagContent;

// Converts the markup of [read, end), whose first zero byte is `firstZero` (null for none),
// from `read` on, writing its text to `out`: tags removed, paragraph, heading, break and rule
// tags turned into line feeds (at most two in a row), a line feed between two words that only a
// removed block tag kept apart, carriage returns dropped, five named entities decoded,
// accented-letter entities reduced to their base letter, other entities removed. When
// `partEnds`, the part ends at `end` and all of it is converted. Otherwise more of the part
// follows: the scan stops where less than MarkupLookahead bytes remain, or at a long tag's '<'
// whose '>' may still come, and returns where to go on, with those bytes (at most
// MarkupMostCarried) and the ones that follow them in memory. Every byte converted gives at
// most one unit, one more for a separator that a block tag left pending; `out` writes whole
// blocks and needs room for ByteBlocks::Size units more. Nothing outside [read, end) is read.
const char* ScanMarkup(const char* read, const char* end, const char* firstZero, bool partEnds,
                       MarkupScanState& state, Utf16Builder& out);

// Ends a part's text, once all of the part of `partSize` bytes has been scanned into `out`: a
// final line feed, when the part has room to spare for one (two bytes more than the scan took).
void EndPartText(Utf16Builder& out, uint64_t partSize);
