// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/metadata/ExthStrings.h"

#include <cstdlib>
#include <cstring>

ExthStrings::~ExthStrings() {
    Clear();
}

void ExthStrings::Clear() {
    for (size_t i = 0; i < Length; ++i) {
        std::free(Items[i]);
    }
    std::free(Items);
    Items = nullptr;
    Length = 0;
    Capacity = 0;
}

bool ExthStrings::Read(const MOBIData* book, MOBIExthTag tag) {
    Clear();
    MOBIExthHeader* start = nullptr;
    MOBIExthHeader* record = nullptr;
    while ((record = mobi_next_exthrecord_by_tag(book, tag, &start)) != nullptr) {
        MallocedString decoded(mobi_decode_exthstring(
            book, static_cast<const unsigned char*>(record->data), record->size));
        if (decoded) {
            if (Length == Capacity) {
                const size_t grown = Capacity == 0 ? 4 : Capacity * 2;
                void* items = std::realloc(Items, grown * sizeof(char*));
                if (items == nullptr) {
                    return false;
                }
                Items = static_cast<char**>(items);
                Capacity = grown;
            }
            Items[Length++] = decoded.Detach();
        }
        if (start == nullptr) {
            break;
        }
    }
    return true;
}

MallocedString ExthStrings::Joined() const {
    if (Length == 0) {
        return MallocedString();
    }
    static const char Separator[] = "; ";
    const size_t separatorLength = sizeof(Separator) - 1;
    size_t size = 1;
    for (size_t i = 0; i < Length; ++i) {
        size += std::strlen(Items[i]) + (i == 0 ? 0 : separatorLength);
    }
    MallocedString joined(static_cast<char*>(std::malloc(size)));
    if (!joined) {
        return joined;
    }
    char* out = joined.Get();
    for (size_t i = 0; i < Length; ++i) {
        if (i != 0) {
            std::memcpy(out, Separator, separatorLength);
            out += separatorLength;
        }
        const size_t length = std::strlen(Items[i]);
        std::memcpy(out, Items[i], length);
        out += length;
    }
    *out = 0;
    return joined;
}
