// SPDX-License-Identifier: LGPL-3.0-or-later
// The bounded UTF-16 copy that GetText and string values go through.
#include "platform/text/BoundedStringCopy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

TEST(BoundedStringCopy, StopsAtZeroCountOrDestination) {
    struct Case {
        std::u16string Source;
        size_t DestinationSize;
        size_t MaxCount;
        std::u16string Expected;
        HRESULT Result;
    };
    const HRESULT cut = HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    const Case cases[] = {
        {u"abc", 8, 100, u"abc", S_OK}, {u"abc", 8, 2, u"ab", S_OK}, {u"abc", 4, 100, u"abc", S_OK},
        {u"abcd", 4, 100, u"abc", cut}, {u"abc", 3, 3, u"ab", cut},  {u"", 1, 100, u"", S_OK},
        {u"abc", 1, 100, u"", cut},     {u"abc", 8, 0, u"", S_OK},
    };
    for (const Case& c : cases) {
        // The copy may read as far as it may copy: what lies past the source's zero is there,
        // and must not be copied.
        std::u16string source = c.Source + u'\0';
        source.resize(std::max(source.size(), std::min(c.DestinationSize, c.MaxCount)), u'Z');
        std::u16string destination(c.DestinationSize + 1, u'#');
        EXPECT_EQ(
            BoundedStringCopy(destination.data(), c.DestinationSize, source.data(), c.MaxCount),
            c.Result);
        EXPECT_EQ(std::u16string(destination.c_str()), c.Expected);
        EXPECT_EQ(destination[c.DestinationSize], u'#') << "wrote past the destination";
    }
}

TEST(BoundedStringCopy, ADestinationOfNoCharactersIsRefusedAndUntouched) {
    WCHAR destination[2] = {u'#', u'#'};
    EXPECT_EQ(BoundedStringCopy(destination, 0, u"abc", 3), E_INVALIDARG);
    EXPECT_EQ(BoundedStringCopy(destination, 0, u"", 0), E_INVALIDARG);
    EXPECT_EQ(destination[0], u'#');
    EXPECT_EQ(destination[1], u'#');
}

} // namespace
