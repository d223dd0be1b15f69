// SPDX-License-Identifier: LGPL-3.0-or-later
// Task allocator, PROPVARIANT and class-id services of ole32, for the native build.
#pragma once

#include "platform/native/PropTypes.h"

// The task allocator is the C heap, so a block may be freed by any module of the process.
extern "C" void* CoTaskMemAlloc(SIZE_T cb);
extern "C" void CoTaskMemFree(void* pv);
// Resizes a block; null, with the block untouched, when it cannot.
extern "C" void* CoTaskMemRealloc(void* pv, SIZE_T cb);

// Deep copy and release of the value types the filter and the property handler hand out
// (VT_EMPTY, VT_NULL, VT_I4, VT_UI4, VT_LPWSTR, VT_VECTOR | VT_LPWSTR). Any other type is
// refused with DISP_E_BADVARTYPE and never copied shallowly.
extern "C" HRESULT PropVariantCopy(PROPVARIANT* pvarDest, const PROPVARIANT* pvarSrc);
extern "C" HRESULT PropVariantClear(PROPVARIANT* pvar);

// Only the braced 38-character form is accepted; anything else gives CO_E_CLASSSTRING.
extern "C" HRESULT CLSIDFromString(LPCOLESTR lpsz, LPCLSID pclsid);
