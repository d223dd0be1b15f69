// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/CoverRecord.h"

#include <cstring>

namespace {

constexpr uint32_t UnsetOffset = 0xFFFFFFFF;

bool StartsWith(const unsigned char* data, size_t size, const char* magic, size_t length) {
    return size >= length && std::memcmp(data, magic, length) == 0;
}

// The number of the picture at the record the EXTH record `tag` points to; MOBI_NOTSET when
// there is none.
size_t PictureAt(const MOBIData* book, size_t firstResource, MOBIExthTag tag,
                 RecordIsPicture isPicture, void* context) {
    const MOBIExthHeader* exth = mobi_get_exthrecord_by_tag(book, tag);
    if (exth == nullptr || exth->data == nullptr || exth->size == 0) {
        return MOBI_NOTSET;
    }
    const uint32_t offset =
        mobi_decode_exthvalue(static_cast<const unsigned char*>(exth->data), exth->size);
    size_t number = 0;
    if (!ResourceRecordNumber(firstResource, offset, &number) || !isPicture(context, number)) {
        return MOBI_NOTSET;
    }
    return number;
}

// A record libmobi holds in memory.
bool HeldRecordIsPicture(void* context, size_t number) {
    const MOBIPdbRecord* record =
        mobi_get_record_by_seqnumber(static_cast<const MOBIData*>(context), number);
    return record != nullptr && StartsAsPicture(record->data, record->size);
}

} // namespace

bool StartsAsPicture(const unsigned char* data, size_t size) {
    if (data == nullptr) {
        return false;
    }
    return StartsWith(data, size, "\xFF\xD8\xFF", 3) || StartsWith(data, size, "GIF87a", 6) ||
           StartsWith(data, size, "GIF89a", 6) || StartsWith(data, size, "\x89PNG\r\n\x1A\n", 8) ||
           StartsWith(data, size, "BM", 2);
}

bool ResourceRecordNumber(size_t firstResource, uint32_t offset, size_t* number) {
    // MOBI_NOTSET is SIZE_MAX: a sum that reaches it would read as unset.
    if (firstResource == MOBI_NOTSET || offset == UnsetOffset ||
        offset >= SIZE_MAX - firstResource) {
        return false;
    }
    *number = firstResource + offset;
    return true;
}

size_t FindCoverRecordNumber(const MOBIData* book, RecordIsPicture isPicture, void* context) {
    if (book == nullptr) {
        return MOBI_NOTSET;
    }
    const size_t firstResource = mobi_get_first_resource_record(book);
    if (firstResource == MOBI_NOTSET) {
        return MOBI_NOTSET;
    }
    const size_t cover = PictureAt(book, firstResource, EXTH_COVEROFFSET, isPicture, context);
    return cover != MOBI_NOTSET
               ? cover
               : PictureAt(book, firstResource, EXTH_THUMBOFFSET, isPicture, context);
}

const MOBIPdbRecord* FindCoverRecord(const MOBIData* book) {
    const size_t number =
        FindCoverRecordNumber(book, HeldRecordIsPicture, const_cast<MOBIData*>(book));
    return number == MOBI_NOTSET ? nullptr : mobi_get_record_by_seqnumber(book, number);
}
