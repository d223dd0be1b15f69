// SPDX-License-Identifier: LGPL-3.0-or-later
// Drives an IFilter as an indexer does, with the tools' ChunkDumper, and records every chunk it
// yields.
#pragma once

#include "platform/Platform.h"

#include <string>
#include <vector>

struct DrainedChunk {
    ULONG Id;
    CHUNKSTATE Kind;
    PROPID Property;
    std::u16string Content; // the value, or the text of all GetText portions joined
};

struct DrainResult {
    std::vector<DrainedChunk> Chunks;
    HRESULT End; // what the GetChunk that ended the loop answered
};

// Init, then GetChunk until it fails; text through a GetText buffer of `bufferSize` units
// (at least 2), one of them for the terminator.
DrainResult DrainFilter(IFilter* filter, ULONG bufferSize = 4096);
