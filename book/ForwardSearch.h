// Finds the next occurrence of one byte value in a part, from positions that only move forward.
#pragma once

#include "book/ByteWords.h"

#include <cstring>

// A found position is remembered and answers every later search that starts at or before it,
// so all the searches of one part together look at each byte at most once: a scan that searches
// from every '<' or '&' stays linear however many of them open nothing. Searches run to the
// part's end; callers apply their own bounds to the distance.
class ForwardSearch {
public:
    ForwardSearch(char byte, const char* end) : Byte(byte), End(end) {}

    // The first occurrence at or after `from`, or the part's end. `from` never decreases from
    // one call to the next.
    const char* Find(const char* from) {
        if (Next != nullptr && Next >= from) {
            return Next;
        }
        // The next occurrence is usually close: look at the next two words before calling
        // memchr (on little-endian machines, where a word's first byte is its lowest).
        const char* at = from;
        if (ByteWords::IsLittleEndian()) {
            for (int i = 0; i < 2 && static_cast<size_t>(End - at) >= ByteWords::Size; ++i) {
                const uint64_t hits =
                    ByteWords::Zeros(ByteWords::Load(at) ^ ByteWords::Every(Byte));
                if (hits != 0) {
                    return Next = at + ByteWords::LowestFlagged(hits);
                }
                at += ByteWords::Size;
            }
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
