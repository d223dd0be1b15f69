// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/CBookThumbnailProvider.h"

#include "book/ConditionWords.h"
#include "platform/AllocationFailures.h"
#include "platform/DecodeThumbnail.h"
#include "platform/ReturnIfFailed.h"

#include <cstring>

HRESULT CBookThumbnailProvider::Initialize(IStream* pstream, DWORD) {
    if (pstream == nullptr) {
        return E_INVALIDARG;
    }
    if (Initialized) {
        return HRESULT_FROM_WIN32(ERROR_ALREADY_INITIALIZED);
    }
    LARGE_INTEGER start;
    start.QuadPart = 0;
    pstream->Seek(start, STREAM_SEEK_SET, nullptr);
    // A cover chosen while an allocation failed may be another picture of the book (its small
    // thumbnail): none is kept instead.
    const AllocationWatch watch;
    const HRESULT read = watch.Checked(ReadBookCoverPicture(pstream, Cover));
    if (read == E_OUTOFMEMORY) {
        Cover = BookCoverPicture();
        Cover.Condition.Fault = BookFault::OutOfMemory;
    }
    Bound = true;
    RETURN_IF_FAILED(read);
    // The stream is not kept: everything the thumbnail needs is in Cover.
    Initialized = true;
    return S_OK;
}

HRESULT CBookThumbnailProvider::GetThumbnail(UINT cx, HBITMAP* phbmp, WTS_ALPHATYPE* pdwAlpha) {
    if (phbmp == nullptr || pdwAlpha == nullptr) {
        return E_POINTER;
    }
    *phbmp = nullptr;
    *pdwAlpha = WTSAT_UNKNOWN;
    if (!Initialized) {
        return E_UNEXPECTED;
    }
    if (cx == 0) {
        return E_INVALIDARG;
    }
    if (!Cover.Bytes) {
        return WTS_E_FAILEDEXTRACTION;
    }
    return DecodeThumbnail(Cover.Bytes.Get(), Cover.Size, cx, phbmp, pdwAlpha);
}

HRESULT CBookThumbnailProvider::GetCoverBytes(BYTE** bytes, ULONG* size) {
    if (bytes == nullptr || size == nullptr) {
        return E_POINTER;
    }
    *bytes = nullptr;
    *size = 0;
    if (!Initialized) {
        return E_UNEXPECTED;
    }
    if (!Cover.Bytes) {
        return WTS_E_FAILEDEXTRACTION;
    }
    CoTaskMemPtr<BYTE> copy(TaskAllocate<BYTE>(Cover.Size));
    if (!copy) {
        return E_OUTOFMEMORY;
    }
    std::memcpy(copy.Get(), Cover.Bytes.Get(), Cover.Size);
    *bytes = copy.Detach();
    *size = Cover.Size;
    return S_OK;
}

HRESULT CBookThumbnailProvider::GetConditionWords(LPWSTR* words) {
    RETURN_IF_FAILED(StartWords(words, Bound));
    const char* got = Cover.Bytes    ? "its cover was read"
                      : Cover.CutOff ? "its cover was cut off"
                                     : "it has no cover";
    return HandOutConditionWords(Cover.Condition, Initialized, got, words);
}
