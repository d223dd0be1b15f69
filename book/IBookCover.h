// SPDX-License-Identifier: LGPL-3.0-or-later
// The module's own face of the thumbnail provider for its tools: the cover's bytes as the
// book holds them, before any decoding. Not registered; only hosts that include this header
// ask for it.
#pragma once

#include "platform/Platform.h"

// {331714DC-4C7F-443D-BD2C-316229A14BE1}
inline constexpr IID IID_IBookCover = {
    0x331714dc, 0x4c7f, 0x443d, {0xbd, 0x2c, 0x31, 0x62, 0x29, 0xa1, 0x4b, 0xe1}};

class IBookCover : public IUnknown {
public:
    // A copy of the cover's bytes from the task allocator, which the caller frees with
    // CoTaskMemFree. A book without a cover gives WTS_E_FAILEDEXTRACTION; an object with no
    // book bound, E_UNEXPECTED. On failure `*bytes` is null and `*size` 0.
    virtual HRESULT STDMETHODCALLTYPE GetCoverBytes(BYTE** bytes, ULONG* size) = 0;

protected:
    ~IBookCover() = default;
};
