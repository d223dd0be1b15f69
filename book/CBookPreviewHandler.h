// SPDX-License-Identifier: LGPL-3.0-or-later
// The book's preview handler: Explorer's preview pane shows the book's cover, its details and
// its first pages. The preview host binds the book's stream, gives a window and a rectangle,
// and asks for the preview; the book is read then, and only what the pane shows of it.
#pragma once

#include "book/CBookReader.h"
#include "book/pane/PreviewWindow.h"
#include "book/preview/PreviewContent.h"
#include "platform/ComPtr.h"
#include "platform/Platform.h"

#include <memory>

class CBookPreviewHandler : public CBookReader,
                            public IPreviewHandler,
                            public IOleWindow,
                            public IObjectWithSite,
                            public IPreviewHandlerVisuals {
public:
    CBookPreviewHandler();
    CBookPreviewHandler(const CBookPreviewHandler&) = delete;
    CBookPreviewHandler& operator=(const CBookPreviewHandler&) = delete;
    virtual ~CBookPreviewHandler() = default;

    // The five faces, and the tools' IBookCondition; the first is the object's identity.
    template <typename Self> static const QITAB* Interfaces() {
        static const QITAB table[] = {
            QITABENT(Self, IInitializeWithStream),
            QITABENT(Self, IPreviewHandler),
            QITABENT(Self, IOleWindow),
            QITABENT(Self, IObjectWithSite),
            QITABENT(Self, IPreviewHandlerVisuals),
            QITABENT(Self, IBookCondition),
            {nullptr, 0},
        };
        return table;
    }

    // IPreviewHandler
    HRESULT STDMETHODCALLTYPE SetWindow(HWND hwnd, const RECT* prc) override;
    HRESULT STDMETHODCALLTYPE SetRect(const RECT* prc) override;
    HRESULT STDMETHODCALLTYPE DoPreview() override;
    HRESULT STDMETHODCALLTYPE Unload() override;
    HRESULT STDMETHODCALLTYPE SetFocus() override;
    HRESULT STDMETHODCALLTYPE QueryFocus(HWND* phwnd) override;
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG* pmsg) override;

    // IOleWindow: the host's window.
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* phwnd) override;
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL fEnterMode) override;

    // IObjectWithSite: the preview host's frame, which gets the keys the pane does not use.
    HRESULT STDMETHODCALLTYPE SetSite(IUnknown* pUnkSite) override;
    HRESULT STDMETHODCALLTYPE GetSite(REFIID riid, void** ppvSite) override;

    // IPreviewHandlerVisuals: Explorer's colours and font, for a light or a dark Explorer.
    HRESULT STDMETHODCALLTYPE SetBackgroundColor(COLORREF color) override;
    HRESULT STDMETHODCALLTYPE SetFont(const LOGFONTW* plf) override;
    HRESULT STDMETHODCALLTYPE SetTextColor(COLORREF color) override;

private:
    // Initialize: one stream until Unload, kept for DoPreview, which reads the book.
    HRESULT Bind(IStream* stream, std::optional<BookCondition>& found) override;
    void Unbind() override { Stream.Reset(); }
    BookReading Reading() const override { return BookReading::Details; }

    // The page, its lines' faces chosen for the pane's face, shown in the window, which is made
    // the first time; E_OUTOFMEMORY, and no window, when an allocation failed meanwhile.
    HRESULT ShowPage();
    // A window already showing takes a new look.
    HRESULT Restyle();

    ComPtr<IStream> Stream;
    ComPtr<IUnknown> Site;
    HWND Parent = nullptr;
    RECT Bounds = {};
    PreviewVisuals Visuals;
    // Read at the first DoPreview after Initialize. The window, declared last, goes before the
    // page it shows.
    std::unique_ptr<PreviewContent> Content;
    PreviewWindow Window;
};
