#include "tools/BindFilter.h"

#include "platform/ReturnIfFailed.h"

const CLSID BookFilterClassId = {
    0x5E1A9C42, 0x7B3D, 0x4C2F, {0x9A, 0x61, 0x3D, 0x8E, 0x2B, 0x7F, 0x1C, 0x05}};

HRESULT BindFilter(const FilterEntryPoints& entryPoints, IStream* stream, ComPtr<IFilter>& filter) {
    filter.Reset();
    ComPtr<IClassFactory> factory;
    RETURN_IF_FAILED(
        entryPoints.GetClassObject(BookFilterClassId, IID_IClassFactory, factory.PutVoid()));
    if (!factory) {
        return E_POINTER;
    }
    ComPtr<IInitializeWithStream> initialize;
    RETURN_IF_FAILED(
        factory->CreateInstance(nullptr, IID_IInitializeWithStream, initialize.PutVoid()));
    if (!initialize) {
        return E_POINTER;
    }
    factory.Reset();
    RETURN_IF_FAILED(initialize->Initialize(stream, STGM_READ));
    ComPtr<IFilter> result;
    RETURN_IF_FAILED(initialize->QueryInterface(IID_IFilter, result.PutVoid()));
    if (!result) {
        return E_POINTER;
    }
    filter = std::move(result);
    return S_OK;
}
