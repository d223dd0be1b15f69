// SPDX-License-Identifier: LGPL-3.0-or-later
// Linux has no WIC: desktops there draw Kindle covers with thumbnailers of their own.
#include "platform/DecodeThumbnail.h"

HRESULT DecodePicture(const BYTE*, ULONG, PixelSize, PictureAlpha, HBITMAP* bitmap,
                      WTS_ALPHATYPE* alpha) {
    if (bitmap != nullptr) {
        *bitmap = nullptr;
    }
    if (alpha != nullptr) {
        *alpha = WTSAT_UNKNOWN;
    }
    return E_NOTIMPL;
}
