// SPDX-License-Identifier: LGPL-3.0-or-later
// The one chunk a filter object is handing out: its description for the host and its
// payload, either a string value or a block of text.
#pragma once

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

    // Hands the host a fresh deep copy of Value in a PROPVARIANT of its own.
    HRESULT CopyValueOut(PROPVARIANT** out) const;

    bool IsSet;
    STAT_CHUNK Stat;
    PropVariant Value;
    // A text chunk's payload and its length in UTF-16 units before the terminator (read only
    // while Text is set).
    CoTaskMemPtr<WCHAR> Text;
    ULONG TextLength;
};
