// SPDX-License-Identifier: LGPL-3.0-or-later
// Self-registration, from tables walked by loops:
//  - the values that are Quillsift's alone (its class keys, the extensions' persistent
//    handlers), written as they are and removed with their trees;
//  - the values of shared keys that name a handler or list properties (the extensions'
//    property handler and thumbnail provider, Explorer's detail lists): another program's
//    value there is kept under
//    the property handler's class key and put back on unregistration, which removes a value
//    only while it still holds what Quillsift wrote.
// .azw3 is what calibre and Kindle Previewer name KF8 books; .prc is left alone, since Palm
// resource files of every kind use it.
#include "module/ClassIds.h"
#include "module/DllExports.h"
#include "module/ModuleHandle.h"
#include "platform/UniqueAny.h"
#include "platform/text/Utf16Length.h"

namespace {

#define CLASSES "Software\\Classes\\"
#define PROPERTY_HANDLER_KEY CLASSES "CLSID\\" BOOK_PROPERTY_HANDLER_CLSID_TEXT
#define PROPERTY_HANDLERS                                                                          \
    "Software\\Microsoft\\Windows\\CurrentVersion\\PropertySystem\\PropertyHandlers\\"
#define FILE_ASSOCIATIONS CLASSES "SystemFileAssociations\\"
#define THUMBNAIL_PROVIDER_KEY CLASSES "CLSID\\" BOOK_THUMBNAIL_PROVIDER_CLSID_TEXT
// The shell extension that hands a type's files to a thumbnail provider.
#define THUMBNAIL_SHELLEX "\\ShellEx\\{e357fccd-a995-4576-b01f-234630154e96}"

// The book's properties, then what Windows shows of every file: these lists replace Windows'
// own for the extension.
#define BOOK_PROPERTIES                                                                            \
    "System.Title;System.Author;System.Media.Publisher;System.Keywords;System.Comment;"            \
    "System.Media.DateReleased;System.Media.Year;System.Language"
const WCHAR FullDetails[] =
    UTF16("prop:System.PropGroup.Description;" BOOK_PROPERTIES
          ";System.PropGroup.FileSystem;System.ItemNameDisplay;System.ItemTypeText;"
          "System.ItemFolderPathDisplay;System.Size;System.DateCreated;System.DateModified;"
          "System.DateAccessed;System.FileAttributes;System.FileOwner;System.ComputerName");
const WCHAR PreviewDetails[] =
    UTF16("prop:" BOOK_PROPERTIES ";System.DateModified;System.Size;System.DateCreated");
const WCHAR InfoTip[] = UTF16("prop:System.ItemTypeText;System.Title;System.Author;"
                              "System.Media.Publisher;System.Size;System.DateModified");

// One REG_SZ value that registration writes.
struct RegistryEntry {
    LPCWSTR KeyPath;   // under HKEY_LOCAL_MACHINE
    LPCWSTR ValueName; // null for the key's default value
    LPCWSTR Data;      // null-terminated
};

// A value of a shared key. Another program's value found there is kept as `SavedName` under
// `SavedKey`, beneath the property handler's class key, and put back on unregistration.
struct SharedEntry {
    RegistryEntry Entry;
    LPCWSTR SavedKey;
    LPCWSTR SavedName;
};

// The trees that are Quillsift's alone, removed whole; the property handler's class key last,
// since it keeps the values to put back until they are back.
const LPCWSTR OwnTrees[] = {
    UTF16("" CLASSES "CLSID\\" BOOK_FILTER_CLSID_TEXT),
    UTF16("" CLASSES "CLSID\\" BOOK_PERSISTENT_HANDLER_CLSID_TEXT),
    UTF16("" CLASSES ".mobi\\PersistentHandler"),
    UTF16("" CLASSES ".azw\\PersistentHandler"),
    UTF16("" CLASSES ".azw3\\PersistentHandler"),
    UTF16("" THUMBNAIL_PROVIDER_KEY),
    UTF16("" PROPERTY_HANDLER_KEY),
};

#define SHARED_ENTRIES(extension)                                                                  \
    {{UTF16("" PROPERTY_HANDLERS extension), nullptr, CLSID_BookPropertyHandler},                  \
     UTF16("" PROPERTY_HANDLER_KEY "\\PreviousPropertyHandler"),                                   \
     UTF16("" extension)},                                                                         \
        {{UTF16("" FILE_ASSOCIATIONS extension), UTF16("FullDetails"), FullDetails},               \
         UTF16("" PROPERTY_HANDLER_KEY "\\PreviousFullDetails"),                                   \
         UTF16("" extension)},                                                                     \
        {{UTF16("" FILE_ASSOCIATIONS extension), UTF16("PreviewDetails"), PreviewDetails},         \
         UTF16("" PROPERTY_HANDLER_KEY "\\PreviousPreviewDetails"),                                \
         UTF16("" extension)},                                                                     \
        {{UTF16("" FILE_ASSOCIATIONS extension), UTF16("InfoTip"), InfoTip},                       \
         UTF16("" PROPERTY_HANDLER_KEY "\\PreviousInfoTip"),                                       \
         UTF16("" extension)},                                                                     \
        {{UTF16("" FILE_ASSOCIATIONS extension THUMBNAIL_SHELLEX), nullptr,                        \
          CLSID_BookThumbnailProvider},                                                            \
         UTF16("" PROPERTY_HANDLER_KEY "\\PreviousThumbnailProvider"),                             \
         UTF16("" extension)},

// In the order they are written and restored.
const SharedEntry SharedEntries[] = {SHARED_ENTRIES(".mobi") SHARED_ENTRIES(".azw")
                                         SHARED_ENTRIES(".azw3")};

// A registry string is at most this long here; a longer value is no value of Quillsift's, and
// is kept (or put back) only up to this size.
constexpr DWORD MaxValueBytes = 4096;

// A value as it is stored: its type and bytes.
struct StoredValue {
    DWORD Type = REG_NONE;
    DWORD Size = 0;
    BYTE Data[MaxValueBytes];
};

DWORD StringBytes(LPCWSTR text) {
    // The terminating null is stored with the string. (Not counted with char_traits: in the
    // winelib build WCHAR is a 16-bit wchar_t, which the C library measures in 32-bit units.)
    return static_cast<DWORD>((Utf16Length(text) + 1) * sizeof(WCHAR));
}

HRESULT OpenKey(LPCWSTR path, REGSAM access, RegistryKey& key) {
    return HRESULT_FROM_WIN32(RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, access, key.Put()));
}

HRESULT CreateKey(LPCWSTR path, RegistryKey& key) {
    return HRESULT_FROM_WIN32(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr,
                                              REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                                              key.Put(), nullptr));
}

// Writes one value, creating its key and every missing key above it.
HRESULT WriteValue(LPCWSTR path, LPCWSTR name, DWORD type, const BYTE* data, DWORD size) {
    RegistryKey key;
    const HRESULT created = CreateKey(path, key);
    if (FAILED(created)) {
        return created;
    }
    return HRESULT_FROM_WIN32(RegSetValueExW(key.Get(), name, 0, type, data, size));
}

HRESULT WriteEntry(const RegistryEntry& entry) {
    return WriteValue(entry.KeyPath, entry.ValueName, REG_SZ,
                      reinterpret_cast<const BYTE*>(entry.Data), StringBytes(entry.Data));
}

// S_FALSE when the value (or its key) is not there.
HRESULT ReadValue(LPCWSTR path, LPCWSTR name, StoredValue& value) {
    value.Type = REG_NONE;
    value.Size = 0;
    RegistryKey key;
    const HRESULT opened = OpenKey(path, KEY_QUERY_VALUE, key);
    if (opened == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)) {
        return S_FALSE;
    }
    if (FAILED(opened)) {
        return opened;
    }
    value.Size = sizeof(value.Data);
    const LONG status =
        RegQueryValueExW(key.Get(), name, nullptr, &value.Type, value.Data, &value.Size);
    if (status == ERROR_FILE_NOT_FOUND) {
        value.Size = 0;
        return S_FALSE;
    }
    return HRESULT_FROM_WIN32(status);
}

bool Holds(const StoredValue& value, const RegistryEntry& entry) {
    const DWORD size = StringBytes(entry.Data);
    return value.Type == REG_SZ && value.Size == size &&
           std::memcmp(value.Data, entry.Data, size) == 0;
}

// Whether the key holds neither a value nor a subkey.
bool IsEmptyKey(LPCWSTR path) {
    RegistryKey key;
    if (FAILED(OpenKey(path, KEY_READ, key))) {
        return false;
    }
    // Names are at most 255 characters (values' 16383; a longer one is not nothing).
    WCHAR found[256];
    DWORD nameLength = 256;
    const LONG subkey =
        RegEnumKeyExW(key.Get(), 0, found, &nameLength, nullptr, nullptr, nullptr, nullptr);
    nameLength = 256;
    const LONG value =
        RegEnumValueW(key.Get(), 0, found, &nameLength, nullptr, nullptr, nullptr, nullptr);
    return subkey == ERROR_NO_MORE_ITEMS && value == ERROR_NO_MORE_ITEMS;
}

// Removes a value, then its key when nothing is left in it, and so on up to the extension's
// key (`.mobi`, or `.mobi\ShellEx\{…}` and the keys above it up to `.mobi`).
HRESULT DeleteValue(LPCWSTR path, LPCWSTR name) {
    {
        RegistryKey key;
        HRESULT result = OpenKey(path, KEY_ALL_ACCESS, key);
        if (SUCCEEDED(result)) {
            const LONG status = RegDeleteValueW(key.Get(), name);
            result = status == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(status);
        }
        if (FAILED(result)) {
            return result == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) ? S_OK : result;
        }
    }
    WCHAR keyPath[MaxValueBytes / sizeof(WCHAR)];
    const size_t length = Utf16Length(path);
    if (length >= sizeof(keyPath) / sizeof(keyPath[0])) {
        return S_OK;
    }
    std::memcpy(keyPath, path, (length + 1) * sizeof(WCHAR));
    for (size_t end = length; end != 0 && IsEmptyKey(keyPath);) {
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, keyPath);
        size_t cut = end;
        while (cut != 0 && keyPath[cut - 1] != '\\') {
            --cut;
        }
        if (cut == 0 || keyPath[cut] == '.') {
            break;
        }
        keyPath[cut - 1] = 0;
        end = cut - 1;
    }
    return S_OK;
}

// Keeps another program's value before Quillsift's replaces it; a value already Quillsift's
// (registering again) keeps what was kept before.
HRESULT WriteShared(const SharedEntry& shared) {
    StoredValue found;
    // A value too long to keep (ERROR_MORE_DATA) stops registration rather than be lost.
    const HRESULT read = ReadValue(shared.Entry.KeyPath, shared.Entry.ValueName, found);
    if (FAILED(read)) {
        return read;
    }
    if (read == S_OK && !Holds(found, shared.Entry)) {
        const HRESULT kept =
            WriteValue(shared.SavedKey, shared.SavedName, found.Type, found.Data, found.Size);
        if (FAILED(kept)) {
            return kept;
        }
    }
    return WriteEntry(shared.Entry);
}

// Only a value that still holds Quillsift's is touched: it gives way to the value kept, or
// goes.
HRESULT RestoreShared(const SharedEntry& shared) {
    StoredValue found;
    const HRESULT read = ReadValue(shared.Entry.KeyPath, shared.Entry.ValueName, found);
    if (read == S_FALSE || read == HRESULT_FROM_WIN32(ERROR_MORE_DATA) ||
        (SUCCEEDED(read) && !Holds(found, shared.Entry))) {
        return S_OK;
    }
    if (FAILED(read)) {
        return read;
    }
    StoredValue kept;
    const HRESULT keptRead = ReadValue(shared.SavedKey, shared.SavedName, kept);
    if (FAILED(keptRead)) {
        return keptRead;
    }
    if (keptRead == S_OK) {
        return WriteValue(shared.Entry.KeyPath, shared.Entry.ValueName, kept.Type, kept.Data,
                          kept.Size);
    }
    return DeleteValue(shared.Entry.KeyPath, shared.Entry.ValueName);
}

// Explorer caches what it knows of the extensions' handlers until told.
HRESULT Notified(HRESULT result) {
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    return result;
}

} // namespace

// Writes every value in order and stops at the first that fails. What was written before a
// failure stays.
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
        {UTF16("" CLASSES "CLSID\\" BOOK_FILTER_CLSID_TEXT), nullptr, UTF16("Quillsift")},
        {UTF16("" CLASSES "CLSID\\" BOOK_FILTER_CLSID_TEXT "\\InProcServer32"), nullptr,
         modulePath},
        {UTF16("" CLASSES "CLSID\\" BOOK_FILTER_CLSID_TEXT "\\InProcServer32"),
         UTF16("ThreadingModel"), UTF16("Both")},
        {UTF16("" CLASSES "CLSID\\" BOOK_PERSISTENT_HANDLER_CLSID_TEXT), nullptr,
         UTF16("Quillsift Persistent Handler")},
        {UTF16("" CLASSES "CLSID\\" BOOK_PERSISTENT_HANDLER_CLSID_TEXT
               "\\PersistentAddinsRegistered"),
         nullptr, UTF16("")},
        {UTF16("" CLASSES "CLSID\\" BOOK_PERSISTENT_HANDLER_CLSID_TEXT
               "\\PersistentAddinsRegistered\\" IFILTER_IID_TEXT),
         nullptr, CLSID_BookFilter},
        {UTF16("" CLASSES ".mobi\\PersistentHandler"), nullptr, CLSID_BookPersistentHandler},
        {UTF16("" CLASSES ".azw\\PersistentHandler"), nullptr, CLSID_BookPersistentHandler},
        {UTF16("" CLASSES ".azw3\\PersistentHandler"), nullptr, CLSID_BookPersistentHandler},
        {UTF16("" PROPERTY_HANDLER_KEY), nullptr, UTF16("Quillsift Property Handler")},
        {UTF16("" PROPERTY_HANDLER_KEY "\\InProcServer32"), nullptr, modulePath},
        // Hosts call from either apartment; under Wine an Apartment class cannot be created
        // from a multithreaded one.
        {UTF16("" PROPERTY_HANDLER_KEY "\\InProcServer32"), UTF16("ThreadingModel"), UTF16("Both")},
        {UTF16("" THUMBNAIL_PROVIDER_KEY), nullptr, UTF16("Quillsift Thumbnail Provider")},
        {UTF16("" THUMBNAIL_PROVIDER_KEY "\\InProcServer32"), nullptr, modulePath},
        {UTF16("" THUMBNAIL_PROVIDER_KEY "\\InProcServer32"), UTF16("ThreadingModel"),
         UTF16("Both")},
    };
    HRESULT result = S_OK;
    for (size_t i = 0; i < sizeof(entries) / sizeof(entries[0]) && SUCCEEDED(result); ++i) {
        result = WriteEntry(entries[i]);
    }
    for (size_t i = 0; i < sizeof(SharedEntries) / sizeof(SharedEntries[0]) && SUCCEEDED(result);
         ++i) {
        result = WriteShared(SharedEntries[i]);
    }
    return Notified(result);
}

// Puts back the shared values first, then removes Quillsift's own trees, each with everything
// beneath it; the extension keys themselves and their other values stay. A value or tree that
// is not there counts as removed; any other failure stops the run.
STDAPI DllUnregisterServer() {
    HRESULT result = S_OK;
    for (size_t i = 0; i < sizeof(SharedEntries) / sizeof(SharedEntries[0]) && SUCCEEDED(result);
         ++i) {
        result = RestoreShared(SharedEntries[i]);
    }
    for (size_t i = 0; i < sizeof(OwnTrees) / sizeof(OwnTrees[0]) && SUCCEEDED(result); ++i) {
        const LONG code = RegDeleteTreeW(HKEY_LOCAL_MACHINE, OwnTrees[i]);
        result = code == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(code);
    }
    return Notified(result);
}
