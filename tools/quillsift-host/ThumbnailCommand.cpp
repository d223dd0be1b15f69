// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/quillsift-host/ThumbnailCommand.h"

#include "platform/ComPtr.h"
#include "platform/ReturnIfFailed.h"
#include "platform/UniqueAny.h"
#include "tools/common/BookConditionWords.h"
#include "tools/common/CommandLine.h"
#include "tools/common/FormatCode.h"
#include "tools/common/Utf16ToUtf8.h"
#include "tools/quillsift-host/BookHandlers.h"
#include "tools/quillsift-host/HostOutput.h"
#include "tools/quillsift-host/RegisteredFilter.h"
#include "tools/quillsift-host/ThumbnailFile.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using BitmapHandle = UniqueAny<HBITMAP, DeleteObject>;
using MemoryDc = UniqueAny<HDC, DeleteDC>;

const UINT MaxThumbnailSize = 4096;

bool ParseSize(const WCHAR* text, UINT& size) {
    uint64_t value = 0;
    for (; *text != 0; ++text) {
        if (*text < '0' || *text > '9' || value > MaxThumbnailSize) {
            return false;
        }
        value = value * 10 + static_cast<uint64_t>(*text - '0');
    }
    if (value == 0 || value > MaxThumbnailSize) {
        return false;
    }
    size = static_cast<UINT>(value);
    return true;
}

// The thumbnail of `book` from the provider the registry names for its extension; `words`,
// what the lookup or the module says of the book.
HRESULT MakeThumbnail(const WCHAR* book, UINT size, BitmapHandle& bitmap, WTS_ALPHATYPE& alpha,
                      std::string& words) {
    CLSID providerClass;
    RETURN_IF_FAILED(FindBookHandler(BookHandler::ThumbnailProvider, ExtensionOf(book).data(),
                                     &providerClass, words));
    ComPtr<IInitializeWithStream> provider;
    RETURN_IF_FAILED(CoCreateInstance(providerClass, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IInitializeWithStream, provider.PutVoid()));
    ComPtr<IStream> stream;
    RETURN_IF_FAILED(SHCreateStreamOnFileEx(book, STGM_READ | STGM_SHARE_DENY_WRITE,
                                            FILE_ATTRIBUTE_NORMAL, FALSE, nullptr, stream.Put()));
    const HRESULT bound = provider->Initialize(stream.Get(), STGM_READ);
    words = BookConditionWords(provider.Get());
    RETURN_IF_FAILED(bound);
    ComPtr<IThumbnailProvider> thumbnails;
    RETURN_IF_FAILED(provider->QueryInterface(IID_IThumbnailProvider, thumbnails.PutVoid()));
    return thumbnails->GetThumbnail(size, bitmap.Put(), &alpha);
}

// The bitmap as 32-bit rows, top row first.
HRESULT ReadPixels(HBITMAP bitmap, LONG& width, LONG& height, std::vector<BYTE>& pixels) {
    BITMAP shape = {};
    if (GetObjectW(bitmap, sizeof(shape), &shape) != sizeof(shape) || shape.bmWidth <= 0 ||
        shape.bmHeight <= 0 || shape.bmWidth > 65536 || shape.bmHeight > 65536) {
        return E_INVALIDARG;
    }
    width = shape.bmWidth;
    height = shape.bmHeight;
    pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 4, 0);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    MemoryDc dc(CreateCompatibleDC(nullptr));
    if (!dc || GetDIBits(dc.Get(), bitmap, 0, static_cast<UINT>(height), pixels.data(), &info,
                         DIB_RGB_COLORS) != height) {
        return E_FAIL;
    }
    return S_OK;
}

const char* AlphaName(WTS_ALPHATYPE alpha) {
    switch (alpha) {
    case WTSAT_RGB:
        return "RGB";
    case WTSAT_ARGB:
        return "ARGB";
    default:
        return "UNKNOWN";
    }
}

} // namespace

int RunThumbnailCommand(int argc, WCHAR** argv) {
    UINT size = 0;
    if (argc != 5 || !ParseSize(argv[2], size)) {
        WriteError("usage: quillsift-host --thumbnail SIZE OUT.png|OUT.bmp BOOK (SIZE from 1 to " +
                   std::to_string(MaxThumbnailSize) + ")");
        return ExitUsage;
    }
    const WCHAR* output = argv[3];
    const WCHAR* book = argv[4];
    BitmapHandle bitmap;
    WTS_ALPHATYPE alpha = WTSAT_UNKNOWN;
    LARGE_INTEGER frequency;
    LARGE_INTEGER started;
    LARGE_INTEGER finished;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&started);
    std::string words;
    HRESULT result = MakeThumbnail(book, size, bitmap, alpha, words);
    QueryPerformanceCounter(&finished);
    const double milliseconds = static_cast<double>(finished.QuadPart - started.QuadPart) * 1000.0 /
                                static_cast<double>(frequency.QuadPart);
    LONG width = 0;
    LONG height = 0;
    std::vector<BYTE> pixels;
    if (SUCCEEDED(result)) {
        result = bitmap ? ReadPixels(bitmap.Get(), width, height, pixels) : E_POINTER;
    }
    if (result == WTS_E_FAILEDEXTRACTION) {
        // A book cut short says whether its cover was cut off.
        WriteError(ToUtf8(book) + ": " + (words.empty() ? "no cover" : words));
        return ExitSomeFailed;
    }
    if (FAILED(result)) {
        WriteError(ToUtf8(book) + ": " + FailureWords(words, "no thumbnail", result));
        return ExitSomeFailed;
    }
    const HRESULT written = WriteThumbnailFile(output, width, height, pixels);
    if (FAILED(written)) {
        WriteError("cannot write " + ToUtf8(output) + " (" + FormatCode(written) + ")");
        return ExitSomeFailed;
    }
    if (!words.empty()) {
        WriteError(ToUtf8(book) + ": " + words);
    }
    char elapsed[32];
    std::snprintf(elapsed, sizeof(elapsed), "%.1f", milliseconds);
    return WriteOut(std::to_string(width) + "x" + std::to_string(height) + " " + AlphaName(alpha) +
                    " " + elapsed + " ms\n");
}
