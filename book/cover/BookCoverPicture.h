// SPDX-License-Identifier: LGPL-3.0-or-later
// A book's cover picture read from its stream: the one step of the thumbnail provider that
// reads the book.
#pragma once

#include "book/load/BookCondition.h"
#include "book/load/BookRecords.h"
#include "platform/Platform.h"
#include "platform/UniqueAny.h"

#include <mobi.h>

// The cover record's bytes, as the book holds them; the book itself is not kept.
struct BookCoverPicture {
    CoTaskMemPtr<BYTE> Bytes;
    ULONG Size = 0;
    // What the load found wrong with the file; for a book cut short, whether the record its
    // EXTH names for the cover lay in the part cut off.
    BookCondition Condition;
    bool CutOff = false;
};

// Loads the book's headers from `stream`, which stands at its start, and reads the record
// FindCoverRecordNumber chooses into `cover`: S_OK, or S_FALSE with `cover` empty when the book
// has no cover. A book that does not load gives E_FAIL; `cover.Condition` says why. What is read:
// the Palm header, the record table, record 0 (a hybrid's BOUNDARY and KF8 record 0 too), the first
// bytes of the records EXTH 201 and 202 name, and the rest of the cover.
HRESULT ReadBookCoverPicture(IStream* stream, BookCoverPicture& cover);

// The same, for a book whose headers are loaded already from `records`.
HRESULT ReadCoverPicture(const MOBIData* book, BookRecords& records, BookCoverPicture& cover);
