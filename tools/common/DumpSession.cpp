// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/common/DumpSession.h"

#include "tools/common/BookConditionWords.h"
#include "tools/common/FormatCode.h"
#include "tools/common/OpenFailure.h"

#include <cstdio>
#include <cstring>

namespace {

std::string Counted(unsigned long long count, const char* singular, const char* plural) {
    return std::to_string(count) + " " + (count == 1 ? singular : plural);
}

} // namespace

DumpTotals& DumpTotals::operator+=(const DumpTotals& other) {
    Books += other.Books;
    FailedLoads += other.FailedLoads;
    Chunks += other.Chunks;
    Characters += other.Characters;
    Bytes += other.Bytes;
    return *this;
}

std::string DumpTotals::Summary(double seconds) const {
    const std::string counts = Counted(Books, "book", "books") + ", " +
                               Counted(FailedLoads, "failed load", "failed loads") + ", " +
                               Counted(Chunks, "chunk", "chunks") + ", " +
                               Counted(Characters, "character", "characters");
    // The bytes of files that gave nothing were not read: no rate to tell.
    if (FailedLoads == Books) {
        return counts;
    }
    const double megabytes = static_cast<double>(Bytes) / 1e6;
    char rate[96];
    if (seconds >= 1) {
        std::snprintf(rate, sizeof(rate), "%.2f MB in %.2f s (%.2f MB/s)", megabytes, seconds,
                      megabytes / seconds);
    } else if (seconds > 0) {
        std::snprintf(rate, sizeof(rate), "%.2f MB in %.1f ms (%.2f MB/s)", megabytes,
                      seconds * 1000, megabytes / seconds);
    } else {
        std::snprintf(rate, sizeof(rate), "%.2f MB", megabytes);
    }
    return counts + ", " + rate;
}

DumpSession::DumpSession(const std::string& program, FilterBinder& binder, ChunkWriter& writer,
                         ULONG portionSize)
    : Program(program), Binder(binder), Writer(writer), Dumper(writer, portionSize) {}

DumpTotals DumpSession::DumpBook(const std::string& path, const std::string& label, IStream* stream,
                                 HRESULT openResult, const Report& report) {
    auto reportBook = [&](const std::string& what) {
        report(Program + ": " + path + ": " + what + "\n");
    };
    DumpTotals counts;
    counts.Books = 1;
    Writer.BeginBook(label);
    if (stream == nullptr) {
        counts.FailedLoads = 1;
        Writer.LoadFailure(openResult, std::string());
        reportBook(OpenFailureWords(openResult, false));
        return counts;
    }
    STATSTG stat;
    std::memset(&stat, 0, sizeof(stat));
    if (SUCCEEDED(stream->Stat(&stat, STATFLAG_NONAME))) {
        counts.Bytes = stat.cbSize.QuadPart;
    }

    HRESULT end = S_OK;
    {
        ComPtr<IFilter> filter;
        const HRESULT bound = Binder.Bind(stream, filter);
        if (FAILED(bound)) {
            counts.FailedLoads = 1;
            std::string words = BookConditionWords(filter.Get());
            if (words.empty()) {
                words = Binder.Unmade();
            }
            Writer.LoadFailure(bound, words);
            reportBook(FailureWords(words, "cannot load", bound));
            return counts;
        }
        end = Dumper.Dump(filter.Get());
        counts.Chunks = Dumper.Chunks();
        counts.Characters = Dumper.Characters();
        if (end == E_OUTOFMEMORY || Dumper.RanOutOfMemory()) {
            // The module ran out part way: the book was not read, whatever came of it.
            counts.FailedLoads = 1;
            reportBook(FailureWords(std::string(), "stopped", E_OUTOFMEMORY));
            return counts;
        }
        // What a damaged or encrypted book still gave, once its chunks have ended.
        const std::string note = Notes ? BookConditionWords(filter.Get()) : std::string();
        if (!note.empty()) {
            reportBook(note);
        }
    }
    if (Writer.Failed() || end == FILTER_E_END_OF_CHUNKS) {
        return counts;
    }
    if (Writer.RecordsFailures()) {
        reportBook("the chunks ended with " + FormatCode(end) + ", not FILTER_E_END_OF_CHUNKS");
    } else {
        // The output holds what came before and is complete in its form; this line is all
        // that says the rest of the book is missing.
        const char* fault = Dumper.StopFault();
        reportBook("stopped (" + (fault != nullptr ? std::string(fault) : FormatCode(end)) + ")");
    }
    return counts;
}
