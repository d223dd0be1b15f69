// The whole filtering path on arbitrary bytes: a stream over the bytes is bound, every chunk
// is drained as an indexer would, and the object is released. Besides crashes and leaks it
// checks what must hold for every input.
#include "book/CFilterSample.h"
#include "platform/ComObject.h"
#include "platform/UniqueAny.h"
#include "tests/support/RecordingStream.h"

#include <cstdlib>
#include <vector>

namespace {

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void DrainText(IFilter* filter, ULONG bufferSize) {
    std::vector<WCHAR> buffer(bufferSize + 1);
    for (;;) {
        ULONG count = bufferSize;
        const HRESULT hr = filter->GetText(&count, buffer.data());
        if (hr != S_OK && hr != FILTER_S_LAST_TEXT) {
            Require(hr == FILTER_E_NO_MORE_TEXT);
            return;
        }
        Require(count > 0 && count < bufferSize && buffer[count] == 0);
        if (hr == FILTER_S_LAST_TEXT) {
            ULONG again = bufferSize;
            Require(filter->GetText(&again, buffer.data()) == FILTER_E_NO_MORE_TEXT);
            return;
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const LONG modulesBefore = ModuleRefCount;
    static const ULONG bufferSizes[] = {2, 3, 5, 64, 4096};
    const ULONG bufferSize = bufferSizes[size % (sizeof(bufferSizes) / sizeof(bufferSizes[0]))];

    RecordingStream stream(std::vector<unsigned char>(data, data + size));
    auto* object = new (std::nothrow) ComObject<CFilterSample>();
    IFilter* filter = object;
    const HRESULT bound = object->Initialize(&stream, 0);
    Require(bound == S_OK || bound == E_FAIL);

    Require(filter->Init(0, 0, nullptr, nullptr) == S_OK);
    ULONG expectedId = 1;
    for (;;) {
        STAT_CHUNK stat;
        const HRESULT hr = filter->GetChunk(&stat);
        if (hr != S_OK) {
            Require(hr == FILTER_E_END_OF_CHUNKS);
            break;
        }
        Require(stat.idChunk == expectedId++);
        if (stat.flags == CHUNK_VALUE) {
            PropVariantBlock value;
            Require(filter->GetValue(value.Put()) == S_OK && value->vt == VT_LPWSTR);
        } else {
            Require(stat.flags == CHUNK_TEXT);
            DrainText(filter, bufferSize);
        }
    }
    for (const RecordingStream::Call& call : stream.Calls) {
        Require(call.Method == "Read" || call.Method == "Seek");
    }
    Require(filter->Release() == 0);
    Require(ModuleRefCount == modulesBefore);
    Require(stream.ReferenceCount() == 1);
    return 0;
}
