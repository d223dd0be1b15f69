// SPDX-License-Identifier: LGPL-3.0-or-later
// The whole filtering path on arbitrary bytes: a stream over the bytes is bound, every chunk
// is drained as an indexer would (by the tools' ChunkDumper), and the object is released; then
// the property handler is bound to the same bytes and every property read, as Explorer reads
// them, and the thumbnail provider reads its cover from them; last the preview pane's page is
// made from them and its faces chosen, as the preview handler does before its window (Windows'
// business) lays it out. Besides crashes and leaks it checks what must hold for every input,
// among it what each object says of the book (a line of words for every book that does not
// bind), and that where libmobi rebuilds the whole book's markup, the text read part by part is
// the text of those parts. Inputs cut short anywhere are among the inputs: both readings show
// libmobi the same shorter record table.
#include "book/CBookPropertyStore.h"
#include "book/CBookThumbnailProvider.h"
#include "book/IBookCondition.h"
#include "book/load/RecordKind.h"
#include "book/preview/PreviewContent.h"
#include "platform/ComObject.h"
#include "platform/UniqueAny.h"
#include "tests/support/BookHtmlParts.h"
#include "tests/support/MakeBookFilter.h"
#include "tests/support/MakeBoundObject.h"
#include "tests/support/RecordingStream.h"
#include "tests/support/References.h"
#include "tools/common/ChunkDumper.h"
#include "tools/common/ChunkSink.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace {

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// Checks every chunk as it comes: numbered from 1, one locale for all of them (neutral, or a
// language with its sublanguage), text chunks ending a paragraph, text in portions that are not
// empty, a string for every value, no failing call but for memory running out and no broken
// promise (a portion longer than the buffer, or not terminated), and the end of the chunks.
// A corrupt count can make libmobi ask for more memory than there is: the chunks then end with
// E_OUTOFMEMORY, never with other content.
class CheckingSink final : public ChunkSink {
public:
    explicit CheckingSink(IFilter* filter) : Filter(filter) {}

    void BeginChunk(const STAT_CHUNK& stat) override {
        Require(stat.idChunk == ++ExpectedId);
        Require(stat.flags == CHUNK_VALUE || stat.flags == CHUNK_TEXT);
        InText = stat.flags == CHUNK_TEXT;
        if (InText) {
            Texts.emplace_back();
        }
        Require(stat.breakType == (InText ? CHUNK_EOP : CHUNK_NO_BREAK));
        Require(stat.locale == 0 || (stat.locale >> 10) != 0);
        Require(ExpectedId == 1 || stat.locale == Locale);
        Locale = stat.locale;
    }
    void Text(const WCHAR* text, size_t length) override {
        Require(length > 0);
        Texts.back().append(reinterpret_cast<const char16_t*>(text), length);
    }
    void Value(const WCHAR*, size_t, VARTYPE type) override { Require(type == VT_LPWSTR); }
    void EndChunk(HRESULT error, const char* fault) override {
        Require((error == S_OK || error == E_OUTOFMEMORY) && fault == nullptr);
        RanOutOfMemory = RanOutOfMemory || error == E_OUTOFMEMORY;
        if (error != S_OK) {
            return;
        }
        // A drained text has nothing more.
        if (InText) {
            WCHAR buffer[8];
            ULONG again = 7;
            Require(Filter->GetText(&again, buffer) == FILTER_E_NO_MORE_TEXT);
        }
    }
    void End(HRESULT code) override {
        Require(code == FILTER_E_END_OF_CHUNKS || code == E_OUTOFMEMORY);
        RanOutOfMemory = RanOutOfMemory || code == E_OUTOFMEMORY;
    }

    bool RanOutOfMemory = false;

    // Each text chunk's text, its portions joined.
    std::vector<std::u16string> Texts;

private:
    IFilter* Filter;
    ULONG ExpectedId = 0;
    LCID Locale = 0;
    bool InText = false;
};

bool IsFilledString(const WCHAR* text) {
    return text != nullptr && text[0] != 0;
}

// What `object` says of the book it was bound to: words when the binding failed, words or
// nothing when it succeeded; each line one of printable characters.
void CheckCondition(IUnknown* object, HRESULT bound) {
    ComPtr<IBookCondition> condition;
    Require(object->QueryInterface(IID_IBookCondition, condition.PutVoid()) == S_OK);
    WCHAR* words = nullptr;
    const HRESULT said = condition->GetConditionWords(&words);
    const CoTaskMemPtr<WCHAR> held(words);
    Require(said == S_OK || (said == S_FALSE && bound == S_OK && words == nullptr));
    if (said == S_OK) {
        Require(IsFilledString(words));
        for (const WCHAR* c = words; *c != 0; ++c) {
            Require(*c >= 0x20 && *c < 0x7F);
        }
    }
}

// The thumbnail provider over the same bytes: it binds when the filter does, and a cover it
// hands out is a picture by its first bytes, whatever EXTH 201 and 202 say.
void CheckCover(const uint8_t* data, size_t size, HRESULT filterBound) {
    RecordingStream stream(std::vector<unsigned char>(data, data + size));
    ComPtr<IBookCover> cover;
    const HRESULT bound = MakeBoundObject<CBookThumbnailProvider>(&stream, IID_IBookCover, cover);
    // A reader that asks for more memory than there is answers so, whatever the other did.
    Require(cover &&
            (bound == filterBound || bound == E_OUTOFMEMORY || filterBound == E_OUTOFMEMORY));
    CheckCondition(cover.Get(), bound);
    BYTE* bytes = nullptr;
    ULONG length = 0;
    const HRESULT got = cover->GetCoverBytes(&bytes, &length);
    const CoTaskMemPtr<BYTE> held(bytes);
    if (bound != S_OK) {
        Require(got == E_UNEXPECTED && bytes == nullptr);
    } else if (got == S_OK) {
        Require(ClassifyRecord(bytes, length, length) == RecordKind::Picture && length <= size);
    } else {
        Require(got == WTS_E_FAILEDEXTRACTION && bytes == nullptr && length == 0);
    }
    Require(cover.Detach()->Release() == 0);
    Require(ReferencesOf(stream) == 1);
}

// Every property a string that is not empty, a vector of them or a year of four digits, each
// key once; nothing at all when the book did not load.
void CheckProperties(const std::vector<unsigned char>& bytes) {
    RecordingStream stream(bytes);
    ComPtr<IPropertyStore> store;
    const HRESULT bound = MakeBoundObject<CBookPropertyStore>(&stream, IID_IPropertyStore, store);
    Require(store && (bound == S_OK || bound == E_FAIL || bound == E_OUTOFMEMORY));
    Require(ReferencesOf(stream) == 1);
    CheckCondition(store.Get(), bound);
    DWORD count = 0;
    Require(store->GetCount(&count) == S_OK);
    Require(count <= MaxBookProperties && (bound == S_OK || count == 0));
    PROPERTYKEY keys[MaxBookProperties];
    for (DWORD i = 0; i < count; ++i) {
        Require(store->GetAt(i, &keys[i]) == S_OK);
        for (DWORD j = 0; j < i; ++j) {
            Require(!IsEqualPropertyKey(keys[i], keys[j]));
        }
        PropVariant value;
        Require(store->GetValue(keys[i], &value.Get()) == S_OK);
        if (value->vt == VT_LPWSTR) {
            Require(IsFilledString(value->pwszVal));
        } else if (value->vt == (VT_VECTOR | VT_LPWSTR)) {
            Require(value->calpwstr.cElems > 0);
            for (ULONG j = 0; j < value->calpwstr.cElems; ++j) {
                Require(IsFilledString(value->calpwstr.pElems[j]));
            }
        } else {
            Require(value->vt == VT_UI4 && value->ulVal >= 1000 && value->ulVal <= 9999);
        }
    }
    PROPERTYKEY beyond;
    Require(store->GetAt(count, &beyond) == E_INVALIDARG);
    ComPtr<IInitializeWithStream> initialize;
    Require(store->QueryInterface(IID_IInitializeWithStream, initialize.PutVoid()) == S_OK);
    Require(initialize->Initialize(&stream, STGM_READ) ==
            HRESULT_FROM_WIN32(ERROR_ALREADY_INITIALIZED));
    initialize.Reset();
    Require(store.Detach()->Release() == 0);
}

// A pane whose face has ASCII alone, and a face that has every other character.
HRESULT FindAsciiGlyphs(const WCHAR* face, const WCHAR* sample, size_t length, bool* present) {
    const bool paneFace = face[0] == 'P' && face[1] == 0;
    for (size_t i = 0; i < length; ++i) {
        present[i] = !paneFace || sample[i] < 0x80;
    }
    return S_OK;
}

// The preview's page, unless it ran out of memory: at least one line, each one paragraph without
// a line feed or blanks at its ends; its text the filter's `texts` (when given), paragraph by
// paragraph, within the budget and ending with an ellipsis where it was cut; a cover that is a
// picture; a line drawn with another face than the pane's holds a character the pane's face
// lacks.
void CheckPreview(const std::vector<unsigned char>& bytes,
                  const std::vector<std::u16string>* texts) {
    RecordingStream stream(bytes);
    PreviewContent content;
    const HRESULT read = content.Read(&stream);
    Require(read == S_OK || read == E_OUTOFMEMORY);
    Require(ReferencesOf(stream) == 1);
    if (read != S_OK) {
        return;
    }
    const WCHAR paneFace[] = {'P', 0};
    content.ChooseFaces(paneFace, FindAsciiGlyphs);
    const PreviewPage& page = content.Page();
    Require(page.LineCount > 0);
    Require(page.Cover == nullptr ||
            ClassifyRecord(page.Cover, page.CoverSize, page.CoverSize) == RecordKind::Picture);
    std::u16string filtered;
    for (const std::u16string& text : texts != nullptr ? *texts : std::vector<std::u16string>()) {
        filtered += text + u'\n';
    }
    size_t shown = 0;
    for (size_t i = 0; i < page.LineCount; ++i) {
        const PreviewLine& line = page.Lines[i];
        std::u16string text(reinterpret_cast<const char16_t*>(line.Text), line.Length);
        Require(!text.empty() && text.find(u'\n') == std::u16string::npos);
        Require(text.front() != u' ' && text.back() != u' ');
        bool beyondAscii = false;
        for (char16_t unit : text) {
            beyondAscii = beyondAscii || unit >= 0x80;
        }
        Require(!line.OtherFace || beyondAscii);
        Require(!line.OtherFace || page.FaceName != nullptr);
        if (line.Style != PreviewStyle::Paragraph || texts == nullptr) {
            continue;
        }
        shown += text.size() + 1;
        const bool cut = i + 1 == page.LineCount && text.back() == u'\u2026';
        Require(filtered.find(cut ? text.substr(0, text.size() - 1) : text) !=
                std::u16string::npos);
    }
    Require(shown <= PreviewTextBudget + 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const LONG modulesBefore = ModuleRefCount;
    // Characters per GetText portion; the buffer holds one unit more.
    static const ULONG portionSizes[] = {1, 2, 4, 63, 4095};
    const ULONG portionSize = portionSizes[size % (sizeof(portionSizes) / sizeof(portionSizes[0]))];

    RecordingStream stream(std::vector<unsigned char>(data, data + size));
    ComPtr<IFilter> filter;
    const HRESULT bound = MakeBookFilter(&stream, filter);
    Require(bound == S_OK || bound == E_FAIL || bound == E_OUTOFMEMORY);

    CheckingSink sink(filter.Get());
    ChunkDumper(sink, portionSize).Dump(filter.Get());
    CheckCondition(filter.Get(), bound);
    bool rebuilt = false;
    const std::vector<std::u16string> whole = WholeRebuildTexts(stream.Bytes, &rebuilt);
    Require(!rebuilt || sink.RanOutOfMemory || sink.Texts == whole);
    for (const RecordingStream::Call& call : stream.Calls) {
        Require(call.Method == "Read" || call.Method == "Seek");
    }
    Require(filter.Detach()->Release() == 0);
    Require(ModuleRefCount == modulesBefore);
    Require(ReferencesOf(stream) == 1);
    CheckCover(data, size, bound);

    CheckProperties(stream.Bytes);
    // The filter's text to compare with, unless it ran out of memory.
    CheckPreview(stream.Bytes, sink.RanOutOfMemory ? nullptr : &sink.Texts);
    Require(ModuleRefCount == modulesBefore);
    return 0;
}
