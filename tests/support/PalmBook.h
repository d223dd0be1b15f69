// SPDX-License-Identifier: LGPL-3.0-or-later
// A Palm database (MOBI/AZW book) held as bytes, with the few edits tests make to derive
// books from real ones: header fields, record-0 fields and EXTH strings.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class PalmBook {
public:
    explicit PalmBook(std::vector<unsigned char> bytes);

    // A plain PalmDOC book ("TEXt"/"REAd") holding `text` uncompressed in one record.
    static PalmBook MakePalmDoc(const std::string& name, const std::string& text);

    std::vector<unsigned char> Bytes;

    size_t RecordCount() const;
    uint32_t RecordOffset(size_t index) const;
    // Every record as (offset, length); empty when the bytes are no Palm book database
    // ("BOOK" or "TEXt") or its record list does not fit them.
    std::vector<std::pair<uint32_t, uint32_t>> Records() const;
    // The first text record and the count of them (record 0's field), of a book with no KF8
    // boundary.
    std::pair<size_t, size_t> TextRecords() const;

    // The database type, 4 bytes at offset 60 ("BOOK", "TEXt").
    void SetDatabaseType(const char type[4]);
    // A big-endian 16-bit field of record 0 (encryption type at 12).
    void SetRecord0Field16(size_t offset, uint16_t value);
    // A big-endian 32-bit field of record 0 (the MOBI header's locale at 92).
    void SetRecord0Field32(size_t offset, uint32_t value);
    // Overwrites record `index` with PalmDOC back-references that reach before the record's
    // start: libmobi's decompression fails at the first.
    void SpoilPalmDocRecord(size_t index);
    // Cuts record `index` to `length` bytes or pads it with zeros, moving the records after it.
    void ResizeRecord(size_t index, size_t length);
    // Adds a record after the last one, moving every record 8 bytes on for its table entry.
    void AppendRecord(const std::vector<unsigned char>& data);
    // Replaces the data of the first EXTH record with `tag`, moving everything after it.
    // False when the book has no such record.
    bool ReplaceExthString(uint32_t tag, const std::string& value);
    // Adds an EXTH record with `tag` after the last one. False when the book has no EXTH block.
    bool AddExthString(uint32_t tag, const std::string& value);

private:
    uint32_t Read32(size_t at) const;
    void Write32(size_t at, uint32_t value);
    // Replaces the first record with `tag`, or adds one when `add`.
    bool EditExthString(uint32_t tag, const std::string& value, bool add);
    // Moves the offsets of record `first` and of every record after it by `shift` bytes.
    void MoveRecords(size_t first, int64_t shift);
};
