// SPDX-License-Identifier: LGPL-3.0-or-later
// The string of a value chunk: a book's metadata as UTF-16, at most ValueBufferUnits - 1 units.
#pragma once

#include "platform/Platform.h"
#include "platform/UniqueAny.h"

#include <cstddef>

// A value is converted into a buffer of this many UTF-16 units, its terminator included.
constexpr size_t ValueBufferUnits = 1024;
using ValueBuffer = WCHAR[ValueBufferUnits];

// How many of `length` units a value keeps: all of them when they fit, else the first
// ValueBufferUnits - 1, one fewer when the last of those is the first half of a surrogate pair.
size_t ValueLengthKept(const WCHAR* text, size_t length);

// Converts a UTF-8 string into `buffer`, cut as ValueLengthKept says. An empty buffer when the
// conversion cannot be made.
void ConvertValue(const char* utf8, ValueBuffer& buffer);

// Converts a string of markup (a description is often HTML) into `buffer`: its plain text as a
// text chunk gets it, without the spaces, tabs and line breaks that lead or trail, then cut.
// False when nothing remains.
bool ConvertMarkupValue(const char* utf8, ValueBuffer& buffer);

// The whole of a UTF-8 string as UTF-16, in the task allocator; null when it cannot be made.
CoTaskMemPtr<WCHAR> WholeValueText(const char* utf8);

// The whole plain text of a string of markup, as ConvertMarkupValue makes it but not cut, into
// `text`: S_OK; S_FALSE (and null) when nothing remains; E_OUTOFMEMORY.
HRESULT WholeMarkupValueText(const char* utf8, CoTaskMemPtr<WCHAR>& text);
