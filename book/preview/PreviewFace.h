// SPDX-License-Identifier: LGPL-3.0-or-later
// The faces a preview draws its lines with. Explorer's own face may lack a book's characters
// (Segoe UI has no Japanese; under Wine it draws them as empty boxes even with a CJK font
// installed): the lines it cannot draw whole are drawn with a face Windows ships for the book's
// script, and every other line keeps the pane's face.
#pragma once

#include "book/preview/PreviewPage.h"
#include "platform/Platform.h"

#include <cstddef>

// Which of `sample`'s characters `face` has a glyph for (FindFaceGlyphs).
using FaceGlyphFinder = HRESULT (*)(const WCHAR* face, const WCHAR* sample, size_t length,
                                    bool* present);

// At most this many distinct characters are looked up in each face; any beyond count as drawn.
constexpr size_t MaxFaceSample = 4096;

// The distinct characters of `lines` that a face must draw (no spaces, controls, formatting
// marks or surrogates, which no glyph lookup answers), in order of appearance, into `sample`;
// how many.
size_t FaceSample(const PreviewLine* lines, size_t count, WCHAR (&sample)[MaxFaceSample]);

// Marks the lines that hold a character `paneFace` lacks (OtherFace) and returns the face they
// are drawn with: the first face with every character the pane's face lacks, trying first those
// Windows ships for the locale's language (Japanese, Chinese, Korean), then the others of the
// fallbacks Windows ships for its scripts; else the face with the most of them. Null, with no
// line marked, when the pane's face has every character, when no face has any it lacks, or
// when no face can be looked up (no fonts).
const WCHAR* ChoosePreviewFaces(PreviewLine* lines, size_t count, LCID locale,
                                const WCHAR* paneFace, FaceGlyphFinder find);
