// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/BookCoverPicture.h"

#include "book/CoverRecord.h"
#include "book/LoadBookFromStream.h"
#include "book/MobiHolders.h"

#include <cstring>

HRESULT ReadBookCoverPicture(IStream* stream, BookCoverPicture& cover) {
    cover.Bytes.Reset();
    cover.Size = 0;
    MobiBook book(mobi_init());
    if (!book) {
        return E_OUTOFMEMORY;
    }
    if (LoadBookFromStream(book.Get(), stream) != MOBI_SUCCESS) {
        return E_FAIL;
    }
    const MOBIPdbRecord* record = FindCoverRecord(book.Get());
    // A record cannot outgrow the stream, whose reads are counted in ULONG.
    if (record == nullptr || record->size > 0xFFFFFFFFu) {
        return S_FALSE;
    }
    cover.Bytes.Reset(static_cast<BYTE*>(CoTaskMemAlloc(record->size)));
    if (!cover.Bytes) {
        return E_OUTOFMEMORY;
    }
    std::memcpy(cover.Bytes.Get(), record->data, record->size);
    cover.Size = static_cast<ULONG>(record->size);
    return S_OK;
}
