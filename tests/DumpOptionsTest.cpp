// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/quillsift-dump/DumpOptions.h"

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
                     "--jobs", "4", "-q", "dir", "--", "--json"},
                    options),
              ParseResult::Ok);
    EXPECT_EQ(options.Format, DumpFormat::Json);
    EXPECT_EQ(options.BufferSize, 3u);
    EXPECT_EQ(options.Jobs, 4u);
    EXPECT_EQ(options.Library, "/x/lib.so");
    EXPECT_TRUE(options.AllFiles);
    EXPECT_TRUE(options.Quiet);
    EXPECT_EQ(options.Inputs, (std::vector<std::string>{"a.mobi", "dir", "--json"}));
}

TEST(DumpOptions, DefaultsToReadableTextPortionsOf4096AndOneJob) {
    DumpOptions options;
    ASSERT_EQ(Parse({"-"}, options), ParseResult::Ok);
    EXPECT_EQ(options.Format, DumpFormat::Text);
    EXPECT_EQ(options.BufferSize, 4096u);
    EXPECT_EQ(options.Jobs, 1u);
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
        {"--buffer", "16777217", "a"},
        {"--jobs", "0", "a"},
        {"--jobs=65", "a"},
        {"--jobs", "+2", "a"},
        {"--jobs", "2x", "a"},
        {"--jobs=", "a"},
        {"a", "--jobs"},
        {"--html"},
        {"--html", "a", "b"},
        {"--json", "--html", "a"},
        {"--html", "a", "--json"},
        {"--properties"},
        {"--properties", "a", "b"},
        {"--properties", "--json", "a"},
        {"--html", "--properties", "a"},
    };
    for (const auto& arguments : wrong) {
        DumpOptions options;
        EXPECT_EQ(Parse(arguments, options), ParseResult::UsageError)
            << (arguments.empty() ? "(none)" : arguments.back());
    }
}

TEST(DumpOptions, TakesOneBookForHtml) {
    // A handler is called once per file, with the book's path whatever its name.
    DumpOptions options;
    ASSERT_EQ(Parse({"--html", "--buffer", "3", "--html", "/books/x.AZW3.tmp"}, options),
              ParseResult::Ok);
    EXPECT_EQ(options.Format, DumpFormat::Html);
    EXPECT_EQ(options.Inputs, (std::vector<std::string>{"/books/x.AZW3.tmp"}));
    DumpOptions help;
    EXPECT_EQ(Parse({"--html", "--help"}, help), ParseResult::Ok);
}

TEST(DumpOptions, TakesOneBookForProperties) {
    DumpOptions options;
    ASSERT_EQ(Parse({"--library", "lib.so", "--properties", "x.mobi"}, options), ParseResult::Ok);
    EXPECT_TRUE(options.Properties);
    EXPECT_EQ(options.Library, "lib.so");
    EXPECT_EQ(options.Inputs, (std::vector<std::string>{"x.mobi"}));
}

TEST(DumpOptions, TakesTheLimitsOfEveryNumber) {
    DumpOptions options;
    ASSERT_EQ(Parse({"--buffer=16777216", "--jobs=64", "a"}, options), ParseResult::Ok);
    EXPECT_EQ(options.BufferSize, 16777216u);
    EXPECT_EQ(options.Jobs, 64u);
    ASSERT_EQ(Parse({"--buffer", "1", "--jobs", "1", "a"}, options), ParseResult::Ok);
    EXPECT_EQ(options.BufferSize, 1u);
    EXPECT_EQ(options.Jobs, 1u);
}

TEST(DumpOptions, HelpAndVersionNeedNoBook) {
    DumpOptions help;
    ASSERT_EQ(Parse({"--help"}, help), ParseResult::Ok);
    EXPECT_TRUE(help.ShowHelp);
    DumpOptions version;
    ASSERT_EQ(Parse({"--version"}, version), ParseResult::Ok);
    EXPECT_TRUE(version.ShowVersion);
    EXPECT_EQ(DumpVersion(), "quillsift-dump " QUILLSIFT_VERSION "\n");
}

} // namespace
