#include "tools/BookExtension.h"
#include "tools/DumpOptions.h"
#include "tools/DumpTotals.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

ParseResult Parse(std::vector<const char*> arguments, DumpOptions& options) {
    arguments.insert(arguments.begin(), "quillsift-dump");
    std::string error;
    const ParseResult result =
        ParseDumpOptions(static_cast<int>(arguments.size()), arguments.data(), options, error);
    EXPECT_EQ(result == ParseResult::UsageError, !error.empty());
    return result;
}

TEST(DumpOptions, ReadsEveryOptionAndKeepsTheInputsInOrder) {
    DumpOptions options;
    ASSERT_EQ(Parse({"--json", "a.mobi", "--buffer", "3", "--library=/x/lib.so", "--all-files",
                     "-q", "dir", "--", "--json"},
                    options),
              ParseResult::Ok);
    EXPECT_EQ(options.Format, DumpFormat::Json);
    EXPECT_EQ(options.BufferSize, 3u);
    EXPECT_EQ(options.Library, "/x/lib.so");
    EXPECT_TRUE(options.AllFiles);
    EXPECT_TRUE(options.Quiet);
    EXPECT_EQ(options.Inputs, (std::vector<std::string>{"a.mobi", "dir", "--json"}));
}

TEST(DumpOptions, DefaultsToReadableTextAndPortionsOf4096) {
    DumpOptions options;
    ASSERT_EQ(Parse({"-"}, options), ParseResult::Ok);
    EXPECT_EQ(options.Format, DumpFormat::Text);
    EXPECT_EQ(options.BufferSize, 4096u);
    EXPECT_TRUE(options.Library.empty());
    EXPECT_EQ(options.Inputs, (std::vector<std::string>{"-"}));
}

TEST(DumpOptions, RefusesWhatItCannotUse) {
    const std::vector<std::vector<const char*>> wrong = {
        {},
        {"--json"},
        {"--buffer", "0", "a"},
        {"--buffer", "-1", "a"},
        {"--buffer", "12x", "a"},
        {"--buffer", "99999999999999999999", "a"},
        {"--buffer=", "a"},
        {"a", "--buffer"},
        {"a", "--library"},
        {"--library=", "a"},
        {"--jsonx", "a"},
        {"--bufferx=2", "a"},
    };
    for (const auto& arguments : wrong) {
        DumpOptions options;
        EXPECT_EQ(Parse(arguments, options), ParseResult::UsageError)
            << (arguments.empty() ? "(none)" : arguments.back());
    }
}

TEST(DumpOptions, HelpAndVersionNeedNoBook) {
    DumpOptions help;
    ASSERT_EQ(Parse({"--help"}, help), ParseResult::Ok);
    EXPECT_TRUE(help.ShowHelp);
    DumpOptions version;
    ASSERT_EQ(Parse({"--version"}, version), ParseResult::Ok);
    EXPECT_TRUE(version.ShowVersion);
    EXPECT_EQ(DumpVersion(), "quillsift-dump 1.0.0.1\n");
}

TEST(BookExtension, TakesMobiAndAzwInAnyLetterCase) {
    for (const char* name : {"a.mobi", "b.MOBI", "c.Azw", "d.azw", "dir/e.mObI"}) {
        EXPECT_TRUE(HasBookExtension(name)) << name;
    }
    for (const char* name : {"a.azw3", "b.mobi.txt", "mobi", ".azwx", "c.epub", "azw", ""}) {
        EXPECT_FALSE(HasBookExtension(name)) << name;
    }
}

TEST(DumpTotals, SummarisesTheRun) {
    DumpTotals totals;
    totals.Books = 2;
    totals.FailedLoads = 1;
    totals.Chunks = 7;
    totals.Characters = 1000;
    totals.Bytes = 2000000;
    EXPECT_EQ(totals.Summary(0.5),
              "2 books, 1 failed load, 7 chunks, 1000 characters, 2.00 MB in 500.0 ms (4.00 MB/s)");
    EXPECT_EQ(totals.Summary(4), "2 books, 1 failed load, 7 chunks, 1000 characters, 2.00 MB in "
                                 "4.00 s (0.50 MB/s)");
}

TEST(DumpTotals, CutsTheProgressLineAtACharacterBoundary) {
    EXPECT_EQ(FormatProgress(3, 12, "dir/a.mobi", 80), "[3/12] dir/a.mobi");
    // "[1/2] " is six bytes; the cut falls inside the two-byte e acute and backs up.
    EXPECT_EQ(FormatProgress(1, 2, "ab\xC3\xA9", 9), "[1/2] ab");
}

} // namespace
