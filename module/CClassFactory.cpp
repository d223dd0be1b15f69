#include "module/CClassFactory.h"

#include "module/ClassIds.h"
#include "module/CreateFilterInstance.h"
#include "platform/IsNullReference.h"
#include "platform/QueryInterfaceTable.h"
#include "module/ModuleState.h"

namespace {

// Outstanding server locks, never below zero. ModuleRefCount carries them too; this count
// only tells whether an unlock has a lock to match.
LONG volatile ServerLocks = 0;

} // namespace

CClassFactory::CClassFactory(REFCLSID classId) : RefCount(1), ClassId(classId) {
    InterlockedIncrement(&ModuleRefCount);
}

HRESULT CClassFactory::QueryInterface(REFIID riid, void** ppvObject) {
    static const QITAB interfaces[] = {
        QITABENT(CClassFactory, IClassFactory),
        {nullptr, 0},
    };
    return QueryInterfaceFromTable(this, interfaces, riid, ppvObject);
}

ULONG CClassFactory::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&RefCount));
}

ULONG CClassFactory::Release() {
    const LONG count = InterlockedDecrement(&RefCount);
    if (count == 0) {
        delete this;
        // Only once nothing of the factory is left to run may the host unload the module.
        InterlockedDecrement(&ModuleRefCount);
    }
    return static_cast<ULONG>(count);
}

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
