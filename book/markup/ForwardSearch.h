// SPDX-License-Identifier: LGPL-3.0-or-later
// Finds the next occurrence of one byte value in a part, from positions that only move forward.
#pragma once

#include "platform/text/ByteBlocks.h"

#include <cstring>

// A found position is remembered and answers every later search that starts at or before it,
// so all the searches of one part together look at each byte at most once: a scan that searches
// from every '<' or '&' stays linear however many of them open nothing. Searches run to the
// part's end; callers apply their own bounds to the distance.
class ForwardSearch {
public:
    ForwardSearch(char byte, const char* end) : Byte(byte), End(end) {}
    // When the first occurrence in the whole part is already known: `first`, or null for none.
    ForwardSearch(char byte, const char* end, const char* first)
        : Byte(byte), End(end), Next(first != nullptr ? first : end) {}

    // The first occurrence at or after `from`, or the part's end. `from` never decreases from
    // one call to the next.
    const char* Find(const char* from) {
        if (Next != nullptr && Next >= from) {
            return Next;
        }
        // The next occurrence is usually close: look at the next block before calling memchr.
        const char* at = from;
        if (static_cast<size_t>(End - at) >= ByteBlocks::Size) {
            const ByteBlocks::Flags hits =
                ByteBlocks::Equal(ByteBlocks::Load(at), static_cast<unsigned char>(Byte));
            if (ByteBlocks::Any(hits)) {
                return Next = at + ByteBlocks::First(hits);
            }
            at += ByteBlocks::Size;
        }
        const void* found =
            at < End ? std::memchr(at, Byte, static_cast<size_t>(End - at)) : nullptr;
        return Next = found != nullptr ? static_cast<const char*>(found) : End;
    }

private:
    const char Byte;
    const char* const End;
    const char* Next = nullptr;
};
