// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/load/RecordTable.h"

#include "platform/AllocationFailures.h"

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
    Entries.reset(NewArray<unsigned char>(count * EntryLength + 1));
    if (!Entries) {
        Records = 0;
        ListedRecords = 0;
        return false;
    }
    if (count > 0) {
        std::memcpy(Entries.get(), entries, count * EntryLength);
    }
    Records = count;
    ListedRecords = count;
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

size_t RecordTable::FirstOutOfOrder() const {
    for (size_t i = 1; i < Records; ++i) {
        if (Offset(i) < Offset(i - 1)) {
            return i;
        }
    }
    return Records;
}

size_t RecordTable::IntactRecords() const {
    size_t whole = Records;
    for (size_t i = 1; i < Records; ++i) {
        if (Offset(i) > End) {
            whole = i - 1;
            break;
        }
    }
    if (whole == Records && Records > 0 && Offset(Records - 1) >= End) {
        whole = Records - 1;
    }
    while (whole > 0 && whole < Records && Offset(whole) == Offset(whole - 1)) {
        --whole;
    }
    return whole;
}

void RecordTable::EndAt(size_t count) {
    if (count < Records) {
        End = Offset(count);
        Records = count;
    }
}

bool RecordTable::Fits() const {
    if (Records == 0 || FirstOutOfOrder() < Records) {
        return false;
    }
    // libmobi measures the last record with ftell, whose position has 32 bits.
    const uint64_t last = Offset(Records - 1);
    return last < End && End <= UINT32_MAX;
}
