// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/LeanLoad.h"

#include "book/LoadFromSource.h"
#include "book/RecordKind.h"
#include "book/RecordView.h"

#include <initializer_list>
#include <memory>
#include <new>
#include <utility>

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

} // namespace

MOBI_RET ReadRecordTable(StreamStdio& stream, RecordTable& table) {
    unsigned char header[RecordTable::HeaderLength];
    if (stream.Read(header, 1, sizeof(header)) != sizeof(header)) {
        return MOBI_DATA_CORRUPT;
    }
    const size_t count = RecordTable::DeclaredCount(header, sizeof(header));
    const size_t length = count * RecordTable::EntryLength;
    std::unique_ptr<unsigned char[]> entries(new (std::nothrow) unsigned char[length + 1]);
    if (!entries) {
        return MOBI_MALLOC_FAILED;
    }
    // libmobi's order of judging: the type, then the count, then the entries.
    if (!table.Assign(header, entries.get(), 0, 0)) {
        return MOBI_MALLOC_FAILED;
    }
    if (!table.IsBook()) {
        return MOBI_FILE_UNSUPPORTED;
    }
    if (count == 0 || stream.Read(entries.get(), 1, length) != length) {
        return MOBI_DATA_CORRUPT;
    }
    if (!table.Assign(header, entries.get(), count, stream.EndPosition())) {
        return MOBI_MALLOC_FAILED;
    }
    return table.Fits() ? MOBI_SUCCESS : MOBI_DATA_CORRUPT;
}

MOBI_RET SelectTextRecords(RecordStore& store, const BookParts& parts, bool* shown) {
    const RecordTable& table = store.Records();
    const size_t count = table.Count();
    for (size_t i = 0; i < count; ++i) {
        shown[i] = false;
    }
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

void SelectHeaderRecords(const RecordTable& table, const BookParts& parts, bool* shown) {
    const size_t count = table.Count();
    for (size_t i = 0; i < count; ++i) {
        shown[i] = false;
    }
    for (const size_t record : {parts.First.Record0, parts.Boundary, parts.Kf8.Record0}) {
        if (record != BookParts::None && record < count) {
            shown[record] = true;
        }
    }
}

MOBI_RET LoadBookWithoutResources(MOBIData* book, StreamStdio& stream, LoadedRecords records,
                                  RecordTable* tableRead) {
    RecordTable table;
    MOBI_RET result = ReadRecordTable(stream, table);
    RecordStore store(stream, table);
    if (result != MOBI_SUCCESS && result != MOBI_MALLOC_FAILED && table.HasHeader()) {
        RecordView header(store);
        header.ShowHeaderOnly();
        const MOBI_RET loaded = LoadFromSource(book, header);
        return loaded != MOBI_SUCCESS ? loaded : result;
    }
    if (result != MOBI_SUCCESS) {
        return result;
    }
    if (!store.Init()) {
        return MOBI_MALLOC_FAILED;
    }
    store.StreamStandsAt(RecordTable::HeaderLength + table.Count() * RecordTable::EntryLength);
    BookParts parts;
    result = FindBookParts(store, parts);
    if (result != MOBI_SUCCESS) {
        return result;
    }
    std::unique_ptr<bool[]> shown(new (std::nothrow) bool[table.Count() + 1]);
    if (!shown) {
        return MOBI_MALLOC_FAILED;
    }
    if (records == LoadedRecords::Headers) {
        SelectHeaderRecords(table, parts, shown.get());
    } else {
        result = SelectTextRecords(store, parts, shown.get());
        if (result != MOBI_SUCCESS) {
            return result;
        }
    }
    RecordView view(store);
    if (!view.Show(shown.get())) {
        return MOBI_MALLOC_FAILED;
    }
    result = LoadFromSource(book, view);
    // libmobi noted where each record lies in the view; where it lies in the book is truer.
    size_t index = 0;
    for (MOBIPdbRecord* record = book->rec; record != nullptr && index < table.Count();
         record = record->next, ++index) {
        record->offset = table.Offset(index);
    }
    if (tableRead != nullptr && result == MOBI_SUCCESS) {
        *tableRead = std::move(table);
    }
    return result;
}
