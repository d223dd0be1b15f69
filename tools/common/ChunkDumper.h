// Drives one bound IFilter as an indexer does (Init, then GetChunk until it fails, each text
// chunk drained with GetText in portions, each value taken once with GetValue and freed the
// host's way) and writes what it gets as readable text or as JSON Lines.
#pragma once

#include "platform/Platform.h"

#include <functional>
#include <string>

enum class DumpFormat { Text, Json };

class ChunkDumper {
public:
    using Sink = std::function<void(const std::string&)>;

    // `portionSize` is the number of characters one GetText may hand out; the buffer
    // offered to the filter holds one unit more, for the terminator. Output goes to `sink`
    // one chunk at a time.
    ChunkDumper(DumpFormat format, ULONG portionSize, Sink sink);

    // Names the book on every line it writes (JSON "file", a header in readable text);
    // empty means a single book, written without its name.
    void SetFileLabel(const std::string& label);

    // Returns the code of the GetChunk that ended the sequence.
    HRESULT Dump(IFilter* filter);

    // The binding failed: one line with its code.
    void WriteLoadFailure(HRESULT code);

    // Totals over every Dump of this object.
    unsigned long long Chunks() const { return ChunkCount; }
    unsigned long long Characters() const { return CharacterCount; }

private:
    struct ChunkResult;

    void DrainText(IFilter* filter, ChunkResult& result);
    void TakeValue(IFilter* filter, ChunkResult& result);
    void WriteChunk(const STAT_CHUNK& stat, const ChunkResult& result);
    void WriteEnd(HRESULT code);
    // One line holding a code: {"KEY":"0x..."} in JSON, else TEXT and the code.
    void WriteCodeLine(const char* key, const char* text, HRESULT code);
    void WriteHeader();

    DumpFormat Format;
    ULONG PortionSize;
    Sink Output;
    std::string FileLabel;
    unsigned long long ChunkCount = 0;
    unsigned long long CharacterCount = 0;
};
