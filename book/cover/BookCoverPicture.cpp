// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/cover/BookCoverPicture.h"

#include "book/cover/CoverRecord.h"
#include "book/load/OpenBook.h"
#include "platform/AllocationFailures.h"

HRESULT ReadBookCoverPicture(IStream* stream, BookCoverPicture& cover) {
    cover = BookCoverPicture();
    OpenedBook opened;
    const HRESULT open = OpenBook(stream, OpenFor::Headers, opened);
    cover.Condition = opened.Condition;
    if (FAILED(open)) {
        return open;
    }
    return ReadCoverPicture(opened.Book.Get(), *opened.Records, cover);
}

HRESULT ReadCoverPicture(const MOBIData* book, BookRecords& records, BookCoverPicture& cover) {
    cover.Bytes.Reset();
    cover.Size = 0;
    const size_t number = FindCoverRecordNumber(book, records);
    const uint64_t size = number != MOBI_NOTSET ? records.Size(number) : 0;
    if (size == 0 || size > 0xFFFFFFFFu) {
        cover.CutOff = number == MOBI_NOTSET && CoverCutOff(book, records);
        return S_FALSE;
    }
    cover.Bytes.Reset(TaskAllocate<BYTE>(static_cast<size_t>(size)));
    if (!cover.Bytes) {
        return E_OUTOFMEMORY;
    }
    // The first bytes come from what telling the picture kept; the rest once, from the stream.
    if (records.Read(number, 0, cover.Bytes.Get(), static_cast<size_t>(size)) != size) {
        cover.Bytes.Reset();
        return S_FALSE;
    }
    cover.Size = static_cast<ULONG>(size);
    return S_OK;
}
