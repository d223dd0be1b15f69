// The memcmp that the linked libmobi calls answers as the C library's does.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

extern "C" int QuillsiftLibmobiMemcmp(const void* first, const void* second, size_t count);

namespace {

int Sign(int value) {
    return (value > 0) - (value < 0);
}

TEST(LibmobiMemcmp, AnswersAsTheCLibrary) {
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

} // namespace
