// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/load/BookRecords.h"

#include "book/load/HeldRecords.h"
#include "book/load/TableRecords.h"
#include "platform/AllocationFailures.h"

std::unique_ptr<BookRecords> BookRecords::Open(IStream* stream) {
    StreamStdio measured(stream);
    measured.MeasureEnd();
    // Without a length no record's extent is known before libmobi reads it: libmobi loads the
    // whole book and holds its records.
    if (!measured.EndKnown()) {
        return std::unique_ptr<BookRecords>(NewObject<HeldRecords>(measured));
    }
    return std::unique_ptr<BookRecords>(NewObject<TableRecords>(measured));
}

MOBI_RET BookRecords::Fail(BookFault fault, MOBI_RET result) {
    Found.Fault = fault;
    return result;
}

MOBI_RET BookRecords::StreamFailed() {
    Found.Delivered = Stream.DeliveredUpTo();
    return Fail(BookFault::StreamShort, MOBI_DATA_CORRUPT);
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
