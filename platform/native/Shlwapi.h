// SPDX-License-Identifier: LGPL-3.0-or-later
// QISearch of shlwapi, for the native build.
#pragma once

#include "platform/native/ComInterfaces.h"

typedef struct {
    const IID* piid;
    DWORD dwOffset;
} QITAB, *LPQITAB;
typedef const QITAB* LPCQITAB;

#define OFFSETOFCLASS(base, derived) ((DWORD)(DWORD_PTR)(static_cast<base*>((derived*)8)) - 8)
#define QITABENTMULTI(Cthis, Ifoo, Iimpl)                                                          \
    { &IID_##Ifoo, OFFSETOFCLASS(Iimpl, Cthis) }
#define QITABENT(Cthis, Ifoo) QITABENTMULTI(Cthis, Ifoo, Ifoo)

// Looks riid up in the table, which ends with a row whose piid is null. IID_IUnknown is
// answered with the first row.
extern "C" HRESULT QISearch(void* that, LPCQITAB pqit, REFIID riid, void** ppv);
