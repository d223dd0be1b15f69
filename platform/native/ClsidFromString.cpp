#include "platform/Platform.h"

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
