// SPDX-License-Identifier: LGPL-3.0-or-later
// A stand-in for Windows Search's search manager, for the installer's tests under Wine, which
// has none: an in-process server that the tests register under CLSID_CSearchManager. It
// answers ISearchManager::GetCatalog and ISearchCatalogManager::ReindexMatchingURLs and records
// each call, one line each, in the file named as the DLL with ".calls" added ("GetCatalog
// SystemIndex", "ReindexMatchingURLs *.mobi"). Its objects are tables of functions laid out
// here slot by slot, counted in the order of the SDK's searchapi.h apart from the host's own
// declarations (tools/quillsift-host/SearchInterfaces.h): a call the host makes through a
// wrong slot finds E_NOTIMPL, and the test sees the call missing.
#include "platform/Platform.h"
#include "platform/UniqueAny.h"
#include "tools/quillsift-host/SearchInterfaces.h"

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace {

// Any method, as a table holds it.
using Slot = void (*)();

// A COM object: its table first, as every caller reads it.
struct StandIn {
    const Slot* Table;
    const IID* Face;
    LONG volatile References;
};

HMODULE StandInModule = nullptr;
using FileHandle = UniqueAny<HANDLE, CloseHandle>;

void Record(const char* method, LPCWSTR argument) {
    std::vector<WCHAR> path(32768);
    const DWORD length =
        GetModuleFileNameW(StandInModule, path.data(), static_cast<DWORD>(path.size() - 8));
    if (length == 0) {
        return;
    }
    path.resize(length);
    for (const char* c = ".calls"; *c != 0; ++c) {
        path.push_back(static_cast<WCHAR>(*c));
    }
    path.push_back(0);
    char utf8[1024] = {};
    WideCharToMultiByte(CP_UTF8, 0, argument, -1, utf8, sizeof(utf8) - 1, nullptr, nullptr);
    const std::string line = std::string(method) + " " + utf8 + "\n";
    FileHandle file(CreateFileW(path.data(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.Get() == INVALID_HANDLE_VALUE) {
        file.Detach();
        return;
    }
    DWORD written = 0;
    WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

HRESULT STDMETHODCALLTYPE NotImplemented(StandIn*) {
    return E_NOTIMPL;
}

ULONG STDMETHODCALLTYPE AddRef(StandIn* self) {
    return static_cast<ULONG>(InterlockedIncrement(&self->References));
}

ULONG STDMETHODCALLTYPE Release(StandIn* self) {
    const LONG count = InterlockedDecrement(&self->References);
    if (count == 0) {
        delete self;
    }
    return static_cast<ULONG>(count);
}

HRESULT STDMETHODCALLTYPE QueryInterface(StandIn* self, REFIID riid, void** ppv) {
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, *self->Face)) {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    AddRef(self);
    *ppv = self;
    return S_OK;
}

// `count` slots: IUnknown's three, `methods` at their slots, E_NOTIMPL in every other.
std::vector<Slot> MakeTable(size_t count, std::initializer_list<std::pair<size_t, Slot>> methods) {
    std::vector<Slot> table(count, reinterpret_cast<Slot>(NotImplemented));
    table[0] = reinterpret_cast<Slot>(QueryInterface);
    table[1] = reinterpret_cast<Slot>(AddRef);
    table[2] = reinterpret_cast<Slot>(Release);
    for (const auto& method : methods) {
        table[method.first] = method.second;
    }
    return table;
}

HRESULT MakeObject(const std::vector<Slot>& table, const IID& face, REFIID riid, void** ppv) {
    *ppv = nullptr;
    StandIn* object = new StandIn{table.data(), &face, 1};
    const HRESULT result = QueryInterface(object, riid, ppv);
    Release(object);
    return result;
}

HRESULT STDMETHODCALLTYPE ReindexMatchingUrls(StandIn*, LPCWSTR pattern) {
    Record("ReindexMatchingURLs", pattern);
    return S_OK;
}

// ISearchCatalogManager: 26 methods after IUnknown's; the seventh is ReindexMatchingURLs
// (get_Name, GetParameter, SetParameter, GetCatalogStatus, Reset, Reindex, ...).
const std::vector<Slot> CatalogTable =
    MakeTable(3 + 26, {{3 + 6, reinterpret_cast<Slot>(ReindexMatchingUrls)}});

HRESULT STDMETHODCALLTYPE GetCatalog(StandIn*, LPCWSTR catalog, void** catalogManager) {
    Record("GetCatalog", catalog);
    return MakeObject(CatalogTable, IID_ISearchCatalogManager, IID_ISearchCatalogManager,
                      catalogManager);
}

// ISearchManager: 13 methods after IUnknown's; the eighth is GetCatalog (GetIndexerVersionStr,
// GetIndexerVersion, GetParameter, SetParameter, get_ProxyName, get_BypassList, SetProxy, ...).
const std::vector<Slot> ManagerTable =
    MakeTable(3 + 13, {{3 + 7, reinterpret_cast<Slot>(GetCatalog)}});

HRESULT STDMETHODCALLTYPE CreateInstance(StandIn*, IUnknown* outer, REFIID riid, void** ppv) {
    if (outer != nullptr) {
        *ppv = nullptr;
        return CLASS_E_NOAGGREGATION;
    }
    return MakeObject(ManagerTable, IID_ISearchManager, riid, ppv);
}

HRESULT STDMETHODCALLTYPE LockServer(StandIn*, BOOL) {
    return S_OK;
}

// IClassFactory: CreateInstance, LockServer.
const std::vector<Slot> FactoryTable = MakeTable(
    3 + 2, {{3, reinterpret_cast<Slot>(CreateInstance)}, {4, reinterpret_cast<Slot>(LockServer)}});

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        StandInModule = instance;
    }
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID classId, REFIID riid, void** ppv) {
    if (!IsEqualCLSID(classId, CLSID_CSearchManager)) {
        *ppv = nullptr;
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    return MakeObject(FactoryTable, IID_IClassFactory, riid, ppv);
}

// Stays loaded: the process that loads it is short-lived.
extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return S_FALSE;
}
