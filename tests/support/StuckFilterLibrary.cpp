// SPDX-License-Identifier: LGPL-3.0-or-later
// A stand-in filter library for the dump's own tests: it refuses every class and claims to
// be in use for good, as a library that leaked an object would.
#include "platform/ModuleExport.h"
#include "platform/Platform.h"

STDAPI DllGetClassObject(REFCLSID, REFIID, LPVOID* ppv) MODULE_EXPORT;
STDAPI DllCanUnloadNow() MODULE_EXPORT;

STDAPI DllGetClassObject(REFCLSID, REFIID, LPVOID* ppv) {
    *ppv = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow() {
    return S_FALSE;
}
