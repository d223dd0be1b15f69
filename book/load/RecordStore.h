// SPDX-License-Identifier: LGPL-3.0-or-later
// A book's records read from its stream, each byte at most once.
#pragma once

#include "book/load/RecordTable.h"
#include "book/load/StreamStdio.h"

#include <cstddef>
#include <cstdint>
#include <memory>

// Keeps the first bytes of a record once read (its start, to classify it; or the whole record,
// which several loads use: record 0, the boundary, the KF8 record 0), and serves reads of a
// record from them, then from the stream. A stream read seeks only when the stream stands
// elsewhere; a seek that fails, or a read that comes short, ends the serving.
class RecordStore {
public:
    RecordStore(StreamStdio& stream, const RecordTable& table) : Stream(stream), Table(table) {}

    // False when memory runs out.
    bool Init();
    bool Ready() const { return Lengths != nullptr; }
    const RecordTable& Records() const { return Table; }
    // Where the stream stands before the first record is read (after the record table).
    void StreamStandsAt(uint64_t position) { StreamAt = position; }

    // Keeps the first `length` bytes of `record` (at most its size); false when the stream
    // does not deliver them or memory runs out.
    bool Keep(size_t record, uint64_t length);
    bool KeepWhole(size_t record) { return Keep(record, Table.Size(record)); }
    // The bytes of `record` kept so far.
    const unsigned char* Kept(size_t record, size_t* length) const;

    // Up to `length` bytes of `record` from `at` (within the record); how many were delivered.
    size_t Read(size_t record, uint64_t at, unsigned char* into, size_t length);

private:
    size_t ReadStream(uint64_t position, unsigned char* into, size_t length);

    StreamStdio& Stream;
    const RecordTable& Table;
    std::unique_ptr<std::unique_ptr<unsigned char[]>[]> Bytes;
    std::unique_ptr<size_t[]> Lengths;
    // Where the stream stands after the last read served; unknown after a failure.
    static constexpr uint64_t Unknown = ~0ull;
    uint64_t StreamAt = Unknown;
};
