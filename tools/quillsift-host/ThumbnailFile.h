// SPDX-License-Identifier: LGPL-3.0-or-later
// A thumbnail's pixels written as a file: a PNG through WIC's encoder when the name ends in
// ".png" (any letter case), else a 32-bit top-down BMP. Many viewers read a 32-bit BMP's alpha
// byte as nothing, so a PNG is the way to see a thumbnail's transparency.
#pragma once

#include "platform/Platform.h"

#include <vector>

// `pixels` are `width` x `height` 32-bit BGRA pixels, top row first, with straight alpha (a
// picture without transparency has every alpha byte 255). On failure nothing is left at
// `path`, and the code says why.
HRESULT WriteThumbnailFile(const WCHAR* path, LONG width, LONG height,
                           const std::vector<BYTE>& pixels);
