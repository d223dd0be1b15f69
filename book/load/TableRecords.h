// SPDX-License-Identifier: LGPL-3.0-or-later
// The records of a book whose stream gives its length, read through the book's own record
// table: libmobi is shown a view of the book that holds what it is opened for, and every
// other record is read when it is asked for.
#pragma once

#include "book/load/BookRecords.h"
#include "book/load/RecordStore.h"
#include "book/load/RecordTable.h"

struct BookHalves;

class TableRecords final : public BookRecords {
public:
    explicit TableRecords(const StreamStdio& measured) : BookRecords(measured) {}

    // Reads the record table, then has libmobi load a view of the book (RecordView) that
    // holds the records `use` needs and none of the others, each record keeping its offset in
    // the book.
    MOBI_RET Load(MOBIData* book, OpenFor use) override;
    size_t Listed() const override { return Table.Listed(); }
    size_t Count() const override { return Store.Ready() ? Table.Count() : 0; }
    uint64_t Size(size_t record) const override;
    RecordKind Kind(size_t record) override;
    size_t Read(size_t record, uint64_t at, unsigned char* into, size_t length) override;

private:
    // Reads the Palm header and the record table (one read each) from the stream's start. Fails
    // as libmobi would: a short read, a type other than BOOK or TEXt, no records, or records
    // out of order; a table whose records run past the stream's end ends before the first that
    // does (a book cut short), and fails when that is record 0. Notes the fault found.
    MOBI_RET ReadTable();
    // A header of a type that is no book's: another kind of Palm database, or not one at all.
    BookFault NameKind(const unsigned char* header);
    // Flags the records `use` shows libmobi, one flag per record of the table.
    MOBI_RET ChooseShown(const BookHalves& halves, OpenFor use, bool* shown);

    RecordTable Table;
    RecordStore Store{Stream, Table};
};
