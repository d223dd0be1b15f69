// SPDX-License-Identifier: LGPL-3.0-or-later
// Where a part's text starts: at its first body marker (`<body`, in any ASCII letter case)
// that lies wholly before its first zero byte, or at its start when there is none.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t BodyMarkerLength = 5;

// The first body marker that lies wholly in [begin, end), or null.
const char* FindBodyMarker(const char* begin, const char* end);

// The same search over a part that comes in pieces, each handed over once.
class BodyMarkerSearch {
public:
    // Searches `length` more bytes of the part. True once the search is over: a marker was found
    // (Found, At), or a zero byte came first.
    bool Feed(const char* bytes, size_t length);
    bool Found() const { return FoundAt; }
    // Where the marker starts, counted from the part's first byte.
    uint64_t At() const { return Position; }

private:
    // The last bytes handed over, where a marker that the next piece completes may start.
    char Tail[BodyMarkerLength - 1] = {};
    size_t TailLength = 0;
    uint64_t Seen = 0;
    uint64_t Position = 0;
    bool Over = false;
    bool FoundAt = false;
};
