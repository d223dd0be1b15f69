// The output formats of a dump. The driver of an IFilter reports what it meets as it meets
// it, and a format writes it at once into an OutputBuffer, so that no chunk is ever held whole.
// For one book the calls come in this order:
//   BeginBook, then either LoadFailure, or for every chunk
//   BeginChunk, its text in any number of Text portions or its one Value, EndChunk;
//   and at last End.
#pragma once

#include "platform/Platform.h"
#include "tools/common/OutputBuffer.h"
#include "tools/common/Utf16ToUtf8.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <string>

enum class DumpFormat { Text, Json, Html };

class ChunkWriter {
public:
    explicit ChunkWriter(OutputBuffer& out) : Out(out) {}
    virtual ~ChunkWriter() = default;
    ChunkWriter(const ChunkWriter&) = delete;
    ChunkWriter& operator=(const ChunkWriter&) = delete;

    // `label` names the book on what is written for it; empty for a single book.
    virtual void BeginBook(const std::string& label) = 0;
    // The book could not be bound to a filter object: its only line.
    virtual void LoadFailure(HRESULT code) = 0;

    virtual void BeginChunk(const STAT_CHUNK& stat) = 0;
    // One GetText portion of a text chunk; a surrogate pair may be split between two.
    virtual void Text(const WCHAR* text, size_t length) = 0;
    // The value of a value chunk, once: `text` is its string, or null when it has none
    // (GetValue failed, or the value is of another `type`).
    virtual void Value(const WCHAR* text, size_t length, VARTYPE type) = 0;
    // `error` is the failure code of GetText or GetValue (S_OK for none); `fault` a broken
    // promise of the IFilter contract (null for none).
    virtual void EndChunk(HRESULT error, const char* fault) = 0;

    // The code of the GetChunk that ended the chunks.
    virtual void End(HRESULT code) = 0;

    // Whether the output has failed; everything since is dropped.
    bool Failed() const { return Out.Failed(); }

    // Whether a chunk's failure code or fault is part of the output. A format with no place
    // for one ends the book at that chunk instead, and the reason goes to the report.
    virtual bool RecordsFailures() const { return true; }

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

std::unique_ptr<ChunkWriter> MakeChunkWriter(DumpFormat format, OutputBuffer& out);

// What a chunk is: "text", "value" or "none" (a chunk flagged as neither).
const char* ChunkKind(const STAT_CHUNK& stat);

// Whether a chunk's property is the property `key`.
bool IsProperty(const FULLPROPSPEC& property, const PROPERTYKEY& key);

// "Title", "Author" or "Contents" for the properties the filter hands out, else null.
const char* KnownPropertyName(const FULLPROPSPEC& property);
