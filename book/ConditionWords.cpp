// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/ConditionWords.h"

#include "book/metadata/ValueText.h"

#include <cstdio>
#include <cstring>

namespace {

// What each reading says: of a whole file, the trouble its text had (with what was read), or
// nothing; after the file's own fault, what was read, unless the trouble is not the fault's
// doing. A %s takes libmobi's reason.
struct ReadingSentence {
    BookReading Reading;
    const char* Trouble;
    bool TroubleAfterFault;
    const char* Read;
};

const ReadingSentence ReadingSentences[] = {
    {BookReading::Details, nullptr, false, "its details were read"},
    {BookReading::AllText, nullptr, false, "its details and all its text were read"},
    {BookReading::TextStart, nullptr, false, "its details and the start of its text were read"},
    {BookReading::Kf7HalfText, nullptr, false,
     "its details and all its text, from its KF7 half, were read"},
    {BookReading::TextBeforeDamage,
     "damaged: libmobi cannot decode one of its text records; its details and the text before it "
     "were read",
     false, "its details and the text before it were read"},
    {BookReading::NoText, "damaged: libmobi cannot rebuild its text (%s); its details were read",
     false, "its details were read, not its text"},
    {BookReading::EncryptedText, "encrypted with DRM: its details were read, not its text", true,
     nullptr},
    {BookReading::Cover, nullptr, false, "its cover was read"},
    {BookReading::CoverCutOff, nullptr, false, "its cover was cut off"},
    {BookReading::NoCover, nullptr, false, "it has no cover"},
};

const ReadingSentence& SentenceOf(BookReading reading) {
    for (const ReadingSentence& sentence : ReadingSentences) {
        if (sentence.Reading == reading) {
            return sentence;
        }
    }
    return ReadingSentences[0];
}

// Appends "; " (unless `text` is empty) and `format`, its %s taking `reason`.
void AppendClause(char* text, size_t capacity, const char* format, const char* reason) {
    size_t length = std::strlen(text);
    if (length > 0 && length + 2 < capacity) {
        std::memcpy(text + length, "; ", 3);
        length += 2;
    }
    std::snprintf(text + length, capacity - length, format, reason);
}

} // namespace

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
    const HRESULT made = ConvertValueText(text, ValueForm::Plain, UncutValue, converted);
    if (FAILED(made)) {
        return made;
    }
    *words = converted.Detach();
    return S_OK;
}

HRESULT HandOutConditionWords(const BookCondition& condition, bool bound, BookReading reading,
                              int libmobiCode, LPWSTR* words) {
    char text[ConditionWordsCapacity];
    WordBookCondition(condition, text, sizeof(text));
    if (!bound) {
        return HandOutWords(text, words);
    }
    // The only faults a book is still read with: it was cut short, or the stream came short
    // of its length while the text was read.
    const bool readWithFault =
        condition.Fault == BookFault::CutShort || condition.Fault == BookFault::StreamShort;
    if (!readWithFault) {
        text[0] = 0;
    }
    const ReadingSentence& sentence = SentenceOf(reading);
    if (sentence.Trouble != nullptr && (!readWithFault || sentence.TroubleAfterFault)) {
        AppendClause(text, sizeof(text), sentence.Trouble, LibmobiReason(libmobiCode));
    } else if (readWithFault) {
        AppendClause(text, sizeof(text), sentence.Read, "");
    }
    return HandOutWords(text, words);
}
