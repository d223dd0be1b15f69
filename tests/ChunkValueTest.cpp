// The chunk record: its states, what it owns, and the copies it hands out.
#include "filter/ChunkValue.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

const PROPERTYKEY Key = {
    {0xF29F85E0, 0x4FF9, 0x1068, {0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9}}, 4};

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

TEST(ChunkValue, ValueReplacesTextCompletely) {
    ChunkValue chunk;
    chunk.SetKeyAndKind(Key, CHUNK_TEXT);
    CoTaskMemPtr<WCHAR> text(static_cast<WCHAR*>(CoTaskMemAlloc(4 * sizeof(WCHAR))));
    std::u16string(u"abc").copy(text.Get(), 3);
    text.Get()[3] = 0;
    chunk.SetText(Key, std::move(text), 3);
    chunk.IsSet = true;
    ASSERT_EQ(chunk.SetStringValue(Key, u"v"), S_OK);
    EXPECT_FALSE(chunk.Text);
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
    EXPECT_FALSE(chunk.Text);
}

TEST(ChunkValue, CopiesOutAreIndependent) {
    ChunkValue chunk;
    ASSERT_EQ(chunk.SetStringValue(Key, u"same"), S_OK);
    PROPVARIANT* first = nullptr;
    PROPVARIANT* second = nullptr;
    ASSERT_EQ(chunk.CopyValueOut(&first), S_OK);
    ASSERT_EQ(chunk.CopyValueOut(&second), S_OK);
    EXPECT_NE(first->pwszVal, second->pwszVal);
    EXPECT_NE(first->pwszVal, chunk.Value->pwszVal);
    EXPECT_EQ(std::u16string(second->pwszVal), u"same");
    for (PROPVARIANT* copy : {first, second}) {
        PropVariantClear(copy);
        CoTaskMemFree(copy);
    }
    EXPECT_TRUE(chunk.IsSet);
    EXPECT_EQ(chunk.CopyValueOut(nullptr), E_INVALIDARG);
}

} // namespace
