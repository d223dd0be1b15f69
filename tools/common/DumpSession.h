// One run of the dump over many books: binds each book to a fresh filter object, dumps its
// chunks, releases everything and keeps the totals. The platform opens the files.
#pragma once

#include "tools/ChunkDumper.h"
#include "tools/DumpOptions.h"
#include "tools/DumpTotals.h"
#include "tools/FilterEntryPoints.h"

#include <string>

class DumpSession {
public:
    // `output` receives the dump (stdout), `messages` one-line reports (stderr).
    DumpSession(const DumpOptions& options, const FilterEntryPoints& entryPoints,
                ChunkDumper::Sink output, ChunkDumper::Sink messages);

    // Whether every line names its book: several books, or a folder walked.
    void SetLabelled(bool labelled) { Labelled = labelled; }

    // Dumps one book. `stream` is null when the file could not be opened; `openResult` then
    // says why. Returns false when the book could not be loaded.
    bool DumpBook(const std::string& path, IStream* stream, HRESULT openResult);

    // Asks DllCanUnloadNow once every object is gone; anything but S_OK is reported.
    bool LibraryCanUnload();

    const DumpTotals& Totals() const { return Counts; }

private:
    void Report(const std::string& path, const std::string& what);

    ChunkDumper Dumper;
    FilterEntryPoints EntryPoints;
    ChunkDumper::Sink Messages;
    DumpTotals Counts;
    bool Labelled = false;
    bool LeakReported = false;
};
