// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/CBookPropertyStore.h"

#include "book/ConditionWords.h"
#include "book/load/LoadBook.h"
#include "book/load/MobiHolders.h"
#include "platform/AllocationFailures.h"
#include "platform/IsNullReference.h"
#include "platform/ReturnIfFailed.h"

CBookPropertyStore::CBookPropertyStore()
    : Filled(0), Published(0), InitializeClaimed(0), Read(false), Ended(0) {
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

HRESULT CBookPropertyStore::ReadBook(IStream* stream) {
    LARGE_INTEGER start;
    start.QuadPart = 0;
    stream->Seek(start, STREAM_SEEK_SET, nullptr);
    MobiBook book(mobi_init());
    if (!book) {
        return E_OUTOFMEMORY;
    }
    BookRecords records(stream);
    const MOBI_RET loaded = LoadBookFromRecords(book.Get(), records, LoadedRecords::Headers);
    Condition = records.Condition();
    if (loaded != MOBI_SUCCESS) {
        return E_FAIL;
    }
    return ReadBookProperties(book.Get(), Properties, &Filled);
}

HRESULT CBookPropertyStore::Initialize(IStream* pstream, DWORD grfMode) {
    if (pstream == nullptr) {
        return E_INVALIDARG;
    }
    // Nothing is ever written back to the book.
    if ((grfMode & (STGM_WRITE | STGM_READWRITE)) != 0) {
        return STG_E_ACCESSDENIED;
    }
    if (InterlockedCompareExchange(&InitializeClaimed, 1, 0) != 0) {
        return HRESULT_FROM_WIN32(ERROR_ALREADY_INITIALIZED);
    }
    // A store made while an allocation failed may lack a property, or hold a wrong one: it
    // stays empty instead.
    const AllocationWatch watch;
    const HRESULT read = watch.Checked(ReadBook(pstream));
    if (read == E_OUTOFMEMORY) {
        Condition = BookCondition();
        Condition.Fault = BookFault::OutOfMemory;
    }
    Read = SUCCEEDED(read);
    InterlockedCompareExchange(&Ended, 1, 0);
    if (FAILED(read)) {
        Clear();
        return read;
    }
    // The properties are complete before any reader can count them.
    InterlockedCompareExchange(&Published, static_cast<LONG>(Filled), 0);
    return S_OK;
}

HRESULT CBookPropertyStore::GetConditionWords(LPWSTR* words) {
    RETURN_IF_FAILED(StartWords(words, InterlockedCompareExchange(&Ended, 0, 0) != 0));
    return HandOutConditionWords(Condition, Read, "its details were read", words);
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
