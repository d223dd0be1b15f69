// SPDX-License-Identifier: LGPL-3.0-or-later
// One run of quillsift-dump over its books: `Jobs` workers, each with its own filter objects
// from the one loaded library, its own output buffer and GetText portion; the output in the
// order of the books whatever order they finish in; the totals, the progress line and the
// reports counted across workers.
#pragma once

#include "tools/common/ByteSink.h"
#include "tools/common/DumpSession.h"
#include "tools/common/OutputBuffer.h"
#include "tools/quillsift-dump/BookFinder.h"
#include "tools/quillsift-dump/Console.h"
#include "tools/quillsift-dump/DumpOptions.h"
#include "tools/quillsift-dump/FilterLibrary.h"
#include "tools/quillsift-dump/OrderedOutput.h"

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

class DumpRun {
public:
    DumpRun(const DumpOptions& options, const FilterEntryPoints& entryPoints, ByteSink& output,
            Console& console);

    // Dumps `books` in order, naming each on its lines when `labelled`. Returns false when the
    // output could not be written (the run stops there) or a worker ran out of memory outside a
    // book; OutputError says why.
    bool Run(const std::vector<BookPath>& books, bool labelled);

    const DumpTotals& Totals() const { return Counts; }
    const std::string& OutputError() const { return Error; }

    // Asks DllCanUnloadNow once every object is gone; anything but S_OK is reported.
    bool LibraryCanUnload();

private:
    bool RunWorkers(const std::vector<BookPath>& books, bool labelled);
    void Work(OrderedOutput& ordered, const std::vector<BookPath>& books, bool labelled);
    // Dumps book `index` into `book`, through the worker's session and buffer.
    DumpTotals DumpBook(DumpSession& session, OutputBuffer& buffer, OrderedOutput::Book& book,
                        const std::vector<BookPath>& books, size_t index, bool labelled);
    // Work, for a thread: an allocation that fails outside a book's dump ends the worker.
    void WorkUntilOutOfMemory(OrderedOutput& ordered, const std::vector<BookPath>& books,
                              bool labelled);

    DumpFormat Format;
    ULONG PortionSize;
    unsigned Jobs;
    FilterEntryPoints EntryPoints;
    ByteSink& Output;
    Console& Messages;

    std::atomic<size_t> NextBook{0};
    std::atomic<unsigned long long> Started{0};
    std::mutex CountsLock;
    DumpTotals Counts;
    bool LeakReported = false;
    std::atomic<bool> RanOutOfMemory{false};
    std::string Error;
};
