// SPDX-License-Identifier: LGPL-3.0-or-later
// A book's metadata, read once for every reader of it: the filter's values and the property
// handler's properties come from here. Strings are UTF-8, as libmobi decodes EXTH records.
#pragma once

#include "platform/UniqueAny.h"

#include <cstddef>
#include <mobi.h>

// The strings of every EXTH record of one tag, in the book's order, each as
// mobi_decode_exthstring gives it: exactly the records that libmobi's getters join. A record
// whose decode fails is left out; an empty string is kept.
class ExthStrings {
public:
    ExthStrings() = default;
    ExthStrings(const ExthStrings&) = delete;
    ExthStrings& operator=(const ExthStrings&) = delete;
    ~ExthStrings();

    // False when memory ran out; what was read before stays.
    bool Read(const MOBIData* book, MOBIExthTag tag);

    size_t Count() const { return Length; }
    const char* At(size_t index) const { return Items[index]; }

    // Every string joined by "; ", as libmobi joins them; null when there is none (or memory
    // ran out).
    MallocedString Joined() const;

private:
    void Clear();

    char** Items = nullptr;
    size_t Length = 0;
    size_t Capacity = 0;
};

// The records of `tag` joined by "; "; null when the book has none.
MallocedString JoinedExthString(const MOBIData* book, MOBIExthTag tag);

// EXTH 503 (the updated title), else the full name in record 0, else the Palm database name:
// mobi_meta_get_title's order.
MallocedString BookTitle(const MOBIData* book);

// EXTH 524, else the name of the MOBI header's locale: mobi_meta_get_language's order.
MallocedString BookLanguage(const MOBIData* book);

MallocedString BookAuthors(const MOBIData* book);
MallocedString BookPublisher(const MOBIData* book);
MallocedString BookSubjects(const MOBIData* book);
MallocedString BookDescription(const MOBIData* book);
MallocedString BookPublishingDate(const MOBIData* book);
