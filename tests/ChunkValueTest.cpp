// SPDX-License-Identifier: LGPL-3.0-or-later
// The chunk record: its states, what it owns, and the copies it hands out.
#include "filter/ChunkValue.h"
#include "platform/UniqueAny.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

const PROPERTYKEY& Key = PKEY_Author;

TEST(ChunkValue, StringValueIsAnOwnedCopy) {
    ChunkValue chunk;
    std::u16string title = u"Harbor";
    ASSERT_EQ(chunk.SetStringValue(Key, title.c_str()), S_OK);
    title[0] = u'X';
    EXPECT_TRUE(chunk.IsSet);
    EXPECT_EQ(chunk.Stat.flags, CHUNK_VALUE);
    EXPECT_EQ(chunk.Stat.attribute.psProperty.propid, 4u);
    EXPECT_EQ(chunk.Value->vt, VT_LPWSTR);
    EXPECT_EQ(std::u16string(chunk.Value->pwszVal), u"Harbor");
}

TEST(ChunkValue, StringValueTakenOverIsHeldItself) {
    ChunkValue chunk;
    CoTaskMemPtr<WCHAR> title(static_cast<WCHAR*>(CoTaskMemAlloc(3 * sizeof(WCHAR))));
    std::u16string(u"Ab").copy(title.Get(), 3);
    title.Get()[2] = 0;
    const WCHAR* const held = title.Get();
    ASSERT_EQ(chunk.SetStringValue(Key, std::move(title)), S_OK);
    EXPECT_TRUE(chunk.IsSet);
    EXPECT_EQ(chunk.Stat.flags, CHUNK_VALUE);
    EXPECT_EQ(chunk.Value->vt, VT_LPWSTR);
    EXPECT_EQ(chunk.Value->pwszVal, held);
    EXPECT_EQ(chunk.SetStringValue(Key, CoTaskMemPtr<WCHAR>()), E_INVALIDARG);
    EXPECT_EQ(chunk.Value->pwszVal, held);
}

TEST(ChunkValue, EmptyStringIsASetValue) {
    ChunkValue chunk;
    ASSERT_EQ(chunk.SetStringValue(Key, u""), S_OK);
    EXPECT_TRUE(chunk.IsSet);
    EXPECT_EQ(chunk.Value->vt, VT_LPWSTR);
    EXPECT_EQ(chunk.Value->pwszVal[0], 0);
}

TEST(ChunkValue, NullStringChangesNothing) {
    ChunkValue chunk;
    ASSERT_EQ(chunk.SetStringValue(Key, u"kept"), S_OK);
    EXPECT_EQ(chunk.SetStringValue(Key, nullptr), E_INVALIDARG);
    EXPECT_TRUE(chunk.IsSet);
    EXPECT_EQ(std::u16string(chunk.Value->pwszVal), u"kept");
}

// A text of one run.
class OneRun final : public TextRuns {
public:
    HRESULT NextTextRun(const WCHAR** units, ULONG* count) override {
        static const WCHAR Run[] = UTF16("abc");
        *units = Run;
        *count = 3;
        return S_OK;
    }
};

TEST(ChunkValue, ValueReplacesTextCompletely) {
    ChunkValue chunk;
    OneRun source;
    ASSERT_EQ(chunk.SetText(Key, source), S_OK);
    ASSERT_EQ(chunk.NextRun(), S_OK);
    ASSERT_EQ(chunk.SetStringValue(Key, u"v"), S_OK);
    EXPECT_EQ(chunk.Source, nullptr);
    EXPECT_EQ(chunk.Run, nullptr);
    EXPECT_EQ(chunk.Stat.flags, CHUNK_VALUE);
}

TEST(ChunkValue, ClearEmptiesAndIsHarmlessTwice) {
    ChunkValue chunk;
    chunk.Clear();
    ASSERT_EQ(chunk.SetStringValue(Key, u"v"), S_OK);
    chunk.Clear();
    chunk.Clear();
    EXPECT_FALSE(chunk.IsSet);
    EXPECT_EQ(chunk.Stat.flags, 0);
    EXPECT_EQ(chunk.Value->vt, VT_EMPTY);
    EXPECT_EQ(chunk.Source, nullptr);
}

TEST(ChunkValue, CopiesOutAreIndependent) {
    ChunkValue chunk;
    ASSERT_EQ(chunk.SetStringValue(Key, u"same"), S_OK);
    PropVariantBlock first;
    PropVariantBlock second;
    ASSERT_EQ(chunk.CopyValueOut(first.Put()), S_OK);
    ASSERT_EQ(chunk.CopyValueOut(second.Put()), S_OK);
    EXPECT_NE(first->pwszVal, second->pwszVal);
    EXPECT_NE(first->pwszVal, chunk.Value->pwszVal);
    EXPECT_EQ(std::u16string(second->pwszVal), u"same");
    EXPECT_TRUE(chunk.IsSet);
    EXPECT_EQ(chunk.CopyValueOut(nullptr), E_INVALIDARG);
}

} // namespace
