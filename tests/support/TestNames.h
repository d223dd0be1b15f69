// SPDX-License-Identifier: LGPL-3.0-or-later
// Names of parameterised tests, made from text: letters and digits kept, anything else '_'.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <string>

inline std::string TestNameOf(const std::string& text) {
    std::string name = text;
    for (char& c : name) {
        c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    }
    return name;
}

// For tests whose parameter is a test book's file name.
inline std::string TestBookName(const ::testing::TestParamInfo<const char*>& info) {
    return TestNameOf(info.param);
}

// For tests whose parameter is a case with a text field: NamedBy<&Case::Name>().
template <auto Field> struct NamedBy {
    template <typename Case>
    std::string operator()(const ::testing::TestParamInfo<Case>& info) const {
        return TestNameOf(info.param.*Field);
    }
};
