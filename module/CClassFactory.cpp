// SPDX-License-Identifier: LGPL-3.0-or-later
#include "module/CClassFactory.h"

#include "book/CFilterSample.h"
#include "module/ClassIds.h"
#include "platform/ComObject.h"
#include "platform/IsNullReference.h"

namespace {

// Outstanding server locks, never below zero. ModuleRefCount carries them too; this count
// only tells whether an unlock has a lock to match.
LONG volatile ServerLocks = 0;

// One book filter, handed out by its `riid` face.
HRESULT CreateFilterInstance(REFIID riid, void** ppvObject) {
    return CreateInstance<CFilterSample>(riid, ppvObject);
}

} // namespace

CClassFactory::CClassFactory(REFCLSID classId) : ClassId(classId) {}

HRESULT CClassFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) {
    if (ppvObject == nullptr) {
        return E_POINTER;
    }
    *ppvObject = nullptr;
    if (IsNullReference(&riid)) {
        return E_POINTER;
    }
    if (pUnkOuter != nullptr) {
        return CLASS_E_NOAGGREGATION;
    }
    CLSID bookFilter;
    if (FAILED(CLSIDFromString(CLSID_BookFilter, &bookFilter)) ||
        !IsEqualCLSID(bookFilter, ClassId)) {
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    return CreateFilterInstance(riid, ppvObject);
}

HRESULT CClassFactory::LockServer(BOOL fLock) {
    if (fLock) {
        // Count the module first, so that it never reads lower than the locks it holds.
        InterlockedIncrement(&ModuleRefCount);
        InterlockedIncrement(&ServerLocks);
        return S_OK;
    }
    // An unlock with no lock to match is ignored: taken from ModuleRefCount, it would let the
    // host unload the module while objects live.
    LONG locks = InterlockedCompareExchange(&ServerLocks, 0, 0);
    while (locks > 0) {
        const LONG seen = InterlockedCompareExchange(&ServerLocks, locks - 1, locks);
        if (seen == locks) {
            InterlockedDecrement(&ModuleRefCount);
            break;
        }
        locks = seen;
    }
    return S_OK;
}
