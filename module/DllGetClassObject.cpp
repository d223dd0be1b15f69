#include "module/CClassFactory.h"
#include "module/DllExports.h"
#include "platform/IsNullReference.h"

#include <new>

// A new factory for every call, whatever the CLSID: the factory's CreateInstance tests it.
STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    if (ppv == nullptr) {
        return E_POINTER;
    }
    *ppv = nullptr;
    if (IsNullReference(&rclsid) || IsNullReference(&riid)) {
        return E_POINTER;
    }
    CClassFactory* factory = new (std::nothrow) CClassFactory(rclsid);
    if (factory == nullptr) {
        return E_OUTOFMEMORY;
    }
    // On success the caller holds the only reference; on failure this Release destroys it.
    const HRESULT result = factory->QueryInterface(riid, ppv);
    factory->Release();
    return result;
}
