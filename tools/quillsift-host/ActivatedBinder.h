// SPDX-License-Identifier: LGPL-3.0-or-later
// Binds books to filter objects that COM creates, as the indexer does: CoCreateInstance
// (CLSCTX_INPROC_SERVER) of the class registered for the book's extension, then Initialize
// (read-only) or Load with the book's stream.
#pragma once

#include "tools/common/FilterBinding.h"

class ActivatedBinder final : public FilterBinder {
public:
    explicit ActivatedBinder(BindingInterface binding) : Binding(binding) {}

    // The class for the next books, or the failure of looking it up, which Bind then returns.
    void UseClass(HRESULT found, const CLSID& filterClass);

    HRESULT Bind(IStream* stream, ComPtr<IFilter>& filter) override;

private:
    BindingInterface Binding;
    HRESULT Found = E_UNEXPECTED;
    CLSID FilterClass = {};
};
