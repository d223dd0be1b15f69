// SPDX-License-Identifier: LGPL-3.0-or-later
// The strings of a book's EXTH records of one tag, as libmobi decodes them (UTF-8).
#pragma once

#include "platform/UniqueAny.h"

#include <mobi.h>

#include <cstddef>

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
