// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/quillsift-host/ThumbnailCommand.h"

#include "platform/ComPtr.h"
#include "platform/ReturnIfFailed.h"
#include "platform/UniqueAny.h"
#include "tools/common/CommandLine.h"
#include "tools/common/FormatCode.h"
#include "tools/common/Utf16ToUtf8.h"
#include "tools/quillsift-host/HostOutput.h"
#include "tools/quillsift-host/RegisteredFilter.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using BitmapHandle = UniqueAny<HBITMAP, DeleteObject>;
using MemoryDc = UniqueAny<HDC, DeleteDC>;
// CreateFileW fails with INVALID_HANDLE_VALUE, which is held as null.
using FileHandle = UniqueAny<HANDLE, CloseHandle>;

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

// SystemFileAssociations\<extension of `path`>\ShellEx\{IThumbnailProvider}.
std::vector<WCHAR> ThumbnailKeyFor(const WCHAR* path) {
    const std::vector<WCHAR> extension = ExtensionOf(path);
    std::vector<WCHAR> key;
    for (const WCHAR* c = UTF16("Software\\Classes\\SystemFileAssociations\\"); *c != 0; ++c) {
        key.push_back(*c);
    }
    key.insert(key.end(), extension.begin(), extension.end() - 1);
    for (const WCHAR* c = UTF16("\\ShellEx\\{e357fccd-a995-4576-b01f-234630154e96}"); *c != 0;
         ++c) {
        key.push_back(*c);
    }
    key.push_back(0);
    return key;
}

HRESULT MakeThumbnail(const WCHAR* book, UINT size, BitmapHandle& bitmap, WTS_ALPHATYPE& alpha) {
    WCHAR classText[64];
    RETURN_IF_FAILED(ReadMachineString(ThumbnailKeyFor(book).data(), classText, 64));
    CLSID providerClass;
    RETURN_IF_FAILED(CLSIDFromString(classText, &providerClass));
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

void Put16(std::vector<BYTE>& out, uint32_t value) {
    out.push_back(static_cast<BYTE>(value));
    out.push_back(static_cast<BYTE>(value >> 8));
}
void Put32(std::vector<BYTE>& out, uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

// A 32-bit BMP, top-down (negative height), BI_RGB with the alpha byte as the DIB holds it.
std::vector<BYTE> BmpFile(LONG width, LONG height, const std::vector<BYTE>& pixels) {
    const uint32_t headers = 14 + 40;
    std::vector<BYTE> file;
    file.reserve(headers + pixels.size());
    file.push_back('B');
    file.push_back('M');
    Put32(file, headers + static_cast<uint32_t>(pixels.size()));
    Put32(file, 0);
    Put32(file, headers);
    Put32(file, 40);
    Put32(file, static_cast<uint32_t>(width));
    Put32(file, static_cast<uint32_t>(-height));
    Put16(file, 1);
    Put16(file, 32);
    Put32(file, BI_RGB);
    Put32(file, static_cast<uint32_t>(pixels.size()));
    Put32(file, 2835); // 72 dpi
    Put32(file, 2835);
    Put32(file, 0);
    Put32(file, 0);
    file.insert(file.end(), pixels.begin(), pixels.end());
    return file;
}

// Writes `data` to a new file at `path`; on failure nothing is left there.
bool WriteNewFile(const WCHAR* path, const std::vector<BYTE>& data) {
    const HANDLE opened =
        CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    FileHandle file(opened == INVALID_HANDLE_VALUE ? nullptr : opened);
    if (!file) {
        return false;
    }
    DWORD written = 0;
    const bool ok =
        WriteFile(file.Get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr) &&
        written == data.size();
    file.Reset();
    if (!ok) {
        DeleteFileW(path);
    }
    return ok;
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
    LARGE_INTEGER frequency;
    LARGE_INTEGER started;
    LARGE_INTEGER finished;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&started);
    HRESULT result = MakeThumbnail(book, size, bitmap, alpha);
    QueryPerformanceCounter(&finished);
    const double milliseconds = static_cast<double>(finished.QuadPart - started.QuadPart) * 1000.0 /
                                static_cast<double>(frequency.QuadPart);
    LONG width = 0;
    LONG height = 0;
    std::vector<BYTE> pixels;
    if (SUCCEEDED(result)) {
        result = bitmap ? ReadPixels(bitmap.Get(), width, height, pixels) : E_POINTER;
    }
    if (FAILED(result)) {
        WriteError(ToUtf8(book) + ": no thumbnail (" + FormatCode(result) + ")");
        return ExitSomeFailed;
    }
    if (!WriteNewFile(output, BmpFile(width, height, pixels))) {
        WriteError("cannot write " + ToUtf8(output) + " (error " + std::to_string(GetLastError()) +
                   ")");
        return ExitSomeFailed;
    }
    char elapsed[32];
    std::snprintf(elapsed, sizeof(elapsed), "%.1f", milliseconds);
    return WriteOut(std::to_string(width) + "x" + std::to_string(height) + " " + AlphaName(alpha) +
                    " " + elapsed + " ms\n");
}
