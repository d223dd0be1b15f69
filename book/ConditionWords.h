// SPDX-License-Identifier: LGPL-3.0-or-later
// The words each reader of a book hands out through IBookCondition, made one way for all, from
// one table of sentences.
#pragma once

#include "book/load/BookCondition.h"
#include "platform/Platform.h"

// The most a line of words holds.
constexpr size_t ConditionWordsCapacity = 256;

// What a reader read of a book it bound.
enum class BookReading {
    // The property handler; the filter before its text.
    Details,
    AllText,
    TextStart,
    Kf7HalfText,
    // The text up to a text record that does not decode.
    TextBeforeDamage,
    // libmobi could not rebuild the text (with its code).
    NoText,
    EncryptedText,
    Cover,
    CoverCutOff,
    NoCover,
};

// What IBookCondition answers before any words: E_POINTER without `words`, else null through
// it, and E_UNEXPECTED when no stream was ever `bound`; S_OK to go on.
HRESULT StartWords(LPWSTR* words, bool bound);

// `text` as UTF-16 from the task allocator into `*words`: S_OK, or S_FALSE and null when it is
// empty; E_POINTER without `words`.
HRESULT HandOutWords(const char* text, LPWSTR* words);

// What a reader says of the book it bound: when the binding failed, the load's words alone;
// when it succeeded, a book cut short (or whose stream came short of its length after the
// binding) gets "; " and what the reader read of it ("its details were read"), after the
// trouble its text had when that is not the cut's doing ("encrypted with DRM"); a whole book
// gets that trouble and what was read, or nothing. `libmobiCode` is libmobi's reason when
// it could not rebuild the text.
HRESULT HandOutConditionWords(const BookCondition& condition, bool bound, BookReading reading,
                              int libmobiCode, LPWSTR* words);
