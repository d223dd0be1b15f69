// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/load/OpenBook.h"

#include "book/load/BookEncryption.h"

HRESULT OpenBook(IStream* stream, OpenFor use, OpenedBook& opened, HybridHalf half) {
    opened = OpenedBook();
    // The records measure the stream, which leaves it at its start.
    opened.Book.Reset(mobi_init());
    opened.Records = BookRecords::Open(stream);
    if (!opened.Book || !opened.Records) {
        return E_OUTOFMEMORY;
    }
    opened.Book->use_kf8 = half == HybridHalf::Kf8;
    const MOBI_RET loaded = opened.Records->Load(opened.Book.Get(), use);
    opened.Condition = opened.Records->Condition();
    if (loaded != MOBI_SUCCESS) {
        return E_FAIL;
    }
    ClearReadingPositionAsEncryption(opened.Book.Get());
    return S_OK;
}
