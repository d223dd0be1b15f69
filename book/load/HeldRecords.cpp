// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/load/HeldRecords.h"

#include "book/load/LoadBookFromSource.h"

#include <cstring>

MOBI_RET HeldRecords::Load(MOBIData* book, OpenFor) {
    const MOBI_RET loaded = LoadBookFromSource(book, Stream);
    Book = loaded == MOBI_SUCCESS ? book : nullptr;
    NoteFailure(loaded);
    return loaded;
}

const MOBIPdbRecord* HeldRecords::Held(size_t record) const {
    const MOBIPdbRecord* held = mobi_get_record_by_seqnumber(Book, record);
    return held != nullptr && held->data != nullptr ? held : nullptr;
}

size_t HeldRecords::Count() const {
    return Book != nullptr && Book->ph != nullptr ? Book->ph->rec_count : 0;
}

uint64_t HeldRecords::Size(size_t record) const {
    const MOBIPdbRecord* held = record < Count() ? Held(record) : nullptr;
    return held != nullptr ? held->size : 0;
}

RecordKind HeldRecords::Kind(size_t record) {
    const MOBIPdbRecord* held = record < Count() ? Held(record) : nullptr;
    return held != nullptr ? ClassifyRecord(held->data, held->size, held->size)
                           : RecordKind::Needed;
}

size_t HeldRecords::Read(size_t record, uint64_t at, unsigned char* into, size_t length) {
    const MOBIPdbRecord* held = record < Count() ? Held(record) : nullptr;
    if (held == nullptr || at >= held->size) {
        return 0;
    }
    const size_t delivered =
        held->size - at < length ? static_cast<size_t>(held->size - at) : length;
    std::memcpy(into, held->data + at, delivered);
    return delivered;
}
