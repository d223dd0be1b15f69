// SPDX-License-Identifier: LGPL-3.0-or-later
// How much memory the filter needs for a picture-heavy book: libmobi holds the records of a
// book that its text needs while the filter object lives, and never reads its pictures. For each
// size given (in MiB), a book is made from a test book with records of image-like bytes appended to
// its Palm database until the file has that size, written to a temporary file and filtered by a
// fresh process of this program: bound as a read-only file stream (which holds none of the book
// itself), every chunk drained, released. That process reports its resident set before the load and
// its peak (VmRSS and VmHWM of /proc/self/status), the time it took, and for the filter the time
// from its making to the first portion of text. --reader reads the book otherwise: as the property
// handler, the thumbnail provider, or the preview pane (its page made, without a window).
//   book_memory [--book PATH] [--reader filter|properties|cover|preview] SIZE_MIB...
//   e.g. book_memory 10 20 40 80
// A size of 0 measures the book as it is (bench/text-book-memory.sh measures text-heavy books so).
//   book_memory --parts PATH
// prints the book's HTML parts as libmobi rebuilds them: how many, their markup, the largest.
#include "bench/BenchSupport.h"
#include "book/CBookPropertyStore.h"
#include "book/CBookThumbnailProvider.h"
#include "book/IBookCover.h"
#include "book/preview/PreviewContent.h"
#include "platform/ComObject.h"
#include "platform/ReturnIfFailed.h"
#include "platform/native/FileStream.h"
#include "tests/support/BookHtmlParts.h"
#include "tests/support/MakeBookFilter.h"
#include "tests/support/MakeBoundObject.h"
#include "tests/support/PalmBook.h"
#include "tests/support/RecordingStream.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr size_t PictureRecordBytes = 256 * 1024;
constexpr double Mebibyte = 1024.0 * 1024.0;

// A record that looks like a JPEG image: its magic, then bytes that do not compress.
std::vector<unsigned char> PictureRecord(uint32_t seed) {
    std::vector<unsigned char> record(PictureRecordBytes);
    uint32_t state = seed * 2654435761u + 1;
    for (unsigned char& byte : record) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<unsigned char>(state >> 24);
    }
    const unsigned char magic[] = {0xFF, 0xD8, 0xFF, 0xE0};
    std::copy(magic, magic + sizeof(magic), record.begin());
    return record;
}

// What reads the book: the filter (its text drained; `firstText` set when text came), the
// property handler (its store read), the thumbnail provider (its cover's bytes taken) or the
// preview pane (its page made: the characters of its text).
HRESULT ReadBook(const std::string& reader, IStream* stream, long long* characters,
                 std::chrono::steady_clock::time_point* firstText) {
    *characters = 0;
    if (reader == "properties") {
        ComPtr<IPropertyStore> store;
        RETURN_IF_FAILED(MakeBoundObject<CBookPropertyStore>(stream, IID_IPropertyStore, store));
        DWORD count = 0;
        RETURN_IF_FAILED(store->GetCount(&count));
        *characters = count;
        return S_OK;
    }
    if (reader == "cover") {
        ComPtr<IBookCover> cover;
        RETURN_IF_FAILED(MakeBoundObject<CBookThumbnailProvider>(stream, IID_IBookCover, cover));
        BYTE* bytes = nullptr;
        ULONG size = 0;
        const HRESULT got = cover->GetCoverBytes(&bytes, &size);
        CoTaskMemFree(bytes);
        *characters = size;
        return got;
    }
    if (reader == "preview") {
        PreviewContent content;
        RETURN_IF_FAILED(content.Read(stream));
        for (size_t line = 0; line < content.Page().LineCount; ++line) {
            *characters += static_cast<long long>(content.Page().Lines[line].Length);
        }
        return S_OK;
    }
    ComPtr<IFilter> filter;
    const HRESULT bound = MakeBookFilter(stream, filter);
    *characters = filter ? DrainFilterText(filter.Get(), 4096, firstText) : 0;
    return bound;
}

// Reads the book at `path` with `reader` and prints one line: file size, resident set before,
// peak, the time the reading took, and the time to the first text (- for none).
int Measure(const char* path, const std::string& reader) {
    const long before = StatusKiB("VmRSS");
    IStream* stream = nullptr;
    if (FAILED(FileStream::Open(path, &stream))) {
        std::fprintf(stderr, "cannot open %s\n", path);
        return 1;
    }
    long long characters = 0;
    const auto started = std::chrono::steady_clock::now();
    auto firstText = started;
    const HRESULT bound = ReadBook(reader, stream, &characters, &firstText);
    const auto milliseconds = [started](std::chrono::steady_clock::time_point at) {
        return std::chrono::duration<double, std::milli>(at - started).count();
    };
    const double took = milliseconds(std::chrono::steady_clock::now());
    stream->Release();
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    const double size = static_cast<double>(file.tellg()) / Mebibyte;
    const double start = static_cast<double>(before) / 1024.0;
    const double peak = static_cast<double>(StatusKiB("VmHWM")) / 1024.0;
    char first[32] = "-";
    if (firstText != started) {
        std::snprintf(first, sizeof(first), "%.2f", milliseconds(firstText));
    }
    std::printf("%9.1f %9s %12.1f %10.1f %14.1f %7.2f %9lld %9.2f %9s\n", size,
                SUCCEEDED(bound) ? "S_OK" : "failed", start, peak, peak - start,
                (peak - start) / size, characters, took, first);
    return SUCCEEDED(bound) ? 0 : 1;
}

// One line: the HTML parts of the book at `path`, their markup and the largest one's.
int PrintParts(const char* path) {
    const std::vector<HtmlPart> parts = BookHtmlParts(path);
    size_t total = 0;
    size_t largest = 0;
    for (const HtmlPart& part : parts) {
        total += part.size();
        largest = part.size() > largest ? part.size() : largest;
    }
    std::printf("%zu HTML parts, %.1f MiB of markup, the largest %.1f KiB\n", parts.size(),
                static_cast<double>(total) / Mebibyte, static_cast<double>(largest) / 1024.0);
    return parts.empty() ? 1 : 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--measure") {
        return Measure(argv[2], argv[3]);
    }
    if (argc == 3 && std::string(argv[1]) == "--parts") {
        return PrintParts(argv[2]);
    }
    std::string base = std::string(QUILLSIFT_TESTDATA) + "/harbor-kf8.azw3";
    std::string reader = "filter";
    int first = 1;
    while (first + 1 < argc &&
           (std::string(argv[first]) == "--book" || std::string(argv[first]) == "--reader")) {
        (std::string(argv[first]) == "--book" ? base : reader) = argv[first + 1];
        first += 2;
    }
    if (first >= argc || (reader != "filter" && reader != "properties" && reader != "cover" &&
                          reader != "preview")) {
        std::fprintf(
            stderr,
            "usage: %s [--book PATH] [--reader filter|properties|cover|preview] SIZE_MIB...\n",
            argv[0]);
        return 2;
    }
    const std::vector<unsigned char> bytes = ReadFileBytes(base);
    if (bytes.empty()) {
        std::fprintf(stderr, "cannot read %s\n", base.c_str());
        return 2;
    }
    const char* folder = std::getenv("TMPDIR");
    std::printf("%9s %9s %12s %10s %14s %7s %9s %9s %9s\n", "file MiB", "binding", "before MiB",
                "peak MiB", "peak-before", "ratio",
                reader == "filter" || reader == "preview" ? "chars" : "got", "ms", "first ms");
    int status = 0;
    for (int i = first; i < argc; ++i) {
        const double wanted = std::atof(argv[i]) * Mebibyte;
        PalmBook book(bytes);
        for (uint32_t n = 0; static_cast<double>(book.Bytes.size()) < wanted; ++n) {
            book.AppendRecord(PictureRecord(n));
        }
        std::string path = std::string(folder != nullptr ? folder : "/tmp") + "/book_memory.XXXXXX";
        const int descriptor = mkstemp(path.data());
        if (descriptor < 0 || write(descriptor, book.Bytes.data(), book.Bytes.size()) !=
                                  static_cast<ssize_t>(book.Bytes.size())) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 2;
        }
        close(descriptor);
        book = PalmBook({});
        std::fflush(stdout);
        const pid_t child = fork();
        if (child == 0) {
            execl("/proc/self/exe", argv[0], "--measure", path.c_str(), reader.c_str(),
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        int result = 0;
        waitpid(child, &result, 0);
        status |= WIFEXITED(result) ? WEXITSTATUS(result) : 1;
        unlink(path.c_str());
    }
    return status;
}
