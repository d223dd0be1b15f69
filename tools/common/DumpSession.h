// SPDX-License-Identifier: LGPL-3.0-or-later
// Dumps books one at a time as an indexer reads them: each is bound to a fresh filter object
// through the host's binder, drained into the writer and released, and what went wrong is
// reported in one line, in the module's words. Opening the files is the host's.
#pragma once

#include "tools/common/ChunkDumper.h"
#include "tools/common/ChunkWriter.h"
#include "tools/common/FilterBinding.h"

#include <functional>
#include <string>

// What a dump has done: for one book, and summed over a run.
struct DumpTotals {
    unsigned long long Books = 0;
    unsigned long long FailedLoads = 0;
    unsigned long long Chunks = 0;
    unsigned long long Characters = 0;
    unsigned long long Bytes = 0;

    DumpTotals& operator+=(const DumpTotals& other);

    // "5 books, 1 failed load, 23 chunks, 51234 characters, 0.06 MB in 10.0 ms (6.10 MB/s)";
    // the counts alone when no book was read.
    std::string Summary(double seconds) const;
};

class DumpSession {
public:
    // Receives a line such as "quillsift-dump: a.mobi: not a Palm database (0x80004005)\n".
    using Report = std::function<void(const std::string& line)>;

    // `program` starts every report.
    DumpSession(const std::string& program, FilterBinder& binder, ChunkWriter& writer,
                ULONG portionSize);

    // Dumps one book. `stream` is null when the file could not be opened; `openResult` then
    // says why. `label` names the book on its lines, empty for a single book. Returns the
    // counts of this book; the output is not flushed.
    DumpTotals DumpBook(const std::string& path, const std::string& label, IStream* stream,
                        HRESULT openResult, const Report& report);

    // Whether a book that was read gets a line of what the module says of it (cut short,
    // encrypted, damaged text); on by default. A book that gave nothing always gets its line.
    void ReportNotes(bool notes) { Notes = notes; }

private:
    std::string Program;
    FilterBinder& Binder;
    ChunkWriter& Writer;
    ChunkDumper Dumper;
    bool Notes = true;
};
