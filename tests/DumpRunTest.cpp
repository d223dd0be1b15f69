// SPDX-License-Identifier: LGPL-3.0-or-later
// quillsift-dump's run over many books with the filter library loaded as the tool loads it:
// several workers give the bytes and the reports of one worker, in the order of the books.
#include "tools/quillsift-dump/DumpRun.h"

#include "tests/support/FailingAllocation.h"
#include "tests/support/StringSink.h"
#include "tests/support/TemporaryDirectory.h"
#include "tools/quillsift-dump/FilterLibrary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

namespace {

class RecordingConsole final : public Console {
public:
    void Report(const std::string& line) override {
        std::lock_guard<std::mutex> hold(Lock);
        Lines += line;
    }
    void Progress(unsigned long long number, unsigned long long, const std::string&) override {
        std::lock_guard<std::mutex> hold(Lock);
        Started.push_back(number);
    }
    void ClearProgress() override {}

    std::mutex Lock;
    std::string Lines;
    std::vector<unsigned long long> Started;
};

struct RunResult {
    bool Written;
    std::string Output;
    std::string Reports;
    DumpTotals Totals;
    std::string Error;
};

class DumpRunTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string error;
        ASSERT_TRUE(Library().Load(QUILLSIFT_LIBRARY, error)) << error;
    }
    static FilterLibrary& Library() {
        static FilterLibrary library;
        return library;
    }

    void SetUp() override {
        // A book that does not load and a missing one between the real ones.
        const std::string garbage = (Folder.Path() / "garbage.mobi").string();
        std::ofstream(garbage) << "no palm database, only some text for the reader";
        const std::string testdata = QUILLSIFT_TESTDATA;
        for (const char* name : {"harbor-kf7.mobi", "ledger-large-kf8.azw3", "harbor-kf8.azw3",
                                 "harbor-hybrid.mobi"}) {
            Books.push_back({testdata + "/" + name, false});
        }
        Books.push_back({garbage, false});
        Books.push_back({(Folder.Path() / "missing.mobi").string(), false});
        for (const char* name : {"duet-kf8.azw", "ledger-large-kf7.mobi",
                                 "harbor-noauthor-kf7.mobi", "harbor-kf7.mobi"}) {
            Books.push_back({testdata + "/" + name, false});
        }
    }

    RunResult Run(unsigned jobs, DumpFormat format, ULONG buffer, unsigned failFrom = 0) {
        DumpOptions options;
        options.Format = format;
        options.BufferSize = buffer;
        options.Jobs = jobs;
        StringSink output;
        output.FailFrom = failFrom;
        RecordingConsole console;
        DumpRun run(options, Library().EntryPoints(), output, console);
        RunResult result;
        result.Written = run.Run(Books, true);
        result.Output = output.Text;
        result.Reports = console.Lines;
        result.Totals = run.Totals();
        result.Error = run.OutputError();
        if (failFrom == 0) {
            // Every book was started once, and counted across the workers.
            std::sort(console.Started.begin(), console.Started.end());
            EXPECT_EQ(console.Started.size(), Books.size());
            for (size_t i = 0; i < console.Started.size(); ++i) {
                EXPECT_EQ(console.Started[i], i + 1);
            }
        }
        return result;
    }

    TemporaryDirectory Folder;
    std::vector<BookPath> Books;
};

TEST_F(DumpRunTest, FourWorkersWriteWhatOneWrites) {
    for (const DumpFormat format : {DumpFormat::Json, DumpFormat::Text}) {
        const RunResult one = Run(1, format, 4096);
        ASSERT_TRUE(one.Written);
        EXPECT_EQ(one.Totals.Books, Books.size());
        EXPECT_EQ(one.Totals.FailedLoads, 2u);
        EXPECT_NE(one.Reports.find("garbage.mobi: not a Palm database: only 47 bytes "
                                   "(0x80004005)\nquillsift-dump: " +
                                   Books[5].Path +
                                   ": cannot open: no such file or directory (0x80070002)\n"),
                  std::string::npos)
            << one.Reports;
        for (int round = 0; round < 3; ++round) {
            const RunResult four = Run(4, format, round == 2 ? 997 : 4096);
            ASSERT_TRUE(four.Written);
            EXPECT_TRUE(four.Output == one.Output) << "round " << round;
            EXPECT_EQ(four.Reports, one.Reports);
            EXPECT_EQ(four.Totals.Chunks, one.Totals.Chunks);
            EXPECT_EQ(four.Totals.Characters, one.Totals.Characters);
            EXPECT_EQ(four.Totals.Bytes, one.Totals.Bytes);
            EXPECT_EQ(four.Totals.FailedLoads, 2u);
        }
    }
    EXPECT_EQ(Library().EntryPoints().CanUnloadNow(), S_OK);
}

TEST_F(DumpRunTest, AFailedOutputEndsTheRunAndReleasesEverything) {
    for (const unsigned jobs : {1u, 4u}) {
        const RunResult result = Run(jobs, DumpFormat::Json, 4096, 3);
        EXPECT_FALSE(result.Written);
        EXPECT_EQ(result.Error, "cannot write the output: told to fail");
        if (jobs == 1) {
            EXPECT_LT(result.Totals.Books, Books.size());
        }
        EXPECT_EQ(Library().EntryPoints().CanUnloadNow(), S_OK);
    }
}

// The tool's own allocations fail one at a time (the module's with them, where they are made
// through operator new), one worker dumping three books: the run never aborts; a failure costs
// at most the book it came with, whose report says "out of memory", or ends the run saying so;
// and the books after it come whole.
TEST_F(DumpRunTest, AnAllocationThatFailsCostsItsBookAndTheRunGoesOn) {
    const std::string testdata = QUILLSIFT_TESTDATA;
    Books.clear();
    for (const char* name : {"harbor-kf7.mobi", "harbor-kf8.azw3", "duet-kf8.azw"}) {
        Books.push_back({testdata + "/" + name, false});
    }
    const auto run = [this](unsigned long nth) {
        RunResult result;
        DumpOptions options;
        options.Format = DumpFormat::Json;
        StringSink output;
        RecordingConsole console;
        FailNthAllocation(nth);
        DumpRun dump(options, Library().EntryPoints(), output, console);
        result.Written = dump.Run(Books, true);
        StopFailingAllocations();
        result.Totals = dump.Totals();
        result.Error = dump.OutputError();
        result.Output = output.Text;
        result.Reports = console.Lines;
        return result;
    };
    const RunResult clean = run(0);
    const unsigned long allocations = AllocationsCounted();
    ASSERT_TRUE(clean.Written);
    ASSERT_EQ(clean.Totals.FailedLoads, 0u);
    // The last book's lines, which come whole unless the failure came with that book.
    const std::string lastBook = "\"file\":\"" + Books.back().Path + "\"";
    std::vector<std::string> lastLines;
    for (size_t at = 0, end; (end = clean.Output.find('\n', at)) != std::string::npos;
         at = end + 1) {
        const std::string line = clean.Output.substr(at, end + 1 - at);
        if (line.find(lastBook) != std::string::npos) {
            lastLines.push_back(line);
        }
    }
    ASSERT_FALSE(lastLines.empty());
    for (unsigned long nth = 1; nth <= allocations; ++nth) {
        const RunResult failed = run(nth);
        if (failed.Output == clean.Output && failed.Reports == clean.Reports) {
            continue;
        }
        const bool saidSo = failed.Reports.find(": out of memory") != std::string::npos ||
                            (!failed.Written && failed.Error == "out of memory");
        ASSERT_TRUE(saidSo) << "allocation " << nth << ":\n" << failed.Reports;
        // A run ends early only for a failure before its first book or after its last.
        EXPECT_TRUE(failed.Written ? failed.Totals.FailedLoads == 1
                                   : failed.Totals.Books == 0 || failed.Totals.Books == 3)
            << "allocation " << nth << ": " << failed.Totals.Books << " books";
        if (failed.Written && failed.Reports.find(Books.back().Path + ": ") == std::string::npos) {
            for (const std::string& line : lastLines) {
                EXPECT_NE(failed.Output.find(line), std::string::npos)
                    << "allocation " << nth << ": the last book lost " << line;
            }
        }
    }
    EXPECT_EQ(Library().EntryPoints().CanUnloadNow(), S_OK);
}

} // namespace
