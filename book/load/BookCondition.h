// SPDX-License-Identifier: LGPL-3.0-or-later
// What the load found wrong with a book's file, and its words for a person: why a book could
// not be read, or that it was cut short and read as far as it goes.
#pragma once

#include <cstddef>
#include <cstdint>

enum class BookFault {
    // Read as a whole book.
    None,
    Empty,
    // Fewer bytes than a Palm database's header.
    TooShort,
    NotPalmDatabase,
    // A Palm database of a type libmobi does not read as a book (Type, Creator).
    OtherKind,
    // The file ends inside the record table (Records listed).
    TableCut,
    NoRecords,
    // Record Record starts before the one before it.
    OutOfOrder,
    // The file ends inside record 0, the book's headers (Record 0 of Records).
    HeadersCut,
    // The file ends inside record Record of Records: the book is read as if its record table
    // ended there. The only fault a book is still read with.
    CutShort,
    // The stream delivered fewer bytes (Delivered) than the length it told (Length).
    StreamShort,
    // libmobi's load failed, with Code.
    Unreadable,
    OutOfMemory,
};

struct BookCondition {
    BookFault Fault = BookFault::None;
    char Type[5] = {};
    char Creator[5] = {};
    size_t Record = 0;
    size_t Records = 0;
    uint64_t Length = 0;
    uint64_t Delivered = 0;
    int Code = 0;
    // A hybrid cut short before its KF8 record 0 is whole, read as its KF7 half.
    bool Kf7Half = false;
};

// libmobi's reason for the failure `code` (a MOBI_RET), in words: "corrupt data".
const char* LibmobiReason(int code);

// Notes that libmobi's load failed with `libmobiCode` (a MOBI_RET): a fault the record table
// already showed is kept; a book cut short whose shorter table libmobi cannot read is no longer
// one that was read.
void NoteLoadFailure(BookCondition& condition, int libmobiCode);

// The condition in words, zero-terminated in `out` (cut at `capacity`): "empty file", "cut
// short: the file ends inside record 8 of 11"; empty for BookFault::None. Record numbers count
// from 1, as a person counts them.
void WordBookCondition(const BookCondition& condition, char* out, size_t capacity);
