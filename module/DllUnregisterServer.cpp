#include "module/ClassIds.h"
#include "module/DeleteRegistryTree.h"
#include "module/DllExports.h"

// Removes both class keys and the PersistentHandler keys of .mobi and .azw, each with
// everything beneath it; the extension keys themselves and their other values stay. A tree
// that is not there counts as removed; any other failure stops the run.
STDAPI DllUnregisterServer() {
    const LPCWSTR trees[] = {
        UTF16("Software\\Classes\\CLSID\\" BOOK_FILTER_CLSID_TEXT),
        UTF16("Software\\Classes\\CLSID\\" BOOK_PERSISTENT_HANDLER_CLSID_TEXT),
        UTF16("Software\\Classes\\.mobi\\PersistentHandler"),
        UTF16("Software\\Classes\\.azw\\PersistentHandler"),
    };
    HRESULT result = S_OK;
    for (size_t i = 0; i < sizeof(trees) / sizeof(trees[0]) && SUCCEEDED(result); ++i) {
        const LONG code = DeleteRegistryTree(HKEY_LOCAL_MACHINE, trees[i]);
        result = code == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(code);
    }
    return result;
}
