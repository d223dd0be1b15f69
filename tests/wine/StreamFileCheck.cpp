// Checks the stream adapter as the Windows C runtime builds it (book/StreamFile.cpp with
// mingw-w64, where the book goes through a temporary file): for each file given, the FILE made
// over a read-only file stream gives the file's bytes, from the start and after seeks, leaves
// the stream's reference count as it was and leaves no temporary file behind.
// Prints "ok: NAME" or "FAIL: NAME: why" per file; exits 1 when any failed.
#include "book/StreamFile.h"
#include "platform/ComPtr.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string Narrow(const WCHAR* text) {
    std::string result;
    for (; *text != 0; ++text) {
        result += *text < 0x80 ? static_cast<char>(*text) : '?';
    }
    return result;
}

bool ReadFile(const WCHAR* path, std::vector<unsigned char>& bytes) {
    FILE* file = _wfopen(path, UTF16("rb"));
    if (file == nullptr) {
        return false;
    }
    unsigned char block[4096];
    size_t count;
    while ((count = std::fread(block, 1, sizeof(block), file)) > 0) {
        bytes.insert(bytes.end(), block, block + count);
    }
    std::fclose(file);
    return true;
}

// Reads from the FILE's current position to its end.
std::vector<unsigned char> ReadRest(FILE* file) {
    std::vector<unsigned char> bytes;
    unsigned char block[1000];
    size_t count;
    while ((count = std::fread(block, 1, sizeof(block), file)) > 0) {
        bytes.insert(bytes.end(), block, block + count);
    }
    return bytes;
}

unsigned CountTemporaryFiles() {
    WCHAR pattern[MAX_PATH + 16];
    const DWORD length = GetTempPathW(MAX_PATH + 1, pattern);
    if (length == 0 || length > MAX_PATH) {
        return 0;
    }
    const WCHAR suffix[] = UTF16("qsf*.tmp");
    for (size_t i = 0; i < sizeof(suffix) / sizeof(suffix[0]); ++i) {
        pattern[length + i] = suffix[i];
    }
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) {
        return 0;
    }
    unsigned count = 0;
    do {
        ++count;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return count;
}

// Returns the reason of a failure, empty when the file passed.
std::string Check(const WCHAR* path) {
    std::vector<unsigned char> expected;
    if (!ReadFile(path, expected)) {
        return "cannot read the file";
    }
    ComPtr<IStream> stream;
    if (FAILED(SHCreateStreamOnFileEx(path, STGM_READ | STGM_SHARE_DENY_WRITE,
                                      FILE_ATTRIBUTE_NORMAL, FALSE, nullptr, stream.Put()))) {
        return "cannot open a stream";
    }
    const unsigned temporaryBefore = CountTemporaryFiles();
    FILE* file = OpenStreamAsFile(stream.Get());
    if (file == nullptr) {
        return "OpenStreamAsFile gave no FILE";
    }
    std::string failure;
    const long size = static_cast<long>(expected.size());
    if (ReadRest(file) != expected) {
        failure = "the bytes read differ from the file";
    } else if (std::fseek(file, size / 2, SEEK_SET) != 0 ||
               ReadRest(file) !=
                   std::vector<unsigned char>(expected.begin() + size / 2, expected.end())) {
        failure = "reading after a seek to the middle differs";
    } else if (size >= 7 && (std::fseek(file, -7, SEEK_END) != 0 || std::ftell(file) != size - 7 ||
                             ReadRest(file).size() != 7)) {
        failure = "a seek from the end went wrong";
    }
    std::fclose(file);
    if (failure.empty()) {
        stream->AddRef();
        if (stream->Release() != 1) {
            failure = "the stream's references changed";
        } else if (CountTemporaryFiles() != temporaryBefore) {
            failure = "a temporary file was left behind";
        }
    }
    return failure;
}

} // namespace

extern "C" int wmain(int argc, WCHAR** argv) {
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {
        return 2;
    }
    int status = argc > 1 ? 0 : 2;
    for (int index = 1; index < argc; ++index) {
        const std::string failure = Check(argv[index]);
        if (failure.empty()) {
            std::printf("ok: %s\n", Narrow(argv[index]).c_str());
        } else {
            std::printf("FAIL: %s: %s\n", Narrow(argv[index]).c_str(), failure.c_str());
            status = 1;
        }
    }
    CoUninitialize();
    return status;
}
