// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/CBookPreviewHandler.h"

#include "platform/AllocationFailures.h"
#include "platform/ReturnIfFailed.h"

#include <utility>

CBookPreviewHandler::CBookPreviewHandler()
    : CBookReader(AfterFailure::StaysBound), Visuals(SystemPreviewVisuals()) {}

HRESULT CBookPreviewHandler::Bind(IStream* stream, std::optional<BookCondition>&) {
    stream->AddRef();
    Stream.Reset(stream);
    return S_OK;
}

HRESULT CBookPreviewHandler::SetWindow(HWND hwnd, const RECT* prc) {
    if (prc == nullptr) {
        return E_INVALIDARG;
    }
    Parent = hwnd;
    Bounds = *prc;
    Window.Place(Parent, Bounds);
    return S_OK;
}

HRESULT CBookPreviewHandler::SetRect(const RECT* prc) {
    if (prc == nullptr) {
        return E_INVALIDARG;
    }
    Bounds = *prc;
    Window.Place(Parent, Bounds);
    return S_OK;
}

HRESULT CBookPreviewHandler::DoPreview() {
    if (!Stream || Parent == nullptr) {
        return E_UNEXPECTED;
    }
    if (!Content) {
        std::unique_ptr<PreviewContent> content(NewObject<PreviewContent>());
        if (!content) {
            return E_OUTOFMEMORY;
        }
        const HRESULT read = content->Read(Stream.Get());
        NoteReading(content->Condition(), content->Loaded());
        RETURN_IF_FAILED(read);
        Content = std::move(content);
    }
    return ShowPage();
}

HRESULT CBookPreviewHandler::ShowPage() {
    // A page laid out while memory ran out may lack lines: the pane shows nothing instead.
    const AllocationWatch watch;
    Content->ChooseFaces(Visuals.Font.lfFaceName, FindFaceGlyphs);
    HRESULT shown = S_OK;
    if (Window.Exists()) {
        Window.Show(Content->Page(), Visuals);
    } else {
        shown = Window.Create(Parent, Bounds, Content->Page(), Visuals);
    }
    shown = watch.Checked(shown);
    if (shown == E_OUTOFMEMORY) {
        Window.Destroy();
    }
    return shown;
}

HRESULT CBookPreviewHandler::Restyle() {
    return Window.Exists() ? ShowPage() : S_OK;
}

HRESULT CBookPreviewHandler::Unload() {
    Window.Destroy();
    Content.reset();
    Stream.Reset();
    Forget();
    return S_OK;
}

HRESULT CBookPreviewHandler::SetFocus() {
    if (!Window.Exists()) {
        return S_FALSE;
    }
    Window.Focus();
    return S_OK;
}

HRESULT CBookPreviewHandler::QueryFocus(HWND* phwnd) {
    if (phwnd == nullptr) {
        return E_INVALIDARG;
    }
    *phwnd = FocusedWindow();
    return *phwnd != nullptr ? S_OK : S_FALSE;
}

HRESULT CBookPreviewHandler::TranslateAccelerator(MSG* pmsg) {
    if (pmsg == nullptr) {
        return E_INVALIDARG;
    }
    // The pane's own scrolling keys reach its window when the host dispatches them.
    if (Window.HandlesKey(*pmsg)) {
        return S_FALSE;
    }
    // Tab, and Explorer's own shortcuts, are the frame's.
    ComPtr<IPreviewHandlerFrame> frame;
    if (!Site || FAILED(Site->QueryInterface(IID_IPreviewHandlerFrame, frame.PutVoid()))) {
        return S_FALSE;
    }
    return frame->TranslateAccelerator(pmsg);
}

HRESULT CBookPreviewHandler::GetWindow(HWND* phwnd) {
    if (phwnd == nullptr) {
        return E_INVALIDARG;
    }
    *phwnd = Parent;
    return S_OK;
}

HRESULT CBookPreviewHandler::ContextSensitiveHelp(BOOL) {
    return E_NOTIMPL;
}

HRESULT CBookPreviewHandler::SetSite(IUnknown* pUnkSite) {
    if (pUnkSite != nullptr) {
        pUnkSite->AddRef();
    }
    Site.Reset(pUnkSite);
    return S_OK;
}

HRESULT CBookPreviewHandler::GetSite(REFIID riid, void** ppvSite) {
    if (ppvSite == nullptr) {
        return E_POINTER;
    }
    *ppvSite = nullptr;
    if (!Site) {
        return E_FAIL;
    }
    return Site->QueryInterface(riid, ppvSite);
}

HRESULT CBookPreviewHandler::SetBackgroundColor(COLORREF color) {
    Visuals.Background = color;
    return Restyle();
}

HRESULT CBookPreviewHandler::SetFont(const LOGFONTW* plf) {
    if (plf == nullptr) {
        return E_INVALIDARG;
    }
    Visuals.Font = *plf;
    // A face name that fills its field unterminated is cut to fit.
    Visuals.Font.lfFaceName[LF_FACESIZE - 1] = 0;
    return Restyle();
}

HRESULT CBookPreviewHandler::SetTextColor(COLORREF color) {
    Visuals.Text = color;
    return Restyle();
}
