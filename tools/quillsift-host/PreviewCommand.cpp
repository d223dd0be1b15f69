// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/quillsift-host/PreviewCommand.h"

#include "platform/ComPtr.h"
#include "platform/ReturnIfFailed.h"
#include "platform/UniqueAny.h"
#include "tools/common/BookConditionWords.h"
#include "tools/common/CommandLine.h"
#include "tools/common/FormatCode.h"
#include "tools/common/Utf16ToUtf8.h"
#include "tools/quillsift-host/BitmapFile.h"
#include "tools/quillsift-host/BookHandlers.h"
#include "tools/quillsift-host/BookStream.h"
#include "tools/quillsift-host/HostArguments.h"
#include "tools/quillsift-host/HostOutput.h"
#include "tools/quillsift-host/RegisteredFilter.h"
#include "tools/quillsift-host/Stopwatch.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {

using WindowHandle = UniqueAny<HWND, DestroyWindow>;
using BitmapHandle = UniqueAny<HBITMAP, DeleteObject>;
using MemoryDc = UniqueAny<HDC, DeleteDC>;

const WCHAR HostClass[] = L"QuillsiftPreviewHost";
const LONG MaxSide = 8192;
const UINT MaxScroll = 10000;

// Explorer's dark mode: its background and text colours.
const COLORREF DarkBackground = RGB(25, 25, 25);
const COLORREF DarkText = RGB(255, 255, 255);

struct PreviewOptions {
    LONG Width = 0;
    LONG Height = 0;
    const WCHAR* Output = nullptr;
    const WCHAR* Book = nullptr;
    UINT Scroll = 0;
    bool Dark = false;
};

bool ParseOptions(int argc, WCHAR** argv, PreviewOptions& options) {
    std::vector<const WCHAR*> positional;
    for (int index = 2; index < argc; ++index) {
        if (Equals(argv[index], "--dark")) {
            options.Dark = true;
        } else if (Equals(argv[index], "--scroll") && index + 1 < argc) {
            const WCHAR* text = argv[++index];
            uint64_t pages = 0;
            if (!ParseNumber(text, 0, MaxScroll, pages)) {
                return false;
            }
            options.Scroll = static_cast<UINT>(pages);
        } else if (argv[index][0] == '-' && argv[index][1] == '-') {
            return false;
        } else {
            positional.push_back(argv[index]);
        }
    }
    if (positional.size() != 3) {
        return false;
    }
    const WCHAR* size = positional[0];
    uint64_t width = 0;
    uint64_t height = 0;
    if (!ParseNumber(size, 'x', MaxSide, width) || !ParseNumber(++size, 0, MaxSide, height)) {
        return false;
    }
    options.Width = static_cast<LONG>(width);
    options.Height = static_cast<LONG>(height);
    options.Output = positional[1];
    options.Book = positional[2];
    return true;
}

// A top-level window with a client area of the size asked for, shown at the screen's corner.
HRESULT MakeHostWindow(LONG width, LONG height, WindowHandle& window) {
    WNDCLASSEXW hostClass = {};
    hostClass.cbSize = sizeof(hostClass);
    hostClass.lpfnWndProc = DefWindowProcW;
    hostClass.hInstance = GetModuleHandleW(nullptr);
    hostClass.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
    hostClass.lpszClassName = HostClass;
    if (RegisterClassExW(&hostClass) == 0) {
        return HRESULT_FROM_WIN32(GetLastError());
    }
    const DWORD style = WS_POPUP | WS_CLIPCHILDREN;
    RECT frame = {0, 0, width, height};
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    window.Reset(CreateWindowExW(0, HostClass, L"Quillsift preview", style, 0, 0,
                                 frame.right - frame.left, frame.bottom - frame.top, nullptr,
                                 nullptr, hostClass.hInstance, nullptr));
    if (!window) {
        return HRESULT_FROM_WIN32(GetLastError());
    }
    ShowWindow(window.Get(), SW_SHOWNORMAL);
    UpdateWindow(window.Get());
    return S_OK;
}

// Runs the messages waiting, as a preview host's loop does: the handler sees each first.
void PumpMessages(IPreviewHandler* handler) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (handler->TranslateAccelerator(&message) == S_OK) {
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// Dark visuals, as Explorer hands them in dark mode: its colours and its 9-point font.
HRESULT HandDarkVisuals(IPreviewHandler* handler, HWND window) {
    ComPtr<IPreviewHandlerVisuals> visuals;
    RETURN_IF_FAILED(handler->QueryInterface(IID_IPreviewHandlerVisuals, visuals.PutVoid()));
    RETURN_IF_FAILED(visuals->SetBackgroundColor(DarkBackground));
    RETURN_IF_FAILED(visuals->SetTextColor(DarkText));
    LOGFONTW font = {};
    HDC dc = GetDC(window);
    font.lfHeight = -MulDiv(9, dc != nullptr ? GetDeviceCaps(dc, LOGPIXELSY) : 96, 72);
    if (dc != nullptr) {
        ReleaseDC(window, dc);
    }
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(font.lfFaceName, L"Segoe UI", LF_FACESIZE);
    return visuals->SetFont(&font);
}

// The client area as the screen shows it, alpha opaque.
HRESULT CaptureClient(HWND window, LONG width, LONG height, BitmapPixels& pixels) {
    HDC screen = GetDC(window);
    if (screen == nullptr) {
        return E_FAIL;
    }
    MemoryDc memory(CreateCompatibleDC(screen));
    BitmapHandle bitmap(CreateCompatibleBitmap(screen, width, height));
    HRESULT result = memory && bitmap ? S_OK : E_OUTOFMEMORY;
    if (SUCCEEDED(result)) {
        HGDIOBJ old = SelectObject(memory.Get(), bitmap.Get());
        if (!BitBlt(memory.Get(), 0, 0, width, height, screen, 0, 0, SRCCOPY)) {
            result = HRESULT_FROM_WIN32(GetLastError());
        }
        SelectObject(memory.Get(), old);
    }
    ReleaseDC(window, screen);
    RETURN_IF_FAILED(result);
    RETURN_IF_FAILED(ReadPixels(bitmap.Get(), pixels));
    for (size_t alpha = 3; alpha < pixels.Bytes.size(); alpha += 4) {
        pixels.Bytes[alpha] = 0xFF;
    }
    return S_OK;
}

// Everything from finding the handler to the picture of the book open as `stream`; `elapsed` is
// DoPreview's time, `words` what the lookup says when no handler is registered.
HRESULT Preview(const PreviewOptions& options, IStream* stream, BitmapPixels& pixels,
                std::string& elapsed, std::string& words) {
    CLSID handlerClass;
    RETURN_IF_FAILED(FindBookHandler(BookHandler::PreviewHandler, ExtensionOf(options.Book).data(),
                                     &handlerClass, words));
    WindowHandle window;
    RETURN_IF_FAILED(MakeHostWindow(options.Width, options.Height, window));
    ComPtr<IPreviewHandler> handler;
    RETURN_IF_FAILED(CoCreateInstance(handlerClass, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IPreviewHandler, handler.PutVoid()));
    ComPtr<IInitializeWithStream> initialize;
    RETURN_IF_FAILED(handler->QueryInterface(IID_IInitializeWithStream, initialize.PutVoid()));
    RETURN_IF_FAILED(initialize->Initialize(stream, STGM_READ));
    if (options.Dark) {
        RETURN_IF_FAILED(HandDarkVisuals(handler.Get(), window.Get()));
    }
    RECT client = {0, 0, options.Width, options.Height};
    RETURN_IF_FAILED(handler->SetWindow(window.Get(), &client));
    RETURN_IF_FAILED(handler->SetRect(&client));
    const Stopwatch stopwatch;
    const HRESULT previewed = handler->DoPreview();
    elapsed = stopwatch.Elapsed();
    HRESULT result = previewed;
    if (SUCCEEDED(result)) {
        PumpMessages(handler.Get());
        if (options.Scroll > 0) {
            handler->SetFocus();
            HWND focused = nullptr;
            handler->QueryFocus(&focused);
            for (UINT page = 0; page < options.Scroll; ++page) {
                PostMessageW(focused, WM_KEYDOWN, VK_NEXT, 1);
                PumpMessages(handler.Get());
            }
        }
        RedrawWindow(window.Get(), nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        GdiFlush();
        result = CaptureClient(window.Get(), options.Width, options.Height, pixels);
    }
    handler->Unload();
    return result;
}

} // namespace

int RunPreviewCommand(int argc, WCHAR** argv) {
    PreviewOptions options;
    if (!ParseOptions(argc, argv, options)) {
        WriteError("usage: quillsift-host --preview WIDTHxHEIGHT OUT.bmp|OUT.png BOOK [--scroll N]"
                   " [--dark] (each side from 1 to " +
                   std::to_string(MaxSide) + ")");
        return ExitUsage;
    }
    ComPtr<IStream> stream;
    if (!OpenBookStreamOrSay(options.Book, stream)) {
        return ExitSomeFailed;
    }
    BitmapPixels pixels;
    std::string elapsed;
    std::string words;
    HRESULT result = Preview(options, stream.Get(), pixels, elapsed, words);
    if (FAILED(result)) {
        WriteError(ToUtf8(options.Book) + ": " + FailureWords(words, "no preview", result));
        return ExitSomeFailed;
    }
    result = WritePicture(options.Output, pixels);
    if (FAILED(result)) {
        WriteError("cannot write " + ToUtf8(options.Output) + " (" + FormatCode(result) + ")");
        return ExitSomeFailed;
    }
    return WriteOut(std::to_string(pixels.Width) + "x" + std::to_string(pixels.Height) +
                    " DoPreview " + elapsed + " ms\n");
}
