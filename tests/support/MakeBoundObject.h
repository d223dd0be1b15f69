// SPDX-License-Identifier: LGPL-3.0-or-later
// An object of one of the module's classes made in this process, as the class factory makes
// it, and bound to a book's stream as a shell host binds it: for the tests, the benchmarks and
// the pipeline fuzzer.
#pragma once

#include "platform/ComObject.h"
#include "platform/ComPtr.h"
#include "platform/Platform.h"
#include "platform/ReturnIfFailed.h"

// Makes a `Class` and binds it to `stream` through IInitializeWithStream, read-only. Returns
// what Initialize answered; `object`, its `riid` face, holds it even when the binding failed,
// and is empty only when the object could not be made (that code is returned then).
template <typename Class, typename Interface>
HRESULT MakeBoundObject(IStream* stream, REFIID riid, ComPtr<Interface>& object) {
    object.Reset();
    ComPtr<IInitializeWithStream> initialize;
    RETURN_IF_FAILED(CreateInstance<Class>(IID_IInitializeWithStream, initialize.PutVoid()));
    const HRESULT bound = initialize->Initialize(stream, STGM_READ);
    RETURN_IF_FAILED(initialize->QueryInterface(riid, object.PutVoid()));
    return bound;
}
