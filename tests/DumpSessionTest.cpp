// SPDX-License-Identifier: LGPL-3.0-or-later
// What a session reports for one book, beside what its writer writes: a book that does not
// load, and a book whose chunks stop early, in a format that records failures and in one that
// does not; and the totals of a run, summed and summarised.
#include "tools/common/DumpSession.h"
#include "tools/common/DumpFormat.h"
#include "tools/common/OpenFailure.h"

#include "tests/support/PrintedText.h"
#include "tests/support/RecordingStream.h"
#include "tests/support/ScriptedFilter.h"
#include "tests/support/StringSink.h"
#include "tests/support/TestNames.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Hands out the one scripted filter, or fails with `Failure`.
class ScriptedBinder final : public FilterBinder {
public:
    explicit ScriptedBinder(ScriptedFilter& filter) : Filter(filter) {}
    HRESULT Bind(IStream*, ComPtr<IFilter>& filter) override {
        if (FAILED(Failure)) {
            return Failure;
        }
        // A reference of the session's own, as a binding hands out.
        Filter.AddRef();
        filter = ComPtr<IFilter>::Attach(&Filter);
        return S_OK;
    }
    HRESULT Failure = S_OK;

private:
    ScriptedFilter& Filter;
};

struct SessionCase {
    const char* Name;
    DumpFormat Format;
    // How the book goes wrong: the code of a failed open or bind, of the GetChunk that ends
    // the chunks, or of the second GetText; or a GetText that claims too much.
    HRESULT OpenFailure = S_OK;
    HRESULT BindFailure = S_OK;
    HRESULT EndCode = FILTER_E_END_OF_CHUNKS;
    HRESULT TextError = S_OK;
    bool OverReport = false;
    const char* ExpectedReport = "";
    // For HTML: the body written before the end.
    const char* ExpectedBody = nullptr;
};

// For gtest's messages: the name and what goes wrong.
void PrintTo(const SessionCase& row, std::ostream* os) {
    *os << row.Name;
    if (FAILED(row.OpenFailure)) {
        *os << ": the open fails with " << Hex(row.OpenFailure);
    } else if (FAILED(row.BindFailure)) {
        *os << ": the binding fails with " << Hex(row.BindFailure);
    } else if (row.EndCode != FILTER_E_END_OF_CHUNKS) {
        *os << ": the chunks end with " << Hex(row.EndCode);
    } else if (FAILED(row.TextError)) {
        *os << ": the second GetText fails with " << Hex(row.TextError);
    } else if (row.OverReport) {
        *os << ": GetText reports more than the buffer holds";
    } else {
        *os << ": nothing fails";
    }
}

class DumpSessionReport : public ::testing::TestWithParam<SessionCase> {};

TEST_P(DumpSessionReport, SaysInOneLineWhatTheOutputCannot) {
    const SessionCase& c = GetParam();
    ScriptedFilter filter({{CHUNK_VALUE, PKEY_Title, UTF16("T")},
                           {CHUNK_TEXT, PKEY_Search_Contents, UTF16("kept")},
                           {CHUNK_TEXT, PKEY_Search_Contents, UTF16("more")}});
    filter.EndCode = c.EndCode;
    filter.FailingGetText = c.TextError != S_OK ? 2 : 0;
    filter.TextError = c.TextError;
    filter.OverReport = c.OverReport;
    ScriptedBinder binder(filter);
    binder.Failure = c.BindFailure;
    StringSink sink;
    OutputBuffer buffer(&sink);
    const std::unique_ptr<ChunkWriter> writer = MakeChunkWriter(c.Format, buffer);
    DumpSession session("quillsift-dump", binder, *writer, 4096);
    RecordingStream stream;
    std::string reports;
    const DumpTotals counts =
        session.DumpBook("b.mobi", "", FAILED(c.OpenFailure) ? nullptr : &stream, c.OpenFailure,
                         [&reports](const std::string& line) { reports += line; });
    buffer.Flush();

    EXPECT_EQ(reports, c.ExpectedReport);
    const bool loaded = SUCCEEDED(c.OpenFailure) && SUCCEEDED(c.BindFailure);
    // A book the filter ran out of memory on was not read, whatever came of it.
    const bool ranOut = c.TextError == E_OUTOFMEMORY;
    EXPECT_EQ(counts.FailedLoads, loaded && !ranOut ? 0u : 1u);
    if (c.Format == DumpFormat::Html) {
        // Nothing at all for a book that does not load; otherwise a whole document.
        const std::string expected =
            loaded ? "<html>\n<head>\n<meta http-equiv=\"Content-Type\" content=\"text/html; "
                     "charset=utf-8\">\n<title>T</title>\n</head>\n<body>\n" +
                         std::string(c.ExpectedBody) + "</body>\n</html>\n"
                   : "";
        EXPECT_EQ(sink.Text, expected);
    }
}

const HRESULT NotFound = _HRESULT_TYPEDEF_(0x80070002);

INSTANTIATE_TEST_SUITE_P(
    Cases, DumpSessionReport,
    ::testing::Values(
        SessionCase{"HtmlWhole", DumpFormat::Html, S_OK, S_OK, FILTER_E_END_OF_CHUNKS, S_OK, false,
                    "", "<p>kept</p>\n<p>more</p>\n"},
        SessionCase{
            "HtmlCannotOpen", DumpFormat::Html, NotFound, S_OK, FILTER_E_END_OF_CHUNKS, S_OK, false,
            "quillsift-dump: b.mobi: cannot open: no such file or directory (0x80070002)\n"},
        SessionCase{"HtmlCannotLoad", DumpFormat::Html, S_OK, E_FAIL, FILTER_E_END_OF_CHUNKS, S_OK,
                    false, "quillsift-dump: b.mobi: cannot load (0x80004005)\n"},
        SessionCase{"HtmlGetChunkFails", DumpFormat::Html, S_OK, S_OK, E_UNEXPECTED, S_OK, false,
                    "quillsift-dump: b.mobi: stopped (0x8000ffff)\n", "<p>kept</p>\n<p>more</p>\n"},
        SessionCase{"HtmlGetTextFails", DumpFormat::Html, S_OK, S_OK, FILTER_E_END_OF_CHUNKS,
                    E_OUTOFMEMORY, false, "quillsift-dump: b.mobi: out of memory (0x8007000e)\n",
                    "<p>kept</p>\n"},
        SessionCase{"HtmlBrokenPromise", DumpFormat::Html, S_OK, S_OK, FILTER_E_END_OF_CHUNKS, S_OK,
                    true,
                    "quillsift-dump: b.mobi: stopped (GetText reported more characters than the "
                    "buffer holds)\n",
                    ""},
        SessionCase{"JsonGetChunkFails", DumpFormat::Json, S_OK, S_OK, E_UNEXPECTED, S_OK, false,
                    "quillsift-dump: b.mobi: the chunks ended with 0x8000ffff, not "
                    "FILTER_E_END_OF_CHUNKS\n"},
        SessionCase{"JsonGetTextFails", DumpFormat::Json, S_OK, S_OK, FILTER_E_END_OF_CHUNKS,
                    E_FAIL, false, ""},
        // Running out of memory is never a book that gave what it gave.
        SessionCase{"JsonGetTextRunsOutOfMemory", DumpFormat::Json, S_OK, S_OK,
                    FILTER_E_END_OF_CHUNKS, E_OUTOFMEMORY, false,
                    "quillsift-dump: b.mobi: out of memory (0x8007000e)\n"},
        SessionCase{"HtmlOpenRunsOutOfMemory", DumpFormat::Html, E_OUTOFMEMORY, S_OK,
                    FILTER_E_END_OF_CHUNKS, S_OK, false,
                    "quillsift-dump: b.mobi: out of memory (0x8007000e)\n"}),
    NamedBy<&SessionCase::Name>());

TEST(DumpTotals, SumsBooksAndSummarisesTheRun) {
    DumpTotals first;
    first.Books = 1;
    first.Chunks = 3;
    first.Characters = 400;
    first.Bytes = 1500000;
    DumpTotals second;
    second.Books = 1;
    second.FailedLoads = 1;
    second.Chunks = 4;
    second.Characters = 600;
    second.Bytes = 500000;
    DumpTotals totals;
    totals += first;
    totals += second;
    EXPECT_EQ(totals.Summary(0.5),
              "2 books, 1 failed load, 7 chunks, 1000 characters, 2.00 MB in 500.0 ms (4.00 MB/s)");
    EXPECT_EQ(totals.Summary(4), "2 books, 1 failed load, 7 chunks, 1000 characters, 2.00 MB in "
                                 "4.00 s (0.50 MB/s)");
    EXPECT_EQ(first.Summary(0), "1 book, 0 failed loads, 3 chunks, 400 characters, 1.50 MB");
    // Files that gave nothing were not read: their bytes and a rate would mean nothing.
    DumpTotals none;
    none += second;
    EXPECT_EQ(none.Summary(0.0001), "1 book, 1 failed load, 4 chunks, 600 characters");
    EXPECT_EQ(DumpTotals().Summary(1), "0 books, 0 failed loads, 0 chunks, 0 characters");
}

struct OpenFailureCase {
    HRESULT opened;
    bool folder;
    const char* expected;
};

// Both tools say why a file did not open in the same words.
TEST(OpenFailureWords, NameWhatTheCodeMeans) {
    const OpenFailureCase cases[] = {
        {_HRESULT_TYPEDEF_(0x80070002), false,
         "cannot open: no such file or directory (0x80070002)"},
        {_HRESULT_TYPEDEF_(0x80070003), false,
         "cannot open: no such file or directory (0x80070003)"},
        {E_ACCESSDENIED, false, "cannot open: access denied (0x80070005)"},
        {_HRESULT_TYPEDEF_(0x80030005), false, "cannot open: access denied (0x80030005)"},
        {_HRESULT_TYPEDEF_(0x80070020), false, "cannot open: used by another program (0x80070020)"},
        {_HRESULT_TYPEDEF_(0x80030020), false, "cannot open: used by another program (0x80030020)"},
        {E_ACCESSDENIED, true, "cannot open: a directory (0x80070005)"},
        {E_FAIL, false, "cannot open (0x80004005)"},
        {E_OUTOFMEMORY, false, "out of memory (0x8007000e)"},
    };
    for (const OpenFailureCase& c : cases) {
        EXPECT_EQ(OpenFailureWords(c.opened, c.folder), c.expected);
    }
}

} // namespace
