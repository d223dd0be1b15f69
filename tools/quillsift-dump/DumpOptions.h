// SPDX-License-Identifier: LGPL-3.0-or-later
// The command line of quillsift-dump.
#pragma once

#include "tools/common/CommandLine.h"
#include "tools/common/DumpFormat.h"

#include <string>
#include <vector>

const unsigned MaxJobs = 64;

struct DumpOptions {
    DumpFormat Format = DumpFormat::Text;
    // Characters per GetText portion.
    ULONG BufferSize = DefaultBufferSize;
    // Books dumped at once, each by a thread of its own.
    unsigned Jobs = 1;
    // Empty: the library built beside the tool.
    std::string Library;
    // Folders give every file, not only books.
    bool AllFiles = false;
    bool Quiet = false;
    // --properties: the property handler's store of one book, as JSON.
    bool Properties = false;
    bool ShowHelp = false;
    bool ShowVersion = false;
    std::vector<std::string> Inputs;
};

enum class ParseResult { Ok, UsageError };

// Reads argv[1..argc-1]. On a usage error `error` says what is wrong.
ParseResult ParseDumpOptions(int argc, const char* const* argv, DumpOptions& options,
                             std::string& error);

// The text of --help; `defaultLibrary` says where the library is looked for by default.
std::string DumpUsage(const std::string& defaultLibrary);

std::string DumpVersion();
