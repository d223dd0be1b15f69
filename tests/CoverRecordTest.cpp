// SPDX-License-Identifier: LGPL-3.0-or-later
// The cover choice: the calibre cover books as they are, and books derived from them with
// EXTH 201 and 202 and the first resource index edited, read through the thumbnail provider
// as the shell binds it.
#include "book/cover/CoverRecord.h"
#include "book/CBookThumbnailProvider.h"
#include "book/load/RecordKind.h"
#include "platform/ComObject.h"
#include "platform/ThumbnailSize.h"
#include "tests/support/BookBinding.h"
#include "tests/support/PalmBook.h"
#include "tests/support/RecordingStream.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace {

using ThumbnailProvider = ComObject<CBookThumbnailProvider>;

// Record 0's MOBI header field "first resource record": 16 bytes of PalmDOC header, then 92.
constexpr size_t FirstResourceField = 108;

std::string BigEndian32(uint32_t value) {
    return {static_cast<char>(value >> 24), static_cast<char>(value >> 16),
            static_cast<char>(value >> 8), static_cast<char>(value)};
}

std::vector<unsigned char> RecordBytes(const PalmBook& book, size_t index) {
    const auto records = book.Records();
    const auto& [offset, length] = records.at(index);
    return {book.Bytes.begin() + offset, book.Bytes.begin() + offset + length};
}

// The cover bytes the provider reads from `bytes`; nullopt when it finds none.
std::optional<std::vector<unsigned char>> CoverOf(const std::vector<unsigned char>& bytes) {
    RecordingStream stream(bytes);
    ThumbnailProvider provider;
    EXPECT_EQ(provider.Initialize(&stream, STGM_READ), S_OK);
    BYTE* cover = nullptr;
    ULONG size = 0;
    const HRESULT got = provider.GetCoverBytes(&cover, &size);
    const CoTaskMemPtr<BYTE> held(cover);
    if (got == WTS_E_FAILEDEXTRACTION) {
        EXPECT_EQ(cover, nullptr);
        EXPECT_EQ(size, 0u);
        return std::nullopt;
    }
    EXPECT_EQ(got, S_OK);
    return std::vector<unsigned char>(cover, cover + size);
}

struct CoverCase {
    const char* what;
    const char* book;
    std::function<void(PalmBook&)> edit;
    // The record the cover must be, or none.
    std::optional<size_t> record;
};

// calibre's books: the first resource, the cover (EXTH 201 = 0), its own thumbnail (202 = 1),
// then records that are no pictures (the FLIS, FCIS and end records).
TEST(CoverRecord, ChoosesTheCoverOrElseTheThumbnail) {
    const auto set201 = [](uint32_t offset) {
        return [offset](PalmBook& book) {
            ASSERT_TRUE(book.ReplaceExthString(201, BigEndian32(offset)));
        };
    };
    const CoverCase cases[] = {
        {"KF8 JPEG cover", "covers/lantern-kf8.azw3", nullptr, 10},
        {"KF7 JPEG cover", "covers/lantern-kf7.mobi", nullptr, 6},
        {"KF8 PNG cover", "covers/meadow-kf8.azw3", nullptr, 11},
        {"KF7, the PNG made JPEG", "covers/meadow-kf7.mobi", nullptr, 6},
        {"201 unset: the thumbnail", "covers/lantern-kf8.azw3", set201(0xFFFFFFFF), 11},
        {"201 past the last record: the thumbnail", "covers/lantern-kf8.azw3", set201(1000), 11},
        {"201 at the largest offset: the thumbnail", "covers/lantern-kf8.azw3", set201(0xFFFFFFFE),
         11},
        {"201 at a record that is no picture: the thumbnail", "covers/meadow-kf8.azw3", set201(3),
         12},
        {"201 at the thumbnail itself", "covers/meadow-kf8.azw3", set201(1), 12},
        {"neither points to a picture", "covers/lantern-kf8.azw3",
         [](PalmBook& book) {
             ASSERT_TRUE(book.ReplaceExthString(201, BigEndian32(0xFFFFFFFF)));
             ASSERT_TRUE(book.ReplaceExthString(202, BigEndian32(4)));
         },
         std::nullopt},
        {"the cover record no longer a picture", "covers/lantern-kf7.mobi",
         [](PalmBook& book) {
             const uint32_t at = book.RecordOffset(6);
             book.Bytes[at] = 'X';
         },
         7},
        {"first resource not set", "covers/lantern-kf8.azw3",
         [](PalmBook& book) { book.SetRecord0Field32(FirstResourceField, 0xFFFFFFFF); },
         std::nullopt},
        {"no cover records at all", "harbor-kf8.azw3", nullptr, std::nullopt},
        {"a KF7 book without a cover", "harbor-kf7.mobi", nullptr, std::nullopt},
    };
    for (const CoverCase& c : cases) {
        SCOPED_TRACE(c.what);
        PalmBook book(TestBook(c.book));
        if (c.edit) {
            c.edit(book);
        }
        const auto cover = CoverOf(book.Bytes);
        ASSERT_EQ(cover.has_value(), c.record.has_value());
        if (c.record) {
            EXPECT_EQ(*cover, RecordBytes(book, *c.record));
            EXPECT_EQ(ClassifyRecord(cover->data(), cover->size(), cover->size()),
                      RecordKind::Picture);
        }
    }
}

TEST(CoverRecord, ResourceRecordNumberRefusesUnsetAndOverflowingOffsets) {
    struct Case {
        size_t first;
        uint32_t offset;
        std::optional<size_t> number;
    };
    const Case cases[] = {
        {10, 0, 10},
        {10, 1, 11},
        {0, 0xFFFFFFFE, 0xFFFFFFFE},
        {10, 0xFFFFFFFF, std::nullopt},
        {MOBI_NOTSET, 0, std::nullopt},
        {1, 0xFFFFFFFE, std::nullopt}, // MOBI_NOTSET is UINT32_MAX
        {MOBI_NOTSET - 1, 1, std::nullopt},
        {MOBI_NOTSET - 2, 1, MOBI_NOTSET - 1},
        {MOBI_NOTSET - 2, 2, std::nullopt},
        {SIZE_MAX, 0, std::nullopt},
    };
    for (const Case& c : cases) {
        size_t number = 12345;
        const bool found = ResourceRecordNumber(c.first, c.offset, &number);
        EXPECT_EQ(found, c.number.has_value()) << c.first << " + " << c.offset;
        if (found && c.number) {
            EXPECT_EQ(number, *c.number);
        }
    }
}

// The longer side at most the size asked for, never enlarged, the shorter rounded half up.
TEST(ThumbnailSize, KeepsTheAspectRatioAndNeverEnlarges) {
    struct Case {
        PixelSize picture;
        UINT longest;
        PixelSize thumbnail;
    };
    const Case cases[] = {
        {{300, 450}, 256, {171, 256}}, // 170.67
        {{300, 450}, 96, {64, 96}},
        {{200, 300}, 96, {64, 96}},
        {{200, 300}, 256, {171, 256}}, // 170.67
        {{450, 300}, 96, {96, 64}},
        {{300, 450}, 450, {300, 450}},
        {{300, 450}, 1024, {300, 450}},
        {{100, 100}, 32, {32, 32}},
        {{3, 2}, 2, {2, 1}},      // 1.33
        {{4, 2}, 3, {3, 2}},      // 1.5, half up
        {{1000, 1}, 10, {10, 1}}, // 0.01, at least 1
        {{1, 1000}, 10, {1, 10}},
        {{0xFFFFFFFF, 0xFFFFFFFE}, 256, {256, 256}}, // 255.99999994
        {{0, 10}, 256, {0, 0}},
        {{10, 10}, 0, {0, 0}},
    };
    for (const Case& c : cases) {
        const PixelSize got = ThumbnailSize(c.picture, c.longest);
        EXPECT_EQ(got.Width, c.thumbnail.Width) << c.picture.Width << "x" << c.picture.Height;
        EXPECT_EQ(got.Height, c.thumbnail.Height) << c.picture.Width << "x" << c.picture.Height;
    }
}

// The preview pane's cover: within the pane's width and half its height.
TEST(ThumbnailSize, FitsABoxByTheSideThatMeetsIt) {
    struct Case {
        PixelSize picture;
        PixelSize box;
        PixelSize shown;
    };
    const Case cases[] = {
        {{300, 450}, {576, 450}, {300, 450}}, // fits: never enlarged
        {{300, 450}, {576, 300}, {200, 300}}, // the height meets
        {{300, 450}, {150, 450}, {150, 225}}, // the width meets
        {{300, 450}, {100, 100}, {67, 100}},  // 66.67
        {{450, 300}, {100, 100}, {100, 67}},
        {{200, 300}, {133, 200}, {133, 200}}, // the width meets: 199.5, half up
        {{4000, 10}, {300, 500}, {300, 1}},   // 0.75
        {{1, 4000}, {300, 500}, {1, 500}},    // 0.125, at least 1
        {{0xFFFFFFFF, 0xFFFFFFFF}, {1920, 1080}, {1080, 1080}},
        {{300, 450}, {0, 450}, {0, 0}},
        {{0, 450}, {300, 450}, {0, 0}},
    };
    for (const Case& c : cases) {
        const PixelSize got = FitPictureSize(c.picture, c.box);
        EXPECT_EQ(got.Width, c.shown.Width) << c.picture.Width << "x" << c.picture.Height;
        EXPECT_EQ(got.Height, c.shown.Height) << c.picture.Width << "x" << c.picture.Height;
    }
}

} // namespace
