// SPDX-License-Identifier: LGPL-3.0-or-later
// UTF-8 handed over in runs, cut anywhere, comes out as one conversion of the runs joined.
#include "book/markup/Utf16Builder.h"
#include "book/markup/MarkupToText.h"
#include "platform/UniqueAny.h"
#include "tests/support/Utf16Text.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

// Appends `utf8` cut at `cuts`, each piece by the way the scan would hand it over: bytes one at a
// time, whole blocks, or runs.
std::u16string Build(const std::string& utf8, const std::vector<size_t>& cuts, int way) {
    std::vector<WCHAR> out(utf8.size() + ByteBlocks::Size + 1, 0x7777);
    Utf16Builder builder(out.data());
    size_t from = 0;
    for (size_t i = 0; i <= cuts.size(); ++i) {
        const size_t to = i < cuts.size() ? cuts[i] : utf8.size();
        const char* piece = utf8.data() + from;
        const size_t length = to - from;
        if (way == 0) {
            for (size_t j = 0; j < length; ++j) {
                builder.Append(piece[j]);
            }
        } else if (way == 1 && length == ByteBlocks::Size) {
            builder.Append(piece, ByteBlocks::Load(piece));
        } else if (way == 2 && length < ByteBlocks::Size &&
                   from + ByteBlocks::Size <= utf8.size()) {
            builder.Append(piece, ByteBlocks::Load(piece), length);
        } else {
            builder.Append(piece, length);
        }
        from = to;
    }
    EXPECT_EQ(builder.BytesTaken(), utf8.size());
    const size_t units = builder.Finish();
    EXPECT_EQ(out[units], 0);
    return std::u16string(out.begin(), out.begin() + static_cast<ptrdiff_t>(units));
}

TEST(Utf16Builder, RunsCutInsideSequencesGiveTheWholeConversion) {
    const std::string samples[] = {
        "plain ASCII text that runs on for more than one block of sixteen bytes",
        "caf\xc3\xa9 \xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e \xf0\x9f\x98\x80 done",
        // Malformed: stray continuations, truncated sequences, overlong forms, surrogates.
        "\x80\x80\x80\x80\x80 a \xe2\x82 b \xf0\x9f\x98 c \xc0\xaf \xed\xa0\x80 d \xff\xfe",
        std::string(300, '\x80') + "x" + std::string(299, '\xbf'),
        [] {
            std::string cjk;
            for (int i = 0; i < 200; ++i) {
                cjk += "\xe6\x97\xa5";
            }
            return cjk + "\xe6\x97";
        }(),
    };
    std::mt19937 random(7);
    for (const std::string& sample : samples) {
        const std::u16string whole = Utf16(sample);
        for (int round = 0; round < 200; ++round) {
            std::vector<size_t> cuts;
            for (size_t at = 0; at < sample.size();) {
                at += 1 + random() % (round % 2 == 0 ? 5 : 40);
                if (at < sample.size()) {
                    cuts.push_back(at);
                }
            }
            ASSERT_EQ(Build(sample, cuts, round % 4), whole) << "round " << round;
        }
    }
}

// The scan hands over the text between tags as separate runs; a sequence split by a tag is
// whole once the tag is gone, as when the text is first joined and then converted.
TEST(Utf16Builder, ASequenceSplitByRemovedMarkupIsJoined) {
    const std::string part = "<body>caf\xc3<b>\xa9 \xf0\x9f<i></i>\x98\x80!";
    const CoTaskMemPtr<WCHAR> text(MarkupToText(part.data(), static_cast<ULONG>(part.size())));
    ASSERT_TRUE(text);
    EXPECT_EQ(std::u16string(text.Get()), u"caf\u00e9 \U0001F600!\n");
}

} // namespace
