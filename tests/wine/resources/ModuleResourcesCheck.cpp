// SPDX-License-Identifier: LGPL-3.0-or-later
// Prints the version information and the manifest of the module that implements the filter
// registered for an extension (.mobi when none is given), found as the indexer finds it: the
// registry, then CoCreateInstance. The Wine integration test checks them in the DLL it
// registered.
// Usage: module_resources_check [.EXT]
#include "platform/ComPtr.h"
#include "tests/wine/resources/ModuleResources.h"
#include "tools/common/FormatCode.h"
#include "tools/quillsift-host/RegisteredFilter.h"

#include <string>

namespace {

bool Write(DWORD handleId, const std::string& text) {
    DWORD written = 0;
    return WriteFile(GetStdHandle(handleId), text.data(), static_cast<DWORD>(text.size()), &written,
                     nullptr) &&
           written == text.size();
}

int Describe(const WCHAR* extension) {
    CLSID filterClass;
    const HRESULT found = FindRegisteredFilter(extension, &filterClass);
    if (FAILED(found)) {
        Write(STD_ERROR_HANDLE,
              "module_resources_check: no filter registered (" + FormatCode(found) + ")\n");
        return 1;
    }
    ComPtr<IUnknown> object;
    const HRESULT created = CoCreateInstance(filterClass, nullptr, CLSCTX_INPROC_SERVER,
                                             IID_IUnknown, object.PutVoid());
    HMODULE module = SUCCEEDED(created) && object ? ModuleOfObject(object.Get()) : nullptr;
    if (module == nullptr) {
        Write(STD_ERROR_HANDLE, "module_resources_check: cannot create the filter object (" +
                                    FormatCode(created) + ")\n");
        return 1;
    }
    return Write(STD_OUTPUT_HANDLE, DescribeModuleResources(module)) ? 0 : 1;
}

} // namespace

extern "C" int wmain(int argc, WCHAR** argv) {
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {
        return 1;
    }
    const int status = Describe(argc > 1 ? argv[1] : UTF16(".mobi"));
    CoUninitialize();
    return status;
}
