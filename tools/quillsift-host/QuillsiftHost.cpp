// quillsift-host: a Windows host of the filter, as the indexer is. It finds the filter class
// for a book's extension in the registry, creates the object with CoCreateInstance, binds a
// read-only file stream from SHCreateStreamOnFileEx through IInitializeWithStream (or
// IPersistStream) and prints the chunks as quillsift-dump does, byte for byte.
#include "platform/ComPtr.h"
#include "tools/ChunkDumper.h"
#include "tools/JsonWriter.h"
#include "tools/win/FilterActivation.h"
#include "tools/win/ModuleResources.h"
#include "tools/win/RegisteredFilter.h"
#include "tools/win/WideText.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace {

const int ExitAllLoaded = 0;
const int ExitSomeFailed = 1;
const int ExitUsage = 2;

const char Usage[] =
    "Usage: quillsift-host [OPTION]... BOOK...\n"
    "       quillsift-host --resources [--extension .EXT]\n"
    "Finds the filter registered for each book's extension as the indexer does, binds the\n"
    "book as a read-only file stream and prints every chunk, as quillsift-dump does.\n"
    "\n"
    "Options:\n"
    "  --json             JSON Lines, as quillsift-dump --json\n"
    "  --persist-stream   bind through IPersistStream::Load, not IInitializeWithStream\n"
    "  --extension .EXT   look up the filter for .EXT instead of the book's own extension\n"
    "  --buffer N         characters per GetText call (default 4096)\n"
    "  --resources        print the version information and the manifest of the module\n"
    "                     that implements the filter\n";

void Write(DWORD handleId, const std::string& text) {
    HANDLE handle = GetStdHandle(handleId);
    size_t done = 0;
    while (done < text.size()) {
        DWORD written = 0;
        const DWORD portion = static_cast<DWORD>(text.size() - done);
        if (!WriteFile(handle, text.data() + done, portion, &written, nullptr) || written == 0) {
            return;
        }
        done += written;
    }
}

void WriteOut(const std::string& text) {
    Write(STD_OUTPUT_HANDLE, text);
}
void WriteError(const std::string& text) {
    Write(STD_ERROR_HANDLE, "quillsift-host: " + text);
}

bool Equals(const WCHAR* a, const char* b) {
    for (; *a != 0 && *b != 0; ++a, ++b) {
        if (*a != static_cast<WCHAR>(static_cast<unsigned char>(*b))) {
            return false;
        }
    }
    return *a == 0 && *b == 0;
}

// The extension of the file name at the end of `path`, with its dot; empty when it has none.
std::vector<WCHAR> ExtensionOf(const WCHAR* path) {
    const WCHAR* dot = nullptr;
    for (const WCHAR* c = path; *c != 0; ++c) {
        if (*c == '\\' || *c == '/' || *c == ':') {
            dot = nullptr;
        } else if (*c == '.') {
            dot = c;
        }
    }
    std::vector<WCHAR> extension;
    for (const WCHAR* c = dot; c != nullptr && *c != 0; ++c) {
        extension.push_back(*c);
    }
    extension.push_back(0);
    return extension;
}

struct HostOptions {
    DumpFormat Format = DumpFormat::Text;
    BindingInterface Binding = BindingInterface::InitializeWithStream;
    ULONG BufferSize = 4096;
    const WCHAR* Extension = nullptr;
    bool Resources = false;
    std::vector<const WCHAR*> Books;
};

bool ParseOptions(int argc, WCHAR** argv, HostOptions& options, std::string& error) {
    for (int index = 1; index < argc; ++index) {
        const WCHAR* argument = argv[index];
        if (Equals(argument, "--json")) {
            options.Format = DumpFormat::Json;
        } else if (Equals(argument, "--persist-stream")) {
            options.Binding = BindingInterface::PersistStream;
        } else if (Equals(argument, "--resources")) {
            options.Resources = true;
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
            const std::string digits = ToUtf8(value);
            char* end = nullptr;
            const unsigned long size = std::strtoul(digits.c_str(), &end, 10);
            if (digits.empty() || *end != 0 || size == 0 || size > (1UL << 24)) {
                error = "--buffer needs a number of characters from 1 to 16777216";
                return false;
            }
            options.BufferSize = static_cast<ULONG>(size);
        } else if (argument[0] == '-' && argument[1] != 0) {
            error = "unknown option " + ToUtf8(argument);
            return false;
        } else {
            options.Books.push_back(argument);
        }
    }
    if (options.Books.empty() && !options.Resources) {
        error = "no book given";
        return false;
    }
    return true;
}

HRESULT FindFilterFor(const WCHAR* extension, CLSID* filterClass) {
    const HRESULT found = FindRegisteredFilter(extension, filterClass);
    if (FAILED(found)) {
        WriteError("no filter registered for " + ToUtf8(extension) + " (" + FormatCode(found) +
                   ")\n");
    }
    return found;
}

// Returns false when the book could not be bound.
bool DumpBook(const HostOptions& options, const WCHAR* path, ChunkDumper& dumper) {
    const std::string name = ToUtf8(path);
    dumper.SetFileLabel(options.Books.size() > 1 ? name : std::string());

    const std::vector<WCHAR> ownExtension = ExtensionOf(path);
    CLSID filterClass;
    HRESULT result =
        FindFilterFor(options.Extension ? options.Extension : ownExtension.data(), &filterClass);
    ComPtr<IStream> stream;
    if (SUCCEEDED(result)) {
        result = SHCreateStreamOnFileEx(path, STGM_READ | STGM_SHARE_DENY_WRITE,
                                        FILE_ATTRIBUTE_NORMAL, FALSE, nullptr, stream.Put());
        if (FAILED(result)) {
            WriteError(name + ": cannot open (" + FormatCode(result) + ")\n");
        }
    }
    ComPtr<IFilter> filter;
    if (SUCCEEDED(result)) {
        result = CreateBoundFilter(filterClass, options.Binding, stream.Get(), filter);
        if (FAILED(result)) {
            WriteError(name + ": cannot load (" + FormatCode(result) + ")\n");
        }
    }
    if (FAILED(result)) {
        dumper.WriteLoadFailure(result);
        return false;
    }
    const HRESULT end = dumper.Dump(filter.Get());
    if (end != FILTER_E_END_OF_CHUNKS) {
        WriteError(name + ": the chunks ended with " + FormatCode(end) +
                   ", not FILTER_E_END_OF_CHUNKS\n");
    }
    return true;
}

int ShowResources(const HostOptions& options) {
    const WCHAR* extension = options.Extension ? options.Extension : UTF16(".mobi");
    CLSID filterClass;
    if (FAILED(FindFilterFor(extension, &filterClass))) {
        return ExitSomeFailed;
    }
    ComPtr<IUnknown> object;
    const HRESULT created = CoCreateInstance(filterClass, nullptr, CLSCTX_INPROC_SERVER,
                                             IID_IUnknown, object.PutVoid());
    HMODULE module = SUCCEEDED(created) && object ? ModuleOfObject(object.Get()) : nullptr;
    if (module == nullptr) {
        WriteError("cannot create the filter object (" + FormatCode(created) + ")\n");
        return ExitSomeFailed;
    }
    WriteOut(DescribeModuleResources(module));
    return ExitAllLoaded;
}

int Run(int argc, WCHAR** argv) {
    HostOptions options;
    std::string error;
    if (argc == 2 && (Equals(argv[1], "--help") || Equals(argv[1], "-h"))) {
        WriteOut(Usage);
        return ExitAllLoaded;
    }
    if (!ParseOptions(argc, argv, options, error)) {
        WriteError(error + "\nTry 'quillsift-host --help'.\n");
        return ExitUsage;
    }
    if (options.Resources) {
        return ShowResources(options);
    }
    ChunkDumper dumper(options.Format, options.BufferSize, WriteOut);
    bool allLoaded = true;
    for (const WCHAR* book : options.Books) {
        allLoaded = DumpBook(options, book, dumper) && allLoaded;
    }
    return allLoaded ? ExitAllLoaded : ExitSomeFailed;
}

} // namespace

// The UTF-16 entry point (-municode): book paths arrive as the system has them.
extern "C" int wmain(int argc, WCHAR** argv) {
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {
        WriteError("CoInitializeEx failed\n");
        return ExitSomeFailed;
    }
    const int status = Run(argc, argv);
    CoUninitialize();
    return status;
}
