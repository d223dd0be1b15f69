// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/quillsift-host/RegisteredFilter.h"

#include "platform/ReturnIfFailed.h"
#include "platform/text/Utf16Length.h"

#include <cstring>
#include <initializer_list>

namespace {

// Key paths are short; 512 units hold the longest one built here with room to spare.
const DWORD PathCapacity = 512;
const DWORD ClassIdCapacity = 64;

// Appends `text` to the zero-terminated `path`; false when it does not fit.
bool Append(WCHAR* path, DWORD capacity, const WCHAR* text) {
    DWORD length = static_cast<DWORD>(Utf16Length(path));
    for (; *text != 0; ++text) {
        if (length + 1 >= capacity) {
            return false;
        }
        path[length++] = *text;
    }
    path[length] = 0;
    return true;
}

HRESULT BuildPath(WCHAR* path, std::initializer_list<const WCHAR*> parts) {
    path[0] = 0;
    for (const WCHAR* part : parts) {
        if (!Append(path, PathCapacity, part)) {
            return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
        }
    }
    return S_OK;
}

} // namespace

HRESULT ReadMachineString(const WCHAR* path, WCHAR* buffer, DWORD capacity) {
    buffer[0] = 0;
    DWORD bytes = capacity * sizeof(WCHAR);
    const LONG status =
        RegGetValueW(HKEY_LOCAL_MACHINE, path, nullptr, RRF_RT_REG_SZ, nullptr, buffer, &bytes);
    return HRESULT_FROM_WIN32(status);
}

HRESULT ReadMachineClass(std::initializer_list<const WCHAR*> keyParts, CLSID* handlerClass) {
    std::memset(handlerClass, 0, sizeof(*handlerClass));
    WCHAR path[PathCapacity];
    RETURN_IF_FAILED(BuildPath(path, keyParts));
    WCHAR text[ClassIdCapacity];
    RETURN_IF_FAILED(ReadMachineString(path, text, ClassIdCapacity));
    return CLSIDFromString(text, handlerClass);
}

HRESULT FindRegisteredFilter(const WCHAR* extension, CLSID* filterClass) {
    std::memset(filterClass, 0, sizeof(*filterClass));
    WCHAR path[PathCapacity];
    WCHAR handler[ClassIdCapacity];
    RETURN_IF_FAILED(
        BuildPath(path, {UTF16("Software\\Classes\\"), extension, UTF16("\\PersistentHandler")}));
    RETURN_IF_FAILED(ReadMachineString(path, handler, ClassIdCapacity));

    WCHAR addin[ClassIdCapacity];
    if (StringFromGUID2(IID_IFilter, addin, ClassIdCapacity) == 0) {
        return E_UNEXPECTED;
    }
    return ReadMachineClass({UTF16("Software\\Classes\\CLSID\\"), handler,
                             UTF16("\\PersistentAddinsRegistered\\"), addin},
                            filterClass);
}

HRESULT FindRegisteredShellExtension(const WCHAR* extension, const WCHAR* handlerInterface,
                                     CLSID* handlerClass) {
    return ReadMachineClass({UTF16("Software\\Classes\\SystemFileAssociations\\"), extension,
                             UTF16("\\ShellEx\\"), handlerInterface},
                            handlerClass);
}

std::vector<WCHAR> ExtensionOf(const WCHAR* path) {
    const WCHAR* dot = nullptr;
    for (const WCHAR* c = path; *c != 0; ++c) {
        if (*c == '\\' || *c == '/' || *c == ':') {
            dot = nullptr;
        } else if (*c == '.') {
            dot = c;
        }
    }
    std::vector<WCHAR> extension;
    for (const WCHAR* c = dot; c != nullptr && *c != 0; ++c) {
        extension.push_back(*c);
    }
    extension.push_back(0);
    return extension;
}
