// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/load/BookRecords.h"

#include "platform/AllocationFailures.h"

#include <cstring>
#include <memory>
#include <new>

BookRecords::BookRecords(IStream* stream) : Stream(stream) {
    Stream.MeasureEnd();
}

MOBI_RET BookRecords::Fail(BookFault fault, MOBI_RET result) {
    Found.Fault = fault;
    return result;
}

MOBI_RET BookRecords::ReadTable() {
    Found = BookCondition();
    Found.Length = Stream.EndPosition();
    unsigned char header[RecordTable::HeaderLength];
    const size_t got = Stream.Read(header, 1, sizeof(header));
    if (got != sizeof(header)) {
        if (Stream.CameShort()) {
            return StreamFailed();
        }
        return Fail(got == 0 ? BookFault::Empty : BookFault::TooShort, MOBI_DATA_CORRUPT);
    }
    const size_t count = RecordTable::DeclaredCount(header, sizeof(header));
    const size_t length = count * RecordTable::EntryLength;
    std::unique_ptr<unsigned char[]> entries(NewArray<unsigned char>(length + 1));
    if (!entries) {
        return Fail(BookFault::OutOfMemory, MOBI_MALLOC_FAILED);
    }
    // libmobi's order of judging: the type, then the count, then the entries.
    if (!Table.Assign(header, entries.get(), 0, 0)) {
        return Fail(BookFault::OutOfMemory, MOBI_MALLOC_FAILED);
    }
    Found.Records = count;
    if (!Table.IsBook()) {
        return Fail(NameKind(header), MOBI_FILE_UNSUPPORTED);
    }
    if (count == 0) {
        return Fail(BookFault::NoRecords, MOBI_DATA_CORRUPT);
    }
    if (Stream.Read(entries.get(), 1, length) != length) {
        return Stream.CameShort() ? StreamFailed() : Fail(BookFault::TableCut, MOBI_DATA_CORRUPT);
    }
    if (!Table.Assign(header, entries.get(), count, Stream.EndPosition())) {
        return Fail(BookFault::OutOfMemory, MOBI_MALLOC_FAILED);
    }
    Found.Record = Table.FirstOutOfOrder();
    if (Found.Record < count) {
        return Fail(BookFault::OutOfOrder, MOBI_DATA_CORRUPT);
    }
    // A book cut short is read as far as its records are whole.
    const size_t whole = Table.WholeRecords();
    Found.Record = whole;
    if (whole == 0) {
        return Fail(BookFault::HeadersCut, MOBI_DATA_CORRUPT);
    }
    if (whole < count) {
        Found.Fault = BookFault::CutShort;
        Table.EndAt(whole);
    }
    if (!Table.Fits()) {
        return Fail(BookFault::Unreadable, MOBI_DATA_CORRUPT);
    }
    if (!Store.Init()) {
        return Fail(BookFault::OutOfMemory, MOBI_MALLOC_FAILED);
    }
    Store.StreamStandsAt(RecordTable::HeaderLength + length);
    return MOBI_SUCCESS;
}

BookFault BookRecords::NameKind(const unsigned char* header) {
    // A Palm database's name is zero-terminated in its 32 bytes, its type and creator four
    // printable characters each: a text file renamed has none of that.
    constexpr size_t NameLength = 32;
    constexpr size_t TypeAt = 60;
    if (std::memchr(header, 0, NameLength) == nullptr) {
        return BookFault::NotPalmDatabase;
    }
    for (size_t i = 0; i < 8; ++i) {
        if (header[TypeAt + i] < 0x20 || header[TypeAt + i] > 0x7E) {
            return BookFault::NotPalmDatabase;
        }
    }
    std::memcpy(Found.Type, header + TypeAt, 4);
    std::memcpy(Found.Creator, header + TypeAt + 4, 4);
    return BookFault::OtherKind;
}

void BookRecords::NoteFailure(MOBI_RET loaded) {
    if (loaded == MOBI_SUCCESS) {
        return;
    }
    if (Stream.CameShort()) {
        StreamFailed();
        return;
    }
    NoteLoadFailure(Found, loaded);
}

MOBI_RET BookRecords::StreamFailed() {
    Found.Delivered = Stream.DeliveredUpTo();
    return Fail(BookFault::StreamShort, MOBI_DATA_CORRUPT);
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
        const size_t delivered = Store.Read(record, at, into, length);
        if (delivered < length && Stream.CameShort()) {
            StreamFailed();
        }
        return delivered;
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
