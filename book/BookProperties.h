// SPDX-License-Identifier: LGPL-3.0-or-later
// A book's metadata as the shell's properties: the values of the book's property handler.
#pragma once

#include "platform/Platform.h"

#include <mobi.h>

struct BookProperty {
    PROPERTYKEY Key;
    PROPVARIANT Value;
};

// Title, author, publisher, subjects, description, date, year, language.
constexpr DWORD MaxBookProperties = 8;

// Fills `properties` in that order with each property the book has and that is not empty:
// whole strings (VT_LPWSTR), the authors and the subjects one entry per EXTH record that is not
// empty (VT_VECTOR | VT_LPWSTR), the year a VT_UI4. `*count` says how many were filled; on
// failure (E_OUTOFMEMORY) none are.
HRESULT ReadBookProperties(const MOBIData* book, BookProperty (&properties)[MaxBookProperties],
                           DWORD* count);
