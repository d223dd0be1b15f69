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

// A read-only stream over the file at `pszFile`, a file system path in UTF-16. Windows'
// results: a missing file gives HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), a folder
// E_ACCESSDENIED, a null `ppstm` or a template stream E_INVALIDARG. The native layer only
// reads: a mode that asks to write, or fCreate, is answered E_NOTIMPL. The share flags are
// accepted and mean nothing here, since Linux does not lock files against other openers. A
// path with an unpaired surrogate names no file Linux can hold: ERROR_FILE_NOT_FOUND.
extern "C" HRESULT SHCreateStreamOnFileEx(LPCWSTR pszFile, DWORD grfMode, DWORD dwAttributes,
                                          BOOL fCreate, IStream* pstmTemplate, IStream** ppstm);
