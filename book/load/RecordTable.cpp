// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/load/RecordTable.h"

#include <cstring>
#include <new>

namespace {

uint32_t Big32(const unsigned char* at) {
    return static_cast<uint32_t>(at[0]) << 24 | static_cast<uint32_t>(at[1]) << 16 |
           static_cast<uint32_t>(at[2]) << 8 | at[3];
}

constexpr size_t CountAt = 76;
constexpr size_t TypeAt = 60;

} // namespace

size_t RecordTable::DeclaredCount(const unsigned char* header, size_t length) {
    return length < HeaderLength ? 0
                                 : static_cast<size_t>(header[CountAt] << 8 | header[CountAt + 1]);
}

bool RecordTable::Assign(const unsigned char* header, const unsigned char* entries, size_t count,
                         uint64_t streamEnd) {
    std::memcpy(HeaderBytes, header, HeaderLength);
    Entries.reset(new (std::nothrow) unsigned char[count * EntryLength + 1]);
    if (!Entries) {
        Records = 0;
        return false;
    }
    if (count > 0) {
        std::memcpy(Entries.get(), entries, count * EntryLength);
    }
    Records = count;
    End = streamEnd;
    return true;
}

uint32_t RecordTable::Offset(size_t record) const {
    return Big32(Entry(record));
}

uint64_t RecordTable::Size(size_t record) const {
    const uint64_t next = record + 1 < Records ? Offset(record + 1) : End;
    return next - Offset(record);
}

bool RecordTable::IsBook() const {
    return std::memcmp(HeaderBytes + TypeAt, "BOOK", 4) == 0 ||
           std::memcmp(HeaderBytes + TypeAt, "TEXt", 4) == 0;
}

bool RecordTable::Fits() const {
    if (Records == 0) {
        return false;
    }
    for (size_t i = 0; i + 1 < Records; ++i) {
        if (Offset(i + 1) < Offset(i)) {
            return false;
        }
    }
    // libmobi measures the last record with ftell, whose position has 32 bits.
    const uint64_t last = Offset(Records - 1);
    return last < End && End <= UINT32_MAX;
}
