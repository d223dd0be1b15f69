// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/load/TableRecords.h"

#include "book/load/BookHalves.h"
#include "book/load/LoadBookFromSource.h"
#include "book/load/RecordView.h"
#include "platform/AllocationFailures.h"

#include <cstring>
#include <initializer_list>
#include <memory>

namespace {

// Flags `half`'s record 0 and its text records, as many as the book holds.
void ShowHalf(const BookHalves::Half& half, size_t count, bool* shown) {
    if (half.Record0 == BookHalves::None) {
        return;
    }
    for (size_t i = half.Record0; i < count && i - half.Record0 <= half.TextRecords; ++i) {
        shown[i] = true;
    }
}

// Flags the records of the halves' headers alone: record 0, BOUNDARY, KF8 record 0.
void ShowHeaderRecords(const BookHalves& halves, size_t count, bool* shown) {
    for (const size_t record : {halves.First.Record0, halves.Boundary, halves.Kf8.Record0}) {
        if (record != BookHalves::None && record < count) {
            shown[record] = true;
        }
    }
}

void ShowRecords(BookHalves::Records records, bool* shown) {
    for (size_t i = 0; records.First != BookHalves::None && i < records.Count; ++i) {
        shown[records.First + i] = true;
    }
}

// Flags what the text half's text needs beside its text records (BookHalves::Half).
void ShowTextNeeds(RecordStore& store, const BookHalves::Half& half, bool* shown) {
    ShowRecords(half.Huffman, shown);
    if (half.Fdst != BookHalves::None) {
        shown[half.Fdst] = true;
    }
    for (const size_t index : {half.Skeleton, half.Fragments}) {
        if (index != BookHalves::None) {
            ShowRecords(IndexRecords(store, index), shown);
        }
    }
}

// Flags the records libmobi's rebuilding reads: every record of the halves' headers and text
// (record 0, text records, BOUNDARY, KF8 record 0 and its text records), and every other record
// unless its first bytes (kept in the store) say picture, font, audio, video or source.
MOBI_RET ShowRebuildingRecords(RecordStore& store, const BookHalves& halves, bool* shown) {
    const RecordTable& table = store.Records();
    const size_t count = table.Count();
    ShowHalf(halves.First, count, shown);
    ShowHalf(halves.Kf8, count, shown);
    if (halves.Boundary != BookHalves::None && halves.Boundary < count) {
        shown[halves.Boundary] = true;
    }
    for (size_t i = 0; i < count; ++i) {
        if (shown[i] || table.Size(i) == 0) {
            shown[i] = true;
            continue;
        }
        if (!store.Keep(i, RecordKindBytes)) {
            return MOBI_DATA_CORRUPT;
        }
        size_t kept = 0;
        const unsigned char* start = store.Kept(i, &kept);
        shown[i] = ClassifyRecord(start, kept, table.Size(i)) == RecordKind::Needed;
    }
    return MOBI_SUCCESS;
}

} // namespace

MOBI_RET TableRecords::Load(MOBIData* book, OpenFor use) {
    MOBI_RET result = ReadTable();
    if (result != MOBI_SUCCESS && result != MOBI_MALLOC_FAILED && Table.HasHeader()) {
        RecordView header(Store);
        header.ShowHeaderOnly();
        const MOBI_RET loaded = LoadBookFromSource(book, header);
        return loaded != MOBI_SUCCESS ? loaded : result;
    }
    if (result != MOBI_SUCCESS) {
        return result;
    }
    BookHalves halves;
    result = FindBookHalves(Store, halves);
    if (result == MOBI_SUCCESS && halves.Boundary != BookHalves::None &&
        halves.Kf8.Record0 == BookHalves::None && Found.Fault == BookFault::CutShort) {
        // Cut before its KF8 record 0, a hybrid is read as its KF7 half, which libmobi reads
        // when the table ends before the boundary.
        Table.EndAt(halves.Boundary);
        Found.Kf7Half = true;
        result = FindBookHalves(Store, halves);
    }
    if (result != MOBI_SUCCESS) {
        NoteFailure(result);
        return result;
    }
    std::unique_ptr<bool[]> shown(NewZeroedArray<bool>(Table.Count() + 1));
    if (!shown) {
        NoteFailure(MOBI_MALLOC_FAILED);
        return MOBI_MALLOC_FAILED;
    }
    result = ChooseShown(halves, use, shown.get());
    if (result != MOBI_SUCCESS) {
        NoteFailure(result);
        return result;
    }
    RecordView view(Store);
    if (!view.Show(shown.get())) {
        NoteFailure(MOBI_MALLOC_FAILED);
        return MOBI_MALLOC_FAILED;
    }
    result = LoadBookFromSource(book, view);
    NoteFailure(result);
    // libmobi noted where each record lies in the view; where it lies in the book is truer.
    size_t index = 0;
    for (MOBIPdbRecord* record = book->rec; record != nullptr && index < Table.Count();
         record = record->next, ++index) {
        record->offset = Table.Offset(index);
    }
    return result;
}

MOBI_RET TableRecords::ChooseShown(const BookHalves& halves, OpenFor use, bool* shown) {
    switch (use) {
    case OpenFor::Headers:
        ShowHeaderRecords(halves, Table.Count(), shown);
        return MOBI_SUCCESS;
    case OpenFor::PartByPart:
        ShowHeaderRecords(halves, Table.Count(), shown);
        ShowTextNeeds(Store, halves.TextHalf(), shown);
        return MOBI_SUCCESS;
    case OpenFor::Rebuilding:
        break;
    }
    return ShowRebuildingRecords(Store, halves, shown);
}

MOBI_RET TableRecords::ReadTable() {
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
    const size_t intact = Table.IntactRecords();
    Found.Record = intact;
    if (intact == 0) {
        return Fail(BookFault::HeadersCut, MOBI_DATA_CORRUPT);
    }
    if (intact < count) {
        Found.Fault = BookFault::CutShort;
        Table.EndAt(intact);
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
BookFault TableRecords::NameKind(const unsigned char* header) {
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

uint64_t TableRecords::Size(size_t record) const {
    return record < Count() ? Table.Size(record) : 0;
}

RecordKind TableRecords::Kind(size_t record) {
    if (record >= Count() || !Store.Keep(record, RecordKindBytes)) {
        return RecordKind::Needed;
    }
    size_t kept = 0;
    const unsigned char* start = Store.Kept(record, &kept);
    return ClassifyRecord(start, kept, Table.Size(record));
}

size_t TableRecords::Read(size_t record, uint64_t at, unsigned char* into, size_t length) {
    if (record >= Count()) {
        return 0;
    }
    const size_t delivered = Store.Read(record, at, into, length);
    if (delivered < length && Stream.CameShort()) {
        StreamFailed();
    }
    return delivered;
}
