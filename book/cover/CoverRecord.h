// SPDX-License-Identifier: LGPL-3.0-or-later
// Which record of a loaded book holds its cover picture.
#pragma once

#include "book/load/BookRecords.h"

#include <mobi.h>

#include <cstddef>
#include <cstdint>

// The number of the record at `firstResource` + `offset`; false when either is unset
// (MOBI_NOTSET, 0xFFFFFFFF) or the sum would reach MOBI_NOTSET.
bool ResourceRecordNumber(size_t firstResource, uint32_t offset, size_t* number);

// The number of the cover's record: the one EXTH 201 points to when it is a picture
// (BookRecords::Kind), else the one EXTH 202 points to when that is. MOBI_NOTSET when neither
// is. Reads the first bytes of those records alone.
size_t FindCoverRecordNumber(const MOBIData* book, BookRecords& records);
