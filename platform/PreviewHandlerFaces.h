// SPDX-License-Identifier: LGPL-3.0-or-later
// The preview handler's two faces of shobjidl.h, declared once: for the native build, and for
// Wine's SDK, which declares the handler's frame but neither of these. mingw-w64's SDK declares
// both, and its libuuid.a holds their IIDs. Included by the platform's header, after the types
// they use.
#pragma once

#if !defined(__IPreviewHandler_INTERFACE_DEFINED__)
#define __IPreviewHandler_INTERFACE_DEFINED__
DEFINE_GUID(IID_IPreviewHandler, 0x8895b1c6, 0xb41f, 0x4c1c, 0xa5, 0x62, 0x0d, 0x56, 0x42, 0x50,
            0x83, 0x6f);
struct IPreviewHandler : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetWindow(HWND hwnd, const RECT* prc) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetRect(const RECT* prc) = 0;
    virtual HRESULT STDMETHODCALLTYPE DoPreview() = 0;
    virtual HRESULT STDMETHODCALLTYPE Unload() = 0;
    virtual HRESULT STDMETHODCALLTYPE SetFocus() = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryFocus(HWND* phwnd) = 0;
    virtual HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG* pmsg) = 0;
};
#endif

#if !defined(__IPreviewHandlerVisuals_INTERFACE_DEFINED__)
#define __IPreviewHandlerVisuals_INTERFACE_DEFINED__
DEFINE_GUID(IID_IPreviewHandlerVisuals, 0x196bf9a5, 0xb346, 0x4ef0, 0xaa, 0x1e, 0x5d, 0xcd, 0xb7,
            0x67, 0x68, 0xb1);
struct IPreviewHandlerVisuals : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetBackgroundColor(COLORREF color) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetFont(const LOGFONTW* plf) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetTextColor(COLORREF color) = 0;
};
#endif
