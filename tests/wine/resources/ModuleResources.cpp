// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tests/wine/resources/ModuleResources.h"

#include "platform/text/Utf16Length.h"
#include "tools/common/Utf16ToUtf8.h"

#include <cstdio>
#include <vector>

namespace {

// A DLL's own manifest: ISOLATIONAWARE_MANIFEST_RESOURCE_ID of type RT_MANIFEST.
const WORD ManifestResourceId = 2;
const WORD ManifestResourceType = 24;

std::string FormatVersion(DWORD high, DWORD low) {
    char buffer[64];
    std::snprintf(buffer, sizeof(buffer), "%u.%u.%u.%u", static_cast<unsigned>(HIWORD(high)),
                  static_cast<unsigned>(LOWORD(high)), static_cast<unsigned>(HIWORD(low)),
                  static_cast<unsigned>(LOWORD(low)));
    return buffer;
}

void DescribeVersion(const WCHAR* path, std::string& out) {
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path, &handle);
    std::vector<BYTE> data(size);
    if (size == 0 || !GetFileVersionInfoW(path, 0, size, data.data())) {
        char buffer[64];
        std::snprintf(buffer, sizeof(buffer), "version: none (error %u)\n",
                      static_cast<unsigned>(GetLastError()));
        out += buffer;
        return;
    }

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (VerQueryValueW(data.data(), UTF16("\\"), reinterpret_cast<void**>(&fixed), &length) &&
        fixed != nullptr && length >= sizeof(VS_FIXEDFILEINFO)) {
        out +=
            "FILEVERSION: " + FormatVersion(fixed->dwFileVersionMS, fixed->dwFileVersionLS) + "\n";
        out += "PRODUCTVERSION: " +
               FormatVersion(fixed->dwProductVersionMS, fixed->dwProductVersionLS) + "\n";
        char buffer[64];
        std::snprintf(buffer, sizeof(buffer), "FILETYPE: %u\n",
                      static_cast<unsigned>(fixed->dwFileType));
        out += buffer;
    } else {
        out += "FILEVERSION: none\n";
    }

    WORD* translations = nullptr;
    if (VerQueryValueW(data.data(), UTF16("\\VarFileInfo\\Translation"),
                       reinterpret_cast<void**>(&translations), &length) &&
        translations != nullptr) {
        for (UINT i = 0; i + 1 < length / sizeof(WORD); i += 2) {
            char buffer[64];
            std::snprintf(buffer, sizeof(buffer), "Translation: 0x%04x %u\n",
                          static_cast<unsigned>(translations[i]),
                          static_cast<unsigned>(translations[i + 1]));
            out += buffer;
        }
    } else {
        out += "Translation: none\n";
    }

    static const WCHAR* const Names[] = {UTF16("CompanyName"),      UTF16("FileDescription"),
                                         UTF16("FileVersion"),      UTF16("InternalName"),
                                         UTF16("OriginalFilename"), UTF16("ProductName"),
                                         UTF16("ProductVersion")};
    for (const WCHAR* name : Names) {
        WCHAR query[128] = UTF16("\\StringFileInfo\\040904b0\\");
        size_t used = Utf16Length(query);
        for (const WCHAR* c = name; *c != 0; ++c) {
            query[used++] = *c;
        }
        query[used] = 0;
        WCHAR* value = nullptr;
        const std::string label = "StringFileInfo\\040904b0\\" + ToUtf8(name);
        if (VerQueryValueW(data.data(), query, reinterpret_cast<void**>(&value), &length) &&
            value != nullptr) {
            out += label + ": " + ToUtf8(value) + "\n";
        } else {
            out += label + ": none\n";
        }
    }
}

void DescribeManifest(HMODULE module, std::string& out) {
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(ManifestResourceId),
                                   MAKEINTRESOURCEW(ManifestResourceType));
    HGLOBAL loaded = resource != nullptr ? LoadResource(module, resource) : nullptr;
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (bytes == nullptr) {
        out += "manifest: none\n";
        return;
    }
    out += "manifest:\n";
    out.append(static_cast<const char*>(bytes), SizeofResource(module, resource));
    if (out.back() != '\n') {
        out += '\n';
    }
}

} // namespace

HMODULE ModuleOfObject(IUnknown* object) {
    // The first field of a COM object is its vtable pointer, which lies in the module's image.
    const void* vtable = *reinterpret_cast<void* const*>(object);
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCWSTR>(vtable), &module)) {
        return nullptr;
    }
    return module;
}

std::string DescribeModuleResources(HMODULE module) {
    WCHAR path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return "module: unknown\n";
    }
    std::string out = "module: " + ToUtf8(path) + "\n";
    DescribeVersion(path, out);
    DescribeManifest(module, out);
    return out;
}
