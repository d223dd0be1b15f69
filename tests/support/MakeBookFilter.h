// SPDX-License-Identifier: LGPL-3.0-or-later
// A book filter made in this process, outside the module: what the tests, the benchmarks and
// the pipeline fuzzer filter books with. It is drained by the tools' ChunkDumper, the one
// drain every host of the filter uses.
#pragma once

#include "platform/ComPtr.h"
#include "platform/Platform.h"

// Makes a book filter as the class factory makes it and binds it to `stream` through
// IInitializeWithStream, read-only. Returns what Initialize answered; `filter` holds the object
// even when the binding failed, for the callers that drain such a filter too, and is empty only
// when the object could not be made (that code is returned then).
HRESULT MakeBookFilter(IStream* stream, ComPtr<IFilter>& filter);
