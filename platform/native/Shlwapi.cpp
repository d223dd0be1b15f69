// shlwapi as the filter uses it: QISearch and the ANSI string search and comparison.
#include "platform/Platform.h"

#include <cstring>

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

namespace {

char FoldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWith(const char* text, const char* prefix, bool ignoreCase) {
    for (; *prefix != 0; ++text, ++prefix) {
        const char a = ignoreCase ? FoldAscii(*text) : *text;
        const char b = ignoreCase ? FoldAscii(*prefix) : *prefix;
        if (a != b) {
            return false;
        }
    }
    return true;
}

LPSTR Find(LPCSTR text, LPCSTR what, bool ignoreCase) {
    if (text == nullptr || what == nullptr) {
        return nullptr;
    }
    for (const char* at = text; *at != 0; ++at) {
        if (StartsWith(at, what, ignoreCase)) {
            return const_cast<LPSTR>(at);
        }
    }
    return *what == 0 ? const_cast<LPSTR>(text) : nullptr;
}

int Compare(LPCSTR a, LPCSTR b, bool ignoreCase) {
    for (;; ++a, ++b) {
        const unsigned char x = static_cast<unsigned char>(ignoreCase ? FoldAscii(*a) : *a);
        const unsigned char y = static_cast<unsigned char>(ignoreCase ? FoldAscii(*b) : *b);
        if (x != y) {
            return x < y ? -1 : 1;
        }
        if (x == 0) {
            return 0;
        }
    }
}

} // namespace

extern "C" LPSTR StrStrA(LPCSTR pszFirst, LPCSTR pszSrch) {
    return Find(pszFirst, pszSrch, false);
}

extern "C" LPSTR StrStrIA(LPCSTR pszFirst, LPCSTR pszSrch) {
    return Find(pszFirst, pszSrch, true);
}

extern "C" int lstrcmpA(LPCSTR lpString1, LPCSTR lpString2) {
    return Compare(lpString1, lpString2, false);
}

extern "C" int lstrcmpiA(LPCSTR lpString1, LPCSTR lpString2) {
    return Compare(lpString1, lpString2, true);
}
