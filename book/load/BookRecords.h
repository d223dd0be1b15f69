// SPDX-License-Identifier: LGPL-3.0-or-later
// A book's stream and its records, for a load and for whatever reads a record the load left
// out: the cover, one record at a time.
#pragma once

#include "book/load/RecordKind.h"
#include "book/load/RecordStore.h"
#include "book/load/RecordTable.h"
#include "book/load/StreamStdio.h"
#include "platform/Platform.h"

#include <mobi.h>

#include <cstddef>
#include <cstdint>

// What a load shows libmobi beyond the Palm header and the record table.
enum class LoadedRecords {
    // What the text and the metadata need: every record but pictures, fonts, audio, video and
    // sources.
    Text,
    // The metadata alone: record 0, and a hybrid's BOUNDARY and KF8 record 0.
    Headers,
    // The metadata, and what the text read part by part needs beside its text records, which
    // are read when they are needed: the HUFF and CDIC records, the FDST record, the skeleton
    // and fragment indexes. Never the NCX, guide or dictionary indexes.
    Parts,
};

class BookRecords {
public:
    // Borrows `stream`, which stands at its start, and measures it (StreamStdio::MeasureEnd).
    explicit BookRecords(IStream* stream);
    BookRecords(const BookRecords&) = delete;
    BookRecords& operator=(const BookRecords&) = delete;

    // The book's records, once a load has read them: from the record table, or from libmobi's
    // records when the stream delivered no length and the book was loaded whole.
    size_t Count() const;
    // A record's length; 0 beyond the last.
    uint64_t Size(size_t record) const;
    // What the record is, told from its first bytes (ClassifyRecord), which stay kept for a
    // later Read: never for a part's text records.
    RecordKind Kind(size_t record);
    // Up to `length` bytes of `record` from `at`: the bytes kept or held already, then the
    // stream, so that no byte is read twice. How many were delivered: fewer when the record
    // ends there or the stream fails.
    size_t Read(size_t record, uint64_t at, unsigned char* into, size_t length);

private:
    friend MOBI_RET LoadBookFromRecords(MOBIData* book, BookRecords& records, LoadedRecords shown);

    // Reads the Palm header and the record table (one read each) from the stream's start. Fails
    // as libmobi would: a short read, a type other than BOOK or TEXt, no records, or records
    // that do not fit the stream.
    MOBI_RET ReadTable();
    const MOBIPdbRecord* Held(size_t record) const;

    StreamStdio Stream;
    RecordTable Table;
    RecordStore Store{Stream, Table};
    // The book libmobi loaded whole, without a record table of ours.
    const MOBIData* Whole = nullptr;
};
