// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/CFilterSample.h"

#include "book/ConditionWords.h"
#include "book/load/BookEncryption.h"
#include "book/load/LoadBook.h"
#include "book/markup/MarkupToText.h"
#include "book/metadata/BookLocale.h"
#include "book/metadata/BookMetadata.h"
#include "book/metadata/BookPropertyTable.h"
#include "book/metadata/ValueText.h"
#include "platform/AllocationFailures.h"
#include "platform/ReturnIfFailed.h"

#include <cstdio>
#include <new>
#include <utility>

namespace {

// A value chunk holds at most this many UTF-16 units, cut at a whole character.
constexpr size_t MaxValueUnits = 1023;

// libmobi's rebuilding of `book`'s parts into `markup`. The text needs no reconstruction for
// export (package metadata, links, embedded resources). That step writes its XML with libxml2
// and ends with xmlCleanupParser, which frees libxml2's global state under every other thread
// of the host using it: filter objects run side by side in one process. Without it the table of
// contents and the dictionary's indexes go unread (only the package and the links read them):
// the parts are the same, and a book whose NCX is damaged or cut off still gives them.
MOBI_RET RebuildParts(MOBIRawml* markup, const MOBIData* book) {
    return markup != nullptr ? mobi_parse_rawml_opt(markup, book, false, false, false)
                             : MOBI_MALLOC_FAILED;
}

} // namespace

// One stage per row of the property table (the rows of value chunks give one each), then the
// text, which lasts while parts remain.
const ULONG CFilterSample::TextStage = BookPropertyRowCount;
const ULONG CFilterSample::Finished = BookPropertyRowCount + 1;

CFilterSample::CFilterSample()
    : PartCursor(nullptr), Stage(0), Locale(0), Bound(false), RanOutOfMemory(false), RecordsRead(0),
      Outcome(TextOutcome::NotYet), TextFailure(MOBI_SUCCESS) {}

HRESULT CFilterSample::PrepareContent() {
    // A stream bound again replaces the book bound before, and its sequence starts over.
    ReleaseBook();
    Stage = 0;
    Locale = 0;
    Condition = BookCondition();
    RanOutOfMemory = false;
    Outcome = TextOutcome::NotYet;
    TextFailure = MOBI_SUCCESS;
    const AllocationWatch watch;
    const HRESULT bound = watch.Checked(LoadForText());
    if (bound == E_OUTOFMEMORY) {
        NoteOutOfMemory();
    }
    Bound = bound == S_OK;
    return bound;
}

void CFilterSample::ReleaseBook() {
    Markup.Reset();
    Text.reset();
    PartCursor = nullptr;
    Kf7Book.Reset();
    Book.Reset();
    Records.reset();
}

void CFilterSample::NoteOutOfMemory() {
    // Nothing more comes of this book: what it held goes back to a host short of memory.
    RanOutOfMemory = true;
    ReleaseBook();
    Bound = false;
    Condition = BookCondition();
    Condition.Fault = BookFault::OutOfMemory;
}

HRESULT CFilterSample::LoadForText() {
    Book.Reset(mobi_init());
    Records.reset(NewObject<BookRecords>(Stream.Get()));
    if (!Book || !Records) {
        return E_OUTOFMEMORY;
    }
    // The headers, and what the text needs beside its text records, which it reads as it goes.
    const MOBI_RET loaded = LoadBookFromRecords(Book.Get(), *Records, LoadedRecords::Parts);
    Condition = Records->Condition();
    RecordsRead = Records->Count();
    if (loaded != MOBI_SUCCESS) {
        return E_FAIL;
    }
    Locale = BookLocale(Book.Get());
    if (IsEncrypted()) {
        return S_OK;
    }
    if (EncryptionFieldIsReadingPosition()) {
        Book->rh->encryption_type = MOBI_ENCRYPTION_NONE;
    }
    // Every buffer the text needs is made here: once bound, every chunk comes.
    Text.reset(NewObject<BookText>());
    if (!Text) {
        return E_OUTOFMEMORY;
    }
    switch (Text->Open(Book.Get(), *Records)) {
    case BookText::Opened::Ready:
        return S_OK;
    case BookText::Opened::OutOfMemory:
        return E_OUTOFMEMORY;
    case BookText::Opened::WholeBook:
        break;
    }
    Text.reset();
    return LoadWholeBook();
}

HRESULT CFilterSample::LoadWholeBook() {
    Records.reset();
    const MOBI_RET loaded = LoadAgain(Book, true);
    if (!Book) {
        return E_OUTOFMEMORY;
    }
    if (loaded != MOBI_SUCCESS) {
        return E_FAIL;
    }
    if (EncryptionFieldIsReadingPosition()) {
        Book->rh->encryption_type = MOBI_ENCRYPTION_NONE;
    }
    return S_OK;
}

MOBI_RET CFilterSample::LoadAgain(MobiBook& book, bool kf8) {
    book.Reset(mobi_init());
    BookRecords records(Stream.Get());
    MOBI_RET loaded = MOBI_MALLOC_FAILED;
    if (book) {
        book->use_kf8 = kf8;
        LARGE_INTEGER start;
        start.QuadPart = 0;
        Stream->Seek(start, STREAM_SEEK_SET, nullptr);
        loaded = LoadBookFromRecords(book.Get(), records, LoadedRecords::Text);
    }
    if (loaded != MOBI_SUCCESS && kf8) {
        // The stream read again may have come short this time.
        Condition = records.Condition();
    }
    return loaded;
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

void CFilterSample::RebuildMarkup() {
    Markup.Reset(mobi_init_rawml(Book.Get()));
    TextFailure = RebuildParts(Markup.Get(), Book.Get());
    if (TextFailure == MOBI_SUCCESS) {
        Outcome = WholeTextOutcome(Book.Get());
        return;
    }
    Outcome = TextOutcome::None;
    // A hybrid cut short keeps its KF8 record 0, but libmobi cannot rebuild a KF8 text whose
    // records (its FDST, its indexes) were cut off: its KF7 half, before the boundary, holds
    // the whole text.
    if (Condition.Fault != BookFault::CutShort || !mobi_is_hybrid(Book.Get()) ||
        LoadAgain(Kf7Book, false) != MOBI_SUCCESS) {
        return;
    }
    Markup.Reset(mobi_init_rawml(Kf7Book.Get()));
    if (RebuildParts(Markup.Get(), Kf7Book.Get()) == MOBI_SUCCESS) {
        Outcome = TextOutcome::Kf7Half;
    }
}

CFilterSample::TextOutcome CFilterSample::WholeTextOutcome(const MOBIData* book) const {
    // The text records past the end of a book cut short give no text. libmobi reads no text
    // without record 0's header.
    const size_t textEnd = mobi_get_kf8offset(book) + 1 + book->rh->text_record_count;
    return textEnd > RecordsRead ? TextOutcome::Start
           : Condition.Kf7Half   ? TextOutcome::Kf7Half
                                 : TextOutcome::All;
}

bool CFilterSample::IsEncrypted() const {
    return IsTextEncrypted(Book.Get());
}

bool CFilterSample::EncryptionFieldIsReadingPosition() const {
    const MOBIRecord0Header* header = Book->rh;
    if (header == nullptr || mobi_is_mobipocket(Book.Get())) {
        return false;
    }
    // A PalmDOC record 0 keeps the high half of the reading position where libmobi reads the
    // encryption type, so a book last read at 64 KiB or more looks encrypted. Without a
    // Mobipocket header only DRM v1 exists: its 16-byte key sits at offset 14 of record 0, and
    // libmobi finds it and decrypts by itself. Type 2, or type 1 in a record 0 too short for
    // the key, is a reading position.
    constexpr size_t DrmV1KeyEnd = 14 + 16;
    return header->encryption_type == MOBI_ENCRYPTION_V2 ||
           (header->encryption_type == MOBI_ENCRYPTION_V1 &&
            (Book->rec == nullptr || Book->rec->size < DrmV1KeyEnd));
}

HRESULT CFilterSample::ProduceValue(ChunkValue& chunk, ULONG stage) {
    const BookPropertyRow& row = BookPropertyRows[stage];
    const unsigned readers = row.Readers & (ReadBy::ValueChunk | ReadBy::ValueChunkEvenEmpty);
    if (readers == 0) {
        return S_FALSE;
    }
    const MallocedString utf8 = BookValueString(Book.Get(), row);
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
    if (Text) {
        if (Text->NextPart()) {
            return chunk.SetText(PKEY_Search_Contents, *this);
        }
        Outcome = Text->Failed() ? TextOutcome::Damaged : WholeTextOutcome(Book.Get());
        // A stream that delivers fewer bytes than it holds ends the text where it does.
        Condition = Records->Condition();
        return S_FALSE;
    }
    if (Outcome == TextOutcome::NotYet) {
        PartCursor = nullptr;
        if (IsEncrypted()) {
            Outcome = TextOutcome::Encrypted;
            return S_FALSE;
        }
        RebuildMarkup();
        if (Outcome != TextOutcome::None) {
            PartCursor = Markup->markup;
        }
    }
    while (PartCursor != nullptr) {
        const MOBIPart* part = PartCursor;
        PartCursor = part->next;
        if (part->type != T_HTML || part->data == nullptr || part->size > 0xFFFFFFFFu) {
            continue;
        }
        size_t length = 0;
        CoTaskMemPtr<WCHAR> text(MarkupToText(reinterpret_cast<const char*>(part->data),
                                              static_cast<ULONG>(part->size), &length));
        if (!text) {
            return E_OUTOFMEMORY;
        }
        return chunk.SetText(PKEY_Search_Contents, std::move(text), static_cast<ULONG>(length));
    }
    return S_FALSE;
}

HRESULT CFilterSample::ProduceChunkValue(ChunkValue& chunk) {
    if (RanOutOfMemory) {
        return E_OUTOFMEMORY;
    }
    if (!Book) {
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

const char* CFilterSample::TextWords() const {
    switch (Outcome) {
    case TextOutcome::All:
        return "its details and all its text were read";
    case TextOutcome::Start:
        return "its details and the start of its text were read";
    case TextOutcome::Damaged:
        return "its details and the text before it were read";
    case TextOutcome::Kf7Half:
        return "its details and all its text, from its KF7 half, were read";
    case TextOutcome::None:
        return "its details were read, not its text";
    case TextOutcome::Encrypted:
        return "its details were read, not its text, which is encrypted with DRM";
    case TextOutcome::NotYet:
        break;
    }
    return "its details were read";
}

HRESULT CFilterSample::GetConditionWords(LPWSTR* words) {
    RETURN_IF_FAILED(StartWords(words, Stream.Get() != nullptr));
    if (!Book || Condition.Fault != BookFault::None) {
        return HandOutConditionWords(Condition, Bound, TextWords(), words);
    }
    // A whole book whose text could not be read.
    char text[ConditionWordsCapacity] = "";
    if (Outcome == TextOutcome::Encrypted) {
        std::snprintf(text, sizeof(text),
                      "encrypted with DRM: its details were read, not its text");
    } else if (Outcome == TextOutcome::Damaged) {
        std::snprintf(text, sizeof(text),
                      "damaged: libmobi cannot decode one of its text records; %s", TextWords());
    } else if (Outcome == TextOutcome::None) {
        std::snprintf(text, sizeof(text),
                      "damaged: libmobi cannot rebuild its text (%s); its details were read",
                      LibmobiReason(TextFailure));
    }
    return HandOutWords(text, words);
}
