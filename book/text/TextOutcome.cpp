// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/text/TextOutcome.h"

TextOutcome TextReadToItsEnd(const MOBIData* book, size_t records, bool kf7Half) {
    // The text records past the end of a book cut short give no text. libmobi reads no text
    // without record 0's header.
    const size_t textEnd = mobi_get_kf8offset(book) + 1 + book->rh->text_record_count;
    return textEnd > records ? TextOutcome::Start
           : kf7Half         ? TextOutcome::Kf7Half
                             : TextOutcome::All;
}
