// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/quillsift-dump/FilterLibrary.h"

#include "module/ClassIds.h"
#include "platform/ReturnIfFailed.h"

#include <cerrno>
#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#ifndef QUILLSIFT_BUILT_LIBRARY
#define QUILLSIFT_BUILT_LIBRARY "libquillsift.so"
#endif
#ifndef QUILLSIFT_INSTALLED_LIBRARY
#define QUILLSIFT_INSTALLED_LIBRARY "../lib/quillsift/libquillsift.so"
#endif

namespace {

const char LibraryFileName[] = "libquillsift.so";

std::string ExecutableFolder() {
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (length <= 0) {
        return std::string();
    }
    const std::string executable(path, static_cast<size_t>(length));
    const size_t slash = executable.find_last_of('/');
    return slash == std::string::npos ? std::string() : executable.substr(0, slash);
}

} // namespace

bool FilterLibrary::Load(const std::string& path, std::string& error) {
    // A path without a slash would make dlopen search the system's folders.
    const std::string opened = path.find('/') == std::string::npos ? "./" + path : path;
    LoadedLibrary handle(::dlopen(opened.c_str(), RTLD_NOW | RTLD_LOCAL));
    if (!handle) {
        // The loader's words alone may mislead: short of memory, glibc's say "No such file or
        // directory" of a library that is there.
        const char* reason = ::dlerror();
        struct stat status;
        if (::stat(opened.c_str(), &status) != 0 && errno == ENOENT) {
            error = path + ": no such file";
        } else {
            error = path + " is there but the loader refused it: " +
                    (reason != nullptr ? reason : "no reason given");
        }
        return false;
    }
    FilterEntryPoints exports;
    exports.GetClassObject =
        reinterpret_cast<DllGetClassObjectFunction>(::dlsym(handle.Get(), "DllGetClassObject"));
    exports.CanUnloadNow =
        reinterpret_cast<DllCanUnloadNowFunction>(::dlsym(handle.Get(), "DllCanUnloadNow"));
    if (exports.GetClassObject == nullptr || exports.CanUnloadNow == nullptr) {
        error = path + " does not export DllGetClassObject and DllCanUnloadNow";
        return false;
    }
    Handle = std::move(handle);
    Exports = exports;
    return true;
}

std::string FilterLibrary::DefaultPath() {
    const std::string folder = ExecutableFolder();
    if (!folder.empty()) {
        const std::string beside = folder + "/" + LibraryFileName;
        if (::access(beside.c_str(), R_OK) == 0) {
            return beside;
        }
        // Installed: the module's own folder under the tool's prefix.
        char installed[PATH_MAX];
        if (::realpath((folder + "/" + QUILLSIFT_INSTALLED_LIBRARY).c_str(), installed) !=
                nullptr &&
            ::access(installed, R_OK) == 0) {
            return installed;
        }
    }
    return QUILLSIFT_BUILT_LIBRARY;
}

ExportBinder::ExportBinder(const FilterEntryPoints& entryPoints)
    : EntryPoints(entryPoints), ClassId(),
      ClassIdResult(CLSIDFromString(CLSID_BookFilter, &ClassId)) {}

HRESULT ExportBinder::Bind(IStream* stream, ComPtr<IFilter>& filter) {
    filter.Reset();
    RETURN_IF_FAILED(ClassIdResult);
    ComPtr<IClassFactory> factory;
    RETURN_IF_FAILED(EntryPoints.GetClassObject(ClassId, IID_IClassFactory, factory.PutVoid()));
    if (!factory) {
        return E_POINTER;
    }
    return BindFilter(
        [&factory](REFIID riid, void** object) {
            return factory->CreateInstance(nullptr, riid, object);
        },
        BindingInterface::InitializeWithStream, stream, filter);
}
