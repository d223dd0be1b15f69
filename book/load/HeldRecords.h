// SPDX-License-Identifier: LGPL-3.0-or-later
// The records of a book that libmobi loaded whole, from a stream that gives no length.
#pragma once

#include "book/load/BookRecords.h"

// No record's extent is known before libmobi reads it, so libmobi reads every record itself,
// whatever the book is opened for, and the records are served from what it holds.
class HeldRecords final : public BookRecords {
public:
    explicit HeldRecords(const StreamStdio& measured) : BookRecords(measured) {}

    MOBI_RET Load(MOBIData* book, OpenFor use) override;
    size_t Listed() const override { return Count(); }
    size_t Count() const override;
    uint64_t Size(size_t record) const override;
    RecordKind Kind(size_t record) override;
    size_t Read(size_t record, uint64_t at, unsigned char* into, size_t length) override;

private:
    // The record libmobi holds with its bytes; null when it holds none.
    const MOBIPdbRecord* Held(size_t record) const;

    // The book libmobi loaded, which outlives these records; null until a load succeeded.
    const MOBIData* Book = nullptr;
};
