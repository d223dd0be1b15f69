// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/quillsift-host/ActivatedBinder.h"

#include "platform/ReturnIfFailed.h"

#include <utility>

ActivatedBinder ActivatedBinder::ByPath() {
    ActivatedBinder binder(BindingInterface::InitializeWithStream);
    binder.BindsByPath = true;
    return binder;
}

void ActivatedBinder::UseClass(HRESULT found, const CLSID& filterClass) {
    Found = found;
    FilterClass = filterClass;
}

HRESULT ActivatedBinder::Bind(IStream* stream, ComPtr<IFilter>& filter) {
    filter.Reset();
    if (FAILED(Found)) {
        return Found;
    }
    if (BindsByPath) {
        return BindByPath(filter);
    }
    const CLSID filterClass = FilterClass;
    return BindFilter(
        [&filterClass](REFIID riid, void** object) {
            return CoCreateInstance(filterClass, nullptr, CLSCTX_INPROC_SERVER, riid, object);
        },
        Binding, stream, filter);
}

// As BindFilter does for a stream: on failure `filter` is empty and the first failing code is
// returned (E_POINTER for a call that succeeded without its interface).
HRESULT ActivatedBinder::BindByPath(ComPtr<IFilter>& filter) {
    ComPtr<IPersistFile> persist;
    RETURN_IF_FAILED(CoCreateInstance(FilterClass, nullptr, CLSCTX_INPROC_SERVER, IID_IPersistFile,
                                      persist.PutVoid()));
    if (!persist) {
        return E_POINTER;
    }
    RETURN_IF_FAILED(persist->Load(BookPath, STGM_READ | STGM_SHARE_DENY_NONE));
    ComPtr<IFilter> result;
    RETURN_IF_FAILED(persist->QueryInterface(IID_IFilter, result.PutVoid()));
    if (!result) {
        return E_POINTER;
    }
    filter = std::move(result);
    return S_OK;
}
