// SPDX-License-Identifier: LGPL-3.0-or-later
// The thumbnail provider's interface of thumbcache.h, for the native build. The native build
// has no GDI: HBITMAP only names a handle that nothing here makes.
#pragma once

#include "platform/native/ComInterfaces.h"

typedef struct HBITMAP__* HBITMAP;

typedef enum WTS_ALPHATYPE { WTSAT_UNKNOWN = 0, WTSAT_RGB = 1, WTSAT_ARGB = 2 } WTS_ALPHATYPE;

// The shell's "no thumbnail from this item": the shell keeps the item's icon.
#define WTS_E_FAILEDEXTRACTION _HRESULT_TYPEDEF_(0x8004B200)

DEFINE_GUID(IID_IThumbnailProvider, 0xe357fccd, 0xa995, 0x4576, 0xb0, 0x1f, 0x23, 0x46, 0x30, 0x15,
            0x4e, 0x96);

class IThumbnailProvider : public IUnknown {
public:
    virtual HRESULT STDMETHODCALLTYPE GetThumbnail(UINT cx, HBITMAP* phbmp,
                                                   WTS_ALPHATYPE* pdwAlpha) = 0;

protected:
    ~IThumbnailProvider() = default;
};
