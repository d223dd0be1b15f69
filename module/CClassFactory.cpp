// SPDX-License-Identifier: LGPL-3.0-or-later
#include "module/CClassFactory.h"

#include "book/CBookPreviewHandler.h"
#include "book/CBookPropertyStore.h"
#include "book/CBookThumbnailProvider.h"
#include "book/CFilterSample.h"
#include "module/ClassIds.h"
#include "platform/ComObject.h"
#include "platform/IsNullReference.h"

namespace {

// Outstanding server locks, never below zero. ModuleRefCount carries them too; this count
// only tells whether an unlock has a lock to match.
LONG volatile ServerLocks = 0;

// The classes the module hands out: each class id with what makes one object of it, handed
// out by its `riid` face.
struct ModuleClass {
    const WCHAR* ClassId;
    HRESULT (*Create)(REFIID riid, void** ppvObject);
};

const ModuleClass ModuleClasses[] = {
    {CLSID_BookFilter, CreateInstance<CFilterSample>},
    {CLSID_BookPropertyHandler, CreateInstance<CBookPropertyStore>},
    {CLSID_BookThumbnailProvider, CreateInstance<CBookThumbnailProvider>},
    {CLSID_BookPreviewHandler, CreateInstance<CBookPreviewHandler>},
};

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
    for (const ModuleClass& moduleClass : ModuleClasses) {
        CLSID classId;
        if (SUCCEEDED(CLSIDFromString(moduleClass.ClassId, &classId)) &&
            IsEqualCLSID(classId, ClassId)) {
            return moduleClass.Create(riid, ppvObject);
        }
    }
    return CLASS_E_CLASSNOTAVAILABLE;
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
