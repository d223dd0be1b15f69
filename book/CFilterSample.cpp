// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/CFilterSample.h"

#include "book/LoadBookFromStream.h"
#include "book/MarkupToText.h"

#include <utility>

namespace {

// The title and the author are converted in a buffer of this many UTF-16 units.
constexpr int ValueBufferUnits = 1024;

bool IsHighSurrogate(WCHAR unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

// Converts a UTF-8 string into `buffer`. A string too long for it keeps its first
// ValueBufferUnits - 1 units, cut before a surrogate pair that would not fit whole.
void ConvertValue(const char* utf8, WCHAR (&buffer)[ValueBufferUnits]) {
    // Nearly every value fits, and is converted straight into the buffer; a conversion that
    // does not fit fails, and only then is the whole string measured.
    if (MultiByteToWideChar(CP_UTF8, 0, utf8, -1, buffer, ValueBufferUnits) > 0) {
        return;
    }
    buffer[0] = 0;
    const int needed = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    if (needed <= ValueBufferUnits) {
        return;
    }
    CoTaskMemPtr<WCHAR> whole(
        static_cast<WCHAR*>(CoTaskMemAlloc(static_cast<size_t>(needed) * sizeof(WCHAR))));
    if (!whole) {
        return;
    }
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, whole.Get(), needed);
    int kept = ValueBufferUnits - 1;
    if (IsHighSurrogate(whole.Get()[kept - 1])) {
        --kept;
    }
    for (int i = 0; i < kept; ++i) {
        buffer[i] = whole.Get()[i];
    }
    buffer[kept] = 0;
}

} // namespace

CFilterSample::CFilterSample() : PartCursor(nullptr), Stage(TitleStage) {}

HRESULT CFilterSample::PrepareContent() {
    // A stream bound again replaces the book bound before, and its sequence starts over.
    Markup.Reset();
    PartCursor = nullptr;
    Stage = TitleStage;

    Book.Reset(mobi_init());
    if (!Book) {
        return E_OUTOFMEMORY;
    }
    const MOBI_RET loaded = LoadBookFromStream(Book.Get(), Stream.Get());
    return loaded == MOBI_SUCCESS ? S_OK : E_FAIL;
}

bool CFilterSample::IsEncrypted() const {
    return mobi_is_mobipocket(Book.Get()) && Book->rh != nullptr &&
           (Book->rh->encryption_type == MOBI_ENCRYPTION_V1 ||
            Book->rh->encryption_type == MOBI_ENCRYPTION_V2);
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

HRESULT CFilterSample::ProduceValue(ChunkValue& chunk, MallocedString utf8, REFPROPERTYKEY key) {
    if (!utf8) {
        return S_FALSE;
    }
    WCHAR buffer[ValueBufferUnits];
    ConvertValue(utf8.Get(), buffer);
    return chunk.SetStringValue(key, buffer);
}

HRESULT CFilterSample::ProduceNextText(ChunkValue& chunk) {
    if (!Markup) {
        PartCursor = nullptr;
        if (IsEncrypted()) {
            return S_FALSE;
        }
        if (EncryptionFieldIsReadingPosition()) {
            Book->rh->encryption_type = MOBI_ENCRYPTION_NONE;
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
        switch (Stage) {
        case TitleStage:
            produced =
                ProduceValue(chunk, MallocedString(mobi_meta_get_title(Book.Get())), PKEY_Title);
            break;
        case AuthorStage:
            produced =
                ProduceValue(chunk, MallocedString(mobi_meta_get_author(Book.Get())), PKEY_Author);
            break;
        default:
            if (ProduceNextText(chunk) == S_OK) {
                return S_OK; // the stage stays at text while parts remain
            }
            break;
        }
        ++Stage;
        if (produced == S_OK) {
            return S_OK;
        }
    }
    return FILTER_E_END_OF_CHUNKS;
}
