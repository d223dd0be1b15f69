// SPDX-License-Identifier: LGPL-3.0-or-later
// A book loaded with the records its text and metadata need, and none of its pictures.
#pragma once

#include "book/BookParts.h"
#include "book/RecordStore.h"
#include "book/RecordTable.h"
#include "book/StreamStdio.h"

#include <mobi.h>

// Reads the Palm header and the record table (one read each) from the stream's start. Fails
// as libmobi would: a short read, a type other than BOOK or TEXt, no records, or records that
// do not fit the stream.
MOBI_RET ReadRecordTable(StreamStdio& stream, RecordTable& table);

// Flags the records a load of the text reads: every record of the parts' headers and text
// (record 0, text records, BOUNDARY, KF8 record 0 and its text records), and every other
// record unless its first bytes (RecordKindBytes, kept in the store) say picture, font,
// audio, video or source.
MOBI_RET SelectTextRecords(RecordStore& store, const BookParts& parts, bool* shown);

// What a load shows libmobi beyond the Palm header and the record table.
enum class LoadedRecords {
    // What the text and the metadata need: every record but pictures, fonts, audio, video and
    // sources.
    Text,
    // The metadata alone: record 0, and a hybrid's BOUNDARY and KF8 record 0.
    Headers,
};

// Flags the records of the parts' headers alone: record 0, BOUNDARY, KF8 record 0.
void SelectHeaderRecords(const RecordTable& table, const BookParts& parts, bool* shown);

// libmobi's load of the book in a view that shows `records` and leaves every other record
// empty, each record keeping its offset in the book. The stream's end must be known. The
// record table read, when `table` is given, for a reader of the records left out.
MOBI_RET LoadBookWithoutResources(MOBIData* book, StreamStdio& stream,
                                  LoadedRecords records = LoadedRecords::Text,
                                  RecordTable* table = nullptr);
