// The command line of quillsift-dump.
#pragma once

#include "tools/ChunkDumper.h"

#include <string>
#include <vector>

struct DumpOptions {
    DumpFormat Format = DumpFormat::Text;
    // Characters per GetText portion.
    ULONG BufferSize = 4096;
    // Empty: the library built beside the tool.
    std::string Library;
    // Folders give every file, not only .mobi and .azw.
    bool AllFiles = false;
    bool Quiet = false;
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

// Exit codes.
const int ExitAllLoaded = 0;
const int ExitSomeFailed = 1;
const int ExitUsage = 2;
const int ExitLibraryInUse = 3;
