// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/CFilterSample.h"

#include "book/load/BookEncryption.h"
#include "book/load/LoadBook.h"
#include "book/markup/MarkupToText.h"
#include "book/metadata/BookLocale.h"
#include "book/metadata/BookMetadata.h"
#include "book/metadata/BookPropertyTable.h"
#include "book/metadata/ValueText.h"
#include "platform/ReturnIfFailed.h"

#include <new>
#include <utility>

namespace {

// A value chunk holds at most this many UTF-16 units, cut at a whole character.
constexpr size_t MaxValueUnits = 1023;

} // namespace

// One stage per row of the property table (the rows of value chunks give one each), then the
// text, which lasts while parts remain.
const ULONG CFilterSample::TextStage = BookPropertyRowCount;
const ULONG CFilterSample::Finished = BookPropertyRowCount + 1;

CFilterSample::CFilterSample() : PartCursor(nullptr), Stage(0), Locale(0) {}

HRESULT CFilterSample::PrepareContent() {
    // A stream bound again replaces the book bound before, and its sequence starts over.
    Markup.Reset();
    Text.reset();
    PartCursor = nullptr;
    Stage = 0;
    Locale = 0;

    Book.Reset(mobi_init());
    Records.reset(new (std::nothrow) BookRecords(Stream.Get()));
    if (!Book || !Records) {
        return E_OUTOFMEMORY;
    }
    // The headers, and what the text needs beside its text records, which it reads as it goes.
    if (LoadBookFromRecords(Book.Get(), *Records, LoadedRecords::Parts) != MOBI_SUCCESS) {
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
    Text.reset(new (std::nothrow) BookText());
    if (!Text) {
        return E_OUTOFMEMORY;
    }
    switch (Text->Open(Book.Get(), *Records)) {
    case BookText::Opened::Ready:
        return S_OK;
    case BookText::Opened::OutOfMemory:
        Text.reset();
        return E_OUTOFMEMORY;
    case BookText::Opened::WholeBook:
        break;
    }
    Text.reset();
    return LoadWholeBook();
}

HRESULT CFilterSample::LoadWholeBook() {
    Records.reset();
    Book.Reset(mobi_init());
    if (!Book) {
        return E_OUTOFMEMORY;
    }
    LARGE_INTEGER start;
    start.QuadPart = 0;
    Stream->Seek(start, STREAM_SEEK_SET, nullptr);
    if (LoadBookFromStream(Book.Get(), Stream.Get()) != MOBI_SUCCESS) {
        return E_FAIL;
    }
    if (EncryptionFieldIsReadingPosition()) {
        Book->rh->encryption_type = MOBI_ENCRYPTION_NONE;
    }
    return S_OK;
}

HRESULT CFilterSample::NextTextRun(const WCHAR** units, ULONG* count) {
    size_t length = 0;
    if (!Text || !Text->NextRun(units, &length)) {
        return S_FALSE;
    }
    *count = static_cast<ULONG>(length);
    return S_OK;
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
        return Text->NextPart() ? chunk.SetText(PKEY_Search_Contents, *this) : S_FALSE;
    }
    if (!Markup) {
        PartCursor = nullptr;
        if (IsEncrypted()) {
            return S_FALSE;
        }
        Markup.Reset(mobi_init_rawml(Book.Get()));
        // The text needs no reconstruction for export (package metadata, links, embedded
        // resources). That step writes its XML with libxml2 and ends with xmlCleanupParser,
        // which frees libxml2's global state under every other thread of the host using it:
        // filter objects run side by side in one process.
        if (Markup &&
            mobi_parse_rawml_opt(Markup.Get(), Book.Get(), true, true, false) == MOBI_SUCCESS) {
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
        if (text) {
            return chunk.SetText(PKEY_Search_Contents, std::move(text), static_cast<ULONG>(length));
        }
    }
    return S_FALSE;
}

HRESULT CFilterSample::ProduceChunkValue(ChunkValue& chunk) {
    if (!Book) {
        return E_UNEXPECTED;
    }
    while (Stage < Finished) {
        HRESULT produced = S_FALSE;
        if (Stage < TextStage) {
            produced = ProduceValue(chunk, Stage);
            ++Stage;
        } else if (ProduceNextText(chunk) == S_OK) {
            // The stage stays at text while parts remain. Each part is a passage of its own:
            // the host must not join its first word to the last word of the part before.
            chunk.Stat.breakType = CHUNK_EOP;
            produced = S_OK;
        } else {
            ++Stage;
        }
        if (produced == S_OK) {
            chunk.Stat.locale = Locale;
            return S_OK;
        }
    }
    return FILTER_E_END_OF_CHUNKS;
}
