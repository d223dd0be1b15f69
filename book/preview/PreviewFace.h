// SPDX-License-Identifier: LGPL-3.0-or-later
// The face a preview draws its lines with. Explorer's own face may lack a book's characters
// (Segoe UI has no Japanese; under Wine it draws them as empty boxes even with a CJK font
// installed), so the pane's face is kept only when it has every character shown, and otherwise
// a face Windows ships for the book's script takes its place.
#pragma once

#include "platform/Platform.h"
#include "platform/PreviewPage.h"

#include <cstddef>

// How many of `sample`'s characters `face` has a glyph for (CountFaceGlyphs).
using FaceGlyphCounter = HRESULT (*)(const WCHAR* face, const WCHAR* sample, size_t length,
                                     size_t* covered);

// At most this many distinct characters are tried against each face.
constexpr size_t MaxFaceSample = 4096;

// The distinct characters of the page's lines that a face must draw (no spaces, controls,
// formatting marks or surrogates, which no glyph lookup answers), in order of appearance, into
// `sample`; how many.
size_t FaceSample(const PreviewPage& page, WCHAR (&sample)[MaxFaceSample]);

// `paneFace` when it has every character of `sample`, or when nothing can be counted (no
// fonts); else the first face with every one, trying first those Windows ships for the
// locale's language (Japanese, Chinese, Korean), then the others of the script fallbacks
// Windows ships; else the face with the most of them, when that is more than the pane's.
const WCHAR* ChoosePreviewFace(const WCHAR* paneFace, LCID locale, const WCHAR* sample,
                               size_t length, FaceGlyphCounter count);
