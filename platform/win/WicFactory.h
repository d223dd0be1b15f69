// SPDX-License-Identifier: LGPL-3.0-or-later
// WIC's imaging factory, and the GUIDs of WIC that the module and the tools name, held here:
// Wine's libuuid.a has none of them.
#pragma once

#include "platform/ComPtr.h"
#include "platform/Platform.h"

#include <wincodec.h>

inline constexpr GUID WicFactoryClass = {
    0xcacaf262, 0x9370, 0x4615, {0xa1, 0x3b, 0x9f, 0x55, 0x39, 0xda, 0x4c, 0x0a}};
inline constexpr GUID WicFactoryInterface = {
    0xec5ec8a9, 0xc395, 0x4314, {0x9c, 0x77, 0x54, 0xd7, 0xa9, 0x35, 0xff, 0x70}};
inline constexpr GUID WicFormat32bppBGRA = {
    0x6fddc324, 0x4e03, 0x4bfe, {0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x0f}};

// A new imaging factory, in-process.
inline HRESULT CreateWicFactory(ComPtr<IWICImagingFactory>& factory) {
    return CoCreateInstance(WicFactoryClass, nullptr, CLSCTX_INPROC_SERVER, WicFactoryInterface,
                            factory.PutVoid());
}
