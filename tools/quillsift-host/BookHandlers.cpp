// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/quillsift-host/BookHandlers.h"

#include "platform/ReturnIfFailed.h"
#include "tools/common/Utf16ToUtf8.h"
#include "tools/quillsift-host/RegisteredFilter.h"

#include <cstring>

namespace {

HRESULT FindPropertyHandler(const WCHAR* extension, CLSID* handlerClass) {
    return ReadMachineClass(
        {UTF16("Software\\Microsoft\\Windows\\CurrentVersion\\PropertySystem\\PropertyHandlers\\"),
         extension},
        handlerClass);
}

HRESULT FindThumbnailProvider(const WCHAR* extension, CLSID* handlerClass) {
    return FindRegisteredShellExtension(extension, UTF16("{e357fccd-a995-4576-b01f-234630154e96}"),
                                        handlerClass);
}

HRESULT FindPreviewHandler(const WCHAR* extension, CLSID* handlerClass) {
    return FindRegisteredShellExtension(extension, UTF16("{8895b1c6-b41f-4c1c-a562-0d564250836f}"),
                                        handlerClass);
}

struct Handler {
    const char* Name;
    HRESULT (*Find)(const WCHAR* extension, CLSID* handlerClass);
};

// In the order of BookHandler.
const Handler Handlers[] = {
    {"filter", FindRegisteredFilter},
    {"property handler", FindPropertyHandler},
    {"thumbnail provider", FindThumbnailProvider},
    {"preview handler", FindPreviewHandler},
};

} // namespace

HRESULT FindBookHandler(BookHandler handler, const WCHAR* extension, CLSID* handlerClass,
                        std::string& words) {
    std::memset(handlerClass, 0, sizeof(*handlerClass));
    const Handler& row = Handlers[static_cast<size_t>(handler)];
    const HRESULT found = row.Find(extension, handlerClass);
    words.clear();
    if (FAILED(found)) {
        const std::string name = ToUtf8(extension);
        words = std::string("no ") + row.Name + " registered for " +
                (name.empty() ? "a name without an extension" : name);
    }
    return found;
}
