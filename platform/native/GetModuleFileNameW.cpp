#include "platform/Platform.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

namespace {

std::string MainProgramPath() {
    std::vector<char> buffer(PATH_MAX);
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length <= 0 || static_cast<size_t>(length) >= buffer.size()) {
        return std::string();
    }
    return std::string(buffer.data(), static_cast<size_t>(length));
}

// The path of the module that this copy of the code belongs to, made absolute when it was
// loaded. The loader keeps a relative path as it was given, which later names another file
// once the process has changed its current directory.
HMODULE RecordedModule = nullptr;
char RecordedPath[PATH_MAX];

// The module's path as the loader recorded it, made absolute against the current directory;
// empty if there is none.
std::string LoaderPath(HMODULE module) {
    link_map* map = nullptr;
    if (dlinfo(module, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr || map->l_name == nullptr) {
        return std::string();
    }
    if (map->l_name[0] == 0) {
        return MainProgramPath();
    }
    if (map->l_name[0] == '/') {
        return map->l_name;
    }
    char* absolute = realpath(map->l_name, nullptr);
    if (absolute == nullptr) {
        return std::string();
    }
    std::string result(absolute);
    std::free(absolute);
    return result;
}

std::string ModulePath(HMODULE module) {
    if (module == nullptr) {
        return MainProgramPath();
    }
    if (module == RecordedModule && RecordedPath[0] != 0) {
        return RecordedPath;
    }
    return LoaderPath(module);
}

size_t CountReplacementsInUtf8(const std::string& text) {
    size_t count = 0;
    for (size_t at = text.find("\xEF\xBF\xBD"); at != std::string::npos;
         at = text.find("\xEF\xBF\xBD", at + 3)) {
        ++count;
    }
    return count;
}

} // namespace

void RecordModuleFileName(HMODULE module) {
    try {
        const std::string path = module == nullptr ? std::string() : LoaderPath(module);
        if (path.size() < sizeof(RecordedPath)) {
            std::copy(path.begin(), path.end(), RecordedPath);
            RecordedPath[path.size()] = 0;
            RecordedModule = module;
        }
    } catch (const std::bad_alloc&) {
        // Not recorded: the path is then found when it is asked for.
    }
}

extern "C" DWORD GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize) {
    try {
        if (lpFilename == nullptr && nSize > 0) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        const std::string path = ModulePath(hModule);
        if (path.empty()) {
            SetLastError(ERROR_MOD_NOT_FOUND);
            return 0;
        }
        const int units = MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, nullptr, 0);
        std::vector<WCHAR> wide(static_cast<size_t>(units));
        MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, wide.data(), units);
        // A byte sequence that is not UTF-8 came back as U+FFFD.
        size_t replacements = 0;
        for (WCHAR c : wide) {
            replacements += c == 0xFFFD ? 1 : 0;
        }
        if (replacements != CountReplacementsInUtf8(path)) {
            SetLastError(ERROR_NO_UNICODE_TRANSLATION);
            return 0;
        }
        const DWORD length = static_cast<DWORD>(units - 1);
        if (nSize == 0) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return 0;
        }
        if (length < nSize) {
            std::copy(wide.begin(), wide.end(), lpFilename);
            return length;
        }
        std::copy(wide.begin(), wide.begin() + (nSize - 1), lpFilename);
        lpFilename[nSize - 1] = 0;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return nSize;
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
}
