// The book filter: loads a Kindle book from the bound stream with libmobi and yields its
// title, its author, then the text of each HTML part of its markup, one chunk each.
#pragma once

#include "filter/CFilterBase.h"
#include "platform/TaskMemoryObject.h"

#include <mobi.h>

class CFilterSample : public CFilterBase, public TaskMemoryObject {
public:
    CFilterSample();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT PrepareContent() override;
    HRESULT ProduceChunkValue(ChunkValue& chunk) override;
    ~CFilterSample() override;

private:
    // Positions in the chunk sequence; Stage stops at Finished.
    enum : ULONG { TitleStage = 0, AuthorStage = 1, TextStage = 2, Finished = 3 };

    void ReleaseBook();
    bool IsEncrypted() const;
    HRESULT ProduceValue(ChunkValue& chunk, char* utf8, REFPROPERTYKEY key);
    HRESULT ProduceNextText(ChunkValue& chunk);

    LONG RefCount;
    MOBIData* Book;
    MOBIRawml* Markup;
    MOBIPart* PartCursor;
    ULONG Stage;
};
