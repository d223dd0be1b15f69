// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/quillsift-host/ThumbnailFile.h"

#include "platform/ComPtr.h"
#include "platform/ReturnIfFailed.h"
#include "platform/UniqueAny.h"
#include "platform/win/WicGuids.h"

#include <wincodec.h>

#include <cstdint>

namespace {

// CreateFileW fails with INVALID_HANDLE_VALUE, which is held as null.
using FileHandle = UniqueAny<HANDLE, CloseHandle>;

bool EndsWithPng(const WCHAR* path) {
    size_t length = 0;
    while (path[length] != 0) {
        ++length;
    }
    const char tail[] = ".png";
    if (length < 4) {
        return false;
    }
    for (size_t i = 0; i < 4; ++i) {
        WCHAR c = path[length - 4 + i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<WCHAR>(c - 'A' + 'a');
        }
        if (c != static_cast<WCHAR>(tail[i])) {
            return false;
        }
    }
    return true;
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

HRESULT WriteBmp(const WCHAR* path, LONG width, LONG height, const std::vector<BYTE>& pixels) {
    const std::vector<BYTE> data = BmpFile(width, height, pixels);
    const HANDLE opened =
        CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    FileHandle file(opened == INVALID_HANDLE_VALUE ? nullptr : opened);
    if (!file) {
        return HRESULT_FROM_WIN32(GetLastError());
    }
    DWORD written = 0;
    if (!WriteFile(file.Get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr) ||
        written != data.size()) {
        return HRESULT_FROM_WIN32(GetLastError());
    }
    return S_OK;
}

HRESULT WritePng(const WCHAR* path, LONG width, LONG height, const std::vector<BYTE>& pixels) {
    ComPtr<IWICImagingFactory> factory;
    RETURN_IF_FAILED(CoCreateInstance(WicFactoryClass, nullptr, CLSCTX_INPROC_SERVER,
                                      WicFactoryInterface, factory.PutVoid()));
    const UINT stride = static_cast<UINT>(width) * 4;
    ComPtr<IWICBitmap> bitmap;
    RETURN_IF_FAILED(factory->CreateBitmapFromMemory(
        static_cast<UINT>(width), static_cast<UINT>(height), WicFormat32bppBGRA, stride,
        static_cast<UINT>(pixels.size()), const_cast<BYTE*>(pixels.data()), bitmap.Put()));
    ComPtr<IWICStream> stream;
    RETURN_IF_FAILED(factory->CreateStream(stream.Put()));
    RETURN_IF_FAILED(stream->InitializeFromFilename(path, GENERIC_WRITE));
    ComPtr<IWICBitmapEncoder> encoder;
    RETURN_IF_FAILED(factory->CreateEncoder(WicContainerPng, nullptr, encoder.Put()));
    RETURN_IF_FAILED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache));
    ComPtr<IWICBitmapFrameEncode> frame;
    RETURN_IF_FAILED(encoder->CreateNewFrame(frame.Put(), nullptr));
    RETURN_IF_FAILED(frame->Initialize(nullptr));
    RETURN_IF_FAILED(frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height)));
    WICPixelFormatGUID format = WicFormat32bppBGRA;
    RETURN_IF_FAILED(frame->SetPixelFormat(&format));
    RETURN_IF_FAILED(frame->WriteSource(bitmap.Get(), nullptr));
    RETURN_IF_FAILED(frame->Commit());
    return encoder->Commit();
}

} // namespace

HRESULT WriteThumbnailFile(const WCHAR* path, LONG width, LONG height,
                           const std::vector<BYTE>& pixels) {
    const HRESULT written = EndsWithPng(path) ? WritePng(path, width, height, pixels)
                                              : WriteBmp(path, width, height, pixels);
    if (FAILED(written)) {
        DeleteFileW(path);
    }
    return written;
}
