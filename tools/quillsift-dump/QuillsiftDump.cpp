// quillsift-dump for Linux: loads the filter library, opens the books as streams and hands
// them to the portable dump session.
#include "tools/DumpOptions.h"
#include "tools/DumpSession.h"
#include "tools/posix/BookFinder.h"
#include "tools/posix/FileStream.h"
#include "tools/posix/FilterLibrary.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

size_t TerminalWidth() {
    winsize size{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 1) {
        return size.ws_col - 1;
    }
    return 79;
}

void Write(std::FILE* file, const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), file);
}

} // namespace

int main(int argc, char** argv) {
    DumpOptions options;
    std::string error;
    if (ParseDumpOptions(argc, argv, options, error) != ParseResult::Ok) {
        Write(stderr, "quillsift-dump: " + error + "\nTry 'quillsift-dump --help'.\n");
        return ExitUsage;
    }
    if (options.ShowHelp) {
        Write(stdout, DumpUsage(FilterLibrary::DefaultPath()));
        return ExitAllLoaded;
    }
    if (options.ShowVersion) {
        Write(stdout, DumpVersion());
        return ExitAllLoaded;
    }

    const std::string libraryPath =
        options.Library.empty() ? FilterLibrary::DefaultPath() : options.Library;
    FilterLibrary library;
    if (!library.Load(libraryPath, error)) {
        Write(stderr, "quillsift-dump: cannot load the filter library: " + error + "\n");
        return ExitLibraryInUse;
    }

    BookFinder finder(options.AllFiles);
    for (const std::string& input : options.Inputs) {
        finder.Add(input);
    }
    const std::vector<BookPath>& books = finder.Books();

    const bool showProgress = !options.Quiet && books.size() > 1 && ::isatty(STDERR_FILENO);
    const size_t width = showProgress ? TerminalWidth() : 0;
    bool progressShown = false;
    auto clearProgress = [&progressShown]() {
        if (progressShown) {
            Write(stderr, "\r\033[K");
            progressShown = false;
        }
    };

    DumpSession session(
        options, library.EntryPoints(), [](const std::string& text) { Write(stdout, text); },
        [&clearProgress](const std::string& text) {
            clearProgress();
            Write(stderr, text);
        });
    session.SetLabelled(options.Inputs.size() > 1 || finder.SawFolder());

    const auto started = std::chrono::steady_clock::now();
    for (size_t index = 0; index < books.size(); ++index) {
        const BookPath& book = books[index];
        if (showProgress) {
            clearProgress();
            Write(stderr, FormatProgress(index + 1, books.size(), book.Path, width));
            std::fflush(stderr);
            progressShown = true;
        }
        if (book.Unreadable) {
            session.DumpBook(book.Path, nullptr, E_ACCESSDENIED);
            continue;
        }
        IStream* stream = nullptr;
        const HRESULT opened = FileStream::Open(book.Path, &stream);
        session.DumpBook(book.Path, stream, opened);
        if (stream != nullptr) {
            stream->Release();
        }
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started;
    clearProgress();
    std::fflush(stdout);

    const bool canUnload = session.LibraryCanUnload();
    if (!canUnload) {
        // Unmapping code that live objects still point into would crash at exit.
        library.KeepLoaded();
    }
    if (!options.Quiet) {
        Write(stderr, "quillsift-dump: " + session.Totals().Summary(elapsed.count()) + "\n");
    }
    if (!canUnload) {
        return ExitLibraryInUse;
    }
    return session.Totals().FailedLoads == 0 ? ExitAllLoaded : ExitSomeFailed;
}
