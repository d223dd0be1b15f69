// The two exports of the filter library that quillsift-dump calls, resolved when it loads it.
#pragma once

#include "platform/Platform.h"

typedef HRESULT(STDMETHODCALLTYPE* DllGetClassObjectFunction)(REFCLSID clsid, REFIID riid,
                                                              void** ppv);
typedef HRESULT(STDMETHODCALLTYPE* DllCanUnloadNowFunction)();

struct FilterEntryPoints {
    DllGetClassObjectFunction GetClassObject = nullptr;
    DllCanUnloadNowFunction CanUnloadNow = nullptr;
};
