// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/load/RecordKind.h"

#include <cstring>

namespace {

bool StartsWith(const unsigned char* start, size_t length, const char* magic, size_t magicLength) {
    return length >= magicLength && std::memcmp(start, magic, magicLength) == 0;
}

uint32_t Little32(const unsigned char* at) {
    return static_cast<uint32_t>(at[3]) << 24 | static_cast<uint32_t>(at[2]) << 16 |
           static_cast<uint32_t>(at[1]) << 8 | at[0];
}

struct Signature {
    const char* Magic;
    size_t Length;
    RecordKind Kind;
};

// The one table of what a record's first bytes say, for the load and for the cover alike.
const Signature Signatures[] = {
    {"\xFF\xD8\xFF", 3, RecordKind::Picture}, // JPEG
    {"GIF87a", 6, RecordKind::Picture},
    {"GIF89a", 6, RecordKind::Picture},
    {"\x89PNG\r\n\x1A\n", 8, RecordKind::Picture},
    {"FONT", 4, RecordKind::Font},
    {"AUDI", 4, RecordKind::Audio},
    {"VIDE", 4, RecordKind::Video},
    {"SRCS", 4, RecordKind::Source}, // the book's source archive
    {"CMET", 4, RecordKind::Source}, // the converter's log
};

} // namespace

RecordKind ClassifyRecord(const unsigned char* start, size_t length, uint64_t size) {
    if (length > size) {
        length = static_cast<size_t>(size);
    }
    // libmobi takes no record under 4 bytes for a resource.
    if (size < 4) {
        return RecordKind::Needed;
    }
    for (const Signature& signature : Signatures) {
        if (StartsWith(start, length, signature.Magic, signature.Length)) {
            return signature.Kind;
        }
    }
    if (StartsWith(start, length, "BM", 2) && length >= 6 && Little32(start + 2) == size) {
        return RecordKind::Picture;
    }
    return RecordKind::Needed;
}
