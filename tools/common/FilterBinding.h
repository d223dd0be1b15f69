// SPDX-License-Identifier: LGPL-3.0-or-later
// Binds a book to a new filter object the way an indexer does: the object is created asking
// for the binding interface, handed the book's stream (IInitializeWithStream::Initialize,
// read-only, or IPersistStream::Load), then asked for its IFilter. How the object is created
// is the host's: through the library's class factory, or through COM.
#pragma once

#include "platform/ComPtr.h"
#include "platform/Platform.h"

#include <functional>

enum class BindingInterface { InitializeWithStream, PersistStream };

// Creates one filter object and asks it for `riid`, as IClassFactory::CreateInstance does.
using CreateFilterObject = std::function<HRESULT(REFIID riid, void** object)>;

// On success `filter` holds the object's only reference; every other reference taken on the
// way has been released. On failure `filter` is empty and the first failing code is returned
// (E_POINTER for a call that succeeded without its interface).
HRESULT BindFilter(const CreateFilterObject& create, BindingInterface binding, IStream* stream,
                   ComPtr<IFilter>& filter);

// The same, by the book's path: the object is created asking for IPersistFile and loads the
// file itself (read-only and shared, as hosts built on LoadIFilter ask), then is asked for its
// IFilter.
HRESULT BindFilterByPath(const CreateFilterObject& create, LPCOLESTR path, ComPtr<IFilter>& filter);

// A host's way of binding each book it dumps.
class FilterBinder {
public:
    virtual ~FilterBinder() = default;
    virtual HRESULT Bind(IStream* stream, ComPtr<IFilter>& filter) = 0;
};
