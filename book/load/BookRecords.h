// SPDX-License-Identifier: LGPL-3.0-or-later
// A book's records, read from its stream: for libmobi's load, and for whatever reads a record
// the load left out afterwards (the cover, the text records one at a time).
#pragma once

#include "book/load/BookCondition.h"
#include "book/load/RecordKind.h"
#include "book/load/StreamStdio.h"
#include "platform/Platform.h"

#include <mobi.h>

#include <cstddef>
#include <cstdint>
#include <memory>

// What a book is opened for: what its load shows libmobi beyond the Palm header and the record
// table.
enum class OpenFor {
    // The details alone: record 0, and a hybrid's BOUNDARY and KF8 record 0.
    Headers,
    // The details, and what reading the text one HTML part at a time needs beside its text
    // records, which are read when they are needed: the HUFF and CDIC records, the FDST record,
    // the skeleton and fragment indexes. Never the NCX, guide or dictionary indexes.
    PartByPart,
    // What libmobi's rebuilding of the whole markup needs: every record but pictures, fonts,
    // audio, video and sources.
    Rebuilding,
};

// Two kinds stand behind this face: the book's own record table and a store of what was read
// from the stream (TableRecords), or, for a stream that gives no length, the records of
// libmobi's load of the whole book (HeldRecords).
class BookRecords {
public:
    // The records of the book on `stream`, which stands at its start and which they borrow;
    // null when memory runs out. The stream is measured first (StreamStdio::MeasureEnd).
    static std::unique_ptr<BookRecords> Open(IStream* stream);

    virtual ~BookRecords() = default;
    BookRecords(const BookRecords&) = delete;
    BookRecords& operator=(const BookRecords&) = delete;

    // Loads `book` with libmobi from the stream's start, showing it the records that `use`
    // needs, each in its place in the book. The result is libmobi's; the Condition notes what
    // was wrong with the file.
    virtual MOBI_RET Load(MOBIData* book, OpenFor use) = 0;

    // What the load found wrong with the file: why it failed, or that the book was cut short
    // and read as far as its records are whole (Count of them).
    const BookCondition& Condition() const { return Found; }
    // The records the book's table lists, those cut off included.
    virtual size_t Listed() const = 0;
    // The book's records, once a load has read them. A book cut short has only those before
    // the record it ends in.
    virtual size_t Count() const = 0;
    // A record's length; 0 beyond the last.
    virtual uint64_t Size(size_t record) const = 0;
    // What the record is, told from its first bytes (ClassifyRecord), which stay kept for a
    // later Read: never for a part's text records.
    virtual RecordKind Kind(size_t record) = 0;
    // Up to `length` bytes of `record` from `at`: the bytes kept or held already, then the
    // stream, so that no byte is read twice. How many were delivered: fewer when the record
    // ends there or the stream fails (which the Condition notes when the stream came short of
    // its length).
    virtual size_t Read(size_t record, uint64_t at, unsigned char* into, size_t length) = 0;

protected:
    // Takes the stream as MeasureEnd left it.
    explicit BookRecords(const StreamStdio& measured) : Stream(measured) {}

    // Notes `fault` and returns `result`.
    MOBI_RET Fail(BookFault fault, MOBI_RET result);
    // Notes that a read came short of the stream's length, and where.
    MOBI_RET StreamFailed();
    // Notes why libmobi's load failed: the stream when it came short, else libmobi's code.
    void NoteFailure(MOBI_RET loaded);

    StreamStdio Stream;
    BookCondition Found;
};
