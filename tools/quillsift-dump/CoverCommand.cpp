// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/quillsift-dump/CoverCommand.h"

#include "book/IBookCover.h"
#include "module/ClassIds.h"
#include "platform/ComPtr.h"
#include "platform/ReturnIfFailed.h"
#include "platform/UniqueAny.h"
#include "platform/native/FileStream.h"
#include "tools/common/BookConditionWords.h"
#include "tools/common/CommandLine.h"
#include "tools/common/OpenFailure.h"
#include "tools/quillsift-dump/BookFinder.h"
#include "tools/quillsift-dump/FilterLibrary.h"
#include "tools/quillsift-dump/PosixHolders.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>

namespace {

struct CoverOptions {
    std::string Library;
    std::string Output;
    std::string Book;
};

void WriteError(const std::string& text) {
    const std::string line = "quillsift-dump: " + text + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
}

bool ParseCoverOptions(int argc, const char* const* argv, CoverOptions& options,
                       std::string& error) {
    for (int index = 1; index < argc; ++index) {
        const std::string argument = argv[index];
        if (argument == "--cover" || argument == "--library") {
            if (index + 1 >= argc || argv[index + 1][0] == 0) {
                error = argument + " needs a path";
                return false;
            }
            (argument == "--cover" ? options.Output : options.Library) = argv[++index];
        } else if (argument.size() > 1 && argument[0] == '-') {
            error = "--cover takes only --library besides: " + argument;
            return false;
        } else if (!options.Book.empty()) {
            error = "--cover takes exactly one book";
            return false;
        } else {
            options.Book = argument;
        }
    }
    if (options.Book.empty()) {
        error = "no book given";
        return false;
    }
    return true;
}

// The cover's bytes from a thumbnail provider object of the library, bound to the book, and
// what the module says of the book.
HRESULT ReadCover(const FilterEntryPoints& entryPoints, IStream* stream, CoTaskMemPtr<BYTE>& bytes,
                  ULONG& size, std::string& words) {
    CLSID classId;
    RETURN_IF_FAILED(CLSIDFromString(CLSID_BookThumbnailProvider, &classId));
    ComPtr<IClassFactory> factory;
    RETURN_IF_FAILED(entryPoints.GetClassObject(classId, IID_IClassFactory, factory.PutVoid()));
    ComPtr<IInitializeWithStream> provider;
    RETURN_IF_FAILED(
        factory->CreateInstance(nullptr, IID_IInitializeWithStream, provider.PutVoid()));
    const HRESULT bound = provider->Initialize(stream, STGM_READ);
    words = BookConditionWords(provider.Get());
    RETURN_IF_FAILED(bound);
    ComPtr<IBookCover> cover;
    RETURN_IF_FAILED(provider->QueryInterface(IID_IBookCover, cover.PutVoid()));
    return cover->GetCoverBytes(bytes.Put(), &size);
}

// Writes the whole of `data` to a new `path`; on failure nothing is left there.
bool WriteNewFile(const std::string& path, const BYTE* data, size_t size, std::string& error) {
    FileDescriptor file(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    bool written = static_cast<bool>(file);
    while (written && size != 0) {
        const ssize_t count = ::write(file.Get(), data, size);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        written = count > 0;
        if (written) {
            data += count;
            size -= static_cast<size_t>(count);
        }
    }
    if (written && ::close(file.Detach()) != 0) {
        written = false;
    }
    if (!written) {
        error = std::strerror(errno);
        file.Reset();
        ::unlink(path.c_str());
    }
    return written;
}

} // namespace

bool IsCoverCommand(int argc, const char* const* argv) {
    for (int index = 1; index < argc; ++index) {
        if (std::strcmp(argv[index], "--cover") == 0) {
            return true;
        }
    }
    return false;
}

int RunCoverCommand(int argc, const char* const* argv) {
    CoverOptions options;
    std::string error;
    if (!ParseCoverOptions(argc, argv, options, error)) {
        WriteError(error + "\nTry 'quillsift-dump --help'.");
        return ExitUsage;
    }
    FilterLibrary library;
    const std::string libraryPath =
        options.Library.empty() ? FilterLibrary::DefaultPath() : options.Library;
    if (!library.Load(libraryPath, error)) {
        WriteError("cannot load the filter library: " + error);
        return ExitLibraryFailed;
    }
    ComPtr<IStream> stream;
    const HRESULT opened = FileStream::Open(options.Book.c_str(), stream.Put());
    if (FAILED(opened)) {
        WriteError(options.Book + ": " + OpenFailureWords(opened, IsFolder(options.Book)));
        return ExitSomeFailed;
    }
    CoTaskMemPtr<BYTE> bytes;
    ULONG size = 0;
    std::string words;
    const HRESULT read = ReadCover(library.EntryPoints(), stream.Get(), bytes, size, words);
    stream.Reset();
    if (library.EntryPoints().CanUnloadNow() != S_OK) {
        library.KeepLoaded();
    }
    if (read == WTS_E_FAILEDEXTRACTION) {
        // A book cut short says whether its cover was cut off.
        WriteError(options.Book + ": " + (words.empty() ? "no cover" : words));
        return ExitSomeFailed;
    }
    if (FAILED(read)) {
        WriteError(options.Book + ": " + FailureWords(words, "no cover", read));
        return ExitSomeFailed;
    }
    if (!WriteNewFile(options.Output, bytes.Get(), size, error)) {
        WriteError("cannot write " + options.Output + ": " + error);
        return ExitSomeFailed;
    }
    if (!words.empty()) {
        WriteError(options.Book + ": " + words);
    }
    return ExitAllLoaded;
}
