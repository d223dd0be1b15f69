// SPDX-License-Identifier: LGPL-3.0-or-later
// The preview pane's window: a child of the host's window that shows a PreviewPage, scrolls
// vertically (scroll bar, wheel, arrow keys, Page Up and Down, Home and End) and lays the page
// out again whenever it is moved or its look changes, at the monitor's DPI. Windows are
// Windows' business: the native build has none, and Create answers E_NOTIMPL there.
#pragma once

#include "book/preview/PreviewPage.h"
#include "platform/Platform.h"

// How the host wants its panes to look: its background and text colours and its font.
struct PreviewVisuals {
    COLORREF Background;
    COLORREF Text;
    LOGFONTW Font;
};

// The system's window colours and message font: a pane's look until its host gives its own.
PreviewVisuals SystemPreviewVisuals();

// Which of the `length` characters of `sample` the face `face` has a glyph for, as GDI draws
// them (GetGlyphIndicesW, GGI_MARK_NONEXISTING_GLYPHS): S_OK, and `present[i]` for each. The
// native build has no fonts: E_NOTIMPL.
HRESULT FindFaceGlyphs(const WCHAR* face, const WCHAR* sample, size_t length, bool* present);

// The window that has the keyboard focus on this thread, if any (GetFocus).
HWND FocusedWindow();

class PreviewWindow {
public:
    PreviewWindow() = default;
    PreviewWindow(const PreviewWindow&) = delete;
    PreviewWindow& operator=(const PreviewWindow&) = delete;
    ~PreviewWindow() { Destroy(); }

    // Makes the window, visible, over `bounds` of `parent`'s client area. The page is
    // borrowed: what it points to outlives the window or the next Show.
    HRESULT Create(HWND parent, const RECT& bounds, const PreviewPage& page,
                   const PreviewVisuals& visuals);
    void Destroy();
    bool Exists() const { return State != nullptr; }

    // Moves the window into another parent, or within its own.
    void Place(HWND parent, const RECT& bounds);
    // Another page or look: laid out again and drawn, scrolled back to the top when the page
    // changes.
    void Show(const PreviewPage& page, const PreviewVisuals& visuals);

    // Gives the window the keyboard focus.
    void Focus();
    // Whether `message` is a key that the window, holding the focus, handles itself.
    bool HandlesKey(const MSG& message) const;

private:
    struct Pane;
    Pane* State = nullptr;
};
