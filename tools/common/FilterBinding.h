// SPDX-License-Identifier: LGPL-3.0-or-later
// Binds a book to a new filter object the way an indexer does: the object is created asking
// for the binding interface, handed the book's stream (IInitializeWithStream::Initialize,
// read-only, or IPersistStream::Load), then asked for its IFilter. How the object is created
// is the host's: through the library's class factory, or through COM.
#pragma once

#include "platform/ComPtr.h"
#include "platform/Platform.h"

#include <functional>
#include <string>

enum class BindingInterface { InitializeWithStream, PersistStream };

// Creates one filter object and asks it for `riid`, as IClassFactory::CreateInstance does.
using CreateFilterObject = std::function<HRESULT(REFIID riid, void** object)>;

// On success `filter` holds the object's only reference; every other reference taken on the
// way has been released. On failure the first failing code is returned (E_POINTER for a call
// that succeeded without its interface), and `filter` is empty, or holds the object whose
// binding failed, unbound, for what it says of the book (IBookCondition).
HRESULT BindFilter(const CreateFilterObject& create, BindingInterface binding, IStream* stream,
                   ComPtr<IFilter>& filter);

// The same, by the book's path: the object is created asking for IPersistFile and loads the
// file itself (read-only and shared, as hosts built on LoadIFilter ask), then is asked for its
// IFilter.
HRESULT BindFilterByPath(const CreateFilterObject& create, LPCOLESTR path, ComPtr<IFilter>& filter);

// A host's way of binding each book it dumps, as BindFilter binds.
class FilterBinder {
public:
    virtual ~FilterBinder() = default;
    virtual HRESULT Bind(IStream* stream, ComPtr<IFilter>& filter) = 0;
    // Why the last binding failed before any object was made, in words ("no filter registered
    // for .prc"); empty when an object was made, which says it itself.
    virtual std::string Unmade() const { return std::string(); }
};
