// SPDX-License-Identifier: LGPL-3.0-or-later
// Binds books to filter objects that COM creates, as the indexer does: CoCreateInstance
// (CLSCTX_INPROC_SERVER) of the class registered for the book's extension, then Initialize
// (read-only) or Load with the book's stream; or, as hosts built on LoadIFilter do,
// IPersistFile::Load with the book's path, the filter opening the file itself.
#pragma once

#include "tools/common/FilterBinding.h"

#include <string>

class ActivatedBinder final : public FilterBinder {
public:
    // Binds each book's stream through `binding`.
    explicit ActivatedBinder(BindingInterface binding) : Binding(binding) {}
    // Binds each book by the path UseBook names; the stream Bind is given goes unused.
    static ActivatedBinder ByPath();

    // The class for the next books, or the failure of looking it up, which Bind then returns,
    // and its words ("no filter registered for .prc").
    void UseClass(HRESULT found, const CLSID& filterClass, const std::string& words);
    // The path of the next book, which must outlive its binding.
    void UseBook(const WCHAR* path) { BookPath = path; }

    HRESULT Bind(IStream* stream, ComPtr<IFilter>& filter) override;
    std::string Unmade() const override { return FAILED(Found) ? FoundWords : std::string(); }

private:
    BindingInterface Binding;
    bool BindsByPath = false;
    const WCHAR* BookPath = nullptr;
    HRESULT Found = E_UNEXPECTED;
    std::string FoundWords;
    CLSID FilterClass = {};
};
