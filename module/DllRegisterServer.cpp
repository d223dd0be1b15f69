#include "module/ClassIds.h"
#include "module/DllExports.h"
#include "module/ModuleState.h"
#include "module/RegistryEntry.h"
#include "module/WriteRegistryEntry.h"

// Writes the eight values that route .mobi and .azw to the filter, in order, and stops at the
// first that fails. What was written before a failure stays.
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
    };
    HRESULT result = S_OK;
    for (size_t i = 0; i < sizeof(entries) / sizeof(entries[0]) && SUCCEEDED(result); ++i) {
        result = WriteRegistryEntry(entries[i]);
    }
    return result;
}
