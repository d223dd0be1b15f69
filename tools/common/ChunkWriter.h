// SPDX-License-Identifier: LGPL-3.0-or-later
// What the output formats of a dump share. The driver of an IFilter reports what it meets as it
// meets it, and a format writes it at once into an OutputBuffer, so that no chunk is ever held
// whole. For one book the calls come in this order:
//   BeginBook, then either LoadFailure, or the chunks as a ChunkSink receives them.
#pragma once

#include "platform/Platform.h"
#include "tools/common/ChunkSink.h"
#include "tools/common/OutputBuffer.h"
#include "tools/common/Utf16ToUtf8.h"

#include <algorithm>
#include <cstddef>
#include <string>

class ChunkWriter : public ChunkSink {
public:
    explicit ChunkWriter(OutputBuffer& out) : Out(out) {}
    ChunkWriter(const ChunkWriter&) = delete;
    ChunkWriter& operator=(const ChunkWriter&) = delete;

    // `label` names the book on what is written for it; empty for a single book.
    virtual void BeginBook(const std::string& label) = 0;
    // The book could not be bound to a filter object: its only line, with the module's words
    // for why (empty when it has none).
    virtual void LoadFailure(HRESULT code, const std::string& reason) = 0;

    // Whether the output has failed; everything since is dropped. A format with no place for a
    // chunk's failure (RecordsFailures false) has the book end at that chunk instead, and the
    // reason goes to the report.
    bool Failed() const override { return Out.Failed(); }

protected:
    // The most one UTF-16 unit becomes in the text and JSON formats: "\u001f".
    static constexpr size_t MaxBytesPerUnit = 6;

    // Writes `length` units of the current string, each code point as put(out, code point)
    // writes it at `out`, returning the end, in at most `bytesPerUnit` bytes; the output buffer
    // is reserved a block at a time. A high surrogate that ends them waits for the next units.
    template <typename Put>
    void WriteDecoded(const WCHAR* text, size_t length, Put put,
                      size_t bytesPerUnit = MaxBytesPerUnit) {
        const size_t unitsPerBlock = OutputBuffer::MaxReserve / bytesPerUnit - 1;
        while (length != 0) {
            const size_t units = std::min(length, unitsPerBlock);
            // A high surrogate held back from the last block may come out first, as U+FFFD.
            char* out = Out.Reserve((units + 1) * bytesPerUnit);
            Decoder.Decode(text, units, [&out, &put](unsigned long c) { out = put(out, c); });
            Out.Commit(out);
            text += units;
            length -= units;
        }
    }
    // The end of the current string: a high surrogate still held back.
    template <typename Put> void FinishDecoded(Put put, size_t bytesPerUnit = MaxBytesPerUnit) {
        char* out = Out.Reserve(bytesPerUnit);
        Decoder.Finish([&out, &put](unsigned long c) { out = put(out, c); });
        Out.Commit(out);
    }
    // A whole string, handed over at once.
    template <typename Put>
    void WriteWhole(const WCHAR* text, size_t length, Put put,
                    size_t bytesPerUnit = MaxBytesPerUnit) {
        WriteDecoded(text, length, put, bytesPerUnit);
        FinishDecoded(put, bytesPerUnit);
    }

    OutputBuffer& Out;
    // The string being written, which a text chunk's portions continue.
    Utf16Decoder Decoder;
    // Whether the current chunk is a text chunk.
    bool InText = false;
};

// "\u00" and two lower-case hex digits, for a code point below U+0100.
inline char* PutUnicodeEscape(char* out, unsigned long codePoint) {
    static const char Hex[] = "0123456789abcdef";
    *out++ = '\\';
    *out++ = 'u';
    *out++ = '0';
    *out++ = '0';
    *out++ = Hex[(codePoint >> 4) & 0xF];
    *out++ = Hex[codePoint & 0xF];
    return out;
}

// What a chunk is: "text", "value" or "none" (a chunk flagged as neither).
const char* ChunkKind(const STAT_CHUNK& stat);

// Whether a chunk's property is the property `key`.
bool IsProperty(const FULLPROPSPEC& property, const PROPERTYKEY& key);
