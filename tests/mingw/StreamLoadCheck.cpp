// SPDX-License-Identifier: LGPL-3.0-or-later
// Checks the stream adapter in a PE program (mingw-w64), under Wine: each file given is loaded
// by libmobi (or its stand-in) from a read-only file stream of the system, through the
// linker's wrapping of fread, fseek and ftell. A Palm database must load with every record
// holding the file's bytes; anything else must fail to load. The stream's reference count is
// left as it was. Then all files are loaded again on two threads at once.
// Prints "ok: NAME" or "FAIL: NAME: why" per file and load; exits 1 when any failed.
#include "book/load/OpenBook.h"
#include "platform/ComPtr.h"
#include "tests/support/PalmBook.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string Narrow(const WCHAR* text) {
    std::string result;
    for (; *text != 0; ++text) {
        result += *text < 0x80 ? static_cast<char>(*text) : '?';
    }
    return result;
}

bool ReadWholeFile(const WCHAR* path, std::vector<unsigned char>& bytes) {
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

// Returns the reason of a failure, empty when the file passed.
std::string Check(const WCHAR* path) {
    std::vector<unsigned char> bytes;
    if (!ReadWholeFile(path, bytes)) {
        return "cannot read the file";
    }
    const auto expected = PalmBook(bytes).Records();
    ComPtr<IStream> stream;
    if (FAILED(SHCreateStreamOnFileEx(path, STGM_READ | STGM_SHARE_DENY_WRITE,
                                      FILE_ATTRIBUTE_NORMAL, FALSE, nullptr, stream.Put()))) {
        return "cannot open a stream";
    }
    OpenedBook opened;
    const HRESULT loaded = OpenBook(stream.Get(), OpenFor::Rebuilding, opened);
    const MOBIData* book = opened.Book.Get();
    std::string failure;
    if (expected.empty()) {
        failure = loaded == S_OK ? "loaded, though no Palm database" : "";
    } else if (loaded != S_OK) {
        failure = "did not load (" + std::to_string(static_cast<long>(loaded)) + ")";
    } else {
        size_t index = 0;
        for (const MOBIPdbRecord* record = book->rec; record != nullptr && failure.empty();
             record = record->next, ++index) {
            if (index >= expected.size() || record->offset != expected[index].first ||
                record->size != expected[index].second ||
                std::memcmp(record->data, bytes.data() + record->offset, record->size) != 0) {
                failure = "record " + std::to_string(index) + " differs from the file";
            }
        }
        if (failure.empty() && index != expected.size()) {
            failure =
                std::to_string(index) + " records loaded, not " + std::to_string(expected.size());
        }
    }
    opened = OpenedBook();
    stream->AddRef();
    if (failure.empty() && stream->Release() != 1) {
        failure = "the stream's references changed";
    }
    return failure;
}

int Report(const WCHAR* path, const std::string& failure, const char* how) {
    if (failure.empty()) {
        std::printf("ok: %s%s\n", Narrow(path).c_str(), how);
        return 0;
    }
    std::printf("FAIL: %s%s: %s\n", Narrow(path).c_str(), how, failure.c_str());
    return 1;
}

} // namespace

extern "C" int wmain(int argc, WCHAR** argv) {
    if (argc < 2 || FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {
        return 2;
    }
    int failures = 0;
    for (int index = 1; index < argc; ++index) {
        failures += Report(argv[index], Check(argv[index]), "");
    }
    // Each thread loads every file, the two in opposite orders, each with its own stream.
    std::vector<std::string> results[2];
    auto loadAll = [&](int side) {
        for (int i = 1; i < argc; ++i) {
            results[side].push_back(Check(argv[side == 0 ? i : argc - i]));
        }
    };
    std::thread first(loadAll, 0);
    std::thread second(loadAll, 1);
    first.join();
    second.join();
    for (int side = 0; side < 2; ++side) {
        for (int i = 1; i < argc; ++i) {
            failures += Report(argv[side == 0 ? i : argc - i], results[side][i - 1],
                               side == 0 ? " (thread 1)" : " (thread 2)");
        }
    }
    CoUninitialize();
    return failures == 0 ? 0 : 1;
}
