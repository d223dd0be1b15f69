// SPDX-License-Identifier: LGPL-3.0-or-later
// Which record of a loaded book holds its cover picture.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mobi.h>

// Whether `data` starts as a picture WIC decodes: JPEG, GIF, PNG or BMP.
bool StartsAsPicture(const unsigned char* data, size_t size);

// The number of the record at `firstResource` + `offset`; false when either is unset
// (MOBI_NOTSET, 0xFFFFFFFF) or the sum would reach MOBI_NOTSET.
bool ResourceRecordNumber(size_t firstResource, uint32_t offset, size_t* number);

// Tells whether record `number` of the book starts as a picture.
using RecordIsPicture = bool (*)(void* context, size_t number);

// The number of the cover's record: the one EXTH 201 points to when `isPicture` says it is a
// picture, else the one EXTH 202 points to when that is. MOBI_NOTSET when neither is.
size_t FindCoverRecordNumber(const MOBIData* book, RecordIsPicture isPicture, void* context);

// The cover's record among the records libmobi holds; null when there is none. The record
// belongs to `book`.
const MOBIPdbRecord* FindCoverRecord(const MOBIData* book);
