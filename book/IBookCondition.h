// SPDX-License-Identifier: LGPL-3.0-or-later
// The module's own face for its tools, on each of its objects that reads a book (the filter,
// the property handler, the thumbnail provider): what is wrong with the book bound, in words,
// so that a tool can say why a file gave nothing, or what a damaged book still gave, without
// reading the file itself. Hosts get the same HRESULTs as ever. Not registered; only hosts that
// include this header ask for it.
#pragma once

#include "platform/Platform.h"

// {8B85CDC9-32B9-4173-918A-C56FA730AA22}
inline constexpr IID IID_IBookCondition = {
    0x8b85cdc9, 0x32b9, 0x4173, {0x91, 0x8a, 0xc5, 0x6f, 0xa7, 0x30, 0xaa, 0x22}};

class IBookCondition : public IUnknown {
public:
    // After a binding: S_OK and a line of words from the task allocator, which the caller frees
    // with CoTaskMemFree, when there is something to say (why the binding failed: "empty file",
    // "not a Palm database"...; or what a book still gave: "cut short: the file ends inside
    // record 8 of 11; its details and all its text were read", "encrypted with DRM: its details
    // were read, not its text"); S_FALSE and null when the book was read whole. The filter
    // says what its text gave once its chunks have ended. Before any binding, E_UNEXPECTED.
    virtual HRESULT STDMETHODCALLTYPE GetConditionWords(LPWSTR* words) = 0;

protected:
    ~IBookCondition() = default;
};
