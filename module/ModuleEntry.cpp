// SPDX-License-Identifier: LGPL-3.0-or-later
// The module's entry points for a COM host: the process-attach hook, DllGetClassObject and
// DllCanUnloadNow, and the module's handle. The count of its live objects is the platform's
// (platform/ModuleRefCount.h), which every COM object of the system keeps.
#include "module/CClassFactory.h"
#include "module/DllExports.h"
#include "module/ModuleHandle.h"
#include "platform/ComObject.h"
#include "platform/IsNullReference.h"
#include "platform/ModuleRefCount.h"

HINSTANCE ModuleHandle = nullptr;

extern "C" BOOL WINAPI DllMain(HINSTANCE hinstDLL, DWORD fdwReason, LPVOID) {
    if (fdwReason == DLL_PROCESS_ATTACH) {
        ModuleHandle = hinstDLL;
        DisableThreadLibraryCalls(hinstDLL);
    }
    return TRUE;
}

// A new factory for every call, whatever the CLSID: the factory's CreateInstance tests it.
STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    if (ppv == nullptr) {
        return E_POINTER;
    }
    *ppv = nullptr;
    if (IsNullReference(&rclsid) || IsNullReference(&riid)) {
        return E_POINTER;
    }
    return CreateInstance<CClassFactory>(riid, ppv, rclsid);
}

// The count is read with an interlocked exchange that never changes it, so that a host thread
// asking while others create and release objects reads it as a whole.
STDAPI DllCanUnloadNow() {
    return InterlockedCompareExchange(&ModuleRefCount, 0, 0) == 0 ? S_OK : S_FALSE;
}
