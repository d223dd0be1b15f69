// Creates the filter object through COM, as an indexer does, and binds a book to it.
#pragma once

#include "platform/ComPtr.h"
#include "platform/Platform.h"

enum class BindingInterface { InitializeWithStream, PersistStream };

// CoCreateInstance(CLSCTX_INPROC_SERVER) for the binding interface, then Initialize (read-only)
// or Load with `stream`, then the object's IFilter. On success `filter` holds the object's
// only reference; on failure it is empty and the first failing code is returned.
HRESULT CreateBoundFilter(REFCLSID filterClass, BindingInterface binding, IStream* stream,
                          ComPtr<IFilter>& filter);
