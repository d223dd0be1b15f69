// SPDX-License-Identifier: LGPL-3.0-or-later
// The one chunk a filter object is handing out: its description for the host and its
// payload, either a string value or a block of text.
#pragma once

#include "filter/TextSource.h"
#include "platform/Platform.h"
#include "platform/UniqueAny.h"

class ChunkValue {
public:
    // Starts empty: nothing set, all of Stat zero, Value VT_EMPTY, no text.
    ChunkValue();
    ChunkValue(const ChunkValue&) = delete;
    ChunkValue& operator=(const ChunkValue&) = delete;

    // Frees the payload and zeroes the description. TextLength is left as it was.
    void Clear();

    // Empties the record, then describes a chunk of `key` and `kind`; IsSet stays false
    // until the caller has put the payload in place.
    void SetKeyAndKind(REFPROPERTYKEY key, CHUNKSTATE kind);

    // Makes the record a value chunk holding a VT_LPWSTR copy of `value`.
    HRESULT SetStringValue(REFPROPERTYKEY key, const WCHAR* value);
    // The same, holding `value` itself, a terminated string from the task allocator.
    HRESULT SetStringValue(REFPROPERTYKEY key, CoTaskMemPtr<WCHAR> value);

    // Makes the record a text chunk of `key` holding `text`, whose first `length` units hold
    // no zero and are followed by one.
    HRESULT SetText(REFPROPERTYKEY key, CoTaskMemPtr<WCHAR> text, ULONG length);
    // Makes the record a text chunk of `key` whose text comes from `source` in runs, none held
    // yet. The source outlives the chunk.
    HRESULT SetText(REFPROPERTYKEY key, TextSource& source);
    // Makes the next run of a text chunk current in Run and RunLength: S_OK; S_FALSE when its
    // text has ended (a chunk holding its text whole has one run, made current when it is set);
    // the source's failure, with no run current.
    HRESULT NextRun();

    // Hands the host a fresh deep copy of Value in a PROPVARIANT of its own.
    HRESULT CopyValueOut(PROPVARIANT** out) const;

    bool IsSet;
    STAT_CHUNK Stat;
    PropVariant Value;
    // A text chunk's payload and its length in UTF-16 units before the terminator (read only
    // while Text is set).
    CoTaskMemPtr<WCHAR> Text;
    ULONG TextLength;
    // Where a text chunk's text comes from in runs, when it does not hold it whole.
    TextSource* Source;
    // The run of text being handed out, with no zero unit: the text held, or the source's last.
    const WCHAR* Run;
    ULONG RunLength;
};
