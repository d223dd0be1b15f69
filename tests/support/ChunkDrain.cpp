// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tests/support/ChunkDrain.h"

#include "tools/common/ChunkDumper.h"
#include "tools/common/ChunkSink.h"

#include <gtest/gtest.h>

namespace {

// Keeps every chunk whole; a failing call or a broken promise fails the test.
class RecordingSink final : public ChunkSink {
public:
    explicit RecordingSink(DrainResult& result) : Result(result) {}

    void BeginChunk(const STAT_CHUNK& stat) override {
        Result.Chunks.push_back(DrainedChunk{stat.idChunk,
                                             stat.flags,
                                             stat.attribute.psProperty.propid,
                                             {},
                                             stat.attribute.guidPropSet,
                                             stat.breakType,
                                             stat.locale});
    }
    void Text(const WCHAR* text, size_t length) override {
        Result.Chunks.back().Content.append(text, length);
    }
    void Value(const WCHAR* text, size_t length, VARTYPE type) override {
        EXPECT_EQ(type, VT_LPWSTR);
        if (text != nullptr) {
            Result.Chunks.back().Content.assign(text, length);
        }
    }
    void EndChunk(HRESULT error, const char* fault) override {
        EXPECT_EQ(error, S_OK);
        EXPECT_EQ(fault, nullptr) << fault;
    }
    void End(HRESULT code) override { Result.End = code; }

private:
    DrainResult& Result;
};

} // namespace

DrainResult DrainFilter(IFilter* filter, ULONG bufferSize) {
    DrainResult result;
    RecordingSink sink(result);
    // The dumper's portion leaves one unit of the buffer for the terminator.
    ChunkDumper(sink, bufferSize - 1).Dump(filter);
    return result;
}
