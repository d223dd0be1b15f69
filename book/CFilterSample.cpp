// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/CFilterSample.h"

#include "book/ConditionWords.h"
#include "book/metadata/BookLocale.h"
#include "book/metadata/BookMetadata.h"
#include "book/metadata/BookPropertyTable.h"
#include "book/metadata/ValueText.h"
#include "book/text/OpenTextSource.h"
#include "platform/AllocationFailures.h"
#include "platform/ReturnIfFailed.h"

#include <utility>

namespace {

// A value chunk holds at most this many UTF-16 units, cut at a whole character.
constexpr size_t MaxValueUnits = 1023;

} // namespace

// One stage per row of the property table (the rows of value chunks give one each), then the
// text, which lasts while parts remain.
const ULONG CFilterSample::TextStage = BookPropertyRowCount;
const ULONG CFilterSample::Finished = BookPropertyRowCount + 1;

CFilterSample::CFilterSample()
    : TextRead(TextState::NotYet), Stage(0), Locale(0), Bound(false), RanOutOfMemory(false) {}

HRESULT CFilterSample::PrepareContent() {
    // A stream bound again replaces the book bound before, and its sequence starts over.
    ReleaseBook();
    TextRead = TextState::NotYet;
    Stage = 0;
    Locale = 0;
    RanOutOfMemory = false;
    const AllocationWatch watch;
    const HRESULT bound = watch.Checked(OpenForText());
    if (bound == E_OUTOFMEMORY) {
        NoteOutOfMemory();
    }
    Bound = bound == S_OK;
    return bound;
}

HRESULT CFilterSample::OpenForText() {
    // The headers, and what the text needs beside its text records, which it reads as it goes.
    RETURN_IF_FAILED(OpenBook(Stream.Get(), OpenFor::PartByPart, Opened));
    Locale = BookLocale(Opened.Book.Get());
    // Every buffer the text needs is made here: once bound, every chunk comes.
    const HRESULT text = OpenTextSource(Stream.Get(), Opened, Text);
    return FAILED(text) ? text : S_OK;
}

void CFilterSample::ReleaseBook() {
    Text.reset();
    Opened = OpenedBook();
}

void CFilterSample::NoteOutOfMemory() {
    // Nothing more comes of this book: what it held goes back to a host short of memory.
    RanOutOfMemory = true;
    ReleaseBook();
    Bound = false;
    Opened.Condition.Fault = BookFault::OutOfMemory;
}

HRESULT CFilterSample::NextTextRun(const WCHAR** units, ULONG* count) {
    if (RanOutOfMemory) {
        return E_OUTOFMEMORY;
    }
    // A record decoded for this run may have failed for want of memory: the text would end
    // there as if the book were damaged.
    const AllocationWatch watch;
    size_t length = 0;
    const bool more = Text && Text->NextRun(units, &length);
    if (watch.SawFailure()) {
        NoteOutOfMemory();
        return E_OUTOFMEMORY;
    }
    if (!more) {
        return S_FALSE;
    }
    *count = static_cast<ULONG>(length);
    return S_OK;
}

HRESULT CFilterSample::ProduceValue(ChunkValue& chunk, ULONG stage) {
    const BookPropertyRow& row = BookPropertyRows[stage];
    const unsigned readers = row.Readers & (ReadBy::ValueChunk | ReadBy::ValueChunkEvenEmpty);
    if (readers == 0) {
        return S_FALSE;
    }
    const MallocedString utf8 = BookValueString(Opened.Book.Get(), row);
    if (!utf8) {
        return S_FALSE;
    }
    // A list's entries come joined, as libmobi joins them.
    const ValueForm form =
        row.Shape == PropertyShape::Markup ? ValueForm::Markup : ValueForm::Plain;
    CoTaskMemPtr<WCHAR> text;
    RETURN_IF_FAILED(ConvertValueText(utf8.Get(), form, MaxValueUnits, text));
    if (text.Get()[0] == 0 && (readers & ReadBy::ValueChunkEvenEmpty) == 0) {
        return S_FALSE;
    }
    return chunk.SetStringValue(*row.Key, std::move(text));
}

HRESULT CFilterSample::ProduceNextText(ChunkValue& chunk) {
    if (!Text) {
        TextRead = TextState::Encrypted;
        return S_FALSE;
    }
    if (Text->NextPart()) {
        return chunk.SetText(PKEY_Search_Contents, *this);
    }
    TextRead = TextState::Ended;
    // A stream that delivers fewer bytes than it holds ends the text where it does.
    Opened.Condition = Text->Condition();
    return S_FALSE;
}

HRESULT CFilterSample::ProduceChunkValue(ChunkValue& chunk) {
    if (RanOutOfMemory) {
        return E_OUTOFMEMORY;
    }
    if (!Opened.Book) {
        return E_UNEXPECTED;
    }
    // A value, a part or libmobi's rebuilding that lost an allocation would give less than the
    // book holds, or nothing: the chunk fails instead, and so does every chunk after it.
    const AllocationWatch watch;
    const HRESULT produced = watch.Checked(ProduceNextChunk(chunk));
    if (produced == E_OUTOFMEMORY) {
        chunk.Clear();
        NoteOutOfMemory();
    }
    return produced;
}

HRESULT CFilterSample::ProduceNextChunk(ChunkValue& chunk) {
    while (Stage < Finished) {
        HRESULT produced = S_FALSE;
        if (Stage < TextStage) {
            produced = ProduceValue(chunk, Stage);
            ++Stage;
        } else {
            produced = ProduceNextText(chunk);
            if (produced == S_OK) {
                // The stage stays at text while parts remain. Each part is a passage of its
                // own: the host must not join its first word to the last word of the part
                // before.
                chunk.Stat.breakType = CHUNK_EOP;
            } else if (produced == S_FALSE) {
                ++Stage;
            }
        }
        if (FAILED(produced)) {
            return produced;
        }
        if (produced == S_OK) {
            chunk.Stat.locale = Locale;
            return S_OK;
        }
    }
    return FILTER_E_END_OF_CHUNKS;
}

BookReading CFilterSample::Reading() const {
    if (TextRead == TextState::Encrypted) {
        return BookReading::EncryptedText;
    }
    if (TextRead == TextState::NotYet || !Text) {
        return BookReading::Details;
    }
    switch (Text->Outcome()) {
    case TextOutcome::All:
        return BookReading::AllText;
    case TextOutcome::Start:
        return BookReading::TextStart;
    case TextOutcome::Damaged:
        return BookReading::TextBeforeDamage;
    case TextOutcome::Kf7Half:
        return BookReading::Kf7HalfText;
    case TextOutcome::None:
        break;
    }
    return BookReading::NoText;
}

HRESULT CFilterSample::GetConditionWords(LPWSTR* words) {
    RETURN_IF_FAILED(StartWords(words, Stream.Get() != nullptr));
    return HandOutConditionWords(Opened.Condition, Bound, Reading(), Text ? Text->FailureCode() : 0,
                                 words);
}
