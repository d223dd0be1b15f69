// SPDX-License-Identifier: LGPL-3.0-or-later
// The filter object's framework: the IFilter chunk engine over one ChunkValue, and the binding
// of a stream through IInitializeWithStream or IPersistStream. A concrete class supplies the
// content (PrepareContent, ProduceChunkValue); ComObject completes it into an object.
#pragma once

#include "filter/ChunkValue.h"
#include "platform/ComPtr.h"
#include "platform/Platform.h"

class CFilterBase : public IFilter, public IInitializeWithStream, public IPersistStream {
public:
    CFilterBase();
    CFilterBase(const CFilterBase&) = delete;
    CFilterBase& operator=(const CFilterBase&) = delete;

    // The three faces; the first is the object's identity.
    template <typename Self> static const QITAB* Interfaces() {
        static const QITAB table[] = {
            QITABENT(Self, IPersistStream),
            QITABENT(Self, IInitializeWithStream),
            QITABENT(Self, IFilter),
            {nullptr, 0},
        };
        return table;
    }

    // IFilter
    HRESULT STDMETHODCALLTYPE Init(ULONG grfFlags, ULONG cAttributes,
                                   const FULLPROPSPEC* aAttributes, ULONG* pFlags) override;
    HRESULT STDMETHODCALLTYPE GetChunk(STAT_CHUNK* pStat) override;
    HRESULT STDMETHODCALLTYPE GetText(ULONG* pcwcBuffer, WCHAR* awcBuffer) override;
    HRESULT STDMETHODCALLTYPE GetValue(PROPVARIANT** ppPropValue) override;
    HRESULT STDMETHODCALLTYPE BindRegion(FILTERREGION origPos, REFIID riid, void** ppunk) override;

    // Loads the content of the stream just bound, which stands at its start. Its result is
    // the binding's result.
    virtual HRESULT PrepareContent() = 0;
    // Fills `chunk` with the next chunk: S_OK (set), S_FALSE (ask again), or a code that
    // goes to the host unchanged, normally FILTER_E_END_OF_CHUNKS.
    virtual HRESULT ProduceChunkValue(ChunkValue& chunk) = 0;
    virtual ~CFilterBase() = default;

    // IInitializeWithStream
    HRESULT STDMETHODCALLTYPE Initialize(IStream* pstream, DWORD grfMode) override;

    // IPersistStream
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* pClassID) override;
    HRESULT STDMETHODCALLTYPE IsDirty() override;
    HRESULT STDMETHODCALLTYPE Load(IStream* pStm) override;
    HRESULT STDMETHODCALLTYPE Save(IStream* pStm, BOOL fClearDirty) override;
    HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER* pcbSize) override;

protected:
    ComPtr<IStream> Stream;
    ULONG LastChunkId;
    ULONG TextPosition;
    ChunkValue Chunk;
};
