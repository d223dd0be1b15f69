// SPDX-License-Identifier: LGPL-3.0-or-later
// The Palm database that libmobi is shown: the book with only some of its records.
#pragma once

#include "book/load/RecordStore.h"
#include "book/load/StdioSource.h"

#include <cstddef>
#include <cstdint>
#include <memory>

// Serves libmobi's load a database of the same header and records, in which every record not
// shown has no bytes: its table entry is rewritten so that it starts where the next shown
// record does. libmobi takes a record of no bytes for no resource (it needs 4 to tell one) and
// reads nothing for it. The table ends with the last shown record (the last record's length
// is the file's remainder, so it cannot be empty). Shown records are served from the store,
// so a byte read before (record 0, a record's first bytes) is not read again; the view itself
// never seeks the stream.
class RecordView final : public StdioSource {
public:
    explicit RecordView(RecordStore& store) : Store(store) {}

    // Shows the records whose flag is set (one per record of the table); false when memory
    // runs out.
    bool Show(const bool* shown);
    // Shows the header alone, as read: libmobi fails on its own terms (type, count, a short
    // record table) and keeps what the header gave, the database name among it.
    void ShowHeaderOnly();

    size_t Read(void* buffer, size_t size, size_t count) override;
    int Seek(long offset, int origin) override;
    long Tell() override;

private:
    RecordStore& Store;
    std::unique_ptr<unsigned char[]> Head; // header and table as libmobi is shown them
    size_t HeadLength = 0;
    std::unique_ptr<uint64_t[]> Starts; // where each listed record starts in the view
    std::unique_ptr<bool[]> Shown;
    size_t Listed = 0;
    uint64_t End = 0;
    uint64_t Position = 0;
    size_t Hint = 0; // the record last read from: libmobi reads them in order
};
