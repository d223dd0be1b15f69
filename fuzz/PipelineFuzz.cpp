// SPDX-License-Identifier: LGPL-3.0-or-later
// The whole filtering path on arbitrary bytes: a stream over the bytes is bound, every chunk
// is drained as an indexer would (by the tools' ChunkDumper), and the object is released.
// Besides crashes and leaks it checks what must hold for every input. The thumbnail provider
// then reads its cover from the same bytes.
#include "book/CBookThumbnailProvider.h"
#include "book/CoverRecord.h"
#include "platform/ComObject.h"
#include "tests/support/MakeBookFilter.h"
#include "tests/support/RecordingStream.h"
#include "tools/common/ChunkDumper.h"
#include "tools/common/ChunkSink.h"

#include <cstdlib>
#include <vector>

namespace {

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// Checks every chunk as it comes: numbered from 1, one locale for all of them (neutral, or a
// language with its sublanguage), text chunks ending a paragraph, text in portions that are not
// empty, a string for every value, no failing call and no broken promise (a portion longer than
// the buffer, or not terminated), and the end of the chunks.
class CheckingSink final : public ChunkSink {
public:
    explicit CheckingSink(IFilter* filter) : Filter(filter) {}

    void BeginChunk(const STAT_CHUNK& stat) override {
        Require(stat.idChunk == ++ExpectedId);
        Require(stat.flags == CHUNK_VALUE || stat.flags == CHUNK_TEXT);
        InText = stat.flags == CHUNK_TEXT;
        Require(stat.breakType == (InText ? CHUNK_EOP : CHUNK_NO_BREAK));
        Require(stat.locale == 0 || (stat.locale >> 10) != 0);
        Require(ExpectedId == 1 || stat.locale == Locale);
        Locale = stat.locale;
    }
    void Text(const WCHAR*, size_t length) override { Require(length > 0); }
    void Value(const WCHAR*, size_t, VARTYPE type) override { Require(type == VT_LPWSTR); }
    void EndChunk(HRESULT error, const char* fault) override {
        Require(error == S_OK && fault == nullptr);
        // A drained text has nothing more.
        if (InText) {
            WCHAR buffer[8];
            ULONG again = 7;
            Require(Filter->GetText(&again, buffer) == FILTER_E_NO_MORE_TEXT);
        }
    }
    void End(HRESULT code) override { Require(code == FILTER_E_END_OF_CHUNKS); }

private:
    IFilter* Filter;
    ULONG ExpectedId = 0;
    LCID Locale = 0;
    bool InText = false;
};

// The thumbnail provider over the same bytes: it binds when the filter does, and a cover it
// hands out is a picture by its first bytes, whatever EXTH 201 and 202 say.
void CheckCover(const uint8_t* data, size_t size, HRESULT filterBound) {
    RecordingStream stream(std::vector<unsigned char>(data, data + size));
    ComPtr<IInitializeWithStream> provider;
    Require(CreateInstance<CBookThumbnailProvider>(IID_IInitializeWithStream, provider.PutVoid()) ==
            S_OK);
    const HRESULT bound = provider->Initialize(&stream, STGM_READ);
    Require(bound == filterBound);
    ComPtr<IBookCover> cover;
    Require(provider->QueryInterface(IID_IBookCover, cover.PutVoid()) == S_OK);
    BYTE* bytes = nullptr;
    ULONG length = 0;
    const HRESULT got = cover->GetCoverBytes(&bytes, &length);
    const CoTaskMemPtr<BYTE> held(bytes);
    if (bound != S_OK) {
        Require(got == E_UNEXPECTED && bytes == nullptr);
    } else if (got == S_OK) {
        Require(StartsAsPicture(bytes, length) && length <= size);
    } else {
        Require(got == WTS_E_FAILEDEXTRACTION && bytes == nullptr && length == 0);
    }
    cover.Reset();
    Require(provider.Detach()->Release() == 0);
    Require(stream.ReferenceCount() == 1);
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
    Require(bound == S_OK || bound == E_FAIL);

    CheckingSink sink(filter.Get());
    ChunkDumper(sink, portionSize).Dump(filter.Get());
    for (const RecordingStream::Call& call : stream.Calls) {
        Require(call.Method == "Read" || call.Method == "Seek");
    }
    Require(filter.Detach()->Release() == 0);
    Require(ModuleRefCount == modulesBefore);
    Require(stream.ReferenceCount() == 1);
    CheckCover(data, size, bound);
    Require(ModuleRefCount == modulesBefore);
    return 0;
}
