// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/CBookPropertyStore.h"

#include "book/load/OpenBook.h"
#include "platform/IsNullReference.h"
#include "platform/ReturnIfFailed.h"

CBookPropertyStore::CBookPropertyStore()
    : CBookReader(AfterFailure::StaysBound), Filled(0), Published(0) {
    for (BookProperty& property : Properties) {
        property.Key = PROPERTYKEY{};
        PropVariantInit(&property.Value);
    }
}

CBookPropertyStore::~CBookPropertyStore() {
    Clear();
}

void CBookPropertyStore::Clear() {
    for (DWORD i = 0; i < Filled; ++i) {
        PropVariantClear(&Properties[i].Value);
    }
    Filled = 0;
}

DWORD CBookPropertyStore::PublishedCount() const {
    return static_cast<DWORD>(InterlockedCompareExchange(&Published, 0, 0));
}

HRESULT CBookPropertyStore::Bind(IStream* stream, std::optional<BookCondition>& found) {
    OpenedBook opened;
    const HRESULT open = OpenBook(stream, OpenFor::Headers, opened);
    found = opened.Condition;
    RETURN_IF_FAILED(open);
    RETURN_IF_FAILED(ReadBookProperties(opened.Book.Get(), Properties, &Filled));
    return S_OK;
}

void CBookPropertyStore::Publish() {
    // The properties are complete before any reader can count them.
    InterlockedCompareExchange(&Published, static_cast<LONG>(Filled), 0);
}

void CBookPropertyStore::Unbind() {
    Clear();
}

HRESULT CBookPropertyStore::GetCount(DWORD* cProps) {
    if (cProps == nullptr) {
        return E_POINTER;
    }
    *cProps = PublishedCount();
    return S_OK;
}

HRESULT CBookPropertyStore::GetAt(DWORD iProp, PROPERTYKEY* pkey) {
    if (pkey == nullptr) {
        return E_POINTER;
    }
    if (iProp >= PublishedCount()) {
        *pkey = PROPERTYKEY{};
        return E_INVALIDARG;
    }
    *pkey = Properties[iProp].Key;
    return S_OK;
}

HRESULT CBookPropertyStore::GetValue(REFPROPERTYKEY key, PROPVARIANT* pv) {
    if (pv == nullptr) {
        return E_POINTER;
    }
    PropVariantInit(pv);
    if (IsNullReference(&key)) {
        return E_POINTER;
    }
    const DWORD count = PublishedCount();
    for (DWORD i = 0; i < count; ++i) {
        if (IsEqualPropertyKey(Properties[i].Key, key)) {
            return PropVariantCopy(pv, &Properties[i].Value);
        }
    }
    // A property the book does not have: empty, and no failure.
    return S_OK;
}

HRESULT CBookPropertyStore::SetValue(REFPROPERTYKEY, REFPROPVARIANT) {
    return STG_E_ACCESSDENIED;
}

HRESULT CBookPropertyStore::Commit() {
    return STG_E_ACCESSDENIED;
}

HRESULT CBookPropertyStore::IsPropertyWritable(REFPROPERTYKEY) {
    return S_FALSE;
}
