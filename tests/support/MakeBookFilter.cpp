// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tests/support/MakeBookFilter.h"

#include "book/CFilterSample.h"
#include "platform/ComObject.h"
#include "platform/ReturnIfFailed.h"

HRESULT MakeBookFilter(IStream* stream, ComPtr<IFilter>& filter) {
    filter.Reset();
    ComPtr<IInitializeWithStream> initialize;
    RETURN_IF_FAILED(
        CreateInstance<CFilterSample>(IID_IInitializeWithStream, initialize.PutVoid()));
    const HRESULT bound = initialize->Initialize(stream, STGM_READ);
    RETURN_IF_FAILED(initialize->QueryInterface(IID_IFilter, filter.PutVoid()));
    return bound;
}
