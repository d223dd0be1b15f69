// SPDX-License-Identifier: LGPL-3.0-or-later
// The book's property handler made in this process, as the class factory makes it, and what
// its store holds read back: for the tests and the pipeline fuzzer.
#pragma once

#include "platform/ComPtr.h"
#include "platform/Platform.h"

#include <string>
#include <vector>

// Makes a property handler and binds it to `stream` through IInitializeWithStream, read-only.
// Returns what Initialize answered; `store` holds the object whenever it could be made.
HRESULT MakeBookPropertyStore(IStream* stream, ComPtr<IPropertyStore>& store);

// One property of a store: a string and a vector of strings give `Strings`, a VT_UI4 `Number`.
struct StoredProperty {
    PROPERTYKEY Key;
    VARTYPE Type;
    std::vector<std::u16string> Strings;
    ULONG Number;
};

// Every property in the store's order, each read with GetAt and GetValue; a call that fails
// fails the test.
std::vector<StoredProperty> ReadStore(IPropertyStore* store);
