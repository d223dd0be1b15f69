// SPDX-License-Identifier: LGPL-3.0-or-later
// kernel32 as the filter uses it: interlocked counts, the last error, UTF-8 to UTF-16 and the
// module's own file name.
#include "platform/Platform.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <link.h>
#include <new>
#include <string>
#include <unistd.h>
#include <vector>

namespace {
// Static TLS, reserved when the library loads: a dynamic TLS block of a library that has since
// been unloaded (tests load copies of the module and unload them) stays in the thread's vector,
// where LeakSanitizer's scan at exit follows it into freed memory.
__attribute__((tls_model("initial-exec"))) thread_local DWORD LastError = 0;
} // namespace

extern "C" LONG InterlockedIncrement(LONG volatile* addend) {
    return __atomic_add_fetch(addend, 1, __ATOMIC_SEQ_CST);
}

extern "C" LONG InterlockedDecrement(LONG volatile* addend) {
    return __atomic_sub_fetch(addend, 1, __ATOMIC_SEQ_CST);
}

extern "C" DWORD GetLastError() {
    return LastError;
}

extern "C" void SetLastError(DWORD dwErrCode) {
    LastError = dwErrCode;
}

extern "C" int GetLocaleInfoW(LCID, DWORD, LPWSTR, int) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return 0;
}

extern "C" LONG InterlockedCompareExchange(LONG volatile* destination, LONG exchange,
                                           LONG comparand) {
    __atomic_compare_exchange_n(destination, &comparand, exchange, false, __ATOMIC_SEQ_CST,
                                __ATOMIC_SEQ_CST);
    return comparand;
}

namespace {

constexpr char16_t ReplacementCharacter = 0xFFFD;

// The range of the byte after a lead byte; every later continuation byte is 0x80..0xBF.
// Ranges exclude overlong forms, encoded surrogates and values above U+10FFFF.
struct LeadByte {
    int continuationCount;
    unsigned char secondLow;
    unsigned char secondHigh;
};

LeadByte ClassifyLead(unsigned char b) {
    if (b >= 0xC2 && b <= 0xDF) {
        return {1, 0x80, 0xBF};
    }
    if (b == 0xE0) {
        return {2, 0xA0, 0xBF};
    }
    if ((b >= 0xE1 && b <= 0xEC) || b == 0xEE || b == 0xEF) {
        return {2, 0x80, 0xBF};
    }
    if (b == 0xED) {
        return {2, 0x80, 0x9F};
    }
    if (b == 0xF0) {
        return {3, 0x90, 0xBF};
    }
    if (b >= 0xF1 && b <= 0xF3) {
        return {3, 0x80, 0xBF};
    }
    if (b == 0xF4) {
        return {3, 0x80, 0x8F};
    }
    return {-1, 0, 0};
}

// Decodes one code point at `at`, or U+FFFD for one ill-formed sequence there, as Windows
// counts them: a lead byte takes the continuation bytes after it up to the first byte that is
// none (not taken); a second byte outside the lead's range (overlong, surrogate, above
// U+10FFFF) is taken with it. Returns the number of bytes consumed (at least 1).
size_t DecodeOne(const unsigned char* at, size_t available, uint32_t* codePoint) {
    const unsigned char lead = at[0];
    if (lead < 0x80) {
        *codePoint = lead;
        return 1;
    }
    const LeadByte kind = ClassifyLead(lead);
    *codePoint = ReplacementCharacter;
    if (kind.continuationCount < 0) {
        return 1;
    }
    uint32_t value = lead & (0x3F >> kind.continuationCount);
    size_t used = 1;
    for (int i = 0; i < kind.continuationCount; ++i) {
        if (used >= available || (at[used] & 0xC0) != 0x80) {
            return used;
        }
        const unsigned char next = at[used++];
        if (i == 0 && (next < kind.secondLow || next > kind.secondHigh)) {
            return used;
        }
        value = (value << 6) | (next & 0x3F);
    }
    *codePoint = value;
    return used;
}

} // namespace

extern "C" int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr,
                                   int cbMultiByte, LPWSTR lpWideCharStr, int cchWideChar) {
    if (CodePage != CP_UTF8 || dwFlags != 0 || lpMultiByteStr == nullptr || cbMultiByte == 0 ||
        cbMultiByte < -1 || cchWideChar < 0 || (cchWideChar > 0 && lpWideCharStr == nullptr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const auto* source = reinterpret_cast<const unsigned char*>(lpMultiByteStr);
    const size_t sourceLength =
        cbMultiByte == -1 ? std::strlen(lpMultiByteStr) + 1 : static_cast<size_t>(cbMultiByte);
    const bool measureOnly = cchWideChar == 0;

    size_t written = 0;
    for (size_t at = 0; at < sourceLength;) {
        // Runs of ASCII, the bulk of book text, go straight across.
        if (source[at] < 0x80) {
            if (!measureOnly && written >= static_cast<size_t>(cchWideChar)) {
                SetLastError(ERROR_INSUFFICIENT_BUFFER);
                return 0;
            }
            if (!measureOnly) {
                lpWideCharStr[written] = source[at];
            }
            ++written;
            ++at;
            continue;
        }
        uint32_t codePoint = 0;
        at += DecodeOne(source + at, sourceLength - at, &codePoint);
        const size_t units = codePoint >= 0x10000 ? 2 : 1;
        if (!measureOnly) {
            if (written + units > static_cast<size_t>(cchWideChar)) {
                SetLastError(ERROR_INSUFFICIENT_BUFFER);
                return 0;
            }
            if (units == 2) {
                const uint32_t offset = codePoint - 0x10000;
                lpWideCharStr[written] = static_cast<WCHAR>(0xD800 + (offset >> 10));
                lpWideCharStr[written + 1] = static_cast<WCHAR>(0xDC00 + (offset & 0x3FF));
            } else {
                lpWideCharStr[written] = static_cast<WCHAR>(codePoint);
            }
        }
        written += units;
    }
    return static_cast<int>(written);
}

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
