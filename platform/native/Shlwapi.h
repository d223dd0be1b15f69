// QISearch and the ANSI string helpers of shlwapi and kernel32, for the native build.
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

extern "C" LPSTR StrStrA(LPCSTR pszFirst, LPCSTR pszSrch);
extern "C" LPSTR StrStrIA(LPCSTR pszFirst, LPCSTR pszSrch);
extern "C" int lstrcmpA(LPCSTR lpString1, LPCSTR lpString2);
extern "C" int lstrcmpiA(LPCSTR lpString1, LPCSTR lpString2);
