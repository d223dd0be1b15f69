// SPDX-License-Identifier: LGPL-3.0-or-later
// Turns a picture's bytes into a bitmap: the one a thumbnail provider hands the shell, and the
// preview pane's cover. Pictures are Windows' business: the Windows builds decode with WIC; the
// native build has no decoder.
#pragma once

#include "platform/Platform.h"
#include "platform/ThumbnailSize.h"

// How the bitmap's colours carry its alpha.
enum class PictureAlpha {
    Straight,      // as the shell wants a thumbnail
    Premultiplied, // as AlphaBlend draws it
};

// Decodes `picture` (JPEG, GIF, PNG or BMP; the first frame), scales it to
// FitPictureSize(…, `box`) and makes a 32-bit top-down DIB section of it, which the caller then
// owns. `*alpha` is WTSAT_ARGB when the picture's own pixel format carries transparency,
// WTSAT_RGB otherwise. On failure `*bitmap` is null. The native build answers E_NOTIMPL.
HRESULT DecodePicture(const BYTE* picture, ULONG size, PixelSize box, PictureAlpha form,
                      HBITMAP* bitmap, WTS_ALPHATYPE* alpha);

// The thumbnail: scaled to ThumbnailSize(…, `longestSide`), its alpha straight.
inline HRESULT DecodeThumbnail(const BYTE* picture, ULONG size, UINT longestSide, HBITMAP* bitmap,
                               WTS_ALPHATYPE* alpha) {
    return DecodePicture(picture, size, {longestSide, longestSide}, PictureAlpha::Straight, bitmap,
                         alpha);
}
