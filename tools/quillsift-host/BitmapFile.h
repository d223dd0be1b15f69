// SPDX-License-Identifier: LGPL-3.0-or-later
// A bitmap's pixels written to a file, as quillsift-host's pictures are: a thumbnail, a preview.
#pragma once

#include "platform/Platform.h"

#include <vector>

// 32-bit pixels, top row first, 4 bytes each in the order B, G, R, A.
struct BitmapPixels {
    LONG Width = 0;
    LONG Height = 0;
    std::vector<BYTE> Bytes;
};

// The pixels of `bitmap` (GetDIBits), as 32-bit rows.
HRESULT ReadPixels(HBITMAP bitmap, BitmapPixels& pixels);

// Writes `pixels` to a new file at `path`: a PNG (through WIC) when the name ends in .png, else
// a 32-bit top-down BMP with the alpha byte as it is. On failure nothing is left there.
HRESULT WritePicture(const WCHAR* path, const BitmapPixels& pixels);
