#include "book/CFilterSample.h"

#include "book/MarkupToText.h"
#include "book/StreamFile.h"
#include "module/ModuleState.h"
#include "platform/QueryInterfaceTable.h"
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
}

HRESULT CFilterSample::QueryInterface(REFIID riid, void** ppv) {
    static const QITAB interfaces[] = {
        QITABENT(CFilterSample, IPersistStream),
        QITABENT(CFilterSample, IInitializeWithStream),
        QITABENT(CFilterSample, IFilter),
        {nullptr, 0},
    };
    return QueryInterfaceFromTable(this, interfaces, riid, ppv);
}

ULONG CFilterSample::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&RefCount));
}

ULONG CFilterSample::Release() {
    const LONG count = InterlockedDecrement(&RefCount);
    if (count == 0) {
        delete this;
        // Only once nothing of the object is left to run may the host unload the module.
        InterlockedDecrement(&ModuleRefCount);
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
    FILE* file = OpenStreamAsFile(Stream);
    if (file == nullptr) {
        return E_OUTOFMEMORY;
    }
    const MOBI_RET loaded = mobi_load_file(Book, file);
    fclose(file);
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
        if (!mobi_is_mobipocket(Book) && Book->rh != nullptr) {
            // A PalmDOC record 0 keeps the high half of the reading position where a
            // Mobipocket header keeps its encryption type. libmobi reads it as one and would
            // decrypt plain text; such a book has no encryption.
            Book->rh->encryption_type = MOBI_ENCRYPTION_NONE;
        }
        Markup = mobi_init_rawml(Book);
        // The text needs no reconstruction for export (package metadata, links, embedded
        // resources). That step writes its XML with libxml2 and ends with xmlCleanupParser,
        // which frees libxml2's global state under every other thread of the host using it:
        // filter objects run side by side in one process.
        if (Markup != nullptr &&
            mobi_parse_rawml_opt(Markup, Book, true, true, false) == MOBI_SUCCESS) {
            PartCursor = Markup->markup;
        }
    }
    while (PartCursor != nullptr) {
        MOBIPart* part = PartCursor;
        PartCursor = part->next;
        if (part->type != T_HTML || part->data == nullptr || part->size > 0xFFFFFFFFu) {
            continue;
        }
        size_t units = 0;
        WCHAR* text = MarkupToText(reinterpret_cast<char*>(part->data),
                                   static_cast<ULONG>(part->size), &units);
        if (text == nullptr) {
            continue;
        }
        const HRESULT keyed = chunk.SetKeyAndKind(PKEY_Search_Contents, CHUNK_TEXT);
        chunk.Text = text;
        // The text ends at its first zero unit, which a zero byte of the part may put early.
        chunk.TextLength = static_cast<ULONG>(Utf16LengthBounded(text, units));
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
