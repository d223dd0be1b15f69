// The class factory: one per DllGetClassObject call, made for whatever CLSID was asked for.
// Only a factory made for CLSID_BookFilter creates filters. Each live factory and each server
// lock counts in ModuleRefCount.
#pragma once

#include "platform/Platform.h"
#include "platform/TaskMemoryObject.h"

class CClassFactory final : public IClassFactory, public TaskMemoryObject {
public:
    explicit CClassFactory(REFCLSID classId);
    CClassFactory(const CClassFactory&) = delete;
    CClassFactory& operator=(const CClassFactory&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IClassFactory
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid,
                                             void** ppvObject) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL fLock) override;

private:
    ~CClassFactory() = default;

    LONG volatile RefCount;
    CLSID ClassId;
};
