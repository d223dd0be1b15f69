// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/CBookThumbnailProvider.h"

#include "platform/AllocationFailures.h"
#include "platform/DecodeThumbnail.h"
#include "platform/ReturnIfFailed.h"

#include <cstring>

HRESULT CBookThumbnailProvider::Bind(IStream* stream, std::optional<BookCondition>& found) {
    // The stream is not kept: everything the thumbnail needs is in Cover.
    const HRESULT read = ReadBookCoverPicture(stream, Cover);
    found = Cover.Condition;
    return FAILED(read) ? read : S_OK;
}

void CBookThumbnailProvider::Unbind() {
    Initialized = false;
    Cover = BookCoverPicture();
}

BookReading CBookThumbnailProvider::Reading() const {
    return Cover.Bytes    ? BookReading::Cover
           : Cover.CutOff ? BookReading::CoverCutOff
                          : BookReading::NoCover;
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
