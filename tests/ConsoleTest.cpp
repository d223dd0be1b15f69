// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/quillsift-dump/Console.h"

#include <gtest/gtest.h>

namespace {

TEST(Console, CutsTheProgressLineAtACharacterBoundary) {
    EXPECT_EQ(FormatProgress(3, 12, "dir/a.mobi", 80), "[3/12] dir/a.mobi");
    // "[1/2] " is six bytes; the cut falls inside the two-byte e acute and backs up.
    EXPECT_EQ(FormatProgress(1, 2, "ab\xC3\xA9", 9), "[1/2] ab");
    EXPECT_EQ(FormatProgress(1, 2, "ab\xC3\xA9", 10), "[1/2] ab\xC3\xA9");
}

} // namespace
