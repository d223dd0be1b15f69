// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/quillsift-dump/BookFinder.h"

#include <gtest/gtest.h>

namespace {

TEST(BookFinder, TakesEveryKindleExtensionInAnyLetterCase) {
    for (const char* name : {"a.mobi", "b.MOBI", "c.Azw", "d.azw", "dir/e.mObI", "f.azw3", "g.AZW3",
                             "h.prc", "i.PrC", "j.mobi.azw3"}) {
        EXPECT_TRUE(HasBookExtension(name)) << name;
    }
    for (const char* name : {"a.azw4", "b.mobi.txt", "mobi", ".azwx", "c.epub", "azw", "prc",
                             "d.azw3.bak", "e.pdb", ""}) {
        EXPECT_FALSE(HasBookExtension(name)) << name;
    }
}

} // namespace
