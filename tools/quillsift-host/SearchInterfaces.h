// SPDX-License-Identifier: LGPL-3.0-or-later
// The two interfaces of the Windows Search indexer that quillsift-host --reindex calls, and
// the class that gives them. searchapi.h is in neither mingw-w64's headers nor Wine's, so they
// are declared here. A COM interface is its table of methods: each method below stands in the
// slot the Windows SDK's searchapi.h (from searchapi.idl) gives it, in that order. Microsoft's
// reference pages list the methods alphabetically, which is not the order of the table.
// Only GetCatalog and ReindexMatchingURLs are called; the others hold their slots.
#pragma once

#include "platform/Platform.h"

// CLSID_CSearchManager: the indexer's search manager, a local server on Windows.
inline const CLSID CLSID_CSearchManager = {
    0x7D096C5F, 0xAC08, 0x4F1F, {0xBE, 0xB7, 0x5C, 0x22, 0xC5, 0x17, 0xCE, 0x39}};
inline const IID IID_ISearchManager = {
    0xAB310581, 0xAC80, 0x11D1, {0x8D, 0xF3, 0x00, 0xC0, 0x4F, 0xB6, 0xEF, 0x69}};
inline const IID IID_ISearchCatalogManager = {
    0xAB310581, 0xAC80, 0x11D1, {0x8D, 0xF3, 0x00, 0xC0, 0x4F, 0xB6, 0xEF, 0x50}};

// The enumerations that some slots take; passed as 32-bit values.
enum PROXY_ACCESS { PROXY_ACCESS_PRECONFIG = 0, PROXY_ACCESS_DIRECT = 1, PROXY_ACCESS_PROXY = 2 };
enum CatalogStatus { CATALOG_STATUS_IDLE = 0 };
enum CatalogPausedReason { CATALOG_PAUSED_REASON_NONE = 0 };

// Interfaces that only hold a slot's place here.
struct ISearchPersistentItemsChangedSink;
struct ISearchViewChangedSink;
struct ISearchNotifyInlineSite;
struct ISearchQueryHelper;
struct ISearchCrawlScopeManager;

struct ISearchCatalogManager : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Name(LPWSTR* name) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetParameter(LPCWSTR name, PROPVARIANT** value) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetParameter(LPCWSTR name, PROPVARIANT* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCatalogStatus(CatalogStatus* status,
                                                       CatalogPausedReason* pausedReason) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reindex() = 0;
    // Marks every indexed item whose URL matches `pattern` ("*.mobi") to be read again.
    virtual HRESULT STDMETHODCALLTYPE ReindexMatchingURLs(LPCWSTR pattern) = 0;
    virtual HRESULT STDMETHODCALLTYPE ReindexSearchRoot(LPCWSTR rootUrl) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_ConnectTimeout(DWORD timeout) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ConnectTimeout(DWORD* timeout) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_DataTimeout(DWORD timeout) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_DataTimeout(DWORD* timeout) = 0;
    virtual HRESULT STDMETHODCALLTYPE NumberOfItems(LONG* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE NumberOfItemsToIndex(LONG* incrementalCount,
                                                           LONG* notificationQueue,
                                                           LONG* highPriorityQueue) = 0;
    virtual HRESULT STDMETHODCALLTYPE URLBeingIndexed(LPWSTR* url) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetURLIndexingState(LPCWSTR url, DWORD* state) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    GetPersistentItemsChangedSink(ISearchPersistentItemsChangedSink** sink) = 0;
    virtual HRESULT STDMETHODCALLTYPE RegisterViewForNotification(LPCWSTR view,
                                                                  ISearchViewChangedSink* sink,
                                                                  DWORD* cookie) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetItemsChangedSink(ISearchNotifyInlineSite* site,
                                                          REFIID riid, void** sink,
                                                          GUID* catalogResetSignature,
                                                          GUID* checkPointSignature,
                                                          DWORD* lastCheckPointNumber) = 0;
    virtual HRESULT STDMETHODCALLTYPE UnregisterViewForNotification(DWORD cookie) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetExtensionClusion(LPCWSTR extension, BOOL exclude) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumerateExcludedExtensions(IEnumString** extensions) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetQueryHelper(ISearchQueryHelper** helper) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_DiacriticSensitivity(BOOL sensitive) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_DiacriticSensitivity(BOOL* sensitive) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCrawlScopeManager(ISearchCrawlScopeManager** manager) = 0;
};

struct ISearchManager : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetIndexerVersionStr(LPWSTR* version) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetIndexerVersion(DWORD* major, DWORD* minor) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetParameter(LPCWSTR name, PROPVARIANT** value) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetParameter(LPCWSTR name, const PROPVARIANT* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ProxyName(LPWSTR* proxyName) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_BypassList(LPWSTR* bypassList) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetProxy(PROXY_ACCESS useProxy, BOOL localBypassProxy,
                                               DWORD portNumber, LPCWSTR proxyName,
                                               LPCWSTR bypassList) = 0;
    // The catalog of that name; Windows Search's one catalog is "SystemIndex".
    virtual HRESULT STDMETHODCALLTYPE GetCatalog(LPCWSTR catalog,
                                                 ISearchCatalogManager** catalogManager) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_UserAgent(LPWSTR* userAgent) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_UserAgent(LPCWSTR userAgent) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_UseProxy(PROXY_ACCESS* useProxy) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_LocalBypass(BOOL* localBypass) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_PortNumber(DWORD* portNumber) = 0;
};
