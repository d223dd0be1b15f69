// Binds a book to a new filter object the way an indexer does: the class factory of the
// book filter class, an object asked for IInitializeWithStream, Initialize with the book's
// stream, then its IFilter.
#pragma once

#include "platform/ComPtr.h"
#include "platform/Platform.h"
#include "tools/FilterEntryPoints.h"

// {5E1A9C42-7B3D-4C2F-9A61-3D8E2B7F1C05}, the class the library registers for books.
extern const CLSID BookFilterClassId;

// On success `filter` holds the object's only reference; every other reference taken on
// the way has been released. On failure `filter` is empty and the first failing code is
// returned.
HRESULT BindFilter(const FilterEntryPoints& entryPoints, IStream* stream, ComPtr<IFilter>& filter);
