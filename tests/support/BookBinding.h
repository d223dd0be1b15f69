// SPDX-License-Identifier: LGPL-3.0-or-later
// Book filters bound the way a host binds them, to the test books or to any stream.
#pragma once

#include "platform/ComPtr.h"
#include "platform/Platform.h"
#include "tests/support/ChunkDrain.h"
#include "tests/support/RecordingStream.h"

#include <string>
#include <vector>

// A test book of testdata/ as bytes; a book that cannot be read fails the test.
std::string TestBookPath(const std::string& name);
std::vector<unsigned char> TestBook(const std::string& name);

// A new book filter bound to `stream` through IInitializeWithStream, read-only.
struct Binding {
    explicit Binding(IStream& stream);
    ComPtr<IFilter> Filter;
    HRESULT Bound;
};

// A new book filter bound to a recording stream over `bytes`.
struct BoundFilter {
    explicit BoundFilter(std::vector<unsigned char> bytes);
    RecordingStream Stream;
    ComPtr<IFilter> Filter;
    HRESULT Bound;
};

// The chunks of `bytes`, which must load.
DrainResult DrainBook(const std::vector<unsigned char>& bytes);
