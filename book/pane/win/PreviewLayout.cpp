// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/pane/win/PreviewLayout.h"

#include "platform/AllocationFailures.h"
#include "platform/DecodeThumbnail.h"
#include "platform/ReturnIfFailed.h"

namespace {

using BrushHandle = UniqueAny<HBRUSH, DeleteObject>;
using MemoryDc = UniqueAny<HDC, DeleteDC>;

// Sizes in pixels at 96 DPI (100%).
constexpr int MarginAt96 = 14;
constexpr int CoverGapAt96 = 14;
// The text's size when the host gives no font: 9 points.
constexpr int DefaultPoints = 9;

// How each style is drawn: its size against the text's, in tenths; its weight; the space
// below it at 96 DPI.
struct StyleLook {
    int Tenths;
    LONG Weight;
    int GapAt96;
};
const StyleLook StyleLooks[] = {
    {17, FW_SEMIBOLD, 4}, // Title
    {12, FW_NORMAL, 6},   // Authors
    {10, FW_NORMAL, 12},  // Facts
    {10, FW_NORMAL, 8},   // Description
    {10, FW_NORMAL, 8},   // Paragraph
    {10, FW_SEMIBOLD, 12} // Notice
};
constexpr size_t StyleCount = sizeof(StyleLooks) / sizeof(StyleLooks[0]);

// Below the description, before the text starts.
constexpr int DescriptionEndAt96 = 16;

// What DrawTextW does with every line: words wrapped at the width, a word longer than the
// width broken, "&" shown as it is.
UINT LineFormat(bool rightToLeft) {
    return DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX | DT_EXPANDTABS |
           (rightToLeft ? DT_RIGHT | DT_RTLREADING : DT_LEFT);
}

// `share` parts in 100 of `over`, the rest of `under`.
COLORREF Blend(COLORREF over, COLORREF under, int share) {
    const auto channel = [share](int a, int b) { return (a * share + b * (100 - share)) / 100; };
    return RGB(channel(GetRValue(over), GetRValue(under)),
               channel(GetGValue(over), GetGValue(under)),
               channel(GetBValue(over), GetBValue(under)));
}

} // namespace

HRESULT PreviewLayout::MakeFonts(const PreviewVisuals& visuals, UINT dpi) {
    LOGFONTW base = visuals.Font;
    // The host's font is sized for the system's DPI; the pane may be on another monitor.
    HDC screen = GetDC(nullptr);
    const int systemDpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen != nullptr) {
        ReleaseDC(nullptr, screen);
    }
    base.lfHeight = base.lfHeight != 0 ? MulDiv(base.lfHeight, static_cast<int>(dpi), systemDpi)
                                       : -MulDiv(DefaultPoints, static_cast<int>(dpi), 72);
    base.lfWidth = 0;
    base.lfEscapement = 0;
    base.lfOrientation = 0;
    base.lfQuality = CLEARTYPE_QUALITY;
    LOGFONTW other = base;
    if (Page.FaceName != nullptr) {
        lstrcpynW(other.lfFaceName, Page.FaceName, LF_FACESIZE);
        other.lfCharSet = DEFAULT_CHARSET;
    }
    const LOGFONTW* faces[2] = {&base, Page.FaceName != nullptr ? &other : nullptr};
    for (size_t face = 0; face < 2; ++face) {
        for (size_t style = 0; style < StyleCount; ++style) {
            Fonts[face][style].Reset();
            if (faces[face] == nullptr) {
                continue;
            }
            LOGFONTW font = *faces[face];
            font.lfHeight = MulDiv(base.lfHeight, StyleLooks[style].Tenths, 10);
            font.lfWeight = StyleLooks[style].Weight;
            font.lfItalic = FALSE;
            Fonts[face][style].Reset(CreateFontIndirectW(&font));
            if (!Fonts[face][style]) {
                return E_OUTOFMEMORY;
            }
        }
    }
    return S_OK;
}

HFONT PreviewLayout::FontOf(const PreviewLine& line) const {
    const size_t style = static_cast<size_t>(line.Style);
    return line.OtherFace && Fonts[1][style] ? Fonts[1][style].Get() : Fonts[0][style].Get();
}

void PreviewLayout::PlaceCover(SIZE client, LONG margin) {
    CoverSize = {0, 0};
    if (Page.Cover == nullptr) {
        Cover.Reset();
        return;
    }
    const PixelSize box = {static_cast<UINT>(Width > 0 ? Width : 0),
                           static_cast<UINT>(client.cy > 1 ? client.cy / 2 : 0)};
    if (!Cover || box.Width != CoverBox.Width || box.Height != CoverBox.Height) {
        Cover.Reset();
        CoverBox = box;
        WTS_ALPHATYPE alpha = WTSAT_UNKNOWN;
        // A picture WIC cannot decode leaves the page without a cover.
        if (FAILED(DecodePicture(Page.Cover, Page.CoverSize, box, PictureAlpha::Premultiplied,
                                 Cover.Put(), &alpha))) {
            Cover.Reset();
        }
    }
    BITMAP shape = {};
    if (Cover && GetObjectW(Cover.Get(), sizeof(shape), &shape) == sizeof(shape)) {
        CoverSize = {shape.bmWidth, shape.bmHeight};
    }
    CoverTop = margin;
}

HRESULT PreviewLayout::Lay(HDC dc, const PreviewPage& page, const PreviewVisuals& visuals,
                           SIZE client, UINT dpi) {
    const bool samePicture = page.Cover == Page.Cover && page.CoverSize == Page.CoverSize;
    Page = page;
    Look = visuals;
    PageHeight = 0;
    Lines.Reset();
    if (!samePicture) {
        Cover.Reset();
    }
    RETURN_IF_FAILED(MakeFonts(visuals, dpi));
    const auto scaled = [dpi](int pixels) { return MulDiv(pixels, static_cast<int>(dpi), 96); };
    Margin = scaled(MarginAt96);
    Width = client.cx - 2 * Margin > 1 ? client.cx - 2 * Margin : 1;
    PlaceCover(client, Margin);
    LONG y = Margin;
    if (CoverSize.cy > 0) {
        y += CoverSize.cy + scaled(CoverGapAt96);
    }

    Lines.Reset(TaskAllocate<Placed>(Page.LineCount + 1));
    if (!Lines) {
        return E_OUTOFMEMORY;
    }
    HGDIOBJ before = SelectObject(dc, Fonts[0][static_cast<size_t>(PreviewStyle::Paragraph)].Get());
    TEXTMETRICW metrics = {};
    GetTextMetricsW(dc, &metrics);
    Step = metrics.tmHeight + metrics.tmExternalLeading > 0
               ? metrics.tmHeight + metrics.tmExternalLeading
               : 1;
    const UINT format = LineFormat(Page.RightToLeft) | DT_CALCRECT;
    for (size_t i = 0; i < Page.LineCount; ++i) {
        const PreviewLine& line = Page.Lines[i];
        const size_t style = static_cast<size_t>(line.Style);
        SelectObject(dc, FontOf(line));
        RECT bounds = {0, 0, Width, 0};
        const int length = line.Length < 0x7fffffff ? static_cast<int>(line.Length) : 0x7fffffff;
        DrawTextW(dc, line.Text, length, &bounds, format);
        Lines.Get()[i] = Placed{y, bounds.bottom - bounds.top};
        y += bounds.bottom - bounds.top;
        const bool lastDescription =
            line.Style == PreviewStyle::Description &&
            (i + 1 == Page.LineCount || Page.Lines[i + 1].Style != PreviewStyle::Description);
        y += scaled(lastDescription ? DescriptionEndAt96 : StyleLooks[style].GapAt96);
    }
    SelectObject(dc, before);
    PageHeight = y + Margin;
    return S_OK;
}

void PreviewLayout::Paint(HDC dc, SIZE client, LONG top) const {
    const BrushHandle background(CreateSolidBrush(Look.Background));
    const RECT whole = {0, 0, client.cx, client.cy};
    FillRect(dc, &whole, background ? background.Get() : GetSysColorBrush(COLOR_WINDOW));
    if (!Lines) {
        return;
    }
    if (Cover && CoverTop - top < client.cy && CoverTop + CoverSize.cy - top > 0) {
        const MemoryDc pictureDc(CreateCompatibleDC(dc));
        if (pictureDc) {
            HGDIOBJ old = SelectObject(pictureDc.Get(), Cover.Get());
            const BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
            const LONG left = (client.cx - CoverSize.cx) / 2;
            AlphaBlend(dc, left, CoverTop - top, CoverSize.cx, CoverSize.cy, pictureDc.Get(), 0, 0,
                       CoverSize.cx, CoverSize.cy, blend);
            SelectObject(pictureDc.Get(), old);
        }
    }
    const int mode = SetBkMode(dc, TRANSPARENT);
    HGDIOBJ before = GetCurrentObject(dc, OBJ_FONT);
    const UINT format = LineFormat(Page.RightToLeft);
    for (size_t i = 0; i < Page.LineCount; ++i) {
        const Placed& placed = Lines.Get()[i];
        if (placed.Top - top >= client.cy || placed.Top + placed.Height - top <= 0) {
            continue;
        }
        const PreviewLine& line = Page.Lines[i];
        SelectObject(dc, FontOf(line));
        SetTextColor(dc, line.Style == PreviewStyle::Facts ? Blend(Look.Text, Look.Background, 65)
                                                           : Look.Text);
        RECT bounds = {Margin, placed.Top - top, Margin + Width, placed.Top + placed.Height - top};
        const int length = line.Length < 0x7fffffff ? static_cast<int>(line.Length) : 0x7fffffff;
        DrawTextW(dc, line.Text, length, &bounds, format);
    }
    SelectObject(dc, before);
    SetBkMode(dc, mode);
}
