// The filter library loaded with dlopen, as a host loads an in-process server, and its two
// exports that a host calls.
#pragma once

#include "tools/quillsift-dump/FilterEntryPoints.h"

#include <string>

class FilterLibrary {
public:
    FilterLibrary() = default;
    FilterLibrary(const FilterLibrary&) = delete;
    FilterLibrary& operator=(const FilterLibrary&) = delete;
    // Unloads the library; call only once DllCanUnloadNow has answered S_OK.
    ~FilterLibrary();

    // Loads `path` and resolves DllGetClassObject and DllCanUnloadNow. On failure `error`
    // says why.
    bool Load(const std::string& path, std::string& error);

    // Keeps the library mapped past the destructor, when objects of it may still live.
    void KeepLoaded() { Handle = nullptr; }

    const FilterEntryPoints& EntryPoints() const { return Exports; }

    // libquillsift.so beside the running executable when there is one, otherwise the one
    // the build made.
    static std::string DefaultPath();

private:
    void* Handle = nullptr;
    FilterEntryPoints Exports;
};
