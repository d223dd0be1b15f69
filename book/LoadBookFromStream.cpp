// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/LoadBookFromStream.h"

#include "book/LeanLoad.h"
#include "book/LoadFromSource.h"
#include "book/StreamStdio.h"

namespace {

MOBI_RET LoadBookRecords(MOBIData* book, IStream* stream, LoadedRecords records,
                         RecordTable* table) {
    StreamStdio served(stream);
    served.MeasureEnd();
    // Without a length no record's extent is known before libmobi reads it: the whole book.
    return served.EndKnown() ? LoadBookWithoutResources(book, served, records, table)
                             : LoadFromSource(book, served);
}

} // namespace

MOBI_RET LoadBookFromStream(MOBIData* book, IStream* stream) {
    return LoadBookRecords(book, stream, LoadedRecords::Text, nullptr);
}

MOBI_RET LoadBookHeadersFromStream(MOBIData* book, IStream* stream, RecordTable* table) {
    return LoadBookRecords(book, stream, LoadedRecords::Headers, table);
}
