// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/load/RecordView.h"

#include "platform/AllocationFailures.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace {

void PutBig32(unsigned char* at, uint64_t value) {
    for (int i = 0; i < 4; ++i) {
        at[i] = static_cast<unsigned char>(value >> (24 - 8 * i));
    }
}

} // namespace

bool RecordView::Show(const bool* shown) {
    const RecordTable& table = Store.Records();
    // Listed: up to the last shown record that has bytes (an empty last one would fail).
    Listed = 0;
    for (size_t i = 0; i < table.Count(); ++i) {
        if (shown[i] && table.Size(i) > 0) {
            Listed = i + 1;
        }
    }
    if (Listed == 0 && table.Count() > 0) {
        Listed = 1;
    }
    HeadLength = RecordTable::HeaderLength + Listed * RecordTable::EntryLength;
    Head.reset(NewArray<unsigned char>(HeadLength));
    Starts.reset(NewArray<uint64_t>(Listed + 1));
    Shown.reset(NewArray<bool>(Listed + 1));
    if (!Head || !Starts || !Shown) {
        return false;
    }
    std::memcpy(Head.get(), table.Header(), RecordTable::HeaderLength);
    Head[76] = static_cast<unsigned char>(Listed >> 8);
    Head[77] = static_cast<unsigned char>(Listed);
    uint64_t start = HeadLength;
    for (size_t i = 0; i < Listed; ++i) {
        unsigned char* entry =
            Head.get() + RecordTable::HeaderLength + i * RecordTable::EntryLength;
        std::memcpy(entry, table.Entry(i), RecordTable::EntryLength);
        PutBig32(entry, start);
        Starts[i] = start;
        Shown[i] = shown[i];
        start += shown[i] ? table.Size(i) : 0;
    }
    Starts[Listed] = start;
    End = start;
    Position = 0;
    Hint = 0;
    return true;
}

void RecordView::ShowHeaderOnly() {
    Head.reset(NewArray<unsigned char>(RecordTable::HeaderLength));
    HeadLength = Head ? RecordTable::HeaderLength : 0;
    if (Head) {
        std::memcpy(Head.get(), Store.Records().Header(), RecordTable::HeaderLength);
    }
    Listed = 0;
    End = HeadLength;
    Position = 0;
    Hint = 0;
}

size_t RecordView::Read(void* buffer, size_t size, size_t count) {
    if (size == 0 || count == 0 || count > SIZE_MAX / size || Position >= End) {
        return 0;
    }
    auto* into = static_cast<unsigned char*>(buffer);
    size_t wanted = size * count;
    if (wanted > End - Position) {
        wanted = static_cast<size_t>(End - Position);
    }
    size_t delivered = 0;
    while (delivered < wanted) {
        const size_t left = wanted - delivered;
        size_t got;
        if (Position < HeadLength) {
            got = static_cast<size_t>(HeadLength - Position) < left
                      ? static_cast<size_t>(HeadLength - Position)
                      : left;
            std::memcpy(into + delivered, Head.get() + Position, got);
        } else {
            if (Hint >= Listed || Position < Starts[Hint]) {
                Hint = 0;
            }
            while (Hint + 1 < Listed && Starts[Hint + 1] <= Position) {
                ++Hint;
            }
            const uint64_t at = Position - Starts[Hint];
            const uint64_t length = Starts[Hint + 1] - Starts[Hint];
            const size_t asked = length - at < left ? static_cast<size_t>(length - at) : left;
            got = Store.Read(Hint, at, into + delivered, asked);
            if (got < asked) {
                Position += got;
                delivered += got;
                break;
            }
        }
        Position += got;
        delivered += got;
    }
    return delivered / size;
}

int RecordView::Seek(long offset, int origin) {
    switch (origin) {
    case SEEK_SET:
        // libmobi's offsets are 32-bit unsigned, as the stream's adapter takes them.
        Position = static_cast<uint32_t>(offset);
        return 0;
    case SEEK_CUR:
        Position += static_cast<uint64_t>(static_cast<int64_t>(offset));
        return 0;
    case SEEK_END:
        Position = End + static_cast<uint64_t>(static_cast<int64_t>(offset));
        return 0;
    default:
        return -1;
    }
}

long RecordView::Tell() {
    return static_cast<long>(static_cast<uint32_t>(Position));
}
