// The chunk record, its bounded copy, and the stream binding of the filter framework.
#include "filter/BoundedStringCopy.h"
#include "filter/CFilterBase.h"
#include "tests/support/RecordingStream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

const PROPERTYKEY Key = {
    {0xF29F85E0, 0x4FF9, 0x1068, {0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9}}, 4};

TEST(BoundedStringCopy, StopsAtZeroCountOrDestination) {
    struct Case {
        std::u16string Source;
        size_t DestinationSize;
        size_t MaxCount;
        std::u16string Expected;
        HRESULT Result;
    };
    const HRESULT cut = HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    const Case cases[] = {
        {u"abc", 8, 100, u"abc", S_OK}, {u"abc", 8, 2, u"ab", S_OK}, {u"abc", 4, 100, u"abc", S_OK},
        {u"abcd", 4, 100, u"abc", cut}, {u"abc", 3, 3, u"ab", cut},  {u"", 1, 100, u"", S_OK},
        {u"abc", 1, 100, u"", cut},     {u"abc", 8, 0, u"", S_OK},
    };
    for (const Case& c : cases) {
        // The copy may read as far as it may copy: what lies past the source's zero is there,
        // and must not be copied.
        std::u16string source = c.Source + u'\0';
        source.resize(std::max(source.size(), std::min(c.DestinationSize, c.MaxCount)), u'Z');
        std::u16string destination(c.DestinationSize + 1, u'#');
        EXPECT_EQ(
            BoundedStringCopy(destination.data(), c.DestinationSize, source.data(), c.MaxCount),
            c.Result);
        EXPECT_EQ(std::u16string(destination.c_str()), c.Expected);
        EXPECT_EQ(destination[c.DestinationSize], u'#') << "wrote past the destination";
    }
}

TEST(BoundedStringCopy, ADestinationOfNoCharactersIsRefusedAndUntouched) {
    WCHAR destination[2] = {u'#', u'#'};
    EXPECT_EQ(BoundedStringCopy(destination, 0, u"abc", 3), E_INVALIDARG);
    EXPECT_EQ(BoundedStringCopy(destination, 0, u"", 0), E_INVALIDARG);
    EXPECT_EQ(destination[0], u'#');
    EXPECT_EQ(destination[1], u'#');
}

TEST(ChunkValue, StringValueIsAnOwnedCopy) {
    ChunkValue chunk;
    std::u16string title = u"Harbor";
    ASSERT_EQ(chunk.SetStringValue(Key, title.c_str()), S_OK);
    title[0] = u'X';
    EXPECT_TRUE(chunk.IsSet);
    EXPECT_EQ(chunk.Stat.flags, CHUNK_VALUE);
    EXPECT_EQ(chunk.Stat.attribute.psProperty.propid, 4u);
    EXPECT_EQ(chunk.Value.vt, VT_LPWSTR);
    EXPECT_EQ(std::u16string(chunk.Value.pwszVal), u"Harbor");
}

TEST(ChunkValue, EmptyStringIsASetValue) {
    ChunkValue chunk;
    ASSERT_EQ(chunk.SetStringValue(Key, u""), S_OK);
    EXPECT_TRUE(chunk.IsSet);
    EXPECT_EQ(chunk.Value.vt, VT_LPWSTR);
    EXPECT_EQ(chunk.Value.pwszVal[0], 0);
}

TEST(ChunkValue, NullStringChangesNothing) {
    ChunkValue chunk;
    ASSERT_EQ(chunk.SetStringValue(Key, u"kept"), S_OK);
    EXPECT_EQ(chunk.SetStringValue(Key, nullptr), E_INVALIDARG);
    EXPECT_TRUE(chunk.IsSet);
    EXPECT_EQ(std::u16string(chunk.Value.pwszVal), u"kept");
}

TEST(ChunkValue, ValueReplacesTextCompletely) {
    ChunkValue chunk;
    chunk.SetKeyAndKind(Key, CHUNK_TEXT);
    chunk.Text = static_cast<WCHAR*>(CoTaskMemAlloc(4 * sizeof(WCHAR)));
    std::u16string(u"abc").copy(chunk.Text, 3);
    chunk.Text[3] = 0;
    chunk.TextLength = 3;
    chunk.IsSet = true;
    ASSERT_EQ(chunk.SetStringValue(Key, u"v"), S_OK);
    EXPECT_EQ(chunk.Text, nullptr);
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
    EXPECT_EQ(chunk.Value.vt, VT_EMPTY);
    EXPECT_EQ(chunk.Text, nullptr);
}

TEST(ChunkValue, CopiesOutAreIndependent) {
    ChunkValue chunk;
    ASSERT_EQ(chunk.SetStringValue(Key, u"same"), S_OK);
    PROPVARIANT* first = nullptr;
    PROPVARIANT* second = nullptr;
    ASSERT_EQ(chunk.CopyValueOut(&first), S_OK);
    ASSERT_EQ(chunk.CopyValueOut(&second), S_OK);
    EXPECT_NE(first->pwszVal, second->pwszVal);
    EXPECT_NE(first->pwszVal, chunk.Value.pwszVal);
    EXPECT_EQ(std::u16string(second->pwszVal), u"same");
    for (PROPVARIANT* copy : {first, second}) {
        PropVariantClear(copy);
        CoTaskMemFree(copy);
    }
    EXPECT_TRUE(chunk.IsSet);
    EXPECT_EQ(chunk.CopyValueOut(nullptr), E_INVALIDARG);
}

// A framework object whose content hook only records that it ran and where the stream stood.
class BindingFilter : public CFilterBase {
public:
    int PrepareCalls = 0;
    HRESULT PrepareResult = S_OK;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOTIMPL; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT PrepareContent() override {
        ++PrepareCalls;
        return PrepareResult;
    }
    HRESULT ProduceChunkValue(ChunkValue&) override { return FILTER_E_END_OF_CHUNKS; }
    IStream* Bound() const { return Stream; }
};

TEST(StreamBinding, NullStreamChangesNothing) {
    RecordingStream stream;
    BindingFilter filter;
    ASSERT_EQ(filter.Initialize(&stream, 0), S_OK);
    stream.Calls.clear();
    EXPECT_EQ(filter.Initialize(nullptr, 0), E_INVALIDARG);
    EXPECT_EQ(filter.Load(nullptr), E_INVALIDARG);
    EXPECT_EQ(filter.PrepareCalls, 1);
    EXPECT_TRUE(stream.Calls.empty());
    EXPECT_EQ(filter.Bound(), &stream);
    EXPECT_EQ(stream.References, 2);
}

TEST(StreamBinding, RewindsTheStreamBeforePreparing) {
    RecordingStream stream({1, 2, 3, 4});
    stream.Position = 3;
    BindingFilter filter;
    ASSERT_EQ(filter.Initialize(&stream, STGM_READ), S_OK);
    ASSERT_EQ(stream.Calls.size(), 1u);
    EXPECT_EQ(stream.Calls[0], (RecordingStream::Call{"Seek", 0, STREAM_SEEK_SET, 0}));
    EXPECT_EQ(stream.Position, 0u);
}

TEST(StreamBinding, HoldsOneReferenceWhateverTheRebinding) {
    RecordingStream first;
    RecordingStream second;
    {
        BindingFilter filter;
        filter.Initialize(&first, 0);
        filter.Initialize(&first, 0);
        EXPECT_EQ(first.References, 2);
        filter.Load(&second);
        EXPECT_EQ(first.References, 1);
        EXPECT_EQ(second.References, 2);
        EXPECT_EQ(filter.PrepareCalls, 3);
    }
    EXPECT_EQ(second.References, 1);
}

TEST(StreamBinding, LoadAnswersWhatPrepareAnswersAndKeepsTheStream) {
    RecordingStream stream;
    stream.FailSeeks = true;
    BindingFilter filter;
    filter.PrepareResult = E_FAIL;
    EXPECT_EQ(filter.Load(&stream), E_FAIL);
    EXPECT_EQ(filter.Initialize(&stream, 0), E_FAIL);
    EXPECT_EQ(filter.PrepareCalls, 2);
    EXPECT_EQ(filter.Bound(), &stream);
}

TEST(StreamBinding, UnsupportedPersistenceOperations) {
    BindingFilter filter;
    CLSID clsid = IID_IFilter;
    ULARGE_INTEGER size;
    size.QuadPart = 42;
    EXPECT_EQ(filter.GetClassID(&clsid), E_NOTIMPL);
    EXPECT_TRUE(IsEqualCLSID(clsid, IID_IFilter));
    EXPECT_EQ(filter.IsDirty(), E_NOTIMPL);
    EXPECT_EQ(filter.Save(nullptr, TRUE), E_NOTIMPL);
    EXPECT_EQ(filter.GetSizeMax(&size), E_NOTIMPL);
    EXPECT_EQ(size.QuadPart, 42u);
}

} // namespace
