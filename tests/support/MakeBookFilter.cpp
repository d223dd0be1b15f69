// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tests/support/MakeBookFilter.h"

#include "book/CFilterSample.h"
#include "tests/support/MakeBoundObject.h"

HRESULT MakeBookFilter(IStream* stream, ComPtr<IFilter>& filter) {
    return MakeBoundObject<CFilterSample>(stream, IID_IFilter, filter);
}
