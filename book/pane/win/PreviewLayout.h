// SPDX-License-Identifier: LGPL-3.0-or-later
// A preview page laid out for a pane: the fonts of its styles at the pane's DPI, where the cover
// and each line go at the pane's width, and the drawing of any stretch of it.
#pragma once

#include "book/pane/PreviewWindow.h"
#include "book/preview/PreviewPage.h"
#include "platform/Platform.h"
#include "platform/ThumbnailSize.h"
#include "platform/UniqueAny.h"

#include <cstddef>

class PreviewLayout {
public:
    PreviewLayout() = default;
    PreviewLayout(const PreviewLayout&) = delete;
    PreviewLayout& operator=(const PreviewLayout&) = delete;

    // Lays `page` out, in `visuals`, for a client area of `client` at `dpi` (96 is 100%),
    // measuring with `dc`: the cover scaled to the width between the margins and to at most
    // half the height, never enlarged (decoded again only when that changes), then each line
    // wrapped to that width. The page is borrowed until the next call. S_OK or E_OUTOFMEMORY,
    // which leaves nothing to draw.
    HRESULT Lay(HDC dc, const PreviewPage& page, const PreviewVisuals& visuals, SIZE client,
                UINT dpi);

    // The page's whole height, margins included.
    LONG Height() const { return PageHeight; }
    // One line of the text's font: a step of the arrow keys and of the wheel.
    LONG LineStep() const { return Step; }

    // Draws the page onto `dc`, a client area of `client`, as seen from `top` of the page down.
    void Paint(HDC dc, SIZE client, LONG top) const;

private:
    using FontHandle = UniqueAny<HFONT, DeleteObject>;
    using BitmapHandle = UniqueAny<HBITMAP, DeleteObject>;
    // Where a line goes on the page.
    struct Placed {
        LONG Top;
        LONG Height;
    };

    HRESULT MakeFonts(const PreviewVisuals& visuals, UINT dpi);
    HFONT FontOf(const PreviewLine& line) const;
    void PlaceCover(SIZE client, LONG margin);

    PreviewPage Page;
    PreviewVisuals Look = {};
    // One per PreviewStyle, in the pane's face and in the page's other face.
    FontHandle Fonts[2][6];
    CoTaskMemPtr<Placed> Lines;
    LONG Margin = 0;
    LONG Width = 0;
    LONG Step = 1;
    LONG PageHeight = 0;
    BitmapHandle Cover;
    PixelSize CoverBox = {0, 0};
    SIZE CoverSize = {0, 0};
    LONG CoverTop = 0;
};
