// SPDX-License-Identifier: LGPL-3.0-or-later
// The text of an HTML part that comes in pieces, converted as they come: the same units that
// MarkupToText gives for the whole part.
#pragma once

#include "book/markup/MarkupScanner.h"
#include "book/markup/Utf16Builder.h"
#include "platform/Platform.h"

#include <cstddef>
#include <cstdint>
#include <memory>

// What a tag, an entity or a UTF-8 sequence needs from the piece after it waits for it: the
// conversion's look-ahead is bounded, so the unfinished tail of one piece is carried into the
// next: at most MarkupLookahead bytes, or, while a tag of 256 bytes or more waits for its '>',
// up to MarkupMostCarried. A zero byte of the part ends its text, as it ends MarkupToText's.
class MarkupStream {
public:
    // The most bytes one Feed takes.
    static constexpr size_t MaxFeed = 32 * 1024;
    // The room for units the output needs before a Feed of `length` bytes, whatever is carried:
    // one unit for each byte fed and carried, a separator, a run of bytes waiting to complete a
    // sequence, a block written whole, the final line feed and a terminator.
    static constexpr size_t RoomForFeed(size_t length) {
        return RoomForFeedAfter(length, MarkupMostCarried);
    }
    // The same for the bytes carried now: less while no long tag waits for its '>'.
    size_t RoomForNextFeed(size_t length) const { return RoomForFeedAfter(length, PendingLength); }

    MarkupStream();
    MarkupStream(const MarkupStream&) = delete;
    MarkupStream& operator=(const MarkupStream&) = delete;

    // False when memory runs out: the one allocation, made once.
    bool Init();

    // A part's text starts: the bytes fed from here on are the part's from its text start (its
    // body marker, or its first byte; BodyMarker.h). The units go to `out`.
    void Begin(WCHAR* out);
    // Converts `length` (at most MaxFeed) more bytes of the part, as far as the bytes after them
    // are not needed.
    void Feed(const char* bytes, size_t length);
    // The part ends; it holds `partSize` bytes from its first (before its text start too).
    // Converts what waits, then writes the final line feed when the part has room for it.
    void End(uint64_t partSize);

    // The units written since Begin or the last ContinueAt.
    size_t Written() const { return Builder.Units(); }
    // Goes on writing at `out`, after the caller has taken the units written.
    void ContinueAt(WCHAR* out) { Builder.ContinueAt(out); }
    // True once a zero byte of the part has been converted: the text ends at the first zero
    // unit written.
    bool ReachedZero() const { return ZeroReached; }

private:
    static constexpr size_t RoomForFeedAfter(size_t length, size_t carried) {
        return length + carried + 256 + 16 + 3;
    }

    // Converts what the pending bytes allow and keeps the rest pending.
    void Scan(bool partEnds);

    std::unique_ptr<char[]> Pending;
    size_t PendingLength = 0;
    // The first pending bytes, known to hold no zero byte: a long tag that waits is searched
    // once, however many pieces it takes.
    size_t PendingWithoutZero = 0;
    MarkupScanState State;
    Utf16Builder Builder;
    bool ZeroReached = false;
};
