// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/quillsift-host/ActivatedBinder.h"

ActivatedBinder ActivatedBinder::ByPath() {
    ActivatedBinder binder(BindingInterface::InitializeWithStream);
    binder.BindsByPath = true;
    return binder;
}

void ActivatedBinder::UseClass(HRESULT found, const CLSID& filterClass, const std::string& words) {
    Found = found;
    FilterClass = filterClass;
    FoundWords = words;
}

HRESULT ActivatedBinder::Bind(IStream* stream, ComPtr<IFilter>& filter) {
    filter.Reset();
    if (FAILED(Found)) {
        return Found;
    }
    const CLSID filterClass = FilterClass;
    const CreateFilterObject create = [&filterClass](REFIID riid, void** object) {
        return CoCreateInstance(filterClass, nullptr, CLSCTX_INPROC_SERVER, riid, object);
    };
    return BindsByPath ? BindFilterByPath(create, BookPath, filter)
                       : BindFilter(create, Binding, stream, filter);
}
