// SPDX-License-Identifier: LGPL-3.0-or-later
// The class factory: one per DllGetClassObject call, made for whatever CLSID was asked for.
// Only a factory made for one of the module's classes creates objects. Each live factory and each
// server lock counts in ModuleRefCount.
#pragma once

#include "platform/Platform.h"

class CClassFactory : public IClassFactory {
public:
    explicit CClassFactory(REFCLSID classId);
    CClassFactory(const CClassFactory&) = delete;
    CClassFactory& operator=(const CClassFactory&) = delete;
    virtual ~CClassFactory() = default;

    template <typename Self> static const QITAB* Interfaces() {
        static const QITAB table[] = {
            QITABENT(Self, IClassFactory),
            {nullptr, 0},
        };
        return table;
    }

    // IClassFactory
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid,
                                             void** ppvObject) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL fLock) override;

private:
    const CLSID ClassId;
};
