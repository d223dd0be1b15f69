// SPDX-License-Identifier: LGPL-3.0-or-later
// Plain text of one HTML part of a book's rebuilt markup.
#pragma once

#include "platform/Platform.h"

#include <cstddef>

// Converts `size` bytes of UTF-8 markup at `data` (not zero-terminated) to the zero-terminated
// UTF-16 text of one chunk: the text from the body tag on, with tags removed, paragraph,
// heading, break and rule tags turned into line feeds (at most two in a row), a line feed
// between two words that only a removed block tag (a list item, a table cell, a division...)
// kept apart, carriage returns dropped, five named entities decoded, accented-letter entities
// reduced to their base letter and other entities removed. Nothing outside [data, data + size) is
// read, and the part itself is left as it was. Returns a CoTaskMemAlloc'd string that the caller
// frees, or null when the part is empty or starts with a zero byte, or when the allocation fails.
// `length`, when given, receives the number of units before the first zero unit: a zero byte of the
// part gives one, where a reader of the string sees it end.
WCHAR* MarkupToText(const char* data, ULONG size, size_t* length = nullptr);
