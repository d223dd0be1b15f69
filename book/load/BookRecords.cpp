// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/load/BookRecords.h"

#include <cstring>
#include <memory>
#include <new>

BookRecords::BookRecords(IStream* stream) : Stream(stream) {
    Stream.MeasureEnd();
}

MOBI_RET BookRecords::ReadTable() {
    unsigned char header[RecordTable::HeaderLength];
    if (Stream.Read(header, 1, sizeof(header)) != sizeof(header)) {
        return MOBI_DATA_CORRUPT;
    }
    const size_t count = RecordTable::DeclaredCount(header, sizeof(header));
    const size_t length = count * RecordTable::EntryLength;
    std::unique_ptr<unsigned char[]> entries(new (std::nothrow) unsigned char[length + 1]);
    if (!entries) {
        return MOBI_MALLOC_FAILED;
    }
    // libmobi's order of judging: the type, then the count, then the entries.
    if (!Table.Assign(header, entries.get(), 0, 0)) {
        return MOBI_MALLOC_FAILED;
    }
    if (!Table.IsBook()) {
        return MOBI_FILE_UNSUPPORTED;
    }
    if (count == 0 || Stream.Read(entries.get(), 1, length) != length) {
        return MOBI_DATA_CORRUPT;
    }
    if (!Table.Assign(header, entries.get(), count, Stream.EndPosition())) {
        return MOBI_MALLOC_FAILED;
    }
    if (!Table.Fits()) {
        return MOBI_DATA_CORRUPT;
    }
    if (!Store.Init()) {
        return MOBI_MALLOC_FAILED;
    }
    Store.StreamStandsAt(RecordTable::HeaderLength + length);
    return MOBI_SUCCESS;
}

const MOBIPdbRecord* BookRecords::Held(size_t record) const {
    const MOBIPdbRecord* held = mobi_get_record_by_seqnumber(Whole, record);
    return held != nullptr && held->data != nullptr ? held : nullptr;
}

size_t BookRecords::Count() const {
    if (Whole != nullptr) {
        return Whole->ph != nullptr ? Whole->ph->rec_count : 0;
    }
    return Store.Ready() ? Table.Count() : 0;
}

uint64_t BookRecords::Size(size_t record) const {
    if (record >= Count()) {
        return 0;
    }
    if (Whole != nullptr) {
        const MOBIPdbRecord* held = Held(record);
        return held != nullptr ? held->size : 0;
    }
    return Table.Size(record);
}

RecordKind BookRecords::Kind(size_t record) {
    if (record >= Count()) {
        return RecordKind::Needed;
    }
    if (Whole != nullptr) {
        const MOBIPdbRecord* held = Held(record);
        return held != nullptr ? ClassifyRecord(held->data, held->size, held->size)
                               : RecordKind::Needed;
    }
    if (!Store.Keep(record, RecordKindBytes)) {
        return RecordKind::Needed;
    }
    size_t kept = 0;
    const unsigned char* start = Store.Kept(record, &kept);
    return ClassifyRecord(start, kept, Table.Size(record));
}

size_t BookRecords::Read(size_t record, uint64_t at, unsigned char* into, size_t length) {
    if (record >= Count()) {
        return 0;
    }
    if (Whole == nullptr) {
        return Store.Read(record, at, into, length);
    }
    const MOBIPdbRecord* held = Held(record);
    if (held == nullptr || at >= held->size) {
        return 0;
    }
    const size_t delivered =
        held->size - at < length ? static_cast<size_t>(held->size - at) : length;
    std::memcpy(into, held->data + at, delivered);
    return delivered;
}
