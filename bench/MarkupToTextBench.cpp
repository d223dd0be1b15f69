// SPDX-License-Identifier: LGPL-3.0-or-later
// Throughput of MarkupToText on the HTML parts of a large book and on hostile parts of several
// MB. The conversion rewrites its input, so every iteration converts fresh copies of the parts;
// the copying runs with the timer paused (once per iteration, for all parts together), so the
// figures are for the conversion alone, including its allocation and UTF-16 output.
#include "book/markup/MarkupToText.h"
#include "tests/support/BookHtmlParts.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Part = HtmlPart;

std::string TestBookPath(const char* name) {
    return std::string(QUILLSIFT_TESTDATA) + "/" + name;
}

void ConvertParts(benchmark::State& state, const std::vector<Part>& parts) {
    std::vector<Part> work(parts);
    size_t bytes = 0;
    for (const Part& part : parts) {
        bytes += part.size();
    }
    for (auto _ : state) {
        state.PauseTiming();
        for (size_t i = 0; i < parts.size(); ++i) {
            std::memcpy(work[i].data(), parts[i].data(), parts[i].size());
        }
        state.ResumeTiming();
        for (Part& part : work) {
            WCHAR* text = MarkupToText(part.data(), static_cast<ULONG>(part.size()));
            benchmark::DoNotOptimize(text);
            CoTaskMemFree(text);
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
}

void BM_BookHtml(benchmark::State& state) {
    static const std::string path = TestBookPath("ledger-large-kf8.azw3");
    static const std::vector<Part> parts = BookHtmlParts(path);
    if (parts.empty()) {
        // A missing book fails the run, not just this benchmark.
        std::fprintf(stderr, "markup_bench: no HTML parts read from %s\n", path.c_str());
        std::exit(1);
    }
    size_t bytes = 0;
    for (const Part& part : parts) {
        bytes += part.size();
    }
    state.counters["parts"] = static_cast<double>(parts.size());
    state.counters["part_bytes"] = static_cast<double>(bytes);
    ConvertParts(state, parts);
}
BENCHMARK(BM_BookHtml)->Unit(benchmark::kMillisecond);

constexpr size_t HostileSize = 4 << 20;

// `unit` repeated to HostileSize bytes, after `head`.
Part Repeat(const std::string& head, const std::string& unit) {
    Part part(head.begin(), head.end());
    while (part.size() + unit.size() <= HostileSize) {
        part.insert(part.end(), unit.begin(), unit.end());
    }
    return part;
}

const std::string Paragraph = "<p class=\"calibre\">The ledger was <i>balanced</i> at last &amp; "
                              "nobody asked how. It ran to forty pages.</p>\n";

void BM_Hostile(benchmark::State& state, const Part& part) {
    ConvertParts(state, {part});
}

BENCHMARK_CAPTURE(BM_Hostile, LessThanOnly, Repeat("", "<"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Hostile, LessThanInText, Repeat("<body>", "if a < b then "))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Hostile, AmpersandOnly, Repeat("", "&"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Hostile, AmpersandInText, Repeat("<body>", "Q&A and R&D "))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Hostile, Tags255, Repeat("", "<" + std::string(255, 'a') + ">"))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Hostile, Tags256, Repeat("", "<" + std::string(256, 'a') + ">"))
    ->Unit(benchmark::kMillisecond);
// Too long to be tags: each '<' is text, and its would-be content is read again as text.
BENCHMARK_CAPTURE(BM_Hostile, Tags65536, Repeat("", "<" + std::string(65536, 'a') + ">"))
    ->Unit(benchmark::kMillisecond);
// Runs of '<' far from their '>': only the last of each run may open a tag of 256 bytes or
// more, and the others are read as text up to it.
BENCHMARK_CAPTURE(BM_Hostile, LessThanRuns, Repeat("", std::string(300, '<') + "a>"))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Hostile, DenseEntities,
                  Repeat("<body>", "&eacute;&amp;&lt;x&nbsp;&#233;&mdash;&Uuml;&abcdefghi;"))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Hostile, EarlyZero, Repeat(std::string("<body>x\0", 8), Paragraph))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Hostile, LineFeedsOnly, Repeat("", "\r\n"))->Unit(benchmark::kMillisecond);
// Markup far denser than a book's, a tag or an entity every few bytes: each one costs a short
// chain of dependent steps, so these run slower per byte, though still in one linear pass.
BENCHMARK_CAPTURE(BM_Hostile, DenseTags, Repeat("<body>", "<i>a</i> <br/>"))
    ->Unit(benchmark::kMillisecond);
// Block tags between words, each of which is named and may separate two words.
BENCHMARK_CAPTURE(BM_Hostile, DenseBlockTags, Repeat("<body>", "<td>a</td>"))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Hostile, BlockTagsOnly, Repeat("", "</figcaption><div>"))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Hostile, ZeroInEveryTag, Repeat("", std::string("<p\0>&a\0;", 9)))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Hostile, SyntheticBook, Repeat("<body>", Paragraph))
    ->Unit(benchmark::kMillisecond);
// The same with the long tags of calibre's books: a long class list, an image's long `src` and
// `alt`.
BENCHMARK_CAPTURE(BM_Hostile, SyntheticBookLongTags,
                  Repeat("<body>", "<p class=\"" + std::string(260, 'c') +
                                       "\">A figure: <img src=\"" + std::string(200, 's') +
                                       "\" alt=\"" + std::string(100, 'a') +
                                       "\"/> and its words.</p>\n"))
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
