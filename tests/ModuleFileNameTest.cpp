// SPDX-License-Identifier: LGPL-3.0-or-later
// GetModuleFileNameW of the native build: the module's own path in UTF-16, cut as on Windows
// when the buffer is short.
#include "module/ModuleHandle.h"
#include "platform/Platform.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::u16string Widen(const std::string& ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

class LoadedLibrary {
public:
    explicit LoadedLibrary(const char* path) : Handle(dlopen(path, RTLD_NOW | RTLD_LOCAL)) {}
    ~LoadedLibrary() {
        if (Handle != nullptr) {
            dlclose(Handle);
        }
    }
    HMODULE Get() const { return static_cast<HMODULE>(Handle); }

private:
    void* Handle;
};

TEST(GetModuleFileNameW, GivesTheLoadedLibrarysAbsolutePath) {
    LoadedLibrary library(QUILLSIFT_REGISTRY_LIBRARY);
    ASSERT_NE(library.Get(), nullptr);
    WCHAR path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(library.Get(), path, MAX_PATH);
    EXPECT_EQ(std::u16string(path, length), Widen(QUILLSIFT_REGISTRY_LIBRARY));
    EXPECT_EQ(path[length], 0);
}

TEST(GetModuleFileNameW, NullStandsForTheProgram) {
    char self[PATH_MAX];
    const ssize_t selfLength = readlink("/proc/self/exe", self, sizeof(self));
    ASSERT_GT(selfLength, 0);
    WCHAR path[PATH_MAX];
    const DWORD length = GetModuleFileNameW(nullptr, path, PATH_MAX);
    EXPECT_EQ(std::u16string(path, length), Widen(std::string(self, selfLength)));
}

struct TruncationCase {
    int sizeFromLength; // buffer size relative to the path's length
    bool fits;
};

TEST(GetModuleFileNameW, AShortBufferGetsTheCutPathTerminatedAndInsufficientBuffer) {
    LoadedLibrary library(QUILLSIFT_REGISTRY_LIBRARY);
    const std::u16string full = Widen(QUILLSIFT_REGISTRY_LIBRARY);
    const DWORD length = static_cast<DWORD>(full.size());
    const TruncationCase cases[] = {{+1, true}, {0, false}, {-1, false}, {1 - int(length), false}};
    for (const TruncationCase& c : cases) {
        const DWORD size = static_cast<DWORD>(int(length) + c.sizeFromLength);
        std::vector<WCHAR> buffer(size + 1, u'#');
        SetLastError(0);
        const DWORD result = GetModuleFileNameW(library.Get(), buffer.data(), size);
        if (c.fits) {
            EXPECT_EQ(result, length);
            EXPECT_EQ(GetLastError(), 0u);
        } else {
            EXPECT_EQ(result, size) << "size " << size;
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
            EXPECT_EQ(std::u16string(buffer.data()), full.substr(0, size - 1));
        }
        EXPECT_EQ(buffer[size], u'#') << "wrote past the buffer at size " << size;
    }
    WCHAR unused = u'#';
    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameW(library.Get(), &unused, 0), 0u);
    EXPECT_EQ(unused, u'#');
}

// Linked into a program rather than loaded as a library, the process-attach hook still runs
// and records the program's handle.
TEST(ProcessAttach, InAProgramRecordsTheProgramsHandle) {
    ASSERT_NE(ModuleHandle, nullptr);
    WCHAR attached[PATH_MAX];
    WCHAR program[PATH_MAX];
    const DWORD attachedLength = GetModuleFileNameW(ModuleHandle, attached, PATH_MAX);
    const DWORD programLength = GetModuleFileNameW(nullptr, program, PATH_MAX);
    EXPECT_EQ(std::u16string(attached, attachedLength), std::u16string(program, programLength));
}

TEST(DisableThreadLibraryCalls, Succeeds) {
    LoadedLibrary library(QUILLSIFT_REGISTRY_LIBRARY);
    EXPECT_TRUE(DisableThreadLibraryCalls(library.Get()));
}

} // namespace
