// Plain text of one HTML part of a book's rebuilt markup.
#pragma once

#include "platform/Platform.h"

#include <cstddef>

// Converts `size` bytes of UTF-8 markup at `data` (not zero-terminated) to the zero-terminated
// UTF-16 text of one chunk: the text from the body tag on, with tags removed, paragraph,
// heading, break and rule tags turned into line feeds (at most two in a row), carriage returns
// dropped, five named entities decoded, accented-letter entities reduced to their base letter
// and other entities removed. The text is compacted over the part's own bytes, so the part is
// overwritten; nothing outside [data, data + size) is read or written.
// Returns a CoTaskMemAlloc'd string that the caller frees, or null when the part is empty or
// starts with a zero byte, or when the allocation fails. `units`, when given, receives the
// number of units before the terminator that the buffer holds; a zero byte of the part gives a
// zero unit among them, where a reader of the string sees it end.
WCHAR* MarkupToText(char* data, ULONG size, size_t* units = nullptr);
