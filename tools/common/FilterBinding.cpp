// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/common/FilterBinding.h"

#include "platform/ReturnIfFailed.h"

#include <utility>

namespace {

template <typename T>
HRESULT Create(const CreateFilterObject& create, REFIID riid, ComPtr<T>& object) {
    RETURN_IF_FAILED(create(riid, object.PutVoid()));
    return object ? S_OK : E_POINTER;
}

HRESULT TakeFilter(IUnknown* object, ComPtr<IFilter>& filter) {
    ComPtr<IFilter> result;
    RETURN_IF_FAILED(object->QueryInterface(IID_IFilter, result.PutVoid()));
    if (!result) {
        return E_POINTER;
    }
    filter = std::move(result);
    return S_OK;
}

// The binding's result; the object goes to `filter` even when it failed, for its words.
HRESULT TakeFilter(IUnknown* object, HRESULT bound, ComPtr<IFilter>& filter) {
    const HRESULT taken = TakeFilter(object, filter);
    return FAILED(bound) ? bound : taken;
}

} // namespace

HRESULT BindFilter(const CreateFilterObject& create, BindingInterface binding, IStream* stream,
                   ComPtr<IFilter>& filter) {
    filter.Reset();
    if (binding == BindingInterface::PersistStream) {
        ComPtr<IPersistStream> persist;
        RETURN_IF_FAILED(Create(create, IID_IPersistStream, persist));
        return TakeFilter(persist.Get(), persist->Load(stream), filter);
    }
    ComPtr<IInitializeWithStream> initialize;
    RETURN_IF_FAILED(Create(create, IID_IInitializeWithStream, initialize));
    return TakeFilter(initialize.Get(), initialize->Initialize(stream, STGM_READ), filter);
}

HRESULT BindFilterByPath(const CreateFilterObject& create, LPCOLESTR path,
                         ComPtr<IFilter>& filter) {
    filter.Reset();
    ComPtr<IPersistFile> persist;
    RETURN_IF_FAILED(Create(create, IID_IPersistFile, persist));
    return TakeFilter(persist.Get(), persist->Load(path, STGM_READ | STGM_SHARE_DENY_NONE), filter);
}
