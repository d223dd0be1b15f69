// SPDX-License-Identifier: LGPL-3.0-or-later
// Turns a picture's bytes into the bitmap a thumbnail provider hands the shell. Pictures are
// Windows' business: the Windows builds decode with WIC; the native build has no decoder.
#pragma once

#include "platform/Platform.h"

// Decodes `picture` (JPEG, GIF, PNG or BMP; the first frame), scales it to ThumbnailSize(…,
// `longestSide`) and makes a 32-bit top-down DIB section of it, which the caller then owns.
// `*alpha` is WTSAT_ARGB when the picture's own pixel format carries transparency, WTSAT_RGB
// otherwise. On failure `*bitmap` is null. The native build answers E_NOTIMPL.
HRESULT DecodeThumbnail(const BYTE* picture, ULONG size, UINT longestSide, HBITMAP* bitmap,
                        WTS_ALPHATYPE* alpha);
