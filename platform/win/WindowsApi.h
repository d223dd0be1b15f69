// SPDX-License-Identifier: LGPL-3.0-or-later
// The Windows SDK as mingw-w64 and Wine ship it, with the few gaps of those SDKs filled here
// so that the system sees the same names on every Windows build.
#pragma once

// The SDK's GUIDs come from its libuuid. A translation unit that defines INITGUID (the one
// that holds our own GUID definitions) must not define every SDK GUID too: Wine's
// DEFINE_GUID makes strong definitions that would clash with libuuid.a.
#if defined(INITGUID)
#undef INITGUID
#define QUILLSIFT_DEFINE_GUIDS 1
#endif

// The native layer brings these along; so does this header, so that code which builds
// natively builds here too.
#include <cstddef>
#include <cstdint>
#include <cstring>

#ifndef NOMINMAX
#define NOMINMAX
#endif
// Winsock's types under their WS_ names: Wine's winsock.h, which windows.h brings, otherwise
// redefines the C library's struct timeval, declared by any standard header included before
// this one (<memory> among them). Nothing here uses Winsock.
#ifndef USE_WS_PREFIX
#define USE_WS_PREFIX
#endif
// windows.h first: the other headers build on what it declares.
#include <windows.h>

#include <filter.h>
#include <objbase.h>
#include <propidl.h>
#include <shlwapi.h>
#if __has_include(<filterr.h>)
#include <filterr.h>
#endif
// propkeydef.h before propkey.h, whose keys it defines the macro for.
#include <propkeydef.h>

#include <propkey.h>
#include <propsys.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <thumbcache.h>

#if defined(QUILLSIFT_DEFINE_GUIDS)
#include <initguid.h>
// propkeydef.h chooses between declaring and defining when it is included.
#include <propkeydef.h>
#endif

// 16-bit memory-model keywords that windef.h keeps as empty macros; they would rewrite any
// variable called near or far. Nothing of the SDK needs them once its headers are in.
#undef near
#undef far

#ifndef IFACEMETHODIMP
#define IFACEMETHODIMP STDMETHODIMP
#define IFACEMETHODIMP_(type) STDMETHODIMP_(type)
#endif

// Wine's libuuid.a has no IID_IFilter; mingw-w64's has it as a COMDAT, so one more
// definition is harmless there.
DEFINE_GUID(IID_IFilter, 0x89bcb740, 0x6119, 0x101a, 0xbc, 0xb7, 0x00, 0xdd, 0x01, 0x06, 0x55,
            0xaf);
// Neither SDK's libuuid.a has IID_IThumbnailProvider.
DEFINE_GUID(IID_IThumbnailProvider, 0xe357fccd, 0xa995, 0x4576, 0xb0, 0x1f, 0x23, 0x46, 0x30, 0x15,
            0x4e, 0x96);

// Wine's shobjidl.h declares neither the preview handler nor its visuals.
#include "platform/PreviewHandlerFaces.h"

// Wine ships no filterr.h.
#include "platform/FilterErrors.h"

// Wine has no QITABENT; mingw-w64's relies on __uuidof. One definition for both, by the
// interface's IID_ constant, with the offset converted to the SDK's field type (DWORD in
// Wine, int in mingw-w64).
#ifndef OFFSETOFCLASS
#define OFFSETOFCLASS(base, derived) ((DWORD)(DWORD_PTR)(static_cast<base*>((derived*)8)) - 8)
#endif
#undef QITABENTMULTI
#undef QITABENT
#define QITABENTMULTI(Cthis, Ifoo, Iimpl)                                                          \
    { &IID_##Ifoo, static_cast<decltype(QITAB::dwOffset)>(OFFSETOFCLASS(Iimpl, Cthis)) }
#define QITABENT(Cthis, Ifoo) QITABENTMULTI(Cthis, Ifoo, Ifoo)

// UTF16("...") is an L"..." literal here: both SDKs make WCHAR a 16-bit wchar_t (winegcc
// builds with -fshort-wchar).
static_assert(sizeof(wchar_t) == 2 && sizeof(WCHAR) == 2, "UTF16() needs a 16-bit wchar_t");
