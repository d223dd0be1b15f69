// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/quillsift-host/BitmapFile.h"

#include "platform/ComPtr.h"
#include "platform/ReturnIfFailed.h"
#include "platform/UniqueAny.h"
#include "platform/win/WicFactory.h"

#include <cstdint>

namespace {

using MemoryDc = UniqueAny<HDC, DeleteDC>;
// CreateFileW fails with INVALID_HANDLE_VALUE, which is held as null.
using FileHandle = UniqueAny<HANDLE, CloseHandle>;

void Put16(std::vector<BYTE>& out, uint32_t value) {
    out.push_back(static_cast<BYTE>(value));
    out.push_back(static_cast<BYTE>(value >> 8));
}
void Put32(std::vector<BYTE>& out, uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

// A 32-bit BMP, top-down (negative height), BI_RGB with the alpha byte as the DIB holds it.
std::vector<BYTE> BmpFile(const BitmapPixels& pixels) {
    const uint32_t headers = 14 + 40;
    const uint32_t size = static_cast<uint32_t>(pixels.Bytes.size());
    std::vector<BYTE> file;
    file.reserve(headers + size);
    file.push_back('B');
    file.push_back('M');
    Put32(file, headers + size);
    Put32(file, 0);
    Put32(file, headers);
    Put32(file, 40);
    Put32(file, static_cast<uint32_t>(pixels.Width));
    Put32(file, static_cast<uint32_t>(-pixels.Height));
    Put16(file, 1);
    Put16(file, 32);
    Put32(file, BI_RGB);
    Put32(file, size);
    Put32(file, 2835); // 72 dpi
    Put32(file, 2835);
    Put32(file, 0);
    Put32(file, 0);
    file.insert(file.end(), pixels.Bytes.begin(), pixels.Bytes.end());
    return file;
}

HRESULT WriteNewFile(const WCHAR* path, const std::vector<BYTE>& data) {
    const HANDLE opened =
        CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    FileHandle file(opened == INVALID_HANDLE_VALUE ? nullptr : opened);
    if (!file) {
        return HRESULT_FROM_WIN32(GetLastError());
    }
    DWORD written = 0;
    const bool ok =
        WriteFile(file.Get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr) &&
        written == data.size();
    const DWORD error = ok ? ERROR_SUCCESS : GetLastError();
    return ok ? S_OK : HRESULT_FROM_WIN32(error != ERROR_SUCCESS ? error : ERROR_WRITE_FAULT);
}

HRESULT WritePng(const WCHAR* path, const BitmapPixels& pixels) {
    ComPtr<IWICImagingFactory> factory;
    RETURN_IF_FAILED(CreateWicFactory(factory));
    ComPtr<IWICStream> stream;
    RETURN_IF_FAILED(factory->CreateStream(stream.Put()));
    RETURN_IF_FAILED(stream->InitializeFromFilename(path, GENERIC_WRITE));
    ComPtr<IWICBitmapEncoder> encoder;
    RETURN_IF_FAILED(factory->CreateEncoder(WicContainerPng, nullptr, encoder.Put()));
    RETURN_IF_FAILED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache));
    ComPtr<IWICBitmapFrameEncode> frame;
    RETURN_IF_FAILED(encoder->CreateNewFrame(frame.Put(), nullptr));
    RETURN_IF_FAILED(frame->Initialize(nullptr));
    RETURN_IF_FAILED(
        frame->SetSize(static_cast<UINT>(pixels.Width), static_cast<UINT>(pixels.Height)));
    WICPixelFormatGUID format = WicFormat32bppBGRA;
    RETURN_IF_FAILED(frame->SetPixelFormat(&format));
    if (!IsEqualGUID(format, WicFormat32bppBGRA)) {
        return WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT;
    }
    RETURN_IF_FAILED(frame->WritePixels(
        static_cast<UINT>(pixels.Height), static_cast<UINT>(pixels.Width) * 4,
        static_cast<UINT>(pixels.Bytes.size()), const_cast<BYTE*>(pixels.Bytes.data())));
    RETURN_IF_FAILED(frame->Commit());
    return encoder->Commit();
}

bool EndsWithPng(const WCHAR* path) {
    size_t length = 0;
    while (path[length] != 0) {
        ++length;
    }
    const char suffix[] = ".png";
    if (length < 4) {
        return false;
    }
    for (size_t i = 0; i < 4; ++i) {
        WCHAR unit = path[length - 4 + i];
        if (unit >= 'A' && unit <= 'Z') {
            unit = static_cast<WCHAR>(unit - 'A' + 'a');
        }
        if (unit != static_cast<WCHAR>(suffix[i])) {
            return false;
        }
    }
    return true;
}

} // namespace

HRESULT ReadPixels(HBITMAP bitmap, BitmapPixels& pixels) {
    BITMAP shape = {};
    if (GetObjectW(bitmap, sizeof(shape), &shape) != sizeof(shape) || shape.bmWidth <= 0 ||
        shape.bmHeight <= 0 || shape.bmWidth > 65536 || shape.bmHeight > 65536) {
        return E_INVALIDARG;
    }
    pixels.Width = shape.bmWidth;
    pixels.Height = shape.bmHeight;
    pixels.Bytes.assign(static_cast<size_t>(pixels.Width) * static_cast<size_t>(pixels.Height) * 4,
                        0);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = pixels.Width;
    info.bmiHeader.biHeight = -pixels.Height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    MemoryDc dc(CreateCompatibleDC(nullptr));
    if (!dc || GetDIBits(dc.Get(), bitmap, 0, static_cast<UINT>(pixels.Height), pixels.Bytes.data(),
                         &info, DIB_RGB_COLORS) != pixels.Height) {
        return E_FAIL;
    }
    return S_OK;
}

HRESULT WritePicture(const WCHAR* path, const BitmapPixels& pixels) {
    const HRESULT written =
        EndsWithPng(path) ? WritePng(path, pixels) : WriteNewFile(path, BmpFile(pixels));
    if (FAILED(written)) {
        DeleteFileW(path);
    }
    return written;
}
