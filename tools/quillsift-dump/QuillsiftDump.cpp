// SPDX-License-Identifier: LGPL-3.0-or-later
// quillsift-dump for Linux: loads the filter library, finds the books and dumps them, with as
// many workers as --jobs asks for, to standard output.
#include "tools/common/CommandLine.h"
#include "tools/quillsift-dump/BookFinder.h"
#include "tools/quillsift-dump/Console.h"
#include "tools/quillsift-dump/CoverCommand.h"
#include "tools/quillsift-dump/DumpOptions.h"
#include "tools/quillsift-dump/DumpRun.h"
#include "tools/quillsift-dump/FileOutput.h"
#include "tools/quillsift-dump/FilterLibrary.h"
#include "tools/quillsift-dump/PropertiesDump.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <new>
#include <string>
#include <unistd.h>

namespace {

void WriteError(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stderr);
}

// --help and --version: their output can fail as well as a dump's.
int Print(FileOutput& output, const std::string& text) {
    if (!output.Write(text.data(), text.size())) {
        WriteError("quillsift-dump: cannot write the output: " + output.Error() + "\n");
        return ExitSomeFailed;
    }
    return ExitAllLoaded;
}

// Loads the library the options name, or the one built beside the tool; says why it could not.
bool LoadFilterLibrary(const DumpOptions& options, FilterLibrary& library) {
    const std::string path =
        options.Library.empty() ? FilterLibrary::DefaultPath() : options.Library;
    std::string error;
    if (library.Load(path, error)) {
        return true;
    }
    WriteError("quillsift-dump: cannot load the filter library: " + error + "\n");
    return false;
}

int Main(int argc, char** argv) {
    // A closed pipe must fail the write (EPIPE), not kill the process.
    std::signal(SIGPIPE, SIG_IGN);
    FileOutput output(STDOUT_FILENO);
    if (IsCoverCommand(argc, argv)) {
        return RunCoverCommand(argc, argv);
    }

    DumpOptions options;
    std::string error;
    if (ParseDumpOptions(argc, argv, options, error) != ParseResult::Ok) {
        WriteError("quillsift-dump: " + error + "\nTry 'quillsift-dump --help'.\n");
        return ExitUsage;
    }
    if (options.ShowHelp) {
        return Print(output, DumpUsage(FilterLibrary::DefaultPath()));
    }
    if (options.ShowVersion) {
        return Print(output, DumpVersion());
    }

    if (options.Properties) {
        FilterLibrary library;
        if (!LoadFilterLibrary(options, library)) {
            return ExitLibraryFailed;
        }
        const int status = DumpProperties(library.EntryPoints(), options.Inputs[0], output, error);
        if (!error.empty()) {
            WriteError("quillsift-dump: " + error + "\n");
        }
        if (library.EntryPoints().CanUnloadNow() != S_OK) {
            library.KeepLoaded();
            return ExitLibraryFailed;
        }
        return status;
    }

    BookFinder finder(options.AllFiles);
    for (const std::string& input : options.Inputs) {
        finder.Add(input);
    }
    const std::vector<BookPath>& books = finder.Books();
    const bool html = options.Format == DumpFormat::Html;
    if (html && finder.SawFolder()) {
        WriteError("quillsift-dump: --html takes a book, not a folder\n"
                   "Try 'quillsift-dump --help'.\n");
        return ExitUsage;
    }
    // A folder without a book is most likely the wrong folder: said before anything is read.
    for (const std::string& folder : finder.EmptyFolders()) {
        WriteError("quillsift-dump: " + folder + ": " +
                   (options.AllFiles ? "no file in this folder" : NoBookInFolder) + "\n");
    }
    if (books.empty()) {
        return ExitSomeFailed;
    }

    FilterLibrary library;
    if (!LoadFilterLibrary(options, library)) {
        return ExitLibraryFailed;
    }

    TerminalConsole console(!options.Quiet && books.size() > 1 && ::isatty(STDERR_FILENO));
    DumpRun run(options, library.EntryPoints(), output, console);
    const auto started = std::chrono::steady_clock::now();
    const bool written = run.Run(books, options.Inputs.size() > 1 || finder.SawFolder());
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started;
    console.ClearProgress();
    if (!written) {
        console.Report("quillsift-dump: " + run.OutputError() + "\n");
    }

    const bool canUnload = run.LibraryCanUnload();
    if (!canUnload) {
        // Unmapping code that live objects still point into would crash at exit.
        library.KeepLoaded();
    }
    // A search engine's handler passes stderr on for every book: it stays empty there.
    if (!options.Quiet && !html) {
        console.Report("quillsift-dump: " + run.Totals().Summary(elapsed.count()) + "\n");
    }
    if (!written) {
        return ExitSomeFailed;
    }
    if (!canUnload) {
        return ExitLibraryFailed;
    }
    return run.Totals().FailedLoads == 0 && finder.EmptyFolders().empty() ? ExitAllLoaded
                                                                          : ExitSomeFailed;
}

} // namespace

int main(int argc, char** argv) {
    try {
        return Main(argc, argv);
    } catch (const std::bad_alloc&) {
        // Written without allocating: there may be no memory for a message that needs some.
        std::fputs("quillsift-dump: out of memory\n", stderr);
        return ExitSomeFailed;
    }
}
