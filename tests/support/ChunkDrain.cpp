#include "tests/support/ChunkDrain.h"

#include "platform/UniqueAny.h"

#include <gtest/gtest.h>

DrainResult DrainFilter(IFilter* filter, ULONG bufferSize) {
    DrainResult result;
    EXPECT_EQ(filter->Init(0, 0, nullptr, nullptr), S_OK);
    std::vector<WCHAR> buffer(bufferSize);
    for (;;) {
        STAT_CHUNK stat;
        const HRESULT hr = filter->GetChunk(&stat);
        if (FAILED(hr)) {
            result.End = hr;
            return result;
        }
        DrainedChunk chunk{stat.idChunk, stat.flags, stat.attribute.psProperty.propid, {}};
        if (stat.flags == CHUNK_VALUE) {
            PropVariantBlock value;
            EXPECT_EQ(filter->GetValue(value.Put()), S_OK);
            if (value) {
                EXPECT_EQ(value->vt, VT_LPWSTR);
                chunk.Content = value->pwszVal;
            }
        } else {
            for (;;) {
                ULONG count = bufferSize;
                const HRESULT text = filter->GetText(&count, buffer.data());
                if (text != S_OK && text != FILTER_S_LAST_TEXT) {
                    EXPECT_EQ(text, FILTER_E_NO_MORE_TEXT);
                    break;
                }
                chunk.Content.append(buffer.data(), count);
            }
        }
        result.Chunks.push_back(chunk);
    }
}
