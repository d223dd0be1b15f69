// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/quillsift-dump/SpillBuffer.h"

#include "tests/support/StringSink.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(SpillBuffer, KeepsWhatFitsInMemoryAndTheRestInATemporaryFile) {
    SpillBuffer spill(1000);
    std::string expected;
    for (int i = 0; i < 50; ++i) {
        const std::string piece = std::to_string(i) + std::string(i, '.') + "|";
        ASSERT_TRUE(spill.Append(piece.data(), piece.size()));
        expected += piece;
        EXPECT_EQ(spill.Spilled(), expected.size() > 1000) << i;
    }
    StringSink sink;
    ASSERT_TRUE(spill.CopyTo(sink));
    EXPECT_EQ(sink.Text, expected);

    // Cleared, it starts again in memory.
    spill.Clear();
    EXPECT_TRUE(spill.Empty());
    ASSERT_TRUE(spill.Append("again", 5));
    EXPECT_FALSE(spill.Spilled());
    StringSink second;
    ASSERT_TRUE(spill.CopyTo(second));
    EXPECT_EQ(second.Text, "again");
}

TEST(SpillBuffer, ReportsASinkThatFails) {
    for (const size_t limit : {size_t(4), size_t(1 << 20)}) {
        SpillBuffer spill(limit);
        const std::string text(300 * 1024, 's');
        ASSERT_TRUE(spill.Append(text.data(), text.size()));
        StringSink sink;
        sink.FailFrom = 1;
        EXPECT_FALSE(spill.CopyTo(sink)) << limit;
    }
}

} // namespace
