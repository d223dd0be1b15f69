// SPDX-License-Identifier: LGPL-3.0-or-later
// The words each reader of a book hands out through IBookCondition, made one way for all.
#pragma once

#include "book/load/BookCondition.h"
#include "platform/Platform.h"

// The most a line of words holds.
constexpr size_t ConditionWordsCapacity = 256;

// What IBookCondition answers before any words: E_POINTER without `words`, else null through
// it, and E_UNEXPECTED when no stream was ever `bound`; S_OK to go on.
HRESULT StartWords(LPWSTR* words, bool bound);

// `text` as UTF-16 from the task allocator into `*words`: S_OK, or S_FALSE and null when it is
// empty; E_POINTER without `words`.
HRESULT HandOutWords(const char* text, LPWSTR* words);

// What a reader says of the book it bound: when the binding failed, the load's words alone;
// when it succeeded, a book cut short (or whose stream came short of its length after the
// binding) gets "; " and `got`, what the reader still read from it ("its details were read"),
// and a whole book nothing.
HRESULT HandOutConditionWords(const BookCondition& condition, bool bound, const char* got,
                              LPWSTR* words);
