// SPDX-License-Identifier: LGPL-3.0-or-later
// The thumbnail provider as the shell drives it: one binding per object, the stream let go,
// and, natively, no decoder behind GetThumbnail.
#include "book/CBookThumbnailProvider.h"
#include "platform/ComObject.h"
#include "tests/support/BookBinding.h"
#include "tests/support/RecordingStream.h"
#include "tests/support/References.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using ThumbnailProvider = ComObject<CBookThumbnailProvider>;

// The size of the cover that the provider hands out, which it must.
ULONG CoverSize(ThumbnailProvider& provider) {
    BYTE* bytes = nullptr;
    ULONG size = 0;
    EXPECT_EQ(provider.GetCoverBytes(&bytes, &size), S_OK);
    CoTaskMemFree(bytes);
    return size;
}

TEST(ThumbnailProvider, BindsOneStreamOnceAndKeepsNoReferenceToIt) {
    RecordingStream stream(TestBook("covers/lantern-kf8.azw3"));
    ThumbnailProvider provider;
    EXPECT_EQ(provider.Initialize(nullptr, STGM_READ), E_INVALIDARG);
    ASSERT_EQ(provider.Initialize(&stream, STGM_READ), S_OK);
    EXPECT_EQ(ReferencesOf(stream), 1);
    EXPECT_EQ(provider.Initialize(&stream, STGM_READ),
              HRESULT_FROM_WIN32(ERROR_ALREADY_INITIALIZED));
    RecordingStream other(TestBook("harbor-kf8.azw3"));
    EXPECT_EQ(provider.Initialize(&other, STGM_READ),
              HRESULT_FROM_WIN32(ERROR_ALREADY_INITIALIZED));
    EXPECT_TRUE(other.Calls.empty());
    // Still the first book's cover.
    EXPECT_EQ(CoverSize(provider), 4045u);
}

TEST(ThumbnailProvider, ReadsTheBookFromItsStartWhereverTheStreamStands) {
    RecordingStream stream(TestBook("covers/meadow-kf8.azw3"));
    LARGE_INTEGER middle;
    middle.QuadPart = 5000;
    stream.Seek(middle, STREAM_SEEK_SET, nullptr);
    ThumbnailProvider provider;
    ASSERT_EQ(provider.Initialize(&stream, STGM_READ), S_OK);
    EXPECT_EQ(CoverSize(provider), 848u);
}

TEST(ThumbnailProvider, ABookThatDoesNotLoadLeavesItUnbound) {
    const std::vector<unsigned char> book = TestBook("covers/lantern-kf7.mobi");
    RecordingStream truncated(std::vector<unsigned char>(book.begin(), book.begin() + 100));
    ThumbnailProvider provider;
    EXPECT_EQ(provider.Initialize(&truncated, STGM_READ), E_FAIL);
    HBITMAP bitmap = reinterpret_cast<HBITMAP>(1);
    WTS_ALPHATYPE alpha = WTSAT_ARGB;
    EXPECT_EQ(provider.GetThumbnail(96, &bitmap, &alpha), E_UNEXPECTED);
    EXPECT_EQ(bitmap, nullptr);
    EXPECT_EQ(alpha, WTSAT_UNKNOWN);
    // The shell may try again with the whole book.
    RecordingStream whole(book);
    EXPECT_EQ(provider.Initialize(&whole, STGM_READ), S_OK);
}

struct ThumbnailCase {
    const char* book; // null: nothing bound
    UINT size;
    bool nullBitmap;
    HRESULT expected;
};

TEST(ThumbnailProvider, AnswersGetThumbnailWithoutADecoderNatively) {
    const ThumbnailCase cases[] = {
        {"covers/lantern-kf8.azw3", 256, false, E_NOTIMPL},
        {"covers/meadow-kf8.azw3", 96, false, E_NOTIMPL},
        {"harbor-kf7.mobi", 96, false, WTS_E_FAILEDEXTRACTION},
        {"covers/lantern-kf8.azw3", 0, false, E_INVALIDARG},
        {"covers/lantern-kf8.azw3", 96, true, E_POINTER},
        {nullptr, 96, false, E_UNEXPECTED},
    };
    for (const ThumbnailCase& c : cases) {
        SCOPED_TRACE(c.book != nullptr ? c.book : "unbound");
        ThumbnailProvider provider;
        if (c.book != nullptr) {
            RecordingStream stream(TestBook(c.book));
            ASSERT_EQ(provider.Initialize(&stream, STGM_READ), S_OK);
        }
        HBITMAP bitmap = reinterpret_cast<HBITMAP>(1);
        WTS_ALPHATYPE alpha = WTSAT_ARGB;
        EXPECT_EQ(provider.GetThumbnail(c.size, c.nullBitmap ? nullptr : &bitmap, &alpha),
                  c.expected);
        if (!c.nullBitmap) {
            EXPECT_EQ(bitmap, nullptr);
        }
    }
}

TEST(ThumbnailProvider, HandsOutCoverBytesOnlyOnceBound) {
    ThumbnailProvider provider;
    BYTE* bytes = reinterpret_cast<BYTE*>(1);
    ULONG size = 7;
    EXPECT_EQ(provider.GetCoverBytes(&bytes, &size), E_UNEXPECTED);
    EXPECT_EQ(bytes, nullptr);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(provider.GetCoverBytes(nullptr, &size), E_POINTER);
    EXPECT_EQ(provider.GetCoverBytes(&bytes, nullptr), E_POINTER);
}

TEST(ThumbnailProvider, AnswersItsThreeFacesAndNoFilter) {
    ThumbnailProvider provider;
    for (const IID* iid :
         {&IID_IUnknown, &IID_IInitializeWithStream, &IID_IThumbnailProvider, &IID_IBookCover}) {
        void* face = nullptr;
        EXPECT_EQ(provider.QueryInterface(*iid, &face), S_OK);
        static_cast<IUnknown*>(face)->Release();
    }
    void* face = reinterpret_cast<void*>(1);
    EXPECT_EQ(provider.QueryInterface(IID_IFilter, &face), E_NOINTERFACE);
    EXPECT_EQ(face, nullptr);
}

} // namespace
