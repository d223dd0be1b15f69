// Binds books the way an indexer does with an in-process server it has loaded itself: the
// library's DllGetClassObject for the book filter class gives a class factory, which creates
// one object per book, bound through IInitializeWithStream.
#pragma once

#include "tools/common/FilterBinding.h"
#include "tools/quillsift-dump/FilterEntryPoints.h"

class ExportBinder final : public FilterBinder {
public:
    explicit ExportBinder(const FilterEntryPoints& entryPoints);

    HRESULT Bind(IStream* stream, ComPtr<IFilter>& filter) override;

private:
    FilterEntryPoints EntryPoints;
    CLSID ClassId;
    HRESULT ClassIdResult;
};
