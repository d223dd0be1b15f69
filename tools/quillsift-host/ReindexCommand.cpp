// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/quillsift-host/ReindexCommand.h"

#include "platform/ComPtr.h"
#include "tools/common/CommandLine.h"
#include "tools/common/FormatCode.h"
#include "tools/quillsift-host/HostOutput.h"
#include "tools/quillsift-host/SearchInterfaces.h"

#include <string>

namespace {

// The extensions the DLL registers, as the indexer's URL patterns.
const WCHAR* const BookPatterns[] = {UTF16("*.mobi"), UTF16("*.azw"), UTF16("*.azw3")};

std::string Refused(const char* request, HRESULT result) {
    std::string line =
        "Windows Search refused " + std::string(request) + " (" + FormatCode(result) + ")";
    if (result == E_ACCESSDENIED) {
        line += ": run it as administrator";
    }
    return line;
}

} // namespace

int RunReindexCommand(int argc, WCHAR** argv) {
    (void)argv;
    if (argc != 2) {
        WriteError("--reindex takes no argument");
        return ExitUsage;
    }
    // On Windows the search manager is the indexer's local server; an in-process one is taken
    // first where there is one.
    ComPtr<ISearchManager> manager;
    const HRESULT created =
        CoCreateInstance(CLSID_CSearchManager, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                         IID_ISearchManager, manager.PutVoid());
    if (FAILED(created)) {
        WriteError("Windows Search is not available here (" + FormatCode(created) +
                   "); once it runs, run quillsift-host --reindex again as administrator, or "
                   "rebuild its index in Indexing Options");
        return ExitSearchUnavailable;
    }
    ComPtr<ISearchCatalogManager> catalog;
    HRESULT result = manager->GetCatalog(UTF16("SystemIndex"), catalog.Put());
    if (FAILED(result)) {
        WriteError(Refused("its catalog SystemIndex", result));
        return ExitSomeFailed;
    }
    for (const WCHAR* pattern : BookPatterns) {
        result = catalog->ReindexMatchingURLs(pattern);
        if (FAILED(result)) {
            WriteError(Refused("to re-index the books", result));
            return ExitSomeFailed;
        }
    }
    return WriteOut("Windows Search reads again the .mobi, .azw and .azw3 files of the "
                    "locations it indexes.\n");
}
