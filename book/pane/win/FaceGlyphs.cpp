// SPDX-License-Identifier: LGPL-3.0-or-later
// Which characters a face has, as GDI draws them: the face is made as the pane makes its fonts
// (the face Windows gives for that name, a substitute included) and asked for each character's
// glyph.
#include "book/pane/PreviewWindow.h"

#include "platform/UniqueAny.h"

namespace {

using FontHandle = UniqueAny<HFONT, DeleteObject>;
using MemoryDc = UniqueAny<HDC, DeleteDC>;

} // namespace

HRESULT FindFaceGlyphs(const WCHAR* face, const WCHAR* sample, size_t length, bool* present) {
    if (face == nullptr || sample == nullptr || present == nullptr || length > 0x7fffffff) {
        return E_INVALIDARG;
    }
    LOGFONTW font = {};
    font.lfHeight = -16;
    font.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(font.lfFaceName, face, LF_FACESIZE);
    MemoryDc dc(CreateCompatibleDC(nullptr));
    FontHandle made(CreateFontIndirectW(&font));
    if (!dc || !made) {
        return E_OUTOFMEMORY;
    }
    HGDIOBJ before = SelectObject(dc.Get(), made.Get());
    WORD glyphs[256];
    HRESULT result = S_OK;
    for (size_t at = 0; at < length; at += 256) {
        const int count = static_cast<int>(length - at < 256 ? length - at : 256);
        if (GetGlyphIndicesW(dc.Get(), sample + at, count, glyphs, GGI_MARK_NONEXISTING_GLYPHS) ==
            GDI_ERROR) {
            result = E_FAIL;
            break;
        }
        for (int i = 0; i < count; ++i) {
            present[at + static_cast<size_t>(i)] = glyphs[i] != 0xffff;
        }
    }
    SelectObject(dc.Get(), before);
    return result;
}
