// SPDX-License-Identifier: LGPL-3.0-or-later
// The whole filtering path against libmobi's own work on the same bytes, paired in one run:
//   library   libmobi loads the book from a memory FILE and parses its markup, as the filter
//             asks it to;
//   pipeline  a stream over the book is bound to a filter object and every chunk is drained,
//             text in portions of 4,096 characters.
// Each round times one of each on this thread's CPU clock, in alternating order; the ratio of
// a round's two times is the filter's cost over the library's. Then each is run once more in
// a fresh process of this program, whose peak resident set (VmHWM) is its memory.
//   pipeline_bench [--rounds N] [BOOK...]     by default the two large test books
// A book that cannot be read, or that does not load, fails the run.
#include "bench/BenchSupport.h"
#include "tests/support/MakeBookFilter.h"
#include "tests/support/RecordingStream.h"

#include <mobi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr ULONG PortionCharacters = 4096;
constexpr double TargetRatio = 1.10;

double ThreadMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

bool RunLibrary(std::vector<unsigned char>& bytes) {
    FILE* file = fmemopen(bytes.data(), bytes.size(), "rb");
    MOBIData* book = mobi_init();
    bool parsed = false;
    if (file != nullptr && book != nullptr && mobi_load_file(book, file) == MOBI_SUCCESS) {
        MOBIRawml* markup = mobi_init_rawml(book);
        parsed = markup != nullptr &&
                 mobi_parse_rawml_opt(markup, book, true, true, false) == MOBI_SUCCESS;
        mobi_free_rawml(markup);
    }
    if (file != nullptr) {
        std::fclose(file);
    }
    mobi_free(book);
    return parsed;
}

// Returns the characters of text drained, or -1 when the book does not load.
long long RunPipeline(RecordingStream& stream) {
    stream.Calls.clear();
    ComPtr<IFilter> filter;
    if (MakeBookFilter(&stream, filter) != S_OK) {
        return -1;
    }
    return DrainFilterText(filter.Get(), PortionCharacters);
}

struct Spread {
    double Median, Min, Max;
};

Spread Summarise(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    const double median = n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    return {median, values.front(), values.back()};
}

std::string Name(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// In a fresh process: one run of `what` on the book; prints the resident set before the run
// (the program and the book's bytes) and the peak, in KiB.
int MeasurePeak(const std::string& what, const std::string& path) {
    std::vector<unsigned char> bytes = ReadFileBytes(path);
    RecordingStream stream(bytes);
    const long before = StatusKiB("VmRSS");
    const bool ran = what == "library" ? RunLibrary(bytes) : RunPipeline(stream) >= 0;
    std::printf("%ld %ld\n", before, StatusKiB("VmHWM"));
    return ran ? 0 : 1;
}

// The peak, and the peak above what the process held before the run, in MiB.
bool PeakOf(const char* self, const char* what, const std::string& path, double* peak,
            double* added) {
    const std::string command = std::string("'") + self + "' --peak " + what + " '" + path + "'";
    FILE* child = popen(command.c_str(), "r");
    long before = -1;
    long high = -1;
    const bool read = child != nullptr && std::fscanf(child, "%ld %ld", &before, &high) == 2;
    const int status = child != nullptr ? pclose(child) : -1;
    if (!read || status != 0 || before < 0 || high < 0) {
        return false;
    }
    *peak = static_cast<double>(high) / 1024;
    *added = static_cast<double>(high - before) / 1024;
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--peak") == 0) {
        return MeasurePeak(argv[2], argv[3]);
    }
    int rounds = 15;
    std::vector<std::string> books;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--rounds") == 0 && i + 1 < argc) {
            rounds = std::max(1, std::atoi(argv[++i]));
        } else {
            books.push_back(argv[i]);
        }
    }
    if (books.empty()) {
        for (const char* name : {"ledger-large-kf7.mobi", "ledger-large-kf8.azw3"}) {
            books.push_back(std::string(QUILLSIFT_TESTDATA) + "/" + name);
        }
    }

    bool failed = false;
    for (const std::string& path : books) {
        std::vector<unsigned char> bytes = ReadFileBytes(path);
        if (bytes.empty()) {
            std::fprintf(stderr, "pipeline_bench: %s cannot be read\n", path.c_str());
            failed = true;
            continue;
        }
        RecordingStream stream(bytes);
        std::vector<double> library, pipeline, ratios;
        long long characters = 0;
        for (int round = 0; round < rounds && !failed; ++round) {
            double times[2];
            for (int step = 0; step < 2; ++step) {
                const bool libraryNow = (step == 0) == (round % 2 == 0);
                const double start = ThreadMilliseconds();
                const bool ran =
                    libraryNow ? RunLibrary(bytes) : (characters = RunPipeline(stream)) >= 0;
                times[libraryNow ? 0 : 1] = ThreadMilliseconds() - start;
                if (!ran) {
                    std::fprintf(stderr, "pipeline_bench: %s does not load\n", path.c_str());
                    failed = true;
                    break;
                }
            }
            library.push_back(times[0]);
            pipeline.push_back(times[1]);
            ratios.push_back(times[1] / times[0]);
        }
        if (failed) {
            continue;
        }
        double libraryPeak = 0, libraryAdded = 0, pipelinePeak = 0, pipelineAdded = 0;
        if (!PeakOf(argv[0], "library", path, &libraryPeak, &libraryAdded) ||
            !PeakOf(argv[0], "pipeline", path, &pipelinePeak, &pipelineAdded)) {
            std::fprintf(stderr, "pipeline_bench: the peak of %s was not measured\n", path.c_str());
            failed = true;
            continue;
        }
        const Spread l = Summarise(library), p = Summarise(pipeline), r = Summarise(ratios);
        std::printf("%s (%zu bytes, %lld characters, %d rounds)\n", Name(path).c_str(),
                    bytes.size(), characters, rounds);
        std::printf("  library   %7.2f ms (%.2f-%.2f)   peak %6.1f MiB, %6.1f above the start\n",
                    l.Median, l.Min, l.Max, libraryPeak, libraryAdded);
        std::printf("  pipeline  %7.2f ms (%.2f-%.2f)   peak %6.1f MiB, %6.1f above the start\n",
                    p.Median, p.Min, p.Max, pipelinePeak, pipelineAdded);
        std::printf("  ratio     %7.3f    (%.3f-%.3f)   target <= %.2f: %s\n", r.Median, r.Min,
                    r.Max, TargetRatio, r.Median <= TargetRatio ? "met" : "missed");
    }
    return failed ? 1 : 0;
}
