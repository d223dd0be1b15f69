#include "module/CreateFilterInstance.h"

#include "book/CFilterSample.h"

#include <new>

HRESULT CreateFilterInstance(REFIID riid, void** ppvObject) {
    CFilterSample* filter = nullptr;
    try {
        filter = new (std::nothrow) CFilterSample();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
    if (filter == nullptr) {
        return E_OUTOFMEMORY;
    }
    // On success the caller holds the only reference; on failure this Release destroys it.
    const HRESULT result = filter->QueryInterface(riid, ppvObject);
    filter->Release();
    return result;
}
