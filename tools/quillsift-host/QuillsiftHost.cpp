// SPDX-License-Identifier: LGPL-3.0-or-later
// quillsift-host: a Windows host of the filter, as the indexer is. It finds the filter class
// for a book's extension in the registry, creates the object with CoCreateInstance, binds a
// read-only file stream from SHCreateStreamOnFileEx through IInitializeWithStream (or
// IPersistStream), or has the filter open the book by its path through IPersistFile, and
// prints the chunks as quillsift-dump does, byte for byte, with the same words for a book that
// gives nothing; folders give their books as quillsift-dump's do; --properties prints a book's
// property store. The commands that take the whole command line (a thumbnail, a preview,
// registration, re-indexing) are rows of Commands below, their code in files of their own.
#include "platform/ComPtr.h"
#include "tools/common/BookConditionWords.h"
#include "tools/common/BookExtension.h"
#include "tools/common/CommandLine.h"
#include "tools/common/DumpFormat.h"
#include "tools/common/DumpSession.h"
#include "tools/common/FormatCode.h"
#include "tools/common/OutputBuffer.h"
#include "tools/common/PropertyStoreJson.h"
#include "tools/common/Utf16ToUtf8.h"
#include "tools/quillsift-host/ActivatedBinder.h"
#include "tools/quillsift-host/BookHandlers.h"
#include "tools/quillsift-host/BookStream.h"
#include "tools/quillsift-host/HostArguments.h"
#include "tools/quillsift-host/HostBookFinder.h"
#include "tools/quillsift-host/HostOutput.h"
#include "tools/quillsift-host/PreviewCommand.h"
#include "tools/quillsift-host/RegisterCommand.h"
#include "tools/quillsift-host/RegisteredFilter.h"
#include "tools/quillsift-host/ReindexCommand.h"
#include "tools/quillsift-host/ThumbnailCommand.h"

#include <algorithm>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace {

const char Usage[] =
    "Usage: quillsift-host [OPTION]... BOOK|FOLDER...\n"
    "  or:  quillsift-host --thumbnail SIZE OUT.png|OUT.bmp BOOK\n"
    "  or:  quillsift-host --preview WIDTHxHEIGHT OUT.png|OUT.bmp BOOK [--scroll N] [--dark]\n"
    "  or:  quillsift-host --register | --unregister | --reindex\n"
    "Finds the filter registered for each book's extension as the indexer does, binds the\n"
    "book as a read-only file stream and prints every chunk, as quillsift-dump does.\n"
    "Folders are walked recursively and give their .mobi, .azw, .azw3 and .prc files;\n"
    "each file that gives nothing gets a line on standard error saying why.\n"
    "\n"
    "Options:\n"
    "  --json             JSON Lines, as quillsift-dump --json\n"
    "  --persist-stream   bind through IPersistStream::Load, not IInitializeWithStream\n"
    "  --by-path          bind through IPersistFile::Load of the book's path, as hosts\n"
    "                     built on LoadIFilter do\n"
    "  --extension .EXT   look up the filter for .EXT instead of the book's own extension\n"
    "  --buffer N         characters per GetText call (default 4096)\n"
    "  --properties BOOK  the store of the property handler registered for the book's\n"
    "                     extension, as one JSON object (as quillsift-dump --properties)\n"
    "\n"
    "--thumbnail asks the thumbnail provider registered for BOOK's extension for a\n"
    "thumbnail whose longer side is at most SIZE, writes it to OUT (a PNG when its name\n"
    "ends in .png, else a 32-bit BMP) and prints its size and alpha type; exit status 1\n"
    "and no file when there is none.\n"
    "\n"
    "--preview shows BOOK in a window of WIDTHxHEIGHT through the preview handler\n"
    "registered for its extension, as Explorer's preview pane does, and writes what the\n"
    "window shows to OUT (a PNG when its name ends in .png); --scroll N pages down N times\n"
    "first, --dark hands the handler Explorer's dark colours. Prints the time DoPreview took.\n"
    "\n"
    "--register and --unregister have the quillsift.dll beside this program register or\n"
    "unregister itself (as administrator). --reindex asks Windows Search to read again\n"
    "the .mobi, .azw and .azw3 files it has indexed (as administrator); exit status 4\n"
    "when Windows Search is not there.\n";

// The commands that take the whole command line, each named by its first argument, and the
// apartment each runs in; any other command line dumps books, in the multithreaded apartment
// the indexer's filter host gives filters.
struct HostCommand {
    const char* Name;
    int (*Run)(int argc, WCHAR** argv);
    DWORD Apartment;
};
const HostCommand Commands[] = {
    {"--thumbnail", RunThumbnailCommand, COINIT_MULTITHREADED},
    // A window's thread: the preview handler, an Apartment class, lives in it.
    {"--preview", RunPreviewCommand, COINIT_APARTMENTTHREADED},
    {"--register", RunRegisterCommand, COINIT_MULTITHREADED},
    {"--unregister", RunUnregisterCommand, COINIT_MULTITHREADED},
    {"--reindex", RunReindexCommand, COINIT_MULTITHREADED},
};

// The command that `argv` names anywhere on the line; null for a dump. Its name is moved to
// argv[1], where the command looks for it, the other arguments keeping their order.
const HostCommand* FindCommand(int argc, WCHAR** argv);

struct HostOptions {
    DumpFormat Format = DumpFormat::Text;
    BindingInterface Binding = BindingInterface::InitializeWithStream;
    bool ByPath = false;
    ULONG BufferSize = DefaultBufferSize;
    const WCHAR* Extension = nullptr;
    bool Properties = false;
    std::vector<const WCHAR*> Books;
};

bool ParseOptions(int argc, WCHAR** argv, HostOptions& options, std::string& error) {
    for (int index = 1; index < argc; ++index) {
        const WCHAR* argument = argv[index];
        if (Equals(argument, "--json")) {
            options.Format = DumpFormat::Json;
        } else if (Equals(argument, "--properties")) {
            options.Properties = true;
        } else if (Equals(argument, "--persist-stream")) {
            options.Binding = BindingInterface::PersistStream;
        } else if (Equals(argument, "--by-path")) {
            options.ByPath = true;
        } else if (Equals(argument, "--extension") || Equals(argument, "--buffer")) {
            if (index + 1 >= argc) {
                error = ToUtf8(argument) + " needs a value";
                return false;
            }
            const WCHAR* value = argv[++index];
            if (Equals(argument, "--extension")) {
                options.Extension = value;
                continue;
            }
            if (!ParseBufferSize(ToUtf8(value), options.BufferSize)) {
                error = BufferSizeError();
                return false;
            }
        } else if (argument[0] == '-' && argument[1] != 0) {
            error = "unknown option " + ToUtf8(argument);
            return false;
        } else {
            options.Books.push_back(argument);
        }
    }
    if (options.Books.empty()) {
        error = "no book given";
        return false;
    }
    if (options.ByPath && options.Binding == BindingInterface::PersistStream) {
        error = "--by-path and --persist-stream are two ways of binding: choose one";
        return false;
    }
    if (options.Properties && options.Books.size() != 1) {
        error = "--properties takes exactly one book";
        return false;
    }
    return true;
}

// Returns false when the book could not be bound.
bool DumpBook(const HostOptions& options, const HostBookPath& book, bool labelled,
              ActivatedBinder& binder, DumpSession& session) {
    const WCHAR* path = book.Path.data();
    const std::vector<WCHAR> ownExtension = ExtensionOf(path);
    CLSID filterClass;
    std::string words;
    const HRESULT found = FindBookHandler(
        BookHandler::Filter, options.Extension ? options.Extension : ownExtension.data(),
        &filterClass, words);
    binder.UseClass(found, filterClass, words);
    binder.UseBook(path);
    // Opened when binding by path too: the host measures the book through it and reports a
    // file that does not open as it does for a stream. Its share mode lets others read, so
    // the filter's own read-only open succeeds beside it.
    ComPtr<IStream> stream;
    const HRESULT opened = book.Unreadable ? E_ACCESSDENIED : OpenBookStream(path, stream.Put());
    const std::string name = ToUtf8(path);
    const DumpTotals counts =
        session.DumpBook(name, labelled ? name : std::string(),
                         SUCCEEDED(opened) ? stream.Get() : nullptr, opened, WriteStandardError);
    return counts.FailedLoads == 0;
}

// The store of the handler that the registry names for the book's extension, created by COM
// and bound to a read-only file stream, as Explorer does.
int PrintProperties(const HostOptions& options) {
    const WCHAR* path = options.Books[0];
    const std::string name = ToUtf8(path);
    const std::vector<WCHAR> ownExtension = ExtensionOf(path);
    const WCHAR* extension = options.Extension ? options.Extension : ownExtension.data();
    ComPtr<IStream> stream;
    if (!OpenBookStreamOrSay(path, stream)) {
        return ExitSomeFailed;
    }
    CLSID handlerClass;
    std::string words;
    HRESULT result = FindBookHandler(BookHandler::PropertyHandler, extension, &handlerClass, words);
    std::string json;
    if (SUCCEEDED(result)) {
        result = ReadPropertyStoreJson(
            [&handlerClass](REFIID riid, void** object) {
                return CoCreateInstance(handlerClass, nullptr, CLSCTX_INPROC_SERVER, riid, object);
            },
            stream.Get(), json, words);
    }
    if (FAILED(result)) {
        WriteError(name + ": " + FailureWords(words, "no properties", result));
        return ExitSomeFailed;
    }
    const int status = WriteOut(json);
    if (!words.empty()) {
        WriteError(name + ": " + words);
    }
    return status;
}

const HostCommand* FindCommand(int argc, WCHAR** argv) {
    for (int index = 1; index < argc; ++index) {
        for (const HostCommand& command : Commands) {
            if (Equals(argv[index], command.Name)) {
                std::rotate(argv + 1, argv + index, argv + index + 1);
                return &command;
            }
        }
    }
    return nullptr;
}

int Run(int argc, WCHAR** argv, const HostCommand* command) {
    HostOptions options;
    std::string error;
    if (argc == 2 && (Equals(argv[1], "--help") || Equals(argv[1], "-h"))) {
        return WriteOut(Usage);
    }
    if (command != nullptr) {
        return command->Run(argc, argv);
    }
    if (!ParseOptions(argc, argv, options, error)) {
        WriteError(error + "\nTry 'quillsift-host --help'.");
        return ExitUsage;
    }
    if (options.Properties) {
        return PrintProperties(options);
    }
    HandleOutput output(STD_OUTPUT_HANDLE);
    OutputBuffer buffer(&output);
    const std::unique_ptr<ChunkWriter> writer = MakeChunkWriter(options.Format, buffer);
    ActivatedBinder binder =
        options.ByPath ? ActivatedBinder::ByPath() : ActivatedBinder(options.Binding);
    DumpSession session("quillsift-host", binder, *writer, options.BufferSize);
    HostBookFinder finder;
    for (const WCHAR* input : options.Books) {
        finder.Add(input);
    }
    const bool labelled = options.Books.size() > 1 || finder.SawFolder();
    bool allLoaded = finder.EmptyFolders().empty();
    for (const WCHAR* folder : finder.EmptyFolders()) {
        WriteError(ToUtf8(folder) + ": " + NoBookInFolder);
    }
    for (const HostBookPath& book : finder.Books()) {
        bool loaded = false;
        try {
            loaded = DumpBook(options, book, labelled, binder, session);
        } catch (const std::bad_alloc&) {
            // The host itself ran out with this book: the next one is dumped all the same.
            WriteError(ToUtf8(book.Path.data()) + ": " + OutOfMemoryWords);
        }
        allLoaded = loaded && allLoaded;
        if (!buffer.Flush()) {
            WriteError("cannot write the output (" + output.Error() + ")");
            return ExitSomeFailed;
        }
    }
    return allLoaded ? ExitAllLoaded : ExitSomeFailed;
}

} // namespace

// The UTF-16 entry point (-municode): book paths arrive as the system has them.
extern "C" int wmain(int argc, WCHAR** argv) {
    const HostCommand* command = FindCommand(argc, argv);
    if (FAILED(CoInitializeEx(nullptr, command != nullptr
                                           ? command->Apartment
                                           : static_cast<DWORD>(COINIT_MULTITHREADED)))) {
        WriteError("CoInitializeEx failed");
        return ExitSomeFailed;
    }
    int status = ExitSomeFailed;
    try {
        status = Run(argc, argv, command);
    } catch (const std::bad_alloc&) {
        // Written without allocating: there may be no memory for a message that needs some.
        static const char line[] = "quillsift-host: out of memory\n";
        DWORD written = 0;
        WriteFile(GetStdHandle(STD_ERROR_HANDLE), line, sizeof(line) - 1, &written, nullptr);
    }
    CoUninitialize();
    return status;
}
