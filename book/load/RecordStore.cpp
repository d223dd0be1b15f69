// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/load/RecordStore.h"

#include "platform/AllocationFailures.h"

#include <cstdio>
#include <cstring>
#include <new>

bool RecordStore::Init() {
    const size_t count = Table.Count();
    Bytes.reset(NewArray<std::unique_ptr<unsigned char[]>>(count + 1));
    Lengths.reset(NewZeroedArray<size_t>(count + 1));
    return Bytes && Lengths;
}

const unsigned char* RecordStore::Kept(size_t record, size_t* length) const {
    *length = Lengths[record];
    return Bytes[record].get();
}

bool RecordStore::Keep(size_t record, uint64_t length) {
    const uint64_t size = Table.Size(record);
    if (length > size) {
        length = size;
    }
    if (length > SIZE_MAX - 1) {
        return false;
    }
    const size_t kept = Lengths[record];
    if (length <= kept) {
        return true;
    }
    std::unique_ptr<unsigned char[]> grown(NewArray<unsigned char>(static_cast<size_t>(length)));
    if (!grown) {
        return false;
    }
    if (kept > 0) {
        std::memcpy(grown.get(), Bytes[record].get(), kept);
    }
    const size_t wanted = static_cast<size_t>(length) - kept;
    if (ReadStream(Table.Offset(record) + kept, grown.get() + kept, wanted) != wanted) {
        return false;
    }
    Bytes[record] = std::move(grown);
    Lengths[record] = static_cast<size_t>(length);
    return true;
}

size_t RecordStore::Read(size_t record, uint64_t at, unsigned char* into, size_t length) {
    const uint64_t size = Table.Size(record);
    if (at >= size) {
        return 0;
    }
    if (length > size - at) {
        length = static_cast<size_t>(size - at);
    }
    size_t delivered = 0;
    const size_t kept = Lengths[record];
    if (at < kept) {
        delivered =
            kept - static_cast<size_t>(at) < length ? kept - static_cast<size_t>(at) : length;
        std::memcpy(into, Bytes[record].get() + at, delivered);
    }
    if (delivered < length) {
        delivered +=
            ReadStream(Table.Offset(record) + at + delivered, into + delivered, length - delivered);
    }
    return delivered;
}

size_t RecordStore::ReadStream(uint64_t position, unsigned char* into, size_t length) {
    if (length == 0) {
        return 0;
    }
    if (StreamAt != position) {
        StreamAt = Unknown;
        // Records start at 32-bit offsets (RecordTable::Fits), as libmobi seeks to them.
        if (Stream.Seek(static_cast<long>(static_cast<uint32_t>(position)), SEEK_SET) != 0) {
            return 0;
        }
    }
    const size_t got = Stream.Read(into, 1, length);
    StreamAt = got == length ? position + got : Unknown;
    return got;
}
