// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/quillsift-host/ThumbnailCommand.h"

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

namespace {

using BitmapHandle = UniqueAny<HBITMAP, DeleteObject>;

const UINT MaxThumbnailSize = 4096;

bool ParseSize(const WCHAR* text, UINT& size) {
    uint64_t value = 0;
    if (!ParseNumber(text, 0, MaxThumbnailSize, value)) {
        return false;
    }
    size = static_cast<UINT>(value);
    return true;
}

// The thumbnail of `book`, open as `stream`, from the provider the registry names for its
// extension; `words`, what the lookup or the module says of the book.
HRESULT MakeThumbnail(const WCHAR* book, IStream* stream, UINT size, BitmapHandle& bitmap,
                      WTS_ALPHATYPE& alpha, std::string& words) {
    CLSID providerClass;
    RETURN_IF_FAILED(FindBookHandler(BookHandler::ThumbnailProvider, ExtensionOf(book).data(),
                                     &providerClass, words));
    ComPtr<IInitializeWithStream> provider;
    RETURN_IF_FAILED(CoCreateInstance(providerClass, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IInitializeWithStream, provider.PutVoid()));
    const HRESULT bound = provider->Initialize(stream, STGM_READ);
    words = BookConditionWords(provider.Get());
    RETURN_IF_FAILED(bound);
    ComPtr<IThumbnailProvider> thumbnails;
    RETURN_IF_FAILED(provider->QueryInterface(IID_IThumbnailProvider, thumbnails.PutVoid()));
    return thumbnails->GetThumbnail(size, bitmap.Put(), &alpha);
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
    ComPtr<IStream> stream;
    if (!OpenBookStreamOrSay(book, stream)) {
        return ExitSomeFailed;
    }
    BitmapHandle bitmap;
    WTS_ALPHATYPE alpha = WTSAT_UNKNOWN;
    const Stopwatch stopwatch;
    std::string words;
    HRESULT result = MakeThumbnail(book, stream.Get(), size, bitmap, alpha, words);
    const std::string elapsed = stopwatch.Elapsed();
    BitmapPixels pixels;
    if (SUCCEEDED(result)) {
        result = bitmap ? ReadPixels(bitmap.Get(), pixels) : E_POINTER;
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
    result = WritePicture(output, pixels);
    if (FAILED(result)) {
        WriteError("cannot write " + ToUtf8(output) + " (" + FormatCode(result) + ")");
        return ExitSomeFailed;
    }
    if (!words.empty()) {
        WriteError(ToUtf8(book) + ": " + words);
    }
    return WriteOut(std::to_string(pixels.Width) + "x" + std::to_string(pixels.Height) + " " +
                    AlphaName(alpha) + " " + elapsed + " ms\n");
}
