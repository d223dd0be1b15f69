// QueryInterface over an interface table, for every COM object of the module.
#pragma once

#include "platform/IsNullReference.h"
#include "platform/Platform.h"

// QISearch, with the null interface id that a C host may pass refused as E_POINTER (QISearch
// itself would read through it).
inline HRESULT QueryInterfaceFromTable(void* object, const QITAB* table, REFIID riid, void** ppv) {
    if (ppv == nullptr) {
        return E_POINTER;
    }
    if (IsNullReference(&riid)) {
        *ppv = nullptr;
        return E_POINTER;
    }
    return QISearch(object, table, riid, ppv);
}
