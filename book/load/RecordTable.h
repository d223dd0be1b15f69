// SPDX-License-Identifier: LGPL-3.0-or-later
// The Palm database header and record table of a book: where each record lies in the stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// Holds the 78-byte header and the 8-byte entries as read, so that a view can present them
// again with other offsets. A record runs from its offset to the next record's, the last one
// to the stream's end, as libmobi reads them.
class RecordTable {
public:
    static constexpr size_t HeaderLength = 78;
    static constexpr size_t EntryLength = 8;

    // The record count the header declares (0 without a whole header).
    static size_t DeclaredCount(const unsigned char* header, size_t length);

    // Takes the header and `count` entries; false when memory runs out.
    bool Assign(const unsigned char* header, const unsigned char* entries, size_t count,
                uint64_t streamEnd);

    size_t Count() const { return Records; }
    // The records the header lists: more than Count once the table ends early (EndAt).
    size_t Listed() const { return ListedRecords; }
    bool HasHeader() const { return Entries != nullptr; }
    const unsigned char* Header() const { return HeaderBytes; }
    const unsigned char* Entry(size_t record) const { return Entries.get() + record * EntryLength; }
    uint32_t Offset(size_t record) const;
    // The record's length; meaningful when the table Fits.
    uint64_t Size(size_t record) const;
    // The database type libmobi reads ("BOOK" or "TEXt").
    bool IsBook() const;
    // Every record lies within the stream, each at or after the one before it, and the last one
    // holds at least a byte: otherwise libmobi's load reads a record short and fails anyway.
    bool Fits() const;

    // How many records, from the first, lie wholly inside the stream: a record ends where the
    // next one starts, so a stream that ends before a record's start cuts the one before it
    // (the last record runs to the stream's end and is whole when it holds a byte). Trailing
    // records of no bytes are not counted: libmobi refuses a last record of none.
    size_t IntactRecords() const;
    // The table as if it listed only its first `count` records, the last of them ending where
    // the next one starts: a book cut short is read as the whole book with that table.
    void EndAt(size_t count);
    // The first record, after the one before it, that starts before it; Count when none does.
    size_t FirstOutOfOrder() const;

private:
    unsigned char HeaderBytes[HeaderLength] = {};
    std::unique_ptr<unsigned char[]> Entries;
    size_t Records = 0;
    size_t ListedRecords = 0;
    uint64_t End = 0;
};
