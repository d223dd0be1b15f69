// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/load/BookEncryption.h"

bool IsTextEncrypted(const MOBIData* book) {
    return mobi_is_mobipocket(book) && book->rh != nullptr &&
           (book->rh->encryption_type == MOBI_ENCRYPTION_V1 ||
            book->rh->encryption_type == MOBI_ENCRYPTION_V2);
}

void ClearReadingPositionAsEncryption(MOBIData* book) {
    MOBIRecord0Header* header = book->rh;
    if (header == nullptr || mobi_is_mobipocket(book)) {
        return;
    }
    constexpr size_t DrmV1KeyEnd = 14 + 16;
    if (header->encryption_type == MOBI_ENCRYPTION_V2 ||
        (header->encryption_type == MOBI_ENCRYPTION_V1 &&
         (book->rec == nullptr || book->rec->size < DrmV1KeyEnd))) {
        header->encryption_type = MOBI_ENCRYPTION_NONE;
    }
}
