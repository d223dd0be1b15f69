#include "book/CFilterSample.h"

#include "book/LoadBookFromStream.h"
#include "book/MarkupToText.h"
#include "module/ModuleState.h"
#include "platform/Utf16Length.h"

#include <cstdlib>
#include <new>

namespace {

// The title and the author are converted in a buffer of this many UTF-16 units.
constexpr int ValueBufferUnits = 1024;

bool IsHighSurrogate(WCHAR unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

// Converts a UTF-8 string into `buffer`. A string too long for it keeps its first
// ValueBufferUnits - 1 units, cut before a surrogate pair that would not fit whole.
void ConvertValue(const char* utf8, WCHAR (&buffer)[ValueBufferUnits]) {
    buffer[0] = 0;
    const int needed = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    if (needed <= ValueBufferUnits) {
        MultiByteToWideChar(CP_UTF8, 0, utf8, -1, buffer, ValueBufferUnits);
        return;
    }
    auto* whole = static_cast<WCHAR*>(CoTaskMemAlloc(static_cast<size_t>(needed) * sizeof(WCHAR)));
    if (whole == nullptr) {
        return;
    }
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, whole, needed);
    int kept = ValueBufferUnits - 1;
    if (IsHighSurrogate(whole[kept - 1])) {
        --kept;
    }
    for (int i = 0; i < kept; ++i) {
        buffer[i] = whole[i];
    }
    buffer[kept] = 0;
    CoTaskMemFree(whole);
}

} // namespace

CFilterSample::CFilterSample()
    : RefCount(1), Book(nullptr), Markup(nullptr), PartCursor(nullptr), Stage(TitleStage) {
    InterlockedIncrement(&ModuleRefCount);
}

CFilterSample::~CFilterSample() {
    ReleaseBook();
    InterlockedDecrement(&ModuleRefCount);
}

HRESULT CFilterSample::QueryInterface(REFIID riid, void** ppv) {
    static const QITAB interfaces[] = {
        QITABENT(CFilterSample, IPersistStream),
        QITABENT(CFilterSample, IInitializeWithStream),
        QITABENT(CFilterSample, IFilter),
        {nullptr, 0},
    };
    return QISearch(this, interfaces, riid, ppv);
}

ULONG CFilterSample::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&RefCount));
}

ULONG CFilterSample::Release() {
    const LONG count = InterlockedDecrement(&RefCount);
    if (count == 0) {
        delete this;
    }
    return static_cast<ULONG>(count);
}

void CFilterSample::ReleaseBook() {
    if (Markup != nullptr) {
        mobi_free_rawml(Markup);
        Markup = nullptr;
    }
    if (Book != nullptr) {
        mobi_free(Book);
        Book = nullptr;
    }
    PartCursor = nullptr;
}

HRESULT CFilterSample::PrepareContent() {
    // A stream bound again replaces the book bound before, and its sequence starts over.
    ReleaseBook();
    Stage = TitleStage;

    Book = mobi_init();
    if (Book == nullptr) {
        return E_OUTOFMEMORY;
    }
    const MOBI_RET loaded = LoadBookFromStream(Book, Stream);
    return loaded == MOBI_SUCCESS ? S_OK : E_FAIL;
}

bool CFilterSample::IsEncrypted() const {
    return mobi_is_mobipocket(Book) && Book->rh != nullptr &&
           (Book->rh->encryption_type == MOBI_ENCRYPTION_V1 ||
            Book->rh->encryption_type == MOBI_ENCRYPTION_V2);
}

HRESULT CFilterSample::ProduceValue(ChunkValue& chunk, char* utf8, REFPROPERTYKEY key) {
    if (utf8 == nullptr) {
        return S_FALSE;
    }
    WCHAR buffer[ValueBufferUnits];
    ConvertValue(utf8, buffer);
    free(utf8);
    return chunk.SetStringValue(key, buffer);
}

HRESULT CFilterSample::ProduceNextText(ChunkValue& chunk) {
    if (Markup == nullptr) {
        PartCursor = nullptr;
        if (IsEncrypted()) {
            return S_FALSE;
        }
        Markup = mobi_init_rawml(Book);
        if (Markup != nullptr && mobi_parse_rawml(Markup, Book) == MOBI_SUCCESS) {
            PartCursor = Markup->markup;
        }
    }
    while (PartCursor != nullptr) {
        MOBIPart* part = PartCursor;
        PartCursor = part->next;
        if (part->type != T_HTML || part->data == nullptr || part->size > 0xFFFFFFFFu) {
            continue;
        }
        WCHAR* text =
            MarkupToText(reinterpret_cast<char*>(part->data), static_cast<ULONG>(part->size));
        if (text == nullptr) {
            continue;
        }
        const HRESULT keyed = chunk.SetKeyAndKind(PKEY_Search_Contents, CHUNK_TEXT);
        chunk.Text = text;
        chunk.TextLength = static_cast<ULONG>(Utf16Length(text));
        chunk.IsSet = true;
        return keyed;
    }
    return S_FALSE;
}

HRESULT CFilterSample::ProduceChunkValue(ChunkValue& chunk) {
    if (Book == nullptr) {
        return E_UNEXPECTED;
    }
    while (Stage < Finished) {
        HRESULT produced = S_FALSE;
        switch (Stage) {
        case TitleStage:
            produced = ProduceValue(chunk, mobi_meta_get_title(Book), PKEY_Title);
            break;
        case AuthorStage:
            produced = ProduceValue(chunk, mobi_meta_get_author(Book), PKEY_Author);
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
