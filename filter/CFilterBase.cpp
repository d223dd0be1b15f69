// SPDX-License-Identifier: LGPL-3.0-or-later
#include "filter/CFilterBase.h"

#include "platform/AllocationFailures.h"
#include "platform/ReturnIfFailed.h"
#include "platform/text/BoundedStringCopy.h"
#include "platform/text/Utf16Length.h"

#include <utility>

namespace {

// A producer that keeps answering S_FALSE is asked at most this often in one GetChunk.
constexpr int MaxProduceAttempts = 256;

// No host buffer can really hold this many characters; such a size is a corrupt argument.
constexpr ULONG LargestTextBuffer = 0x7FFFFFFF;

// What GetCurFile names when no file is bound: the default save prompt, as the convention
// of IPersistFile has it, for the product's most common books.
const WCHAR DefaultFilePrompt[] = UTF16("*.mobi");

// A copy of a zero-terminated string in the task allocator; null when memory runs out.
WCHAR* CopyToTaskMemory(const WCHAR* text) {
    const size_t length = Utf16Length(text) + 1;
    WCHAR* copy = TaskAllocate<WCHAR>(length);
    if (copy != nullptr) {
        std::memcpy(copy, text, length * sizeof(WCHAR));
    }
    return copy;
}

} // namespace

CFilterBase::CFilterBase() : LastChunkId(0), TextPosition(0) {
    Chunk.Clear();
}

HRESULT CFilterBase::Init(ULONG, ULONG, const FULLPROPSPEC*, ULONG* pFlags) {
    // The flags are an [out] value: a host that leaves the variable as it was must not read
    // IFILTER_FLAGS_OLE_PROPERTIES from whatever it held, and go looking for property sets.
    if (pFlags != nullptr) {
        *pFlags = 0;
    }
    LastChunkId = 0;
    TextPosition = 0;
    Chunk.Clear();
    return S_OK;
}

HRESULT CFilterBase::GetChunk(STAT_CHUNK* pStat) {
    if (pStat == nullptr) {
        return E_INVALIDARG;
    }
    HRESULT produced = S_FALSE;
    for (int attempt = 0; attempt < MaxProduceAttempts && produced == S_FALSE; ++attempt) {
        pStat->idChunk = LastChunkId;
        TextPosition = 0;
        produced = ProduceChunkValue(Chunk);
    }
    if (FAILED(produced)) {
        // No chunk is current any more: a host that drains GetText before it looks at this
        // code must not be handed the last chunk again.
        Chunk.Clear();
        return produced;
    }
    if (produced != S_OK) {
        return produced;
    }
    if (!Chunk.IsSet) {
        return E_INVALIDARG;
    }
    *pStat = Chunk.Stat;
    ++LastChunkId;
    pStat->idChunk = LastChunkId;
    return S_OK;
}

HRESULT CFilterBase::GetText(ULONG* pcwcBuffer, WCHAR* awcBuffer) {
    if (pcwcBuffer == nullptr || *pcwcBuffer == 0 || awcBuffer == nullptr ||
        *pcwcBuffer > LargestTextBuffer) {
        return E_INVALIDARG;
    }
    if (!Chunk.IsSet) {
        return FILTER_E_NO_MORE_TEXT;
    }
    if (Chunk.Stat.flags != CHUNK_TEXT) {
        return FILTER_E_NO_TEXT;
    }
    // The buffer is filled across the runs of the chunk's text, so that only its last portion
    // is short; a portion is the last when no unit follows it.
    const ULONG bufferSize = *pcwcBuffer;
    ULONG count = 0;
    bool more = true;
    for (;;) {
        if (TextPosition == Chunk.RunLength) {
            TextPosition = 0;
            const HRESULT next = Chunk.NextRun();
            if (FAILED(next)) {
                // Not a short last portion: the host must not take the text for whole.
                return next;
            }
            if (next != S_OK) {
                more = false;
                break;
            }
        }
        if (count == bufferSize - 1) {
            break;
        }
        const ULONG remaining = Chunk.RunLength - TextPosition;
        const ULONG taken = bufferSize - 1 - count < remaining ? bufferSize - 1 - count : remaining;
        BoundedStringCopy(awcBuffer + count, bufferSize - count, Chunk.Run + TextPosition, taken);
        count += taken;
        TextPosition += taken;
    }
    if (count == 0) {
        return FILTER_E_NO_MORE_TEXT;
    }
    awcBuffer[count] = 0;
    *pcwcBuffer = count;
    return more ? S_OK : FILTER_S_LAST_TEXT;
}

HRESULT CFilterBase::GetValue(PROPVARIANT** ppPropValue) {
    if (Chunk.Stat.flags != CHUNK_VALUE) {
        return FILTER_E_NO_MORE_VALUES;
    }
    if (ppPropValue == nullptr) {
        return E_INVALIDARG;
    }
    if (!Chunk.IsSet) {
        return FILTER_E_NO_MORE_VALUES;
    }
    const HRESULT copied = Chunk.CopyValueOut(ppPropValue);
    Chunk.Clear();
    return copied;
}

HRESULT CFilterBase::BindRegion(FILTERREGION, REFIID, void**) {
    return E_NOTIMPL;
}

HRESULT CFilterBase::Initialize(IStream* pstream, DWORD) {
    if (pstream == nullptr) {
        return E_INVALIDARG;
    }
    // A stream of the host's: no file of ours is bound any more.
    FilePath.Reset();
    // The new reference is taken before the old one goes, so that rebinding the same stream
    // never drops it to 0.
    pstream->AddRef();
    Stream.Reset(pstream);
    LARGE_INTEGER start;
    start.QuadPart = 0;
    Stream->Seek(start, STREAM_SEEK_SET, nullptr);
    // The chunk of the book bound before is no longer there to be read.
    Chunk.Clear();
    TextPosition = 0;
    return PrepareContent();
}

HRESULT CFilterBase::GetClassID(CLSID*) {
    return E_NOTIMPL;
}

HRESULT CFilterBase::IsStreamDirty() {
    return E_NOTIMPL;
}

HRESULT CFilterBase::Load(IStream* pStm) {
    return static_cast<IInitializeWithStream*>(this)->Initialize(pStm, 0);
}

HRESULT CFilterBase::Save(IStream*, BOOL) {
    return E_NOTIMPL;
}

HRESULT CFilterBase::GetSizeMax(ULARGE_INTEGER*) {
    return E_NOTIMPL;
}

HRESULT CFilterBase::IsFileDirty() {
    // Never changed, so never in need of saving.
    return S_FALSE;
}

HRESULT CFilterBase::Load(LPCOLESTR pszFileName, DWORD) {
    if (pszFileName == nullptr) {
        return E_INVALIDARG;
    }
    // Everything that can fail before the binding does so while the object is as it was.
    CoTaskMemPtr<WCHAR> path(CopyToTaskMemory(pszFileName));
    if (!path) {
        return E_OUTOFMEMORY;
    }
    ComPtr<IStream> stream;
    RETURN_IF_FAILED(SHCreateStreamOnFileEx(pszFileName, STGM_READ | STGM_SHARE_DENY_NONE,
                                            FILE_ATTRIBUTE_NORMAL, FALSE, nullptr, stream.Put()));
    const HRESULT bound =
        static_cast<IInitializeWithStream*>(this)->Initialize(stream.Get(), STGM_READ);
    // Initialize held on to the stream whatever its result, so the file is the one bound.
    FilePath = std::move(path);
    return bound;
}

HRESULT CFilterBase::Save(LPCOLESTR, BOOL) {
    return E_NOTIMPL;
}

HRESULT CFilterBase::SaveCompleted(LPCOLESTR) {
    return E_NOTIMPL;
}

HRESULT CFilterBase::GetCurFile(LPOLESTR* ppszFileName) {
    if (ppszFileName == nullptr) {
        return E_POINTER;
    }
    *ppszFileName = CopyToTaskMemory(FilePath ? FilePath.Get() : DefaultFilePrompt);
    if (*ppszFileName == nullptr) {
        return E_OUTOFMEMORY;
    }
    return FilePath ? S_OK : S_FALSE;
}
