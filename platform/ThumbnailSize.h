// SPDX-License-Identifier: LGPL-3.0-or-later
// The size a picture is shown at: within a box (the preview pane's cover), or with its longer
// side at most the size the shell asks for (a thumbnail); the aspect ratio kept, never
// enlarged.
#pragma once

#include "platform/Platform.h"

#include <cstdint>

struct PixelSize {
    UINT Width;
    UINT Height;
};

// As large as fits `box`: the side that meets the box takes its length, the other is rounded to
// the nearest pixel (halves up) and is at least 1. A picture that fits is kept as it is. A
// picture with no pixels, or a box without area, gives {0, 0}.
inline PixelSize FitPictureSize(PixelSize picture, PixelSize box) {
    if (picture.Width == 0 || picture.Height == 0 || box.Width == 0 || box.Height == 0) {
        return {0, 0};
    }
    if (picture.Width <= box.Width && picture.Height <= box.Height) {
        return picture;
    }
    // 64 bits: every product of two sides, each below 2^32, fits.
    const bool widthMeets =
        uint64_t{picture.Width} * box.Height >= uint64_t{picture.Height} * box.Width;
    const uint64_t meeting = widthMeets ? picture.Width : picture.Height;
    const uint64_t other = widthMeets ? picture.Height : picture.Width;
    const uint64_t product = other * (widthMeets ? box.Width : box.Height);
    uint64_t scaled = product / meeting + (product % meeting * 2 >= meeting ? 1 : 0);
    if (scaled == 0) {
        scaled = 1;
    }
    const UINT side = static_cast<UINT>(scaled);
    return widthMeets ? PixelSize{box.Width, side} : PixelSize{side, box.Height};
}

// The longer side at most `longestSide`. A longest side of 0 gives {0, 0}.
inline PixelSize ThumbnailSize(PixelSize picture, UINT longestSide) {
    return FitPictureSize(picture, {longestSide, longestSide});
}
