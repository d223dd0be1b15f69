// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/cover/CoverRecord.h"

namespace {

// The number of the picture at the record the EXTH record `tag` points to; MOBI_NOTSET when
// there is none.
size_t PictureAt(const MOBIData* book, size_t firstResource, MOBIExthTag tag,
                 BookRecords& records) {
    const MOBIExthHeader* exth = mobi_get_exthrecord_by_tag(book, tag);
    if (exth == nullptr || exth->data == nullptr || exth->size == 0) {
        return MOBI_NOTSET;
    }
    const uint32_t offset =
        mobi_decode_exthvalue(static_cast<const unsigned char*>(exth->data), exth->size);
    size_t number = 0;
    if (!ResourceRecordNumber(firstResource, offset, &number) ||
        records.Kind(number) != RecordKind::Picture) {
        return MOBI_NOTSET;
    }
    return number;
}

} // namespace

bool ResourceRecordNumber(size_t firstResource, uint32_t offset, size_t* number) {
    // MOBI_NOTSET is UINT32_MAX, the unset offset too: a sum that reaches it would read as
    // unset.
    if (firstResource >= MOBI_NOTSET || offset >= MOBI_NOTSET - firstResource) {
        return false;
    }
    *number = firstResource + offset;
    return true;
}

size_t FindCoverRecordNumber(const MOBIData* book, BookRecords& records) {
    if (book == nullptr) {
        return MOBI_NOTSET;
    }
    const size_t firstResource = mobi_get_first_resource_record(book);
    const size_t cover = PictureAt(book, firstResource, EXTH_COVEROFFSET, records);
    return cover != MOBI_NOTSET ? cover : PictureAt(book, firstResource, EXTH_THUMBOFFSET, records);
}
