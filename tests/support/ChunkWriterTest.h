// SPDX-License-Identifier: LGPL-3.0-or-later
// A chunk writer that writes into a string, and the chunks the writer tests feed it.
#pragma once

#include "tests/support/StringSink.h"
#include "tools/common/OutputBuffer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

inline STAT_CHUNK Chunk(ULONG id, CHUNKSTATE flags, const PROPERTYKEY& key) {
    STAT_CHUNK stat;
    std::memset(&stat, 0, sizeof(stat));
    stat.idChunk = id;
    stat.flags = flags;
    stat.attribute.guidPropSet = key.fmtid;
    stat.attribute.psProperty.ulKind = PRSPEC_PROPID;
    stat.attribute.psProperty.propid = key.pid;
    return stat;
}

template <typename Format> class ChunkWriterTest : public ::testing::Test {
protected:
    // A text chunk of the contents, handed over in `portions`.
    void TextChunk(ULONG id, const std::vector<std::vector<WCHAR>>& portions,
                   HRESULT error = S_OK) {
        Writer.BeginChunk(Chunk(id, CHUNK_TEXT, PKEY_Search_Contents));
        for (const auto& portion : portions) {
            Writer.Text(portion.data(), portion.size());
        }
        Writer.EndChunk(error, nullptr);
    }
    // A value chunk of `key`; a `type` other than VT_LPWSTR hands over no string.
    void ValueChunk(ULONG id, const PROPERTYKEY& key, const std::vector<WCHAR>& text,
                    VARTYPE type = VT_LPWSTR) {
        Writer.BeginChunk(Chunk(id, CHUNK_VALUE, key));
        Writer.Value(type == VT_LPWSTR ? text.data() : nullptr, text.size(), type);
        Writer.EndChunk(S_OK, nullptr);
    }
    std::string Written() {
        Buffer.Flush();
        return Sink.Text;
    }

    StringSink Sink;
    OutputBuffer Buffer{&Sink};
    Format Writer{Buffer};
};
