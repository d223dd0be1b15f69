// SPDX-License-Identifier: LGPL-3.0-or-later
// A book opened from its stream, with no file anywhere: the one way every reader of books (the
// filter, the property handler, the thumbnail provider, the preview) opens one.
#pragma once

#include "book/load/BookRecords.h"
#include "book/load/MobiHolders.h"
#include "platform/Platform.h"

#include <memory>

// The half of a hybrid that libmobi makes current: the KF8 half, as its own load does, or the
// KF7 half before the boundary.
enum class HybridHalf { Kf8, Kf7 };

struct OpenedBook {
    // libmobi's record of the book.
    MobiBook Book;
    // Its records, for a reader of one more record (the cover, the text records).
    std::unique_ptr<BookRecords> Records;
    // What was wrong with the file: why the book did not load, or that it was cut short.
    BookCondition Condition;
};

// Opens the book on `stream`, wherever it stands, for `use` (BookRecords::Open and Load): S_OK;
// E_FAIL when the book does not load, whose Condition says why; E_OUTOFMEMORY when its records
// could not be made. `opened` holds whatever was made.
HRESULT OpenBook(IStream* stream, OpenFor use, OpenedBook& opened,
                 HybridHalf half = HybridHalf::Kf8);
