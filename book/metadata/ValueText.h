// SPDX-License-Identifier: LGPL-3.0-or-later
// The UTF-16 text of a value: a book's metadata string converted once, for every reader.
#pragma once

#include "platform/Platform.h"
#include "platform/UniqueAny.h"

#include <cstddef>
#include <cstdint>

// What a metadata string holds.
enum class ValueForm {
    Plain,  // text, converted as it is
    Markup, // markup (a description is often HTML): its plain text as a text chunk gets it,
            // without the spaces, tabs and line breaks that lead or trail
};

// No cut.
constexpr size_t UncutValue = SIZE_MAX;

// The UTF-16 text of the UTF-8 string `utf8`, in the task allocator and terminated, into `text`;
// then cut to at most `maxUnits` units (one fewer when the last would be the first half of a
// surrogate pair), a cut made after the trimming. S_OK, the text possibly empty; E_OUTOFMEMORY;
// E_FAIL when the string cannot be converted.
HRESULT ConvertValueText(const char* utf8, ValueForm form, size_t maxUnits,
                         CoTaskMemPtr<WCHAR>& text);
