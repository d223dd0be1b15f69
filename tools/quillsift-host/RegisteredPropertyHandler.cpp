// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/quillsift-host/RegisteredPropertyHandler.h"

#include "platform/ReturnIfFailed.h"
#include "tools/quillsift-host/RegisteredFilter.h"

HRESULT FindRegisteredPropertyHandler(const WCHAR* extension, CLSID* handlerClass) {
    std::memset(handlerClass, 0, sizeof(*handlerClass));
    static const WCHAR Handlers[] =
        UTF16("Software\\Microsoft\\Windows\\CurrentVersion\\PropertySystem\\PropertyHandlers\\");
    // The handlers' key and an extension of any length that fits.
    WCHAR path[512];
    const size_t prefix = sizeof(Handlers) / sizeof(WCHAR) - 1;
    std::memcpy(path, Handlers, prefix * sizeof(WCHAR));
    size_t length = prefix;
    for (const WCHAR* c = extension; *c != 0; ++c) {
        if (length + 1 >= sizeof(path) / sizeof(WCHAR)) {
            return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
        }
        path[length++] = *c;
    }
    path[length] = 0;
    WCHAR handler[64];
    RETURN_IF_FAILED(ReadMachineString(path, handler, 64));
    return CLSIDFromString(handler, handlerClass);
}
