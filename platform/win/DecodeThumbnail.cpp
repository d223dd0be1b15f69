// SPDX-License-Identifier: LGPL-3.0-or-later
// A picture through WIC: decoder, 32bppBGRA (or PBGRA) converter, scaler, copied into a DIB
// section.
#include "platform/DecodeThumbnail.h"

#include "platform/ComPtr.h"
#include "platform/ReturnIfFailed.h"
#include "platform/UniqueAny.h"
#include "platform/win/WicFactory.h"

#include <cstdint>

namespace {

// The pixel formats with an alpha channel that WIC's JPEG, GIF, PNG and BMP decoders give,
// for a WIC whose component information does not answer SupportsTransparency.
constexpr GUID AlphaFormats[] = {
    WicFormat32bppBGRA,
    WicFormat32bppPBGRA,
    {0xf5c7ad2d, 0x6a8d, 0x43dd, {0xa7, 0xa8, 0xa2, 0x99, 0x35, 0x26, 0x1a, 0xe9}}, // 32bppRGBA
    {0x3cc4a650, 0xa527, 0x4d37, {0xa9, 0x16, 0x31, 0x42, 0xc7, 0xeb, 0xed, 0xba}}, // 32bppPRGBA
    {0x6fddc324, 0x4e03, 0x4bfe, {0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x16}}, // 64bppRGBA
    {0x1562ff7c, 0xd352, 0x46f9, {0x97, 0x9e, 0x42, 0x97, 0x6b, 0x79, 0x22, 0x46}}, // 64bppBGRA
    {0x6fddc324, 0x4e03, 0x4bfe, {0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x17}}, // 64bppPRGBA
    {0x8c518e8e, 0xa4ec, 0x468b, {0xae, 0x70, 0xc9, 0xa3, 0x5a, 0x9c, 0x55, 0x30}}, // 64bppPBGRA
};

using BitmapHandle = UniqueAny<HBITMAP, DeleteObject>;

bool CarriesAlpha(IWICImagingFactory* factory, const GUID& format) {
    for (const GUID& known : AlphaFormats) {
        if (IsEqualGUID(known, format)) {
            return true;
        }
    }
    ComPtr<IWICComponentInfo> info;
    ComPtr<IWICPixelFormatInfo2> formatInfo;
    BOOL transparent = FALSE;
    return SUCCEEDED(factory->CreateComponentInfo(format, info.Put())) && info &&
           SUCCEEDED(info->QueryInterface(WicPixelFormatInfo2Interface, formatInfo.PutVoid())) &&
           formatInfo && SUCCEEDED(formatInfo->SupportsTransparency(&transparent)) && transparent;
}

} // namespace

HRESULT DecodePicture(const BYTE* picture, ULONG size, PixelSize box, PictureAlpha form,
                      HBITMAP* bitmap, WTS_ALPHATYPE* alpha) {
    if (bitmap == nullptr || alpha == nullptr) {
        return E_POINTER;
    }
    *bitmap = nullptr;
    *alpha = WTSAT_UNKNOWN;
    if (picture == nullptr || size == 0 || box.Width == 0 || box.Height == 0) {
        return E_INVALIDARG;
    }
    ComPtr<IWICImagingFactory> factory;
    RETURN_IF_FAILED(CreateWicFactory(factory));
    ComPtr<IWICStream> stream;
    RETURN_IF_FAILED(factory->CreateStream(stream.Put()));
    // WIC only reads the memory, which outlives the decode.
    RETURN_IF_FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(picture), size));
    ComPtr<IWICBitmapDecoder> decoder;
    RETURN_IF_FAILED(factory->CreateDecoderFromStream(
        stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand, decoder.Put()));
    ComPtr<IWICBitmapFrameDecode> frame;
    RETURN_IF_FAILED(decoder->GetFrame(0, frame.Put()));
    WICPixelFormatGUID format;
    RETURN_IF_FAILED(frame->GetPixelFormat(&format));
    PixelSize picturePixels{0, 0};
    RETURN_IF_FAILED(frame->GetSize(&picturePixels.Width, &picturePixels.Height));
    const PixelSize target = FitPictureSize(picturePixels, box);
    // The DIB's height is a negative LONG and CopyPixels takes the buffer's size as a UINT.
    const uint64_t stride = uint64_t{target.Width} * 4;
    const uint64_t byteCount = stride * target.Height;
    if (target.Width == 0 || target.Height > 0x7FFFFFFF || byteCount > 0x7FFFFFFF) {
        return E_INVALIDARG;
    }

    ComPtr<IWICFormatConverter> converter;
    RETURN_IF_FAILED(factory->CreateFormatConverter(converter.Put()));
    const GUID& converted =
        form == PictureAlpha::Premultiplied ? WicFormat32bppPBGRA : WicFormat32bppBGRA;
    RETURN_IF_FAILED(converter->Initialize(frame.Get(), converted, WICBitmapDitherTypeNone, nullptr,
                                           0.0, WICBitmapPaletteTypeCustom));
    IWICBitmapSource* source = converter.Get();
    ComPtr<IWICBitmapScaler> scaler;
    if (target.Width != picturePixels.Width || target.Height != picturePixels.Height) {
        RETURN_IF_FAILED(factory->CreateBitmapScaler(scaler.Put()));
        RETURN_IF_FAILED(scaler->Initialize(converter.Get(), target.Width, target.Height,
                                            WICBitmapInterpolationModeFant));
        source = scaler.Get();
    }

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = static_cast<LONG>(target.Width);
    info.bmiHeader.biHeight = -static_cast<LONG>(target.Height);
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    BitmapHandle made(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!made || bits == nullptr) {
        return E_OUTOFMEMORY;
    }
    RETURN_IF_FAILED(source->CopyPixels(nullptr, static_cast<UINT>(stride),
                                        static_cast<UINT>(byteCount), static_cast<BYTE*>(bits)));
    *alpha = CarriesAlpha(factory.Get(), format) ? WTSAT_ARGB : WTSAT_RGB;
    *bitmap = made.Detach();
    return S_OK;
}
