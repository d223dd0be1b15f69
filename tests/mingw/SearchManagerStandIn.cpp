// SPDX-License-Identifier: LGPL-3.0-or-later
// A stand-in for Windows Search's search manager, for the installer's tests under Wine, which
// has none: an in-process server that the tests register under CLSID_CSearchManager. It
// answers GetCatalog and ReindexMatchingURLs and records each call, one line each, in the file
// named as the DLL with ".calls" added ("GetCatalog SystemIndex", "ReindexMatchingURLs *.mobi").
// Every other method answers E_NOTIMPL.
#include "platform/ComObject.h"
#include "platform/ComPtr.h"
#include "platform/UniqueAny.h"
#include "tools/quillsift-host/SearchInterfaces.h"

#include <new>
#include <string>
#include <vector>

LONG volatile ModuleRefCount = 0;

namespace {

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
    std::string line = std::string(method) + " ";
    char utf8[1024] = {};
    if (argument != nullptr) {
        WideCharToMultiByte(CP_UTF8, 0, argument, -1, utf8, sizeof(utf8) - 1, nullptr, nullptr);
    }
    line += utf8;
    line += "\n";
    FileHandle file(CreateFileW(path.data(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.Get() == INVALID_HANDLE_VALUE) {
        file.Detach();
        return;
    }
    DWORD written = 0;
    WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

class CatalogStandIn : public ISearchCatalogManager {
public:
    virtual ~CatalogStandIn() = default;
    template <typename Self> static const QITAB* Interfaces() {
        static const QITAB table[] = {QITABENT(Self, ISearchCatalogManager), {nullptr, 0}};
        return table;
    }

    HRESULT STDMETHODCALLTYPE ReindexMatchingURLs(LPCWSTR pattern) override {
        Record("ReindexMatchingURLs", pattern);
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE get_Name(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetParameter(LPCWSTR, PROPVARIANT**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetParameter(LPCWSTR, PROPVARIANT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCatalogStatus(CatalogStatus*, CatalogPausedReason*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Reset() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reindex() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ReindexSearchRoot(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_ConnectTimeout(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ConnectTimeout(DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_DataTimeout(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_DataTimeout(DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE NumberOfItems(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE NumberOfItemsToIndex(LONG*, LONG*, LONG*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE URLBeingIndexed(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetURLIndexingState(LPCWSTR, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE
    GetPersistentItemsChangedSink(ISearchPersistentItemsChangedSink**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE RegisterViewForNotification(LPCWSTR, ISearchViewChangedSink*,
                                                          DWORD*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetItemsChangedSink(ISearchNotifyInlineSite*, REFIID, void**, GUID*,
                                                  GUID*, DWORD*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE UnregisterViewForNotification(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetExtensionClusion(LPCWSTR, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumerateExcludedExtensions(IEnumString**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetQueryHelper(ISearchQueryHelper**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_DiacriticSensitivity(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_DiacriticSensitivity(BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCrawlScopeManager(ISearchCrawlScopeManager**) override {
        return E_NOTIMPL;
    }
};

class ManagerStandIn : public ISearchManager {
public:
    virtual ~ManagerStandIn() = default;
    template <typename Self> static const QITAB* Interfaces() {
        static const QITAB table[] = {QITABENT(Self, ISearchManager), {nullptr, 0}};
        return table;
    }

    HRESULT STDMETHODCALLTYPE GetCatalog(LPCWSTR catalog,
                                         ISearchCatalogManager** catalogManager) override {
        Record("GetCatalog", catalog);
        return CreateInstance<CatalogStandIn, ModuleCount::NotCounted>(
            IID_ISearchCatalogManager, reinterpret_cast<void**>(catalogManager));
    }

    HRESULT STDMETHODCALLTYPE GetIndexerVersionStr(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIndexerVersion(DWORD*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetParameter(LPCWSTR, PROPVARIANT**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetParameter(LPCWSTR, const PROPVARIANT*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_ProxyName(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_BypassList(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetProxy(PROXY_ACCESS, BOOL, DWORD, LPCWSTR, LPCWSTR) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_UserAgent(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_UserAgent(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_UseProxy(PROXY_ACCESS*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_LocalBypass(BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_PortNumber(DWORD*) override { return E_NOTIMPL; }
};

class FactoryStandIn : public IClassFactory {
public:
    virtual ~FactoryStandIn() = default;
    template <typename Self> static const QITAB* Interfaces() {
        static const QITAB table[] = {QITABENT(Self, IClassFactory), {nullptr, 0}};
        return table;
    }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (outer != nullptr) {
            return CLASS_E_NOAGGREGATION;
        }
        return ::CreateInstance<ManagerStandIn, ModuleCount::NotCounted>(riid, ppv);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        StandInModule = instance;
    }
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID classId, REFIID riid, void** ppv) {
    if (ppv == nullptr) {
        return E_POINTER;
    }
    *ppv = nullptr;
    if (!IsEqualCLSID(classId, CLSID_CSearchManager)) {
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    return CreateInstance<FactoryStandIn, ModuleCount::NotCounted>(riid, ppv);
}

// Stays loaded: the process that loads it is short-lived.
extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return S_FALSE;
}
