// SPDX-License-Identifier: LGPL-3.0-or-later
// A book's metadata as the shell's properties: the values of the book's property handler.
#pragma once

#include "book/metadata/BookPropertyTable.h"
#include "platform/Platform.h"

#include <mobi.h>

struct BookProperty {
    PROPERTYKEY Key;
    PROPVARIANT Value;
};

// One per row of the table that the property store reads.
constexpr DWORD MaxBookProperties = CountBookProperties(ReadBy::PropertyStore);

// Fills `properties`, in the table's order, with each property of the store's rows that the
// book has and that is not empty, shaped as its row says: whole strings (VT_LPWSTR), a list one
// entry per EXTH record that is not empty (VT_VECTOR | VT_LPWSTR), the year a VT_UI4. `*count`
// says how many were filled; on failure (E_OUTOFMEMORY) none are.
HRESULT ReadBookProperties(const MOBIData* book, BookProperty (&properties)[MaxBookProperties],
                           DWORD* count);
