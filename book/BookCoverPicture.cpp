// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/BookCoverPicture.h"

#include "book/CoverRecord.h"
#include "book/LoadBookFromStream.h"
#include "book/MobiHolders.h"
#include "book/RecordTable.h"

#include <cstring>

namespace {

// Enough of a record's start to tell a picture.
constexpr ULONG PictureSignatureLength = 8;

// The records of a book loaded for its headers. libmobi holds the headers' records (every
// record, when the book was loaded whole); any other is read from the stream where the record
// table says it lies, its first bytes to tell a picture, then the rest of the cover: each byte
// once.
class CoverSource {
public:
    CoverSource(IStream* stream, const MOBIData* book, const RecordTable& table)
        : Stream(stream), Book(book), Table(table) {}

    // Where record `number` lies in the stream; false for a record the table does not hold.
    bool Extent(size_t number, ULONGLONG* offset, ULONG* size) const {
        if (number >= Table.Count() || Table.Size(number) > 0xFFFFFFFFu) {
            return false;
        }
        *offset = Table.Offset(number);
        *size = static_cast<ULONG>(Table.Size(number));
        return true;
    }

    // Reads exactly `size` bytes at `offset`.
    bool ReadAt(ULONGLONG offset, BYTE* into, ULONG size) const {
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(offset);
        ULONG got = 0;
        return SUCCEEDED(Stream->Seek(at, STREAM_SEEK_SET, nullptr)) &&
               SUCCEEDED(Stream->Read(into, size, &got)) && got == size;
    }

    static bool IsPicture(void* context, size_t number) {
        auto* self = static_cast<CoverSource*>(context);
        const MOBIPdbRecord* held = mobi_get_record_by_seqnumber(self->Book, number);
        if (held != nullptr && held->data != nullptr && held->size != 0) {
            return StartsAsPicture(held->data, held->size);
        }
        ULONGLONG offset = 0;
        ULONG size = 0;
        if (!self->Extent(number, &offset, &size)) {
            return false;
        }
        self->StartLength = size < PictureSignatureLength ? size : PictureSignatureLength;
        return self->ReadAt(offset, self->Start, self->StartLength) &&
               StartsAsPicture(self->Start, self->StartLength);
    }

    // The whole of record `number`, whose start IsPicture read last.
    HRESULT Copy(size_t number, BookCoverPicture& cover) const {
        const MOBIPdbRecord* held = mobi_get_record_by_seqnumber(Book, number);
        const bool inMemory = held != nullptr && held->data != nullptr && held->size != 0;
        ULONGLONG offset = 0;
        ULONG size = 0;
        if (inMemory) {
            if (held->size > 0xFFFFFFFFu) {
                return S_FALSE;
            }
            size = static_cast<ULONG>(held->size);
        } else if (!Extent(number, &offset, &size)) {
            return S_FALSE;
        }
        cover.Bytes.Reset(static_cast<BYTE*>(CoTaskMemAlloc(size)));
        if (!cover.Bytes) {
            return E_OUTOFMEMORY;
        }
        if (inMemory) {
            std::memcpy(cover.Bytes.Get(), held->data, size);
        } else {
            std::memcpy(cover.Bytes.Get(), Start, StartLength);
            if (!ReadAt(offset + StartLength, cover.Bytes.Get() + StartLength,
                        size - StartLength)) {
                cover.Bytes.Reset();
                return S_FALSE;
            }
        }
        cover.Size = size;
        return S_OK;
    }

private:
    IStream* Stream;
    const MOBIData* Book;
    const RecordTable& Table;
    BYTE Start[PictureSignatureLength] = {};
    ULONG StartLength = 0;
};

} // namespace

HRESULT ReadBookCoverPicture(IStream* stream, BookCoverPicture& cover) {
    cover.Bytes.Reset();
    cover.Size = 0;
    MobiBook book(mobi_init());
    if (!book) {
        return E_OUTOFMEMORY;
    }
    RecordTable table;
    if (LoadBookHeadersFromStream(book.Get(), stream, &table) != MOBI_SUCCESS) {
        return E_FAIL;
    }
    CoverSource source(stream, book.Get(), table);
    const size_t number = FindCoverRecordNumber(book.Get(), CoverSource::IsPicture, &source);
    if (number == MOBI_NOTSET) {
        return S_FALSE;
    }
    return source.Copy(number, cover);
}
