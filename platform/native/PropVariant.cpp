#include "platform/Platform.h"
#include "platform/Utf16Length.h"

extern "C" HRESULT PropVariantClear(PROPVARIANT* pvar) {
    if (pvar == nullptr) {
        return S_OK;
    }
    switch (pvar->vt) {
    case VT_EMPTY:
    case VT_NULL:
        break;
    case VT_LPWSTR:
        CoTaskMemFree(pvar->pwszVal);
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
    case VT_LPWSTR: {
        WCHAR* copy = nullptr;
        if (pvarSrc->pwszVal != nullptr) {
            const size_t units = Utf16Length(pvarSrc->pwszVal) + 1;
            copy = static_cast<WCHAR*>(CoTaskMemAlloc(units * sizeof(WCHAR)));
            if (copy == nullptr) {
                return E_OUTOFMEMORY;
            }
            std::memcpy(copy, pvarSrc->pwszVal, units * sizeof(WCHAR));
        }
        PropVariantInit(pvarDest);
        pvarDest->vt = VT_LPWSTR;
        pvarDest->pwszVal = copy;
        return S_OK;
    }
    default:
        return DISP_E_BADVARTYPE;
    }
}
