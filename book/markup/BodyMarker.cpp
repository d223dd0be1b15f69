// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/markup/BodyMarker.h"

#include "platform/text/ByteBlocks.h"

#include <cstring>

namespace {

// The marker in lower case; it is matched ignoring ASCII letter case.
constexpr char BodyMarker[] = "<body";
static_assert(sizeof(BodyMarker) - 1 == BodyMarkerLength, "the marker's length");

char FoldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsBodyMarkerAt(const char* at, const char* end) {
    if (static_cast<size_t>(end - at) < BodyMarkerLength || at[0] != '<') {
        return false;
    }
    for (size_t i = 1; i < BodyMarkerLength; ++i) {
        if (FoldAscii(at[i]) != BodyMarker[i]) {
            return false;
        }
    }
    return true;
}

} // namespace

const char* FindBodyMarker(const char* begin, const char* end) {
    using Blocks = ByteBlocks;
    const char* at = begin;
    // Sixteen starting positions at a time: only a '<' followed by a 'b' or 'B' (equal once bit
    // 0x20 is set) is looked at closely, so that a part full of '<' costs no more than text.
    while (static_cast<size_t>(end - at) > Blocks::Size) {
        const Blocks::Flags opens = Blocks::Equal(Blocks::Load(at), '<');
        const Blocks::Flags thenB = Blocks::Equal(Blocks::Load(at + 1) | 0x20, 'b');
        if (Blocks::Any(opens & thenB)) {
            for (size_t i = 0; i < Blocks::Size; ++i) {
                if (IsBodyMarkerAt(at + i, end)) {
                    return at + i;
                }
            }
        }
        at += Blocks::Size;
    }
    for (; at < end; ++at) {
        if (IsBodyMarkerAt(at, end)) {
            return at;
        }
    }
    return nullptr;
}

bool BodyMarkerSearch::Feed(const char* bytes, size_t length) {
    if (Over) {
        return true;
    }
    const auto* zero = static_cast<const char*>(std::memchr(bytes, 0, length));
    const char* searchEnd = zero != nullptr ? zero : bytes + length;
    // A marker that starts among the last bytes of the pieces before and ends in this one.
    char joined[2 * (BodyMarkerLength - 1)];
    std::memcpy(joined, Tail, TailLength);
    const size_t added = static_cast<size_t>(searchEnd - bytes) < BodyMarkerLength - 1
                             ? static_cast<size_t>(searchEnd - bytes)
                             : BodyMarkerLength - 1;
    std::memcpy(joined + TailLength, bytes, added);
    for (size_t i = 0; i < TailLength; ++i) {
        if (IsBodyMarkerAt(joined + i, joined + TailLength + added)) {
            Position = Seen - TailLength + i;
            FoundAt = Over = true;
            return true;
        }
    }
    if (const char* marker = FindBodyMarker(bytes, searchEnd)) {
        Position = Seen + static_cast<uint64_t>(marker - bytes);
        FoundAt = Over = true;
        return true;
    }
    if (zero != nullptr) {
        Over = true;
        return true;
    }
    // Keep the last bytes of the tail and this piece together.
    const size_t kept = TailLength + length < sizeof(Tail) ? TailLength + length : sizeof(Tail);
    if (length >= kept) {
        std::memcpy(Tail, bytes + length - kept, kept);
    } else {
        const size_t fromTail = kept - length;
        std::memmove(Tail, Tail + TailLength - fromTail, fromTail);
        std::memcpy(Tail + fromTail, bytes, length);
    }
    TailLength = kept;
    Seen += length;
    return false;
}
