// SPDX-License-Identifier: LGPL-3.0-or-later
// Loads a book with libmobi from an IStream, with no file anywhere.
#pragma once

#include "book/RecordTable.h"
#include "platform/Platform.h"

#include <mobi.h>

// libmobi's load reads its FILE with fread, fseek and ftell only. The linker wraps those three
// calls in every program that links libmobi (cmake/LibmobiStdio.cmake): the load is handed a
// handle of its own, and the wrappers serve that handle from `stream` (StreamStdio) and pass
// every other FILE to the C library. The stream's length is measured first (StreamStdio::
// MeasureEnd), so that no read asks for more than the stream holds. With the length known,
// libmobi is shown the book without its pictures, fonts, audio, video and sources (LeanLoad);
// without, the whole book. The stream stands at its start; the result is libmobi's.
MOBI_RET LoadBookFromStream(MOBIData* book, IStream* stream);

// The same load for the metadata alone: the Palm header, the record table and the parts'
// record 0 (a hybrid's BOUNDARY and KF8 record 0 as well); libmobi holds no other record.
// `table`, when given, receives the record table, for a reader of one more record. Without a
// known length, the whole book, and `table` stays empty.
MOBI_RET LoadBookHeadersFromStream(MOBIData* book, IStream* stream, RecordTable* table = nullptr);
