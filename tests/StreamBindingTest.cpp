// SPDX-License-Identifier: LGPL-3.0-or-later
// Binding a stream to a filter object through IInitializeWithStream and IPersistStream.
#include "filter/CFilterBase.h"
#include "platform/ComObject.h"
#include "tests/support/RecordingStream.h"
#include "tests/support/References.h"

#include <gtest/gtest.h>

namespace {

// A framework object whose content hook only records that it ran and where the stream stood.
class BindingFilter : public CFilterBase {
public:
    int PrepareCalls = 0;
    HRESULT PrepareResult = S_OK;
    HRESULT PrepareContent() override {
        ++PrepareCalls;
        return PrepareResult;
    }
    HRESULT ProduceChunkValue(ChunkValue&) override { return FILTER_E_END_OF_CHUNKS; }
    IStream* Bound() const { return Stream.Get(); }
};

// On the stack: the test holds its one reference throughout.
using Binding = HostObject<BindingFilter>;

TEST(StreamBinding, NullStreamChangesNothing) {
    RecordingStream stream;
    Binding filter;
    ASSERT_EQ(filter.Initialize(&stream, 0), S_OK);
    stream.Calls.clear();
    EXPECT_EQ(filter.Initialize(nullptr, 0), E_INVALIDARG);
    EXPECT_EQ(filter.Load(nullptr), E_INVALIDARG);
    EXPECT_EQ(filter.PrepareCalls, 1);
    EXPECT_TRUE(stream.Calls.empty());
    EXPECT_EQ(filter.Bound(), &stream);
    EXPECT_EQ(ReferencesOf(stream), 2);
}

TEST(StreamBinding, RewindsTheStreamBeforePreparing) {
    RecordingStream stream(std::vector<unsigned char>{1, 2, 3, 4});
    stream.Position = 3;
    Binding filter;
    ASSERT_EQ(filter.Initialize(&stream, STGM_READ), S_OK);
    ASSERT_EQ(stream.Calls.size(), 1u);
    EXPECT_EQ(stream.Calls[0], (RecordingStream::Call{"Seek", 0, STREAM_SEEK_SET, 0}));
    EXPECT_EQ(stream.Position, 0u);
}

TEST(StreamBinding, HoldsOneReferenceWhateverTheRebinding) {
    RecordingStream first;
    RecordingStream second;
    {
        Binding filter;
        filter.Initialize(&first, 0);
        filter.Initialize(&first, 0);
        EXPECT_EQ(ReferencesOf(first), 2);
        filter.Load(&second);
        EXPECT_EQ(ReferencesOf(first), 1);
        EXPECT_EQ(ReferencesOf(second), 2);
        EXPECT_EQ(filter.PrepareCalls, 3);
    }
    EXPECT_EQ(ReferencesOf(second), 1);
}

TEST(StreamBinding, LoadAnswersWhatPrepareAnswersAndKeepsTheStream) {
    RecordingStream stream;
    stream.FailSeeks = true;
    Binding filter;
    filter.PrepareResult = E_FAIL;
    EXPECT_EQ(filter.Load(&stream), E_FAIL);
    EXPECT_EQ(filter.Initialize(&stream, 0), E_FAIL);
    EXPECT_EQ(filter.PrepareCalls, 2);
    EXPECT_EQ(filter.Bound(), &stream);
}

TEST(StreamBinding, UnsupportedPersistenceOperations) {
    Binding filter;
    CLSID clsid = IID_IFilter;
    ULARGE_INTEGER size;
    size.QuadPart = 42;
    EXPECT_EQ(filter.GetClassID(&clsid), E_NOTIMPL);
    EXPECT_TRUE(IsEqualCLSID(clsid, IID_IFilter));
    IPersistStream& persist = filter;
    EXPECT_EQ(persist.IsDirty(), E_NOTIMPL);
    EXPECT_EQ(persist.Save(nullptr, TRUE), E_NOTIMPL);
    EXPECT_EQ(filter.GetSizeMax(&size), E_NOTIMPL);
    EXPECT_EQ(size.QuadPart, 42u);
}

} // namespace
