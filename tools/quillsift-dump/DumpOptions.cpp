// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/quillsift-dump/DumpOptions.h"

#include <cstdlib>
#include <cstring>

namespace {

// Accepts "--name VALUE" and "--name=VALUE"; moves `index` past what it used.
bool TakeValue(int argc, const char* const* argv, int& index, const char* name, std::string& value,
               bool& missing) {
    const char* argument = argv[index];
    const size_t nameLength = std::strlen(name);
    if (std::strncmp(argument, name, nameLength) != 0) {
        return false;
    }
    if (argument[nameLength] == '=') {
        value = argument + nameLength + 1;
        return true;
    }
    if (argument[nameLength] != 0) {
        return false;
    }
    if (index + 1 >= argc) {
        missing = true;
        return true;
    }
    value = argv[++index];
    return true;
}

bool ParseJobs(const std::string& text, unsigned& jobs) {
    if (text.empty() || text.size() > 3 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    const unsigned long value = std::strtoul(text.c_str(), nullptr, 10);
    if (value == 0 || value > MaxJobs) {
        return false;
    }
    jobs = static_cast<unsigned>(value);
    return true;
}

} // namespace

ParseResult ParseDumpOptions(int argc, const char* const* argv, DumpOptions& options,
                             std::string& error) {
    bool optionsEnded = false;
    for (int index = 1; index < argc; ++index) {
        const std::string argument = argv[index];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            options.Inputs.push_back(argument);
            continue;
        }
        std::string value;
        bool missing = false;
        if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--json" || argument == "--html") {
            const DumpFormat format = argument == "--json" ? DumpFormat::Json : DumpFormat::Html;
            if (options.Format != DumpFormat::Text && options.Format != format) {
                error = "--json and --html cannot be combined";
                return ParseResult::UsageError;
            }
            options.Format = format;
        } else if (argument == "--properties") {
            options.Properties = true;
        } else if (argument == "--all-files") {
            options.AllFiles = true;
        } else if (argument == "--quiet" || argument == "-q") {
            options.Quiet = true;
        } else if (argument == "--help" || argument == "-h") {
            options.ShowHelp = true;
        } else if (argument == "--version") {
            options.ShowVersion = true;
        } else if (TakeValue(argc, argv, index, "--buffer", value, missing)) {
            if (missing || !ParseBufferSize(value, options.BufferSize)) {
                error = BufferSizeError();
                return ParseResult::UsageError;
            }
        } else if (TakeValue(argc, argv, index, "--jobs", value, missing)) {
            if (missing || !ParseJobs(value, options.Jobs)) {
                error =
                    "--jobs needs a number of books at once from 1 to " + std::to_string(MaxJobs);
                return ParseResult::UsageError;
            }
        } else if (TakeValue(argc, argv, index, "--library", value, missing)) {
            if (missing || value.empty()) {
                error = "--library needs a path";
                return ParseResult::UsageError;
            }
            options.Library = value;
        } else {
            error = "unknown option " + argument;
            return ParseResult::UsageError;
        }
    }
    if (options.ShowHelp || options.ShowVersion) {
        return ParseResult::Ok;
    }
    if (options.Inputs.empty()) {
        error = "no book given";
        return ParseResult::UsageError;
    }
    if (options.Properties && (options.Format != DumpFormat::Text || options.Inputs.size() != 1)) {
        error = "--properties takes exactly one book, alone";
        return ParseResult::UsageError;
    }
    // One document is one book: an indexer's handler is called once per file.
    if (options.Format == DumpFormat::Html && options.Inputs.size() != 1) {
        error = "--html takes exactly one book";
        return ParseResult::UsageError;
    }
    return ParseResult::Ok;
}

std::string DumpUsage(const std::string& defaultLibrary) {
    return "Usage: quillsift-dump [OPTION]... PATH...\n"
           "  or:  quillsift-dump --html [OPTION]... BOOK\n"
           "  or:  quillsift-dump --properties [--library PATH] BOOK\n"
           "  or:  quillsift-dump [--library PATH] --cover OUT BOOK\n"
           "Loads the Quillsift filter library, binds each book to a filter object as an\n"
           "indexer does and prints every chunk it yields: title, author, text parts.\n"
           "A PATH may be a book or a folder; folders are walked recursively and give\n"
           "their .mobi, .azw, .azw3 and .prc files (letter case ignored). A book that\n"
           "gives nothing gets a line on stderr saying why; a damaged or encrypted book\n"
           "one saying what it still gave.\n"
           "\n"
           "Options:\n"
           "  --json            JSON Lines: one object per chunk, then {\"end\":CODE};\n"
           "                    {\"load\":CODE,\"reason\":WORDS} alone when a book cannot\n"
           "                    be bound\n"
           "  --html            one HTML document for one BOOK (title, author, a paragraph\n"
           "                    per line of text), as a desktop search handler; no summary\n"
           "                    on stderr; nothing on stdout when the book does not load\n"
           "  --properties      the book's property handler's store as one JSON object\n"
           "                    (\"System.Title\", \"System.Author\"...), as Explorer reads it\n"
           "  --buffer N        characters per GetText call (default 4096)\n"
           "  --jobs N          dump N books at once, each with its own filter object;\n"
           "                    the output stays in the order of the books (default 1)\n"
           "  --library PATH    the filter library to load (default: " +
           defaultLibrary +
           ")\n"
           "  --all-files       take every file found in folders\n"
           "  --cover OUT       write BOOK's cover picture to OUT, its bytes as the book\n"
           "                    holds them; exit status 1 and no OUT when it has none\n"
           "  -q, --quiet       no progress line and no summary on stderr\n"
           "  -h, --help        show this help\n"
           "      --version     show the version\n"
           "\n"
           "Exit status: 0 every book loaded, 1 some did not, a folder held no book or the\n"
           "output could not be written, 2 usage error, 3 the library could not be loaded\n"
           "or stayed in use (DllCanUnloadNow).\n";
}

std::string DumpVersion() {
    return "quillsift-dump " QUILLSIFT_VERSION "\n";
}
