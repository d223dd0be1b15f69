// SPDX-License-Identifier: LGPL-3.0-or-later
// The filter library loaded with dlopen, as a host loads an in-process server, its two
// exports that a host calls, and the binding of books through them.
#pragma once

#include "platform/Platform.h"
#include "tools/common/FilterBinding.h"
#include "tools/quillsift-dump/PosixHolders.h"

#include <string>

// The two exports of the filter library that quillsift-dump calls, resolved when it loads it.
typedef HRESULT(STDMETHODCALLTYPE* DllGetClassObjectFunction)(REFCLSID clsid, REFIID riid,
                                                              void** ppv);
typedef HRESULT(STDMETHODCALLTYPE* DllCanUnloadNowFunction)();

struct FilterEntryPoints {
    DllGetClassObjectFunction GetClassObject = nullptr;
    DllCanUnloadNowFunction CanUnloadNow = nullptr;
};

// Unloads the library when it goes: only once DllCanUnloadNow has answered S_OK, or after
// KeepLoaded.
class FilterLibrary {
public:
    // Loads `path` and resolves DllGetClassObject and DllCanUnloadNow. On failure `error`
    // says why.
    bool Load(const std::string& path, std::string& error);

    // Keeps the library mapped past the destructor, when objects of it may still live.
    void KeepLoaded() { Handle.Detach(); }

    const FilterEntryPoints& EntryPoints() const { return Exports; }

    // libquillsift.so beside the running executable when there is one, else the installed
    // one under the executable's prefix, otherwise the one the build made.
    static std::string DefaultPath();

private:
    LoadedLibrary Handle;
    FilterEntryPoints Exports;
};

// Binds books the way an indexer does with an in-process server it has loaded itself: the
// library's DllGetClassObject for the book filter class gives a class factory, which creates
// one object per book, bound through IInitializeWithStream.
class ExportBinder final : public FilterBinder {
public:
    explicit ExportBinder(const FilterEntryPoints& entryPoints);

    HRESULT Bind(IStream* stream, ComPtr<IFilter>& filter) override;

private:
    FilterEntryPoints EntryPoints;
    CLSID ClassId;
    HRESULT ClassIdResult;
};
