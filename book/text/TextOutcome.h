// SPDX-License-Identifier: LGPL-3.0-or-later
// What reading a book's text gave, once it has ended: what both text readers answer.
#pragma once

#include <mobi.h>

#include <cstddef>

// What reading a book's text gave, once it has ended.
enum class TextOutcome {
    All,
    // The text up to the first text record cut off.
    Start,
    // The text up to a text record that does not decode.
    Damaged,
    // A hybrid whose KF8 text cannot be read: all of its KF7 half's.
    Kf7Half,
    // libmobi could not rebuild the text (TextSource::FailureCode says why).
    None,
};

// What a text read to its end without a fault gave, for `book` whose file held `records`
// records: all of it; its start, when its text records run past those; all of its KF7 half's,
// for a hybrid read as its KF7 half (`kf7Half`).
TextOutcome TextReadToItsEnd(const MOBIData* book, size_t records, bool kf7Half);
