// SPDX-License-Identifier: LGPL-3.0-or-later
// The one chunk a filter object is handing out: its description for the host and its
// payload, either a string value or a block of text.
#pragma once

#include "filter/TextRuns.h"
#include "platform/Platform.h"
#include "platform/UniqueAny.h"

class ChunkValue {
public:
    // Starts empty: nothing set, all of Stat zero, Value VT_EMPTY, no text.
    ChunkValue();
    ChunkValue(const ChunkValue&) = delete;
    ChunkValue& operator=(const ChunkValue&) = delete;

    // Frees the payload and zeroes the description.
    void Clear();

    // Empties the record, then describes a chunk of `key` and `kind`; IsSet stays false
    // until the caller has put the payload in place.
    void SetKeyAndKind(REFPROPERTYKEY key, CHUNKSTATE kind);

    // Makes the record a value chunk holding a VT_LPWSTR copy of `value`.
    HRESULT SetStringValue(REFPROPERTYKEY key, const WCHAR* value);
    // The same, holding `value` itself, a terminated string from the task allocator.
    HRESULT SetStringValue(REFPROPERTYKEY key, CoTaskMemPtr<WCHAR> value);

    // Makes the record a text chunk of `key` whose text comes from `source` in runs, none held
    // yet. The source outlives the chunk.
    HRESULT SetText(REFPROPERTYKEY key, TextRuns& source);
    // Makes the next run of a text chunk current in Run and RunLength: S_OK; S_FALSE when its
    // text has ended; the source's failure, with no run current.
    HRESULT NextRun();

    // Hands the host a fresh deep copy of Value in a PROPVARIANT of its own.
    HRESULT CopyValueOut(PROPVARIANT** out) const;

    bool IsSet;
    STAT_CHUNK Stat;
    PropVariant Value;
    // Where a text chunk's text comes from, in runs.
    TextRuns* Source;
    // The run of text being handed out, with no zero unit: the source's last.
    const WCHAR* Run;
    ULONG RunLength;
};
