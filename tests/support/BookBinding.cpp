// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tests/support/BookBinding.h"

#include "tests/support/MakeBookFilter.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

HRESULT BindBookFilter(IStream& stream, ComPtr<IFilter>& filter) {
    const HRESULT bound = MakeBookFilter(&stream, filter);
    EXPECT_TRUE(filter) << "no book filter was made";
    return bound;
}

} // namespace

std::string TestBookPath(const std::string& name) {
    return std::string(QUILLSIFT_TESTDATA) + "/" + name;
}

std::vector<unsigned char> TestBook(const std::string& name) {
    auto bytes = ReadFileBytes(TestBookPath(name));
    EXPECT_FALSE(bytes.empty()) << name << " cannot be read";
    return bytes;
}

Binding::Binding(IStream& stream) : Bound(BindBookFilter(stream, Filter)) {}

BoundFilter::BoundFilter(std::vector<unsigned char> bytes)
    : Stream(std::move(bytes)), Bound(BindBookFilter(Stream, Filter)) {}

DrainResult DrainBook(const std::vector<unsigned char>& bytes) {
    BoundFilter bound(bytes);
    EXPECT_EQ(bound.Bound, S_OK);
    return DrainFilter(bound.Filter.Get());
}
