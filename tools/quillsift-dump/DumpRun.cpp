// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/quillsift-dump/DumpRun.h"

#include "platform/native/FileStream.h"
#include "tools/common/BookConditionWords.h"
#include "tools/common/DumpFormat.h"
#include "tools/common/DumpSession.h"
#include "tools/common/FormatCode.h"
#include "tools/common/OutputBuffer.h"
#include "tools/quillsift-dump/FilterLibrary.h"
#include "tools/quillsift-dump/OrderedOutput.h"

#include <algorithm>
#include <memory>
#include <new>
#include <system_error>
#include <thread>

namespace {

const char Program[] = "quillsift-dump";

// A waiting book keeps this much of its output in memory, the rest in a temporary file; at
// most this many books per worker are open or waiting at once.
const size_t MemoryPerWaitingBook = 64 * 1024;
const size_t BooksAheadPerJob = 32;
const size_t MaxBooksAhead = 256;

} // namespace

DumpRun::DumpRun(const DumpOptions& options, const FilterEntryPoints& entryPoints, ByteSink& output,
                 Console& console)
    : Format(options.Format), PortionSize(options.BufferSize),
      Jobs(options.Jobs == 0 ? 1 : options.Jobs), EntryPoints(entryPoints), Output(output),
      Messages(console) {}

bool DumpRun::Run(const std::vector<BookPath>& books, bool labelled) {
    try {
        return RunWorkers(books, labelled);
    } catch (const std::bad_alloc&) {
        // Before the workers start or after they have ended: no thread is left running.
        Error = OutOfMemoryWords;
        return false;
    }
}

bool DumpRun::RunWorkers(const std::vector<BookPath>& books, bool labelled) {
    OrderedOutput ordered(
        Output, [this](const std::string& line) { Messages.Report(line); },
        std::min(BooksAheadPerJob * Jobs, MaxBooksAhead), MemoryPerWaitingBook);
    std::vector<std::thread> helpers;
    const size_t workers = std::min<size_t>(Jobs, books.size());
    for (size_t i = 1; i < workers; ++i) {
        try {
            helpers.emplace_back([&] { WorkUntilOutOfMemory(ordered, books, labelled); });
        } catch (const std::system_error&) {
            // Fewer threads than asked for still dump every book.
            break;
        } catch (const std::bad_alloc&) {
            break;
        }
    }
    WorkUntilOutOfMemory(ordered, books, labelled);
    for (std::thread& helper : helpers) {
        helper.join();
    }
    if (ordered.Failed()) {
        Error = ordered.Error();
        return false;
    }
    if (RanOutOfMemory) {
        Error = OutOfMemoryWords;
        return false;
    }
    return true;
}

void DumpRun::WorkUntilOutOfMemory(OrderedOutput& ordered, const std::vector<BookPath>& books,
                                   bool labelled) {
    try {
        Work(ordered, books, labelled);
    } catch (const std::bad_alloc&) {
        // Not even a book's report could be made: the other workers go on, and the run ends
        // as failed.
        RanOutOfMemory = true;
    }
}

void DumpRun::Work(OrderedOutput& ordered, const std::vector<BookPath>& books, bool labelled) {
    OutputBuffer buffer(nullptr);
    const std::unique_ptr<ChunkWriter> writer = MakeChunkWriter(Format, buffer);
    ExportBinder binder(EntryPoints);
    DumpSession session(Program, binder, *writer, PortionSize);
    // A search engine's handler passes stderr on for every book: a book read is no news there.
    session.ReportNotes(Format != DumpFormat::Html);
    for (;;) {
        const size_t index = NextBook.fetch_add(1);
        if (index >= books.size()) {
            return;
        }
        OrderedOutput::Book* book = ordered.OpenBook(index);
        if (book == nullptr) {
            return;
        }
        DumpTotals counts;
        try {
            counts = DumpBook(session, buffer, *book, books, index, labelled);
        } catch (const std::bad_alloc&) {
            // The tool itself ran out with this book, part of whose output may be written: it
            // counts as failed, and the next book is dumped as if nothing had happened.
            counts = DumpTotals();
            counts.Books = 1;
            counts.FailedLoads = 1;
            try {
                buffer.Flush();
                book->Report(std::string(Program) + ": " + books[index].Path + ": " +
                             OutOfMemoryWords + "\n");
            } catch (const std::bad_alloc&) {
                // Its output or its report is lost; the book still counts as failed, and closes
                // so that the books after it are not kept waiting.
            }
        }
        {
            std::lock_guard<std::mutex> hold(CountsLock);
            Counts += counts;
        }
        ordered.CloseBook(book);
        if (buffer.Failed()) {
            return;
        }
    }
}

DumpTotals DumpRun::DumpBook(DumpSession& session, OutputBuffer& buffer, OrderedOutput::Book& book,
                             const std::vector<BookPath>& books, size_t index, bool labelled) {
    const BookPath& path = books[index];
    Messages.Progress(++Started, books.size(), path.Path);
    buffer.SetSink(&book);
    DumpTotals counts;
    {
        ComPtr<IStream> stream;
        const HRESULT opened =
            path.Unreadable ? E_ACCESSDENIED : FileStream::Open(path.Path.c_str(), stream.Put());
        counts = session.DumpBook(path.Path, labelled ? path.Path : std::string(), stream.Get(),
                                  opened, [&book](const std::string& line) { book.Report(line); });
    }
    buffer.Flush();
    // Naming the first book after which an object is still alive points at the leak; with
    // other workers' objects alive the question means nothing, and with one book the report
    // at the end says it all.
    if (Jobs == 1 && books.size() > 1 && counts.FailedLoads == 0 && !LeakReported &&
        EntryPoints.CanUnloadNow() != S_OK) {
        LeakReported = true;
        book.Report(std::string(Program) + ": " + path.Path +
                    ": the library is still in use after this book was released\n");
    }
    return counts;
}

bool DumpRun::LibraryCanUnload() {
    const HRESULT answer = EntryPoints.CanUnloadNow();
    if (answer == S_OK) {
        return true;
    }
    Messages.Report(std::string(Program) + ": DllCanUnloadNow answered " + FormatCode(answer) +
                    " at the end, not S_OK: an object or a lock of the library was not released\n");
    return false;
}
