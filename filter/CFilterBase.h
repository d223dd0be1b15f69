// SPDX-License-Identifier: LGPL-3.0-or-later
// The filter object's framework: the IFilter chunk engine over one ChunkValue, and the binding
// of a stream through IInitializeWithStream or IPersistStream, or of a file by its path through
// IPersistFile (for hosts that bind with LoadIFilter). A concrete class supplies the content
// (PrepareContent, ProduceChunkValue); ComObject completes it into an object.
#pragma once

#include "filter/ChunkValue.h"
#include "platform/ComPtr.h"
#include "platform/Platform.h"
#include "platform/UniqueAny.h"

// IPersistStream and IPersistFile both declare IsDirty() with one signature, but answer it
// differently; each is given a name of its own here, so that one override cannot serve both.
class PersistStreamFace : public IPersistStream {
public:
    HRESULT STDMETHODCALLTYPE IsDirty() final { return IsStreamDirty(); }
    virtual HRESULT IsStreamDirty() = 0;

protected:
    ~PersistStreamFace() = default;
};

class PersistFileFace : public IPersistFile {
public:
    HRESULT STDMETHODCALLTYPE IsDirty() final { return IsFileDirty(); }
    virtual HRESULT IsFileDirty() = 0;

protected:
    ~PersistFileFace() = default;
};

class CFilterBase : public IFilter,
                    public IInitializeWithStream,
                    public PersistStreamFace,
                    public PersistFileFace {
public:
    CFilterBase();
    CFilterBase(const CFilterBase&) = delete;
    CFilterBase& operator=(const CFilterBase&) = delete;

    // The four faces; the first is the object's identity.
    template <typename Self> static const QITAB* Interfaces() {
        static const QITAB table[] = {
            QITABENT(Self, IPersistStream),
            QITABENT(Self, IInitializeWithStream),
            QITABENT(Self, IFilter),
            QITABENT(Self, IPersistFile),
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

    // IPersist, of both IPersistStream and IPersistFile
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* pClassID) override;

    // IPersistStream
    HRESULT IsStreamDirty() override;
    HRESULT STDMETHODCALLTYPE Load(IStream* pStm) override;
    HRESULT STDMETHODCALLTYPE Save(IStream* pStm, BOOL fClearDirty) override;
    HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER* pcbSize) override;

    // IPersistFile. Load opens the file read-only and shared, whatever mode the host asks
    // for (the filter only reads, and must not lock the user's book), and binds that stream
    // as Initialize does.
    HRESULT IsFileDirty() override;
    HRESULT STDMETHODCALLTYPE Load(LPCOLESTR pszFileName, DWORD dwMode) override;
    HRESULT STDMETHODCALLTYPE Save(LPCOLESTR pszFileName, BOOL fRemember) override;
    HRESULT STDMETHODCALLTYPE SaveCompleted(LPCOLESTR pszFileName) override;
    HRESULT STDMETHODCALLTYPE GetCurFile(LPOLESTR* ppszFileName) override;

protected:
    ComPtr<IStream> Stream;
    // The path of the file whose stream is bound; empty when the stream came from the host.
    CoTaskMemPtr<WCHAR> FilePath;
    ULONG LastChunkId;
    ULONG TextPosition;
    ChunkValue Chunk;
};
