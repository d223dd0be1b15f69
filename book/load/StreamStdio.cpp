// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/load/StreamStdio.h"

#include <cstdint>
#include <cstdio>

namespace {

constexpr size_t LargestRead = 0xFFFFFFFFu; // a ULONG

} // namespace

HRESULT StreamStdio::SeekAndNote(LONGLONG move, DWORD origin, ULONGLONG* position) {
    LARGE_INTEGER distance;
    distance.QuadPart = move;
    ULARGE_INTEGER reached;
    reached.QuadPart = Unknown;
    const HRESULT result = Stream->Seek(distance, origin, &reached);
    Position = reached.QuadPart;
    if (position != nullptr) {
        *position = reached.QuadPart;
    }
    return result;
}

void StreamStdio::MeasureEnd() {
    // Not judged: libmobi's own reads and seeks decide the load.
    SeekAndNote(0, STREAM_SEEK_END, &End);
    SeekAndNote(0, STREAM_SEEK_SET, nullptr);
}

size_t StreamStdio::Read(void* buffer, size_t size, size_t count) {
    if (size == 0 || count == 0 || count > SIZE_MAX / size) {
        return 0;
    }
    auto* into = static_cast<unsigned char*>(buffer);
    size_t wanted = size * count;
    if (Position != Unknown && End != Unknown) {
        const ULONGLONG remaining = Position < End ? End - Position : 0;
        if (remaining < wanted) {
            wanted = static_cast<size_t>(remaining);
        }
    }
    size_t delivered = 0;
    // libmobi asks for at most a record, which a 32-bit count holds: one Read. More than that
    // goes in pieces, up to the first that comes short.
    while (wanted > 0) {
        const ULONG asked = static_cast<ULONG>(wanted < LargestRead ? wanted : LargestRead);
        ULONG got = 0;
        // A stream may answer S_FALSE, or even a failure, and still deliver every byte.
        Stream->Read(into + delivered, asked, &got);
        if (got > asked) {
            got = asked;
        }
        delivered += got;
        wanted -= got;
        if (Position != Unknown) {
            Position += got;
        }
        if (got < asked) {
            break;
        }
    }
    return delivered / size;
}

int StreamStdio::Seek(long offset, int origin) {
    LONGLONG move;
    DWORD from;
    switch (origin) {
    case SEEK_SET:
        // Offsets in a Palm database are 32-bit unsigned; where long has 32 bits the upper
        // half of them arrives negative.
        move = static_cast<LONGLONG>(static_cast<uint32_t>(offset));
        from = STREAM_SEEK_SET;
        break;
    case SEEK_CUR:
        move = offset;
        from = STREAM_SEEK_CUR;
        break;
    case SEEK_END:
        move = offset;
        from = STREAM_SEEK_END;
        break;
    default:
        return -1;
    }
    return SUCCEEDED(SeekAndNote(move, from, nullptr)) ? 0 : -1;
}

long StreamStdio::Tell() {
    // Not judged: what the stream delivers is the position, whatever it answers.
    ULONGLONG position = Unknown;
    SeekAndNote(0, STREAM_SEEK_CUR, &position);
    return position == Unknown ? 0 : static_cast<long>(static_cast<uint32_t>(position));
}
