// SPDX-License-Identifier: LGPL-3.0-or-later
// Self-registration: the nine values that route .mobi, .azw and .azw3 to the filter, written by
// one loop over a table, and the five trees that unregistration deletes. .azw3 is what calibre
// and Kindle Previewer name KF8 books; .prc is left alone, since Palm resource files of every
// kind use it.
#include "module/ClassIds.h"
#include "module/DllExports.h"
#include "module/ModuleState.h"
#include "platform/UniqueAny.h"
#include "platform/Utf16Length.h"

namespace {

// One registry value that registration writes: always a REG_SZ string.
struct RegistryEntry {
    HKEY RootKey;
    LPCWSTR KeyPath;   // relative to RootKey
    LPCWSTR ValueName; // null for the key's default value
    LPCWSTR Data;      // null-terminated
};

// Writes one value, creating its key and every missing key above it.
HRESULT WriteRegistryEntry(const RegistryEntry& entry) {
    RegistryKey key;
    const LONG created =
        RegCreateKeyExW(entry.RootKey, entry.KeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, key.Put(), nullptr);
    if (created != ERROR_SUCCESS) {
        return HRESULT_FROM_WIN32(created);
    }
    // The terminating null is stored with the string. (Not counted with char_traits: in the
    // winelib build WCHAR is a 16-bit wchar_t, which the C library measures in 32-bit units.)
    const DWORD byteCount = static_cast<DWORD>((Utf16Length(entry.Data) + 1) * sizeof(WCHAR));
    const LONG set = RegSetValueExW(key.Get(), entry.ValueName, 0, REG_SZ,
                                    reinterpret_cast<const BYTE*>(entry.Data), byteCount);
    return HRESULT_FROM_WIN32(set);
}

} // namespace

// ---- The thumbnail provider (covers in the shell) ----
// Its class, and the shell extension that hands .mobi, .azw and .azw3 to it, under
// SystemFileAssociations, where the shell looks for a type's handlers whoever owns the type.

#define THUMBNAIL_PROVIDER_SHELLEX_TEXT "\\ShellEx\\{e357fccd-a995-4576-b01f-234630154e96}"

namespace {

const LPCWSTR ThumbnailProviderClassKey =
    UTF16("Software\\Classes\\CLSID\\" BOOK_THUMBNAIL_PROVIDER_CLSID_TEXT);

const LPCWSTR ThumbnailProviderExtensionKeys[] = {
    UTF16("Software\\Classes\\SystemFileAssociations\\.mobi" THUMBNAIL_PROVIDER_SHELLEX_TEXT),
    UTF16("Software\\Classes\\SystemFileAssociations\\.azw" THUMBNAIL_PROVIDER_SHELLEX_TEXT),
    UTF16("Software\\Classes\\SystemFileAssociations\\.azw3" THUMBNAIL_PROVIDER_SHELLEX_TEXT),
};

// Threading model Both: under Wine an Apartment class cannot be made from a multithreaded
// apartment, and the provider keeps nothing that ties it to one thread.
HRESULT RegisterThumbnailProvider(LPCWSTR modulePath) {
    const RegistryEntry entries[] = {
        {HKEY_LOCAL_MACHINE, ThumbnailProviderClassKey, nullptr,
         UTF16("Quillsift Thumbnail Provider")},
        {HKEY_LOCAL_MACHINE,
         UTF16("Software\\Classes\\CLSID\\" BOOK_THUMBNAIL_PROVIDER_CLSID_TEXT "\\InProcServer32"),
         nullptr, modulePath},
        {HKEY_LOCAL_MACHINE,
         UTF16("Software\\Classes\\CLSID\\" BOOK_THUMBNAIL_PROVIDER_CLSID_TEXT "\\InProcServer32"),
         UTF16("ThreadingModel"), UTF16("Both")},
        {HKEY_LOCAL_MACHINE, ThumbnailProviderExtensionKeys[0], nullptr,
         CLSID_BookThumbnailProvider},
        {HKEY_LOCAL_MACHINE, ThumbnailProviderExtensionKeys[1], nullptr,
         CLSID_BookThumbnailProvider},
        {HKEY_LOCAL_MACHINE, ThumbnailProviderExtensionKeys[2], nullptr,
         CLSID_BookThumbnailProvider},
    };
    HRESULT result = S_OK;
    for (size_t i = 0; i < sizeof(entries) / sizeof(entries[0]) && SUCCEEDED(result); ++i) {
        result = WriteRegistryEntry(entries[i]);
    }
    return result;
}

// Whether the key's default value names the thumbnail provider: another program may have
// taken the extension since, and its handler stays.
bool NamesThumbnailProvider(LPCWSTR keyPath) {
    RegistryKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, key.Put()) != ERROR_SUCCESS) {
        return false;
    }
    WCHAR value[64] = {};
    DWORD type = 0;
    DWORD bytes = sizeof(value) - sizeof(WCHAR);
    if (RegQueryValueExW(key.Get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value),
                         &bytes) != ERROR_SUCCESS ||
        type != REG_SZ) {
        return false;
    }
    CLSID named;
    CLSID ours;
    return SUCCEEDED(CLSIDFromString(value, &named)) &&
           SUCCEEDED(CLSIDFromString(CLSID_BookThumbnailProvider, &ours)) &&
           IsEqualCLSID(named, ours);
}

HRESULT DeleteTreeIfThere(LPCWSTR keyPath) {
    const LONG code = RegDeleteTreeW(HKEY_LOCAL_MACHINE, keyPath);
    return code == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(code);
}

HRESULT UnregisterThumbnailProvider() {
    HRESULT result = DeleteTreeIfThere(ThumbnailProviderClassKey);
    for (LPCWSTR keyPath : ThumbnailProviderExtensionKeys) {
        if (SUCCEEDED(result) && NamesThumbnailProvider(keyPath)) {
            result = DeleteTreeIfThere(keyPath);
        }
    }
    return result;
}

} // namespace

// ---- End of the thumbnail provider ----

// Writes the nine values in order and stops at the first that fails. What was written before
// a failure stays.
STDAPI DllRegisterServer() {
    WCHAR modulePath[MAX_PATH];
    const DWORD length = GetModuleFileNameW(ModuleHandle, modulePath, MAX_PATH);
    if (length == 0) {
        const DWORD error = GetLastError();
        return error != ERROR_SUCCESS ? HRESULT_FROM_WIN32(error) : E_FAIL;
    }
    // A path cut to fit the buffer would name another file.
    if (length >= MAX_PATH) {
        return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    }

    const RegistryEntry entries[] = {
        {HKEY_LOCAL_MACHINE, UTF16("Software\\Classes\\CLSID\\" BOOK_FILTER_CLSID_TEXT), nullptr,
         UTF16("Quillsift")},
        {HKEY_LOCAL_MACHINE,
         UTF16("Software\\Classes\\CLSID\\" BOOK_FILTER_CLSID_TEXT "\\InProcServer32"), nullptr,
         modulePath},
        {HKEY_LOCAL_MACHINE,
         UTF16("Software\\Classes\\CLSID\\" BOOK_FILTER_CLSID_TEXT "\\InProcServer32"),
         UTF16("ThreadingModel"), UTF16("Both")},
        {HKEY_LOCAL_MACHINE, UTF16("Software\\Classes\\CLSID\\" BOOK_PERSISTENT_HANDLER_CLSID_TEXT),
         nullptr, UTF16("Quillsift Persistent Handler")},
        {HKEY_LOCAL_MACHINE,
         UTF16("Software\\Classes\\CLSID\\" BOOK_PERSISTENT_HANDLER_CLSID_TEXT
               "\\PersistentAddinsRegistered"),
         nullptr, UTF16("")},
        {HKEY_LOCAL_MACHINE,
         UTF16("Software\\Classes\\CLSID\\" BOOK_PERSISTENT_HANDLER_CLSID_TEXT
               "\\PersistentAddinsRegistered\\" IFILTER_IID_TEXT),
         nullptr, CLSID_BookFilter},
        {HKEY_LOCAL_MACHINE, UTF16("Software\\Classes\\.mobi\\PersistentHandler"), nullptr,
         CLSID_BookPersistentHandler},
        {HKEY_LOCAL_MACHINE, UTF16("Software\\Classes\\.azw\\PersistentHandler"), nullptr,
         CLSID_BookPersistentHandler},
        {HKEY_LOCAL_MACHINE, UTF16("Software\\Classes\\.azw3\\PersistentHandler"), nullptr,
         CLSID_BookPersistentHandler},
    };
    HRESULT result = S_OK;
    for (size_t i = 0; i < sizeof(entries) / sizeof(entries[0]) && SUCCEEDED(result); ++i) {
        result = WriteRegistryEntry(entries[i]);
    }
    if (SUCCEEDED(result)) {
        result = RegisterThumbnailProvider(modulePath);
    }
    // Explorer reads handlers once: it must hear that they changed.
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    return result;
}

// Removes both class keys and the PersistentHandler keys of .mobi, .azw and .azw3, each with
// everything beneath it; the extension keys themselves and their other values stay. A tree
// that is not there counts as removed; any other failure stops the run.
STDAPI DllUnregisterServer() {
    const LPCWSTR trees[] = {
        UTF16("Software\\Classes\\CLSID\\" BOOK_FILTER_CLSID_TEXT),
        UTF16("Software\\Classes\\CLSID\\" BOOK_PERSISTENT_HANDLER_CLSID_TEXT),
        UTF16("Software\\Classes\\.mobi\\PersistentHandler"),
        UTF16("Software\\Classes\\.azw\\PersistentHandler"),
        UTF16("Software\\Classes\\.azw3\\PersistentHandler"),
    };
    HRESULT result = S_OK;
    for (size_t i = 0; i < sizeof(trees) / sizeof(trees[0]) && SUCCEEDED(result); ++i) {
        const LONG code = RegDeleteTreeW(HKEY_LOCAL_MACHINE, trees[i]);
        result = code == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(code);
    }
    if (SUCCEEDED(result)) {
        result = UnregisterThumbnailProvider();
    }
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    return result;
}
