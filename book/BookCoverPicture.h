// SPDX-License-Identifier: LGPL-3.0-or-later
// A book's cover picture read from its stream: the one step of the thumbnail provider that
// reads the book.
#pragma once

#include "platform/Platform.h"
#include "platform/UniqueAny.h"

// The cover record's bytes, as the book holds them; the book itself is not kept.
struct BookCoverPicture {
    CoTaskMemPtr<BYTE> Bytes;
    ULONG Size = 0;
};

// Loads the book from `stream`, which stands at its start, and copies the record
// FindCoverRecord chooses into `cover`: S_OK, or S_FALSE with `cover` empty when the book has
// no cover. A book that does not load gives E_FAIL.
// The whole book is loaded today; a reader of the header, the record table, record 0 and the
// one cover record takes the place of the load here, and nowhere else.
HRESULT ReadBookCoverPicture(IStream* stream, BookCoverPicture& cover);
