// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/quillsift-host/RegisterCommand.h"

#include "platform/UniqueAny.h"
#include "tools/common/CommandLine.h"
#include "tools/common/FormatCode.h"
#include "tools/common/Utf16ToUtf8.h"
#include "tools/quillsift-host/HostOutput.h"

#include <string>
#include <vector>

namespace {

using ModuleHolder = UniqueAny<HMODULE, FreeLibrary>;
using RegistrationFunction = HRESULT(STDAPICALLTYPE*)();

const DWORD LongestPath = 32768;

// quillsift.dll in the folder of this program, zero-terminated; empty when the program's own
// path cannot be read.
std::vector<WCHAR> ModuleBesideProgram() {
    std::vector<WCHAR> path(LongestPath);
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), LongestPath);
    if (length == 0 || length >= LongestPath) {
        return {};
    }
    path.resize(length);
    while (!path.empty() && path.back() != '\\' && path.back() != '/') {
        path.pop_back();
    }
    for (const char* c = "quillsift.dll"; *c != 0; ++c) {
        path.push_back(static_cast<WCHAR>(*c));
    }
    path.push_back(0);
    return path;
}

int CallModule(int argc, WCHAR** argv, const char* functionName, const char* done) {
    if (argc != 2) {
        WriteError(ToUtf8(argv[1]) + " takes no argument: it uses the quillsift.dll beside "
                                     "quillsift-host.exe");
        return ExitUsage;
    }
    const std::vector<WCHAR> path = ModuleBesideProgram();
    if (path.empty()) {
        WriteError("cannot read the path of quillsift-host.exe (error " +
                   std::to_string(GetLastError()) + ")");
        return ExitLibraryFailed;
    }
    const std::string name = ToUtf8(path.data());
    // The DLL's own folder is searched for what it needs, not this program's.
    ModuleHolder module(LoadLibraryExW(path.data(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (!module) {
        WriteError("cannot load " + name + " (error " + std::to_string(GetLastError()) + ")");
        return ExitLibraryFailed;
    }
    // GetProcAddress gives every export one type; through void (*)() the cast is a plain one.
    const auto function = reinterpret_cast<RegistrationFunction>(
        reinterpret_cast<void (*)()>(GetProcAddress(module.Get(), functionName)));
    if (function == nullptr) {
        WriteError(name + " has no " + functionName);
        return ExitLibraryFailed;
    }
    const HRESULT result = function();
    if (FAILED(result)) {
        const bool denied = result == E_ACCESSDENIED;
        WriteError(std::string(functionName) + " of " + name + " failed (" + FormatCode(result) +
                   ")" + (denied ? ": run it as administrator" : ""));
        return ExitSomeFailed;
    }
    return WriteOut(std::string(done) + " " + name + "\n");
}

} // namespace

int RunRegisterCommand(int argc, WCHAR** argv) {
    return CallModule(argc, argv, "DllRegisterServer", "registered");
}

int RunUnregisterCommand(int argc, WCHAR** argv) {
    return CallModule(argc, argv, "DllUnregisterServer", "unregistered");
}
