// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/ConditionWords.h"

#include "book/metadata/ValueText.h"

#include <cstdio>
#include <cstring>

HRESULT StartWords(LPWSTR* words, bool bound) {
    if (words == nullptr) {
        return E_POINTER;
    }
    *words = nullptr;
    return bound ? S_OK : E_UNEXPECTED;
}

HRESULT HandOutWords(const char* text, LPWSTR* words) {
    if (words == nullptr) {
        return E_POINTER;
    }
    *words = nullptr;
    if (text[0] == 0) {
        return S_FALSE;
    }
    CoTaskMemPtr<WCHAR> converted;
    const HRESULT made = ConvertValueText(text, ValueForm::Plain, WholeValue, converted);
    if (FAILED(made)) {
        return made;
    }
    *words = converted.Detach();
    return S_OK;
}

HRESULT HandOutConditionWords(const BookCondition& condition, bool bound, const char* got,
                              LPWSTR* words) {
    char text[ConditionWordsCapacity];
    WordBookCondition(condition, text, sizeof(text));
    // The only faults a book is still read with: it was cut short, or the stream came short
    // of its length while the text was read.
    const bool readWithFault =
        condition.Fault == BookFault::CutShort || condition.Fault == BookFault::StreamShort;
    if (bound && !readWithFault) {
        text[0] = 0;
    } else if (bound) {
        const size_t length = std::strlen(text);
        std::snprintf(text + length, sizeof(text) - length, "; %s", got);
    }
    return HandOutWords(text, words);
}
