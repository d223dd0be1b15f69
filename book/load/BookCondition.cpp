// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/load/BookCondition.h"

#include <mobi.h>

#include <cstdio>

const char* LibmobiReason(int code) {
    switch (code) {
    case MOBI_DATA_CORRUPT:
        return "corrupt data";
    case MOBI_FILE_UNSUPPORTED:
        return "not a kind of book it reads";
    case MOBI_FILE_ENCRYPTED:
    case MOBI_DRM_PIDINV:
    case MOBI_DRM_KEYNOTFOUND:
    case MOBI_DRM_UNSUPPORTED:
    case MOBI_DRM_EXPIRED:
        return "encryption it cannot undo";
    case MOBI_BUFFER_END:
        return "data that ends early";
    case MOBI_MALLOC_FAILED:
        return "out of memory";
    default:
        return "an error";
    }
}

void NoteLoadFailure(BookCondition& condition, int libmobiCode) {
    if (condition.Fault != BookFault::None && condition.Fault != BookFault::CutShort) {
        return;
    }
    if (libmobiCode == MOBI_MALLOC_FAILED) {
        condition.Fault = BookFault::OutOfMemory;
        return;
    }
    condition.Fault = BookFault::Unreadable;
    condition.Code = libmobiCode;
}

void WordBookCondition(const BookCondition& c, char* out, size_t capacity) {
    if (capacity == 0) {
        return;
    }
    out[0] = 0;
    const unsigned long long record = c.Record + 1;
    const unsigned long long records = c.Records;
    switch (c.Fault) {
    case BookFault::None:
        break;
    case BookFault::Empty:
        std::snprintf(out, capacity, "empty file");
        break;
    case BookFault::TooShort:
        std::snprintf(out, capacity, "not a Palm database: only %llu bytes",
                      static_cast<unsigned long long>(c.Length));
        break;
    case BookFault::NotPalmDatabase:
        std::snprintf(out, capacity, "not a Palm database");
        break;
    case BookFault::OtherKind:
        std::snprintf(out, capacity, "a Palm database of another kind (%s/%s), not a book", c.Type,
                      c.Creator);
        break;
    case BookFault::TableCut:
        std::snprintf(out, capacity, "cut short: the file ends inside its table of %llu records",
                      records);
        break;
    case BookFault::NoRecords:
        std::snprintf(out, capacity, "damaged: its record table lists no records");
        break;
    case BookFault::OutOfOrder:
        std::snprintf(out, capacity,
                      "damaged: its record table is out of order (record %llu of %llu starts "
                      "before the one before it)",
                      record, records);
        break;
    case BookFault::HeadersCut:
        std::snprintf(out, capacity,
                      "cut short: the file ends inside record 1 of %llu, which holds its headers",
                      records);
        break;
    case BookFault::CutShort:
        std::snprintf(out, capacity, "cut short: the file ends inside record %llu of %llu", record,
                      records);
        break;
    case BookFault::StreamShort:
        std::snprintf(out, capacity,
                      "unreadable: the stream delivered %llu of the %llu bytes it said it holds",
                      static_cast<unsigned long long>(c.Delivered),
                      static_cast<unsigned long long>(c.Length));
        break;
    case BookFault::Unreadable:
        // With its record table read, the book's headers are what libmobi could not read;
        // without (a stream of no length), anything.
        if (c.Records > 0) {
            std::snprintf(out, capacity, "damaged: libmobi cannot read its headers (%s)",
                          LibmobiReason(c.Code));
        } else {
            std::snprintf(out, capacity, "libmobi cannot read it (%s)", LibmobiReason(c.Code));
        }
        break;
    case BookFault::OutOfMemory:
        std::snprintf(out, capacity, "out of memory");
        break;
    }
}
