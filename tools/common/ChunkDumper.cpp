// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/common/ChunkDumper.h"

#include "platform/UniqueAny.h"
#include "platform/text/Utf16Length.h"

#include <cstring>

namespace {

// A filter that never ends its sequence would keep the tool busy forever.
const unsigned long MaxGetChunkCalls = 1UL << 22;

} // namespace

ChunkDumper::ChunkDumper(ChunkSink& sink, ULONG portionSize)
    : Sink(sink), PortionSize(portionSize == 0 ? 1 : portionSize),
      Portion(static_cast<size_t>(PortionSize) + 1) {}

HRESULT ChunkDumper::Dump(IFilter* filter) {
    Fault = nullptr;
    OutOfMemory = false;
    ChunkCount = 0;
    CharacterCount = 0;
    ULONG flags = 0;
    const HRESULT initResult =
        filter->Init(IFILTER_INIT_CANON_PARAGRAPHS | IFILTER_INIT_HARD_LINE_BREAKS |
                         IFILTER_INIT_APPLY_INDEX_ATTRIBUTES | IFILTER_INIT_INDEXING_ONLY,
                     0, nullptr, &flags);
    if (FAILED(initResult)) {
        Sink.End(initResult);
        return initResult;
    }
    for (unsigned long calls = 0;; ++calls) {
        if (Sink.Failed()) {
            return DumpStopped;
        }
        if (calls == MaxGetChunkCalls) {
            Sink.End(E_UNEXPECTED);
            return E_UNEXPECTED;
        }
        STAT_CHUNK stat;
        std::memset(&stat, 0, sizeof(stat));
        const HRESULT chunkResult = filter->GetChunk(&stat);
        if (FAILED(chunkResult)) {
            Sink.End(chunkResult);
            return chunkResult;
        }
        // Another success code (S_FALSE: nothing this time) hands out no chunk; the host
        // asks again, as it does until GetChunk fails.
        if (chunkResult != S_OK) {
            continue;
        }
        ++ChunkCount;
        Sink.BeginChunk(stat);
        HRESULT error = S_OK;
        const char* fault = nullptr;
        if (stat.flags & CHUNK_TEXT) {
            DrainText(filter, error, fault);
        } else if (stat.flags & CHUNK_VALUE) {
            TakeValue(filter, error, fault);
        }
        OutOfMemory = OutOfMemory || error == E_OUTOFMEMORY;
        Sink.EndChunk(error, fault);
        if ((error != S_OK || fault != nullptr) && !Sink.RecordsFailures()) {
            Fault = fault;
            const HRESULT stop = error != S_OK ? error : E_UNEXPECTED;
            Sink.End(stop);
            return stop;
        }
    }
}

void ChunkDumper::DrainText(IFilter* filter, HRESULT& error, const char*& fault) {
    for (;;) {
        ULONG count = static_cast<ULONG>(Portion.size());
        const HRESULT hr = filter->GetText(&count, Portion.data());
        if (hr == FILTER_E_NO_MORE_TEXT) {
            return;
        }
        if (hr != S_OK && hr != FILTER_S_LAST_TEXT) {
            error = hr;
            return;
        }
        if (count > PortionSize) {
            fault = "GetText reported more characters than the buffer holds";
            return;
        }
        if (Portion[count] != 0) {
            fault = "GetText did not terminate the portion";
        }
        CharacterCount += count;
        Sink.Text(Portion.data(), count);
        if (hr == FILTER_S_LAST_TEXT || Sink.Failed()) {
            return;
        }
        if (count == 0) {
            fault = "GetText returned S_OK without text";
            return;
        }
    }
}

void ChunkDumper::TakeValue(IFilter* filter, HRESULT& error, const char*& fault) {
    // The host owns the PROPVARIANT it receives, its contents and its block.
    PropVariantBlock value;
    const HRESULT hr = filter->GetValue(value.Put());
    if (FAILED(hr)) {
        error = hr;
        Sink.Value(nullptr, 0, VT_EMPTY);
        return;
    }
    if (!value) {
        fault = "GetValue succeeded without a value";
        Sink.Value(nullptr, 0, VT_EMPTY);
        return;
    }
    if (value->vt == VT_LPWSTR && value->pwszVal != nullptr) {
        const size_t length = Utf16Length(value->pwszVal);
        CharacterCount += length;
        Sink.Value(value->pwszVal, length, value->vt);
    } else {
        Sink.Value(nullptr, 0, value->vt);
    }
}
