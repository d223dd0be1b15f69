// SPDX-License-Identifier: LGPL-3.0-or-later
// The size of a picture's thumbnail: its longer side at most the size the shell asks for, the
// aspect ratio kept, never enlarged.
#pragma once

#include "platform/Platform.h"

#include <cstdint>

struct PixelSize {
    UINT Width;
    UINT Height;
};

// The shorter side is rounded to the nearest pixel (halves up) and is at least 1. A picture
// with no pixels, or a longest side of 0, gives {0, 0}.
inline PixelSize ThumbnailSize(PixelSize picture, UINT longestSide) {
    if (picture.Width == 0 || picture.Height == 0 || longestSide == 0) {
        return {0, 0};
    }
    const bool wide = picture.Width >= picture.Height;
    const uint64_t longer = wide ? picture.Width : picture.Height;
    const uint64_t shorter = wide ? picture.Height : picture.Width;
    if (longer <= longestSide) {
        return picture;
    }
    // 64 bits: both factors are below 2^32, so the product cannot overflow.
    uint64_t scaled = (shorter * longestSide * 2 + longer) / (longer * 2);
    if (scaled == 0) {
        scaled = 1;
    }
    const UINT side = static_cast<UINT>(scaled);
    return wide ? PixelSize{longestSide, side} : PixelSize{side, longestSide};
}
