// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/common/FormatCode.h"

#include <cstdio>

std::string FormatCode(HRESULT code) {
    char buffer[16];
    std::snprintf(buffer, sizeof(buffer), "0x%08lx",
                  static_cast<unsigned long>(static_cast<DWORD>(code)));
    return buffer;
}

std::string FormatGuid(const GUID& guid) {
    char buffer[40];
    std::snprintf(buffer, sizeof(buffer), "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned long>(guid.Data1), static_cast<unsigned>(guid.Data2),
                  static_cast<unsigned>(guid.Data3), guid.Data4[0], guid.Data4[1], guid.Data4[2],
                  guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
    return buffer;
}
