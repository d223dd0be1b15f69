// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/load/BookEncryption.h"

bool IsTextEncrypted(const MOBIData* book) {
    return mobi_is_mobipocket(book) && book->rh != nullptr &&
           (book->rh->encryption_type == MOBI_ENCRYPTION_V1 ||
            book->rh->encryption_type == MOBI_ENCRYPTION_V2);
}
