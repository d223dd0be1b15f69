// SPDX-License-Identifier: LGPL-3.0-or-later
// The preview pane's window: a child window of its own class that draws its layout through a
// bitmap (no flicker), keeps a vertical scroll position and lays the page out again on every
// change of size, DPI, page or look.
#include "book/pane/PreviewWindow.h"

#include "book/pane/win/PreviewLayout.h"
#include "platform/AllocationFailures.h"
#include "platform/UniqueAny.h"

#include <climits>
#include <new>

namespace {

using MemoryDc = UniqueAny<HDC, DeleteDC>;
using BitmapHandle = UniqueAny<HBITMAP, DeleteObject>;

const WCHAR PaneClass[] = L"QuillsiftPreviewPane";
// WM_DPICHANGED_AFTERPARENT (Windows 10 1703), which older SDKs lack.
constexpr UINT DpiChangedAfterParent = 0x02E3;

// This module, which registers the pane's class.
HINSTANCE ThisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

// The window's DPI: per monitor where Windows tells it (GetDpiForWindow, Windows 10 1607),
// else the screen's.
UINT WindowDpi(HWND window, HDC dc) {
    using DpiForWindow = UINT(WINAPI*)(HWND);
    HMODULE user = GetModuleHandleW(L"user32.dll");
    const auto dpiForWindow =
        user != nullptr ? reinterpret_cast<DpiForWindow>(
                              reinterpret_cast<void*>(GetProcAddress(user, "GetDpiForWindow")))
                        : nullptr;
    const UINT dpi = dpiForWindow != nullptr ? dpiForWindow(window) : 0;
    return dpi != 0 ? dpi : static_cast<UINT>(GetDeviceCaps(dc, LOGPIXELSY));
}

bool IsScrollKey(WPARAM key) {
    return key == VK_UP || key == VK_DOWN || key == VK_PRIOR || key == VK_NEXT || key == VK_HOME ||
           key == VK_END;
}

} // namespace

struct PreviewWindow::Pane {
    HWND Window = nullptr;
    PreviewPage Page;
    PreviewVisuals Visuals = {};
    PreviewLayout Layout;
    LONG Scroll = 0;
    int WheelDelta = 0;

    SIZE Client() const {
        RECT client = {};
        GetClientRect(Window, &client);
        return {client.right - client.left, client.bottom - client.top};
    }

    void Lay() {
        HDC dc = GetDC(Window);
        if (dc == nullptr) {
            return;
        }
        Layout.Lay(dc, Page, Visuals, Client(), WindowDpi(Window, dc));
        ReleaseDC(Window, dc);
        ScrollTo(Scroll);
        InvalidateRect(Window, nullptr, FALSE);
    }

    // The scroll bar always shows, so that the width, and with it the layout, does not change
    // with the page's height.
    void ScrollTo(LONG position) {
        const SIZE client = Client();
        const LONG last = Layout.Height() > client.cy ? Layout.Height() - client.cy : 0;
        position = position < 0 ? 0 : position > last ? last : position;
        const bool moved = position != Scroll;
        Scroll = position;
        SCROLLINFO info = {};
        info.cbSize = sizeof(info);
        info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
        info.nMin = 0;
        info.nMax = Layout.Height() > 0 ? Layout.Height() - 1 : 0;
        info.nPage = static_cast<UINT>(client.cy > 0 ? client.cy : 0);
        info.nPos = Scroll;
        SetScrollInfo(Window, SB_VERT, &info, TRUE);
        if (moved) {
            InvalidateRect(Window, nullptr, FALSE);
        }
    }

    LONG PageStep() const {
        const LONG page = Client().cy - Layout.LineStep();
        return page > Layout.LineStep() ? page : Layout.LineStep();
    }

    void OnScrollBar(WORD request) {
        switch (request) {
        case SB_LINEUP:
            ScrollTo(Scroll - Layout.LineStep());
            break;
        case SB_LINEDOWN:
            ScrollTo(Scroll + Layout.LineStep());
            break;
        case SB_PAGEUP:
            ScrollTo(Scroll - PageStep());
            break;
        case SB_PAGEDOWN:
            ScrollTo(Scroll + PageStep());
            break;
        case SB_TOP:
            ScrollTo(0);
            break;
        case SB_BOTTOM:
            ScrollTo(Layout.Height());
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: {
            SCROLLINFO info = {};
            info.cbSize = sizeof(info);
            info.fMask = SIF_TRACKPOS;
            if (GetScrollInfo(Window, SB_VERT, &info)) {
                ScrollTo(info.nTrackPos);
            }
            break;
        }
        default:
            break;
        }
    }

    bool OnKey(WPARAM key) {
        static const WORD requests[][2] = {{VK_UP, SB_LINEUP},    {VK_DOWN, SB_LINEDOWN},
                                           {VK_PRIOR, SB_PAGEUP}, {VK_NEXT, SB_PAGEDOWN},
                                           {VK_HOME, SB_TOP},     {VK_END, SB_BOTTOM}};
        for (const auto& request : requests) {
            if (request[0] == key) {
                OnScrollBar(request[1]);
                return true;
            }
        }
        return false;
    }

    // As many lines per notch as the user set, or a page.
    void OnWheel(int delta) {
        WheelDelta += delta;
        const int notches = WheelDelta / WHEEL_DELTA;
        if (notches == 0) {
            return;
        }
        WheelDelta -= notches * WHEEL_DELTA;
        UINT lines = 3;
        SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
        const LONG step =
            lines == WHEEL_PAGESCROLL ? PageStep() : static_cast<LONG>(lines) * Layout.LineStep();
        ScrollTo(Scroll - notches * step);
    }

    // Through a bitmap of the client area, drawn whole and copied at once.
    void Paint(HDC dc) {
        const SIZE client = Client();
        if (client.cx <= 0 || client.cy <= 0) {
            return;
        }
        MemoryDc memory(CreateCompatibleDC(dc));
        BitmapHandle bitmap(memory ? CreateCompatibleBitmap(dc, client.cx, client.cy) : nullptr);
        if (!bitmap) {
            Layout.Paint(dc, client, Scroll);
            return;
        }
        HGDIOBJ old = SelectObject(memory.Get(), bitmap.Get());
        Layout.Paint(memory.Get(), client, Scroll);
        BitBlt(dc, 0, 0, client.cx, client.cy, memory.Get(), 0, 0, SRCCOPY);
        SelectObject(memory.Get(), old);
    }

    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            auto* pane =
                static_cast<Pane*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
            pane->Window = window;
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(pane));
        }
        auto* pane = reinterpret_cast<Pane*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (pane == nullptr) {
            return DefWindowProcW(window, message, wParam, lParam);
        }
        switch (message) {
        case WM_SIZE:
        case DpiChangedAfterParent:
        case WM_SETTINGCHANGE:
            pane->Lay();
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window, &paint);
            if (dc != nullptr) {
                pane->Paint(dc);
            }
            EndPaint(window, &paint);
            return 0;
        }
        // PrintWindow, and hosts that capture the pane, ask for its client area so.
        case WM_PRINTCLIENT:
            pane->Paint(reinterpret_cast<HDC>(wParam));
            return 0;
        case WM_VSCROLL:
            pane->OnScrollBar(LOWORD(wParam));
            return 0;
        case WM_MOUSEWHEEL:
            pane->OnWheel(GET_WHEEL_DELTA_WPARAM(wParam));
            return 0;
        case WM_KEYDOWN:
            if (pane->OnKey(wParam)) {
                return 0;
            }
            break;
        case WM_GETDLGCODE:
            return DLGC_WANTARROWS;
        case WM_LBUTTONDOWN:
            SetFocus(window);
            return 0;
        case WM_NCDESTROY:
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            pane->Window = nullptr;
            break;
        default:
            break;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }
};

PreviewVisuals SystemPreviewVisuals() {
    PreviewVisuals visuals = {};
    visuals.Background = GetSysColor(COLOR_WINDOW);
    visuals.Text = GetSysColor(COLOR_WINDOWTEXT);
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof(metrics);
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
        visuals.Font = metrics.lfMessageFont;
    }
    return visuals;
}

HWND FocusedWindow() {
    return GetFocus();
}

HRESULT PreviewWindow::Create(HWND parent, const RECT& bounds, const PreviewPage& page,
                              const PreviewVisuals& visuals) {
    Destroy();
    const HINSTANCE module = ThisModule();
    WNDCLASSEXW paneClass = {};
    paneClass.cbSize = sizeof(paneClass);
    paneClass.lpfnWndProc = Pane::Procedure;
    paneClass.hInstance = module;
    paneClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    paneClass.lpszClassName = PaneClass;
    // Registered by the first pane, and unregistered after the last, since a DLL's classes stay
    // registered after it is unloaded.
    if (RegisterClassExW(&paneClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        return HRESULT_FROM_WIN32(GetLastError());
    }
    State = NewObject<Pane>();
    if (State == nullptr) {
        return E_OUTOFMEMORY;
    }
    State->Page = page;
    State->Visuals = visuals;
    HWND window = CreateWindowExW(0, PaneClass, nullptr,
                                  WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | WS_CLIPSIBLINGS,
                                  bounds.left, bounds.top, bounds.right - bounds.left,
                                  bounds.bottom - bounds.top, parent, nullptr, module, State);
    if (window == nullptr) {
        const DWORD error = GetLastError();
        Destroy();
        return error != ERROR_SUCCESS ? HRESULT_FROM_WIN32(error) : E_FAIL;
    }
    State->Lay();
    return S_OK;
}

void PreviewWindow::Destroy() {
    if (State == nullptr) {
        return;
    }
    if (State->Window != nullptr) {
        DestroyWindow(State->Window);
    }
    delete State;
    State = nullptr;
    UnregisterClassW(PaneClass, ThisModule());
}

void PreviewWindow::Place(HWND parent, const RECT& bounds) {
    if (State == nullptr || State->Window == nullptr) {
        return;
    }
    if (GetParent(State->Window) != parent) {
        SetParent(State->Window, parent);
    }
    SetWindowPos(State->Window, nullptr, bounds.left, bounds.top, bounds.right - bounds.left,
                 bounds.bottom - bounds.top, SWP_NOZORDER | SWP_NOACTIVATE);
    State->Lay();
}

void PreviewWindow::Show(const PreviewPage& page, const PreviewVisuals& visuals) {
    if (State == nullptr || State->Window == nullptr) {
        return;
    }
    if (page.Lines != State->Page.Lines) {
        State->Scroll = 0;
    }
    State->Page = page;
    State->Visuals = visuals;
    State->Lay();
}

void PreviewWindow::Focus() {
    if (State != nullptr && State->Window != nullptr) {
        SetFocus(State->Window);
    }
}

bool PreviewWindow::HandlesKey(const MSG& message) const {
    return State != nullptr && State->Window != nullptr && message.hwnd == State->Window &&
           message.message == WM_KEYDOWN && IsScrollKey(message.wParam);
}
