// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/common/OutputBuffer.h"

#include "tests/support/StringSink.h"

#include <gtest/gtest.h>

#include <new>
#include <string>

namespace {

TEST(OutputBuffer, PassesEverythingOnInOrderInBlocksOfItsSize) {
    StringSink sink;
    OutputBuffer buffer(&sink, 64 * 1024);
    std::string expected;
    for (int i = 0; i < 5000; ++i) {
        const std::string piece = "piece " + std::to_string(i) + ";";
        buffer.Append(piece);
        expected += piece;
        char* out = buffer.Reserve(3);
        out[0] = '<';
        out[1] = '>';
        buffer.Commit(out + 2);
        expected += "<>";
    }
    // More than the buffer holds goes through whole.
    const std::string large(200 * 1024, 'L');
    buffer.Append(large);
    expected += large;
    buffer.Append('!');
    expected += '!';
    EXPECT_TRUE(buffer.Flush());
    EXPECT_EQ(sink.Text, expected);
    EXPECT_GE(sink.Writes, 3u);
    EXPECT_FALSE(buffer.Failed());
}

TEST(OutputBuffer, DropsEverythingAfterAFailedWrite) {
    StringSink sink;
    sink.FailFrom = 2;
    OutputBuffer buffer(&sink, 64 * 1024);
    const std::string block(40 * 1024, 'b');
    buffer.Append(block);
    buffer.Append(block); // the first write, which succeeds
    EXPECT_FALSE(buffer.Failed());
    buffer.Append(block); // the second, which fails
    EXPECT_TRUE(buffer.Failed());
    buffer.Append(block);
    char* out = buffer.Reserve(OutputBuffer::MaxReserve);
    buffer.Commit(out + OutputBuffer::MaxReserve);
    EXPECT_FALSE(buffer.Flush());
    EXPECT_EQ(sink.Text, block);
    EXPECT_EQ(sink.Writes, 2u);
}

// A book's sink that runs out of memory takes that book's buffered output with it: the next
// book, written to another sink, gets none of it.
TEST(OutputBuffer, ASinkThatThrowsTakesWhatWasBufferedWithIt) {
    struct ThrowingSink final : ByteSink {
        bool Write(const char*, size_t) override { throw std::bad_alloc(); }
        std::string Error() const override { return ""; }
    } failing;
    StringSink next;
    OutputBuffer buffer(&failing, 64 * 1024);
    buffer.Append("first book");
    EXPECT_THROW(buffer.Flush(), std::bad_alloc);
    buffer.SetSink(&next);
    buffer.Append("second book");
    EXPECT_TRUE(buffer.Flush());
    EXPECT_EQ(next.Text, "second book");
}

} // namespace
