// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/ReadBookPreview.h"

#include "book/CFilterSample.h"
#include "platform/AllocationFailures.h"
#include "platform/ComObject.h"
#include "platform/ComPtr.h"
#include "platform/ReturnIfFailed.h"

namespace {

HRESULT ReadPage(IStream* stream, PreviewContent& content) {
    RETURN_IF_FAILED(content.ReadBook(stream));
    if (content.HasReadableText()) {
        ComPtr<IInitializeWithStream> initialize;
        RETURN_IF_FAILED(
            CreateInstance<CFilterSample>(IID_IInitializeWithStream, initialize.PutVoid()));
        const HRESULT bound = initialize->Initialize(stream, STGM_READ);
        if (bound == E_OUTOFMEMORY) {
            return bound;
        }
        // A book whose text does not load still shows its details.
        ComPtr<IFilter> filter;
        if (SUCCEEDED(bound) &&
            SUCCEEDED(initialize->QueryInterface(IID_IFilter, filter.PutVoid()))) {
            RETURN_IF_FAILED(content.ReadText(filter.Get()));
        }
    }
    return content.MakePage();
}

} // namespace

HRESULT ReadBookPreview(IStream* stream, PreviewContent& content) {
    // A page made while an allocation failed may lack its cover, a detail or its text, or say
    // the book could not be read: none is shown instead.
    const AllocationWatch watch;
    return watch.Checked(ReadPage(stream, content));
}
