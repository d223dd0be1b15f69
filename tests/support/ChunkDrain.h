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
    GUID PropertySet;
    CHUNK_BREAKTYPE Break;
    LCID Locale;

    bool Is(const PROPERTYKEY& key) const {
        return PropertySet == key.fmtid && Property == key.pid;
    }
};

struct DrainResult {
    std::vector<DrainedChunk> Chunks;
    HRESULT End; // what the GetChunk that ended the loop answered

    // How many chunks come before the first text chunk: the values.
    size_t ValueCount() const {
        size_t count = 0;
        while (count < Chunks.size() && Chunks[count].Kind != CHUNK_TEXT) {
            ++count;
        }
        return count;
    }
};

// Init, then GetChunk until it fails; text through a GetText buffer of `bufferSize` units
// (at least 2), one of them for the terminator.
DrainResult DrainFilter(IFilter* filter, ULONG bufferSize = 4096);
