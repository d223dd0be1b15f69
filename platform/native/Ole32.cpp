// SPDX-License-Identifier: LGPL-3.0-or-later
// ole32 as the filter uses it: the task allocator, PROPVARIANT copies and class-id strings.
// CoTaskMemAlloc is in CoTaskMemAlloc.cpp, alone.
#include "platform/Platform.h"
#include "platform/ReturnIfFailed.h"
#include "platform/text/Utf16Length.h"

#include <cstdint>
#include <cstdlib>

extern "C" void CoTaskMemFree(void* pv) {
    std::free(pv);
}

extern "C" void* CoTaskMemRealloc(void* pv, SIZE_T cb) {
    return std::realloc(pv, cb == 0 ? 1 : cb);
}

namespace {

// A copy of a string in the task allocator; null for null. False when memory ran out.
bool CopyString(const WCHAR* source, WCHAR** copy) {
    *copy = nullptr;
    if (source == nullptr) {
        return true;
    }
    const size_t units = Utf16Length(source) + 1;
    *copy = static_cast<WCHAR*>(CoTaskMemAlloc(units * sizeof(WCHAR)));
    if (*copy == nullptr) {
        return false;
    }
    std::memcpy(*copy, source, units * sizeof(WCHAR));
    return true;
}

void FreeStrings(LPWSTR* strings, ULONG count) {
    if (strings != nullptr) {
        for (ULONG i = 0; i < count; ++i) {
            CoTaskMemFree(strings[i]);
        }
    }
    CoTaskMemFree(strings);
}

// Every string copied, or nothing (E_OUTOFMEMORY).
HRESULT CopyStringVector(const CALPWSTR& source, CALPWSTR* copy) {
    copy->cElems = 0;
    copy->pElems = nullptr;
    if (source.cElems == 0) {
        return S_OK;
    }
    auto* strings = static_cast<LPWSTR*>(CoTaskMemAlloc(source.cElems * sizeof(LPWSTR)));
    if (strings == nullptr) {
        return E_OUTOFMEMORY;
    }
    for (ULONG i = 0; i < source.cElems; ++i) {
        if (!CopyString(source.pElems[i], &strings[i])) {
            FreeStrings(strings, i);
            return E_OUTOFMEMORY;
        }
    }
    copy->cElems = source.cElems;
    copy->pElems = strings;
    return S_OK;
}

} // namespace

extern "C" HRESULT PropVariantClear(PROPVARIANT* pvar) {
    if (pvar == nullptr) {
        return S_OK;
    }
    switch (pvar->vt) {
    case VT_EMPTY:
    case VT_NULL:
    case VT_I4:
    case VT_UI4:
        break;
    case VT_LPWSTR:
        CoTaskMemFree(pvar->pwszVal);
        break;
    case VT_VECTOR | VT_LPWSTR:
        FreeStrings(pvar->calpwstr.pElems, pvar->calpwstr.cElems);
        break;
    default:
        // A type this layer cannot free is left alone rather than freed wrongly.
        return DISP_E_BADVARTYPE;
    }
    PropVariantInit(pvar);
    return S_OK;
}

extern "C" HRESULT PropVariantCopy(PROPVARIANT* pvarDest, const PROPVARIANT* pvarSrc) {
    if (pvarDest == nullptr || pvarSrc == nullptr) {
        return E_INVALIDARG;
    }
    switch (pvarSrc->vt) {
    case VT_EMPTY:
    case VT_NULL:
        PropVariantInit(pvarDest);
        pvarDest->vt = pvarSrc->vt;
        return S_OK;
    case VT_I4:
    case VT_UI4:
        // The whole value, as the SDK copies any type without pointers.
        *pvarDest = *pvarSrc;
        return S_OK;
    case VT_LPWSTR: {
        WCHAR* copy = nullptr;
        if (!CopyString(pvarSrc->pwszVal, &copy)) {
            return E_OUTOFMEMORY;
        }
        PropVariantInit(pvarDest);
        pvarDest->vt = VT_LPWSTR;
        pvarDest->pwszVal = copy;
        return S_OK;
    }
    case VT_VECTOR | VT_LPWSTR: {
        CALPWSTR copy;
        RETURN_IF_FAILED(CopyStringVector(pvarSrc->calpwstr, &copy));
        PropVariantInit(pvarDest);
        pvarDest->vt = VT_VECTOR | VT_LPWSTR;
        pvarDest->calpwstr = copy;
        return S_OK;
    }
    default:
        return DISP_E_BADVARTYPE;
    }
}

namespace {

int HexDigitValue(WCHAR c) {
    if (c >= u'0' && c <= u'9') {
        return c - u'0';
    }
    if (c >= u'a' && c <= u'f') {
        return c - u'a' + 10;
    }
    if (c >= u'A' && c <= u'F') {
        return c - u'A' + 10;
    }
    return -1;
}

// Reads `digits` hex digits at text[at]; false if any is not a hex digit.
bool ReadHex(const WCHAR* text, int at, int digits, uint32_t* value) {
    uint32_t result = 0;
    for (int i = 0; i < digits; ++i) {
        const int digit = HexDigitValue(text[at + i]);
        if (digit < 0) {
            return false;
        }
        result = (result << 4) | static_cast<uint32_t>(digit);
    }
    *value = result;
    return true;
}

} // namespace

// {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
extern "C" HRESULT CLSIDFromString(LPCOLESTR lpsz, LPCLSID pclsid) {
    if (lpsz == nullptr || pclsid == nullptr) {
        return E_INVALIDARG;
    }
    for (int i = 0; i < 38; ++i) {
        if (lpsz[i] == 0) {
            return CO_E_CLASSSTRING;
        }
    }
    if (lpsz[38] != 0 || lpsz[0] != u'{' || lpsz[37] != u'}' || lpsz[9] != u'-' ||
        lpsz[14] != u'-' || lpsz[19] != u'-' || lpsz[24] != u'-') {
        return CO_E_CLASSSTRING;
    }
    CLSID clsid{};
    uint32_t value = 0;
    if (!ReadHex(lpsz, 1, 8, &value)) {
        return CO_E_CLASSSTRING;
    }
    clsid.Data1 = value;
    if (!ReadHex(lpsz, 10, 4, &value)) {
        return CO_E_CLASSSTRING;
    }
    clsid.Data2 = static_cast<uint16_t>(value);
    if (!ReadHex(lpsz, 15, 4, &value)) {
        return CO_E_CLASSSTRING;
    }
    clsid.Data3 = static_cast<uint16_t>(value);
    static const int byteOffsets[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (int i = 0; i < 8; ++i) {
        if (!ReadHex(lpsz, byteOffsets[i], 2, &value)) {
            return CO_E_CLASSSTRING;
        }
        clsid.Data4[i] = static_cast<uint8_t>(value);
    }
    *pclsid = clsid;
    return S_OK;
}
