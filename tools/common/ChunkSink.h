// SPDX-License-Identifier: LGPL-3.0-or-later
// What a drain of an IFilter (ChunkDumper) hands on as it meets it, chunk by chunk: to an
// output format of a dump, or to whatever a test, a benchmark or a fuzzer keeps or checks.
// For every chunk the calls come in this order: BeginChunk, its text in any number of Text
// portions or its one Value, EndChunk; and at last End.
#pragma once

#include "platform/Platform.h"

#include <cstddef>

class ChunkSink {
public:
    virtual ~ChunkSink() = default;

    virtual void BeginChunk(const STAT_CHUNK& stat) = 0;
    // One GetText portion of a text chunk; a surrogate pair may be split between two.
    virtual void Text(const WCHAR* text, size_t length) = 0;
    // The value of a value chunk, once: `text` is its string, or null when it has none
    // (GetValue failed, or the value is of another `type`).
    virtual void Value(const WCHAR* text, size_t length, VARTYPE type) = 0;
    // `error` is the failure code of GetText or GetValue (S_OK for none); `fault` a broken
    // promise of the IFilter contract (null for none).
    virtual void EndChunk(HRESULT error, const char* fault) = 0;

    // The code that ended the chunks: Init's failure, or the GetChunk that failed.
    virtual void End(HRESULT code) = 0;

    // Whether the sink can take no more; the drain stops at the next chunk.
    virtual bool Failed() const { return false; }

    // Whether a chunk's failure code or fault is kept. A sink that cannot keep one has the
    // drain end at that chunk instead.
    virtual bool RecordsFailures() const { return true; }
};
