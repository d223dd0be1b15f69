// The memcmp and memmove that the linked libmobi calls answer as the C library's do.
#include <gtest/gtest.h>

#include <cstring>
#include <numeric>
#include <string>
#include <vector>

extern "C" int QuillsiftLibmobiMemcmp(const void* first, const void* second, size_t count);
extern "C" void* QuillsiftLibmobiMemmove(void* target, const void* source, size_t count);

namespace {

int Sign(int value) {
    return (value > 0) - (value < 0);
}

TEST(LibmobiShortCalls, MemcmpAnswersAsTheCLibrary) {
    const std::string cases[][2] = {
        {"", ""},         {"a", "b"},         {"b", "a"},
        {"\x80", "\x7f"}, {"\x7f", "\x80"},   {"filepos=1", "filepos=2"},
        {"same", "same"}, {"sameX", "sameY"}, {std::string("\0a", 2), std::string("\0b", 2)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Sign(QuillsiftLibmobiMemcmp(c[0].data(), c[1].data(), c[0].size())),
                  Sign(std::memcmp(c[0].data(), c[1].data(), c[0].size())))
            << c[0] << " / " << c[1];
    }
    // Nothing is read when nothing is compared.
    EXPECT_EQ(QuillsiftLibmobiMemcmp(nullptr, nullptr, 0), 0);
}

// Every length up to past the short cases, every overlap of source and target within a few
// bytes either way (LZ77 back-references overlap their own output), against the C library.
TEST(LibmobiShortCalls, MemmoveMovesAsTheCLibraryWhateverTheOverlap) {
    for (size_t count = 0; count <= 40; ++count) {
        for (int shift = -20; shift <= 20; ++shift) {
            std::vector<unsigned char> expected(96);
            std::iota(expected.begin(), expected.end(), 1);
            std::vector<unsigned char> actual = expected;
            const size_t from = 30;
            const size_t to = static_cast<size_t>(30 + shift);
            std::memmove(expected.data() + to, expected.data() + from, count);
            EXPECT_EQ(QuillsiftLibmobiMemmove(actual.data() + to, actual.data() + from, count),
                      actual.data() + to);
            ASSERT_EQ(actual, expected) << count << " bytes moved by " << shift;
        }
    }
}

} // namespace
