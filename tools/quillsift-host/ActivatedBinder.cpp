// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/quillsift-host/ActivatedBinder.h"

void ActivatedBinder::UseClass(HRESULT found, const CLSID& filterClass) {
    Found = found;
    FilterClass = filterClass;
}

HRESULT ActivatedBinder::Bind(IStream* stream, ComPtr<IFilter>& filter) {
    filter.Reset();
    if (FAILED(Found)) {
        return Found;
    }
    const CLSID filterClass = FilterClass;
    return BindFilter(
        [&filterClass](REFIID riid, void** object) {
            return CoCreateInstance(filterClass, nullptr, CLSCTX_INPROC_SERVER, riid, object);
        },
        Binding, stream, filter);
}
