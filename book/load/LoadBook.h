// SPDX-License-Identifier: LGPL-3.0-or-later
// Loads a book with libmobi from an IStream, with no file anywhere: the one family of loads.
#pragma once

#include "book/load/BookRecords.h"
#include "platform/Platform.h"

#include <mobi.h>

// libmobi's load reads its FILE with fread, fseek and ftell only. The linker wraps those three
// calls in every program that links libmobi (cmake/LibmobiStdio.cmake): the load is handed a
// handle of its own, and the wrappers serve that handle from the stream (StreamStdio) and pass
// every other FILE to the C library. The stream's length is measured first, so that no read
// asks for more than the stream holds. With the length known, libmobi is shown a view of the
// book (RecordView) that holds the records `shown` names and none of the others, each record
// keeping its offset in the book; without, the whole book. The stream stands at its start; the
// result is libmobi's. `records` stays the book's for a reader of one more record.
MOBI_RET LoadBookFromRecords(MOBIData* book, BookRecords& records, LoadedRecords shown);

// The load for the text: every record but the pictures, fonts, audio, video and sources.
MOBI_RET LoadBookFromStream(MOBIData* book, IStream* stream);

// The load for the metadata alone: the Palm header, the record table and the parts' record 0
// (a hybrid's BOUNDARY and KF8 record 0 as well); libmobi holds no other record.
MOBI_RET LoadBookHeadersFromStream(MOBIData* book, IStream* stream);
