// SPDX-License-Identifier: LGPL-3.0-or-later
// The details a preview shows above a book's text, from the rows of the book's property table
// that a preview reads, one line each.
#pragma once

#include "platform/Platform.h"
#include "platform/UniqueAny.h"

#include <mobi.h>

#include <cstddef>

// A description longer than this many UTF-16 units is cut, with an ellipsis.
constexpr size_t PreviewDescriptionBudget = 4000;

// Each line terminated, or null when the book has nothing for it.
struct PreviewDetails {
    CoTaskMemPtr<WCHAR> Title;
    // Several joined by "; ", as the filter joins them.
    CoTaskMemPtr<WCHAR> Authors;
    // The publisher, the year and the language's name, those the book has, joined by " · ".
    CoTaskMemPtr<WCHAR> Facts;
    // Converted from markup as the text is.
    CoTaskMemPtr<WCHAR> Description;
};

// Reads the details of a loaded book. The language's name is Windows' own for the book's
// locale (GetLocaleInfoW), in the user's language; where Windows has none, the language as the
// book gives it. S_OK or E_OUTOFMEMORY, which leaves every line empty.
HRESULT ReadPreviewDetails(const MOBIData* book, PreviewDetails& details);
