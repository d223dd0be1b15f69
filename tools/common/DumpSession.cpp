#include "tools/DumpSession.h"

#include "platform/ComPtr.h"
#include "tools/BindFilter.h"
#include "tools/JsonWriter.h"

#include <cstring>
#include <utility>

DumpSession::DumpSession(const DumpOptions& options, const FilterEntryPoints& entryPoints,
                         ChunkDumper::Sink output, ChunkDumper::Sink messages)
    : Dumper(options.Format, options.BufferSize, std::move(output)), EntryPoints(entryPoints),
      Messages(std::move(messages)) {}

void DumpSession::Report(const std::string& path, const std::string& what) {
    Messages("quillsift-dump: " + path + ": " + what + "\n");
}

bool DumpSession::DumpBook(const std::string& path, IStream* stream, HRESULT openResult) {
    ++Counts.Books;
    Dumper.SetFileLabel(Labelled ? path : std::string());
    if (stream == nullptr) {
        ++Counts.FailedLoads;
        Dumper.WriteLoadFailure(openResult);
        Report(path, "cannot open (" + FormatCode(openResult) + ")");
        return false;
    }
    STATSTG stat;
    std::memset(&stat, 0, sizeof(stat));
    if (SUCCEEDED(stream->Stat(&stat, STATFLAG_NONAME))) {
        Counts.Bytes += stat.cbSize.QuadPart;
    }

    HRESULT end = S_OK;
    {
        ComPtr<IFilter> filter;
        const HRESULT bound = BindFilter(EntryPoints, stream, filter);
        if (FAILED(bound)) {
            ++Counts.FailedLoads;
            Dumper.WriteLoadFailure(bound);
            Report(path, "cannot load (" + FormatCode(bound) + ")");
            return false;
        }
        const unsigned long long chunksBefore = Dumper.Chunks();
        const unsigned long long charactersBefore = Dumper.Characters();
        end = Dumper.Dump(filter.Get());
        Counts.Chunks += Dumper.Chunks() - chunksBefore;
        Counts.Characters += Dumper.Characters() - charactersBefore;
    }
    if (end != FILTER_E_END_OF_CHUNKS) {
        Report(path, "the chunks ended with " + FormatCode(end) + ", not FILTER_E_END_OF_CHUNKS");
    }
    // Naming the first book after which an object is still alive points at the leak.
    if (!LeakReported && EntryPoints.CanUnloadNow() != S_OK) {
        LeakReported = true;
        Report(path, "the library is still in use after this book was released");
    }
    return true;
}

bool DumpSession::LibraryCanUnload() {
    const HRESULT answer = EntryPoints.CanUnloadNow();
    if (answer == S_OK) {
        return true;
    }
    Messages("quillsift-dump: DllCanUnloadNow answered " + FormatCode(answer) +
             " at the end, not S_OK: an object or a lock of the library was not released\n");
    return false;
}
