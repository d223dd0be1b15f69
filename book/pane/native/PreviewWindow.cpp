// SPDX-License-Identifier: LGPL-3.0-or-later
// Linux has no windows, fonts or GDI here: the preview pane's window is never made, and
// everything before it (what the pane shows) is read and tested natively.
#include "book/pane/PreviewWindow.h"

PreviewVisuals SystemPreviewVisuals() {
    PreviewVisuals visuals = {};
    visuals.Background = RGB(255, 255, 255);
    visuals.Text = RGB(0, 0, 0);
    return visuals;
}

HRESULT FindFaceGlyphs(const WCHAR*, const WCHAR*, size_t, bool*) {
    return E_NOTIMPL;
}

HWND FocusedWindow() {
    return nullptr;
}

HRESULT PreviewWindow::Create(HWND, const RECT&, const PreviewPage&, const PreviewVisuals&) {
    return E_NOTIMPL;
}

void PreviewWindow::Destroy() {}

void PreviewWindow::Place(HWND, const RECT&) {}

void PreviewWindow::Show(const PreviewPage&, const PreviewVisuals&) {}

void PreviewWindow::Focus() {}

bool PreviewWindow::HandlesKey(const MSG&) const {
    return false;
}
