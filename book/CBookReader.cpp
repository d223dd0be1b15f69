// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/CBookReader.h"

#include "platform/AllocationFailures.h"
#include "platform/ReturnIfFailed.h"

HRESULT CBookReader::Initialize(IStream* pstream, DWORD grfMode) {
    if (pstream == nullptr) {
        return E_INVALIDARG;
    }
    if ((grfMode & (STGM_WRITE | STGM_READWRITE)) != 0) {
        return STG_E_ACCESSDENIED;
    }
    if (InterlockedCompareExchange(&Claimed, 1, 0) != 0) {
        return HRESULT_FROM_WIN32(ERROR_ALREADY_INITIALIZED);
    }
    // What was read while an allocation failed may lack a property, or be another picture: it
    // is dropped instead, before anything of it is handed out.
    const AllocationWatch watch;
    std::optional<BookCondition> found;
    const HRESULT bound = watch.Checked(Bind(pstream, found));
    if (bound == E_OUTOFMEMORY) {
        found = BookCondition();
        found->Fault = BookFault::OutOfMemory;
    }
    if (FAILED(bound)) {
        Unbind();
    } else {
        Publish();
    }
    if (found) {
        NoteReading(*found, SUCCEEDED(bound));
    }
    if (FAILED(bound) && Retry == AfterFailure::MayBindAgain) {
        InterlockedCompareExchange(&Claimed, 0, 1);
    }
    return bound;
}

void CBookReader::NoteReading(const BookCondition& condition, bool read) {
    Condition = condition;
    Read = read;
    InterlockedCompareExchange(&Noted, 1, 0);
}

void CBookReader::Forget() {
    InterlockedCompareExchange(&Noted, 0, 1);
    InterlockedCompareExchange(&Claimed, 0, 1);
}

HRESULT CBookReader::GetConditionWords(LPWSTR* words) {
    RETURN_IF_FAILED(StartWords(words, InterlockedCompareExchange(&Noted, 0, 0) != 0));
    return HandOutConditionWords(Condition, Read, Reading(), 0, words);
}
