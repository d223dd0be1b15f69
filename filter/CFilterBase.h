// The filter object's framework: the IFilter chunk engine over one ChunkValue, and the binding
// of a stream through IInitializeWithStream or IPersistStream. A concrete class supplies the
// COM identity (QueryInterface, AddRef, Release) and the content (PrepareContent,
// ProduceChunkValue).
#pragma once

#include "filter/ChunkValue.h"
#include "platform/Platform.h"

class CFilterBase : public IFilter, public IInitializeWithStream, public IPersistStream {
public:
    CFilterBase();
    CFilterBase(const CFilterBase&) = delete;
    CFilterBase& operator=(const CFilterBase&) = delete;

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
    virtual ~CFilterBase();

    // IInitializeWithStream
    HRESULT STDMETHODCALLTYPE Initialize(IStream* pstream, DWORD grfMode) override;

    // IPersistStream
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* pClassID) override;
    HRESULT STDMETHODCALLTYPE IsDirty() override;
    HRESULT STDMETHODCALLTYPE Load(IStream* pStm) override;
    HRESULT STDMETHODCALLTYPE Save(IStream* pStm, BOOL fClearDirty) override;
    HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER* pcbSize) override;

protected:
    IStream* Stream;
    ULONG LastChunkId;
    ULONG TextPosition;
    ChunkValue Chunk;
};
