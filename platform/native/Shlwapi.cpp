// SPDX-License-Identifier: LGPL-3.0-or-later
// shlwapi as the filter uses it: QISearch.
#include "platform/Platform.h"

extern "C" HRESULT QISearch(void* that, LPCQITAB pqit, REFIID riid, void** ppv) {
    if (ppv == nullptr) {
        return E_POINTER;
    }
    *ppv = nullptr;
    for (LPCQITAB row = pqit; row->piid != nullptr; ++row) {
        if (IsEqualIID(riid, *row->piid) || (row == pqit && IsEqualIID(riid, IID_IUnknown))) {
            auto* face = reinterpret_cast<IUnknown*>(static_cast<char*>(that) + row->dwOffset);
            face->AddRef();
            *ppv = face;
            return S_OK;
        }
    }
    return E_NOINTERFACE;
}
