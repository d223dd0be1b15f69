// SPDX-License-Identifier: LGPL-3.0-or-later
// Drives one bound IFilter as an indexer does: Init, then GetChunk until it fails, each text
// chunk drained with GetText in portions, each value taken once with GetValue and freed the
// host's way. What it gets goes to a ChunkSink as it comes (a dump's output format, or what a
// test, a benchmark or a fuzzer keeps); a portion is never kept past the next GetText. A chunk
// that fails ends the book there when the sink cannot record it.
#pragma once

#include "platform/Platform.h"
#include "tools/common/ChunkSink.h"

#include <vector>

// What Dump returns when the output failed and it stopped there (E_ABORT).
const HRESULT DumpStopped = _HRESULT_TYPEDEF_(0x80004004);

class ChunkDumper {
public:
    // `portionSize` is the number of characters one GetText may hand out; the buffer offered
    // to the filter holds one unit more, for the terminator.
    ChunkDumper(ChunkSink& sink, ULONG portionSize);

    // Returns the code of the GetChunk that ended the sequence, or DumpStopped when the
    // output failed. When the sink records no failures, a chunk that failed ends the dump
    // with its code, or with E_UNEXPECTED and StopFault() for a broken promise.
    HRESULT Dump(IFilter* filter);

    // The broken promise that ended the last Dump; null for none.
    const char* StopFault() const { return Fault; }

    // What the last Dump handed out: chunks, and characters of text and values.
    unsigned long long Chunks() const { return ChunkCount; }
    // Whether a call of the last book answered E_OUTOFMEMORY: what it gave is not the book.
    bool RanOutOfMemory() const { return OutOfMemory; }
    unsigned long long Characters() const { return CharacterCount; }

private:
    // Both leave the chunk's failure code in `error` and a broken promise in `fault`.
    void DrainText(IFilter* filter, HRESULT& error, const char*& fault);
    void TakeValue(IFilter* filter, HRESULT& error, const char*& fault);

    ChunkSink& Sink;
    ULONG PortionSize;
    std::vector<WCHAR> Portion;
    unsigned long long ChunkCount = 0;
    unsigned long long CharacterCount = 0;
    const char* Fault = nullptr;
    bool OutOfMemory = false;
};
