// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/load/LoadBook.h"

#include "book/load/BookParts.h"
#include "book/load/LoadBookFromSource.h"
#include "book/load/RecordView.h"
#include "platform/AllocationFailures.h"

#include <initializer_list>
#include <memory>
#include <new>

namespace {

// Flags `part`'s record 0 and its text records, as many as the book holds.
void ShowPart(const BookParts::Part& part, size_t count, bool* shown) {
    if (part.Record0 == BookParts::None) {
        return;
    }
    for (size_t i = part.Record0; i < count && i - part.Record0 <= part.TextRecords; ++i) {
        shown[i] = true;
    }
}

// Flags the records a load of the text reads: every record of the parts' headers and text
// (record 0, text records, BOUNDARY, KF8 record 0 and its text records), and every other
// record unless its first bytes (kept in the store) say picture, font, audio, video or source.
MOBI_RET ShowTextRecords(RecordStore& store, const BookParts& parts, bool* shown) {
    const RecordTable& table = store.Records();
    const size_t count = table.Count();
    ShowPart(parts.First, count, shown);
    ShowPart(parts.Kf8, count, shown);
    if (parts.Boundary != BookParts::None && parts.Boundary < count) {
        shown[parts.Boundary] = true;
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

// Flags the records of the parts' headers alone: record 0, BOUNDARY, KF8 record 0.
void ShowHeaderRecords(const BookParts& parts, size_t count, bool* shown) {
    for (const size_t record : {parts.First.Record0, parts.Boundary, parts.Kf8.Record0}) {
        if (record != BookParts::None && record < count) {
            shown[record] = true;
        }
    }
}

void ShowRecords(BookParts::Records records, bool* shown) {
    for (size_t i = 0; records.First != BookParts::None && i < records.Count; ++i) {
        shown[records.First + i] = true;
    }
}

// Flags what the text part's text needs beside its text records (BookParts::Part).
void ShowTextNeeds(RecordStore& store, const BookParts::Part& part, bool* shown) {
    ShowRecords(part.Huffman, shown);
    if (part.Fdst != BookParts::None) {
        shown[part.Fdst] = true;
    }
    for (const size_t index : {part.Skeleton, part.Fragments}) {
        if (index != BookParts::None) {
            ShowRecords(IndexRecords(store, index), shown);
        }
    }
}

} // namespace

MOBI_RET LoadBookFromRecords(MOBIData* book, BookRecords& records, LoadedRecords shownRecords) {
    // Without a length no record's extent is known before libmobi reads it: the whole book.
    if (!records.Stream.EndKnown()) {
        const MOBI_RET loaded = LoadBookFromSource(book, records.Stream);
        records.Whole = loaded == MOBI_SUCCESS ? book : nullptr;
        records.NoteFailure(loaded);
        return loaded;
    }
    RecordTable& table = records.Table;
    RecordStore& store = records.Store;
    MOBI_RET result = records.ReadTable();
    if (result != MOBI_SUCCESS && result != MOBI_MALLOC_FAILED && table.HasHeader()) {
        RecordView header(store);
        header.ShowHeaderOnly();
        const MOBI_RET loaded = LoadBookFromSource(book, header);
        return loaded != MOBI_SUCCESS ? loaded : result;
    }
    if (result != MOBI_SUCCESS) {
        return result;
    }
    BookParts parts;
    result = FindBookParts(store, parts);
    if (result == MOBI_SUCCESS && parts.Boundary != BookParts::None &&
        parts.Kf8.Record0 == BookParts::None && records.Found.Fault == BookFault::CutShort) {
        // Cut before its KF8 record 0, a hybrid is read as its KF7 half, which libmobi reads
        // when the table ends before the boundary.
        table.EndAt(parts.Boundary);
        records.Found.Kf7Half = true;
        result = FindBookParts(store, parts);
    }
    if (result != MOBI_SUCCESS) {
        records.NoteFailure(result);
        return result;
    }
    std::unique_ptr<bool[]> shown(NewZeroedArray<bool>(table.Count() + 1));
    if (!shown) {
        records.NoteFailure(MOBI_MALLOC_FAILED);
        return MOBI_MALLOC_FAILED;
    }
    if (shownRecords == LoadedRecords::Headers) {
        ShowHeaderRecords(parts, table.Count(), shown.get());
    } else if (shownRecords == LoadedRecords::Parts) {
        ShowHeaderRecords(parts, table.Count(), shown.get());
        ShowTextNeeds(store, parts.Text(), shown.get());
    } else {
        result = ShowTextRecords(store, parts, shown.get());
        if (result != MOBI_SUCCESS) {
            records.NoteFailure(result);
            return result;
        }
    }
    RecordView view(store);
    if (!view.Show(shown.get())) {
        records.NoteFailure(MOBI_MALLOC_FAILED);
        return MOBI_MALLOC_FAILED;
    }
    result = LoadBookFromSource(book, view);
    records.NoteFailure(result);
    // libmobi noted where each record lies in the view; where it lies in the book is truer.
    size_t index = 0;
    for (MOBIPdbRecord* record = book->rec; record != nullptr && index < table.Count();
         record = record->next, ++index) {
        record->offset = table.Offset(index);
    }
    return result;
}

MOBI_RET LoadBookFromStream(MOBIData* book, IStream* stream) {
    BookRecords records(stream);
    return LoadBookFromRecords(book, records, LoadedRecords::Text);
}

MOBI_RET LoadBookHeadersFromStream(MOBIData* book, IStream* stream) {
    BookRecords records(stream);
    return LoadBookFromRecords(book, records, LoadedRecords::Headers);
}
