// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/quillsift-host/ThumbnailCommand.h"

#include "platform/ComPtr.h"
#include "platform/ReturnIfFailed.h"
#include "platform/UniqueAny.h"
#include "tools/common/CommandLine.h"
#include "tools/common/FormatCode.h"
#include "tools/common/Utf16ToUtf8.h"
#include "tools/quillsift-host/BitmapFile.h"
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

HRESULT MakeThumbnail(const WCHAR* book, UINT size, BitmapHandle& bitmap, WTS_ALPHATYPE& alpha) {
    CLSID providerClass;
    RETURN_IF_FAILED(FindRegisteredShellExtension(
        ExtensionOf(book).data(), UTF16("{e357fccd-a995-4576-b01f-234630154e96}"), &providerClass));
    ComPtr<IInitializeWithStream> provider;
    RETURN_IF_FAILED(CoCreateInstance(providerClass, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IInitializeWithStream, provider.PutVoid()));
    ComPtr<IStream> stream;
    RETURN_IF_FAILED(SHCreateStreamOnFileEx(book, STGM_READ | STGM_SHARE_DENY_WRITE,
                                            FILE_ATTRIBUTE_NORMAL, FALSE, nullptr, stream.Put()));
    RETURN_IF_FAILED(provider->Initialize(stream.Get(), STGM_READ));
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
        WriteError("usage: quillsift-host --thumbnail SIZE OUT.bmp BOOK (SIZE from 1 to " +
                   std::to_string(MaxThumbnailSize) + ")");
        return ExitUsage;
    }
    const WCHAR* output = argv[3];
    const WCHAR* book = argv[4];
    BitmapHandle bitmap;
    WTS_ALPHATYPE alpha = WTSAT_UNKNOWN;
    const Stopwatch stopwatch;
    HRESULT result = MakeThumbnail(book, size, bitmap, alpha);
    const std::string elapsed = stopwatch.Elapsed();
    BitmapPixels pixels;
    if (SUCCEEDED(result)) {
        result = bitmap ? ReadPixels(bitmap.Get(), pixels) : E_POINTER;
    }
    if (FAILED(result)) {
        WriteError(ToUtf8(book) + ": no thumbnail (" + FormatCode(result) + ")");
        return ExitSomeFailed;
    }
    result = WritePicture(output, pixels);
    if (FAILED(result)) {
        WriteError("cannot write " + ToUtf8(output) + " (" + FormatCode(result) + ")");
        return ExitSomeFailed;
    }
    return WriteOut(std::to_string(pixels.Width) + "x" + std::to_string(pixels.Height) + " " +
                    AlphaName(alpha) + " " + elapsed + " ms\n");
}
